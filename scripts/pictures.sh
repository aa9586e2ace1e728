#!/usr/bin/env bash
# Writes the README's pictures (docs/*.png) from the built module against the virtual switch:
# the windows of two models with --window-shot, and dialogs with --command ID --window-shot.
#   scripts/pictures.sh            (needs build/sim/corvex-sim and build/src/gui/corvex-module)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
build=${CORVEX_BUILD_DIR:-build}
state=$(mktemp -d)
sims=()
trap 'for p in "${sims[@]}"; do kill "$p" 2>/dev/null; wait "$p" 2>/dev/null; done; rm -rf "$state"' EXIT
# Without a display the pictures are taken on an offscreen screen of CORVEX_SCREEN (WIDTHxHEIGHT);
# dialogs are fitted into the screen they open on.
if [ -z "${QT_QPA_PLATFORM:-}" ]; then
  screen=${CORVEX_SCREEN:-1920x1080}
  printf '{"screens": [{"name": "shots", "x": 0, "y": 0, "width": %d, "height": %d, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]}\n' \
    "${screen%x*}" "${screen#*x}" > "$state/screen.json"
  export QT_QPA_PLATFORM="offscreen:configfile=$state/screen.json"
fi

# Starts a virtual switch of the model; prints its host line.
start_switch() {
  local model=$1 port
  port=$(python3 -c 'import socket; s=socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  "$build/sim/corvex-sim" --model "$model" --listen "udp:127.0.0.1:$port" > "$state/$model.out" 2>&1 &
  sims+=($!)
  for _ in $(seq 50); do grep -q ready "$state/$model.out" 2>/dev/null && break; sleep 0.1; done
  grep -q ready "$state/$model.out" || { cat "$state/$model.out" >&2; exit 1; }
  echo "/Hdocs/I127.0.0.1/Cqorvin/Dtessmar/ETRUE/F1/G$port"
}

module() { "$build/src/gui/corvex-module" --profile "$top/panels/$1/User.ini" "${@:2}"; }

line10=$(start_switch 10p)
line52=$(start_switch 52)
module 10p --window-shot docs/panel-10p.png "$line10"
module 52 --window-shot docs/panel-52.png "$line52"
# Port configuration (32774), the 802.1Q VLAN table (32834), the forwarding table (32810).
module 10p --command 32774 --window-shot docs/dialog-ports.png "$line10"
module 10p --command 32834 --window-shot docs/dialog-vlan.png "$line10"
module 10p --command 32810 --window-shot docs/dialog-fdb.png "$line10"
# Trunks (32818), auto surveillance VLAN (32828), 802.1X (32792), PoE ports (32852),
# LLDP neighbours (32826), SNMP users (32841), firmware and configuration transfer (32823).
module 52 --command 32818 --window-shot docs/dialog-trunks.png "$line52"
module 10p --command 32828 --window-shot docs/dialog-surveillance.png "$line10"
module 10p --command 32792 --window-shot docs/dialog-8021x.png "$line10"
module 10p --command 32852 --window-shot docs/dialog-poe.png "$line10"
module 10p --command 32826 --window-shot docs/dialog-lldp-remote.png "$line10"
module 10p --command 32841 --window-shot docs/dialog-snmp-users.png "$line10"
module 10p --command 32823 --window-shot docs/dialog-transfer.png "$line10"
echo "docs/panel-*.png and docs/dialog-*.png written"
