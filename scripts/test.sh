#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
#   scripts/test.sh            the whole suite
#   CORVEX_SANITIZE=address,undefined scripts/test.sh   the suite under the sanitizers (in build-address-undefined/)
#   scripts/test.sh -DCORVEX_BUILD_GUI=OFF              extra arguments go to cmake
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
extra=()
if [ -n "${CORVEX_SANITIZE:-}" ]; then
  export CORVEX_BUILD_DIR=${CORVEX_BUILD_DIR:-build-${CORVEX_SANITIZE//,/-}}
  extra+=(-DCORVEX_SANITIZE="$CORVEX_SANITIZE" -DCMAKE_BUILD_TYPE=Debug)
fi
scripts/setup.sh "${extra[@]}" "$@"
build=${CORVEX_BUILD_DIR:-build}
# The test programs know their own build and source tree.
unset CORVEX_BUILD_DIR CORVEX_SOURCE_DIR
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
cd "$build"
ctest --output-on-failure -j 2 --timeout 300 ${CORVEX_CTEST_ARGS:-}
