#!/usr/bin/env bash
# Installs what is missing, builds, starts the virtual switch on a free loopback port and opens
# the module on it with the command line the management host would pass. The switch stops when
# the module closes. Without a display the module writes a screenshot instead.
#   scripts/demo.sh [model]      model: 10p (default), 28, 52, ... (corvex-sim --list-models)
# CORVEX_SIM_ARGS adds options of the virtual switch, e.g. CORVEX_SIM_ARGS='--proxy-marker first'
# for a switch behind a relay.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
model=${1:-10p}
scripts/setup.sh
build=${CORVEX_BUILD_DIR:-build}

port=$(python3 -c 'import socket; s=socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
state=$(mktemp -d)
# shellcheck disable=SC2086
"$build/sim/corvex-sim" --model "$model" --live --listen "udp:127.0.0.1:$port" ${CORVEX_SIM_ARGS:-} > "$state/sim.out" 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null; rm -rf "$state"' EXIT
trap 'exit 130' INT TERM
for _ in $(seq 50); do grep -q ready "$state/sim.out" 2>/dev/null && break; sleep 0.1; done
grep -q ready "$state/sim.out" || { cat "$state/sim.out"; echo "The virtual switch did not start." >&2; exit 1; }
echo "Virtual switch ($model) on udp:127.0.0.1:$port"

# The host's launch line: /H<host> /I<address> /C<read community> /D<write community>
# /E<VLAN editing> /F<SNMP version> /G<agent port>
line="/Hdemo/I127.0.0.1/Cqorvin/Dtessmar/ETRUE/F1/G$port"
profile="$top/panels/$model/User.ini"
if [ -x "$build/src/gui/corvex-module" ]; then
  if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    "$build/src/gui/corvex-module" --profile "$profile" "$line"
  else
    shot="$top/corvex-$model.png"
    echo "No display: writing a screenshot of the panel to $shot"
    QT_QPA_PLATFORM=offscreen "$build/src/gui/corvex-module" --profile "$profile" --screenshot "$shot" "$line"
  fi
else
  echo "The window is not built; reading the switch with corvex-snmp instead:"
  "$build/tools/corvex-snmp/corvex-snmp" "$line" walk 1.3.6.1.2.1.2.2.1.2 1.3.6.1.2.1.2.2.1.8
fi
