#!/usr/bin/env bash
# Builds the Debian package from the normal build and installs it with apt:
# corvex-module, corvex-snmp, corvex-sim and corvex-demo in /usr/bin, the panels in
# /usr/share/corvex-module, a desktop menu entry that opens the module on the virtual switch,
# and manual pages.   scripts/package.sh [--no-install]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
scripts/setup.sh
build=${CORVEX_BUILD_DIR:-build}
(cd "$build" && cpack -G DEB)
deb=$(ls -t "$build"/corvex-module_*.deb | head -n 1)
echo "Built $deb"
[ "${1:-}" = "--no-install" ] && exit 0
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
"${sudo_cmd[@]}" apt-get install -y "$(readlink -f "$deb")"
