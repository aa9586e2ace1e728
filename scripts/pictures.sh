#!/usr/bin/env bash
# Writes the gallery (docs/gallery.md and its pictures in docs/gallery/) from the built module
# against the virtual switch: the window of every model (the PoE models with their LEDs in link
# mode and in PoE mode), every dialog a menu command opens (--command ID --window-shot), and
# every dialog those open (--step clicks a row or a button first). The module exits non-zero
# when a picture cannot be made, and so does this script.
#   scripts/pictures.sh            (needs build/sim/corvex-sim and build/src/gui/corvex-module)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
build=${CORVEX_BUILD_DIR:-build}
out=docs/gallery
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
# The module's single-instance lock lives here, away from any module the user runs.
export XDG_RUNTIME_DIR=$state

# Starts a virtual switch: start_switch NAME MODEL [corvex-sim options]; sets line_NAME. The
# communities are $ro and $rw.
ro=qorvin rw=tessmar
start_switch() {
  local name=$1 model=$2 port
  port=$(python3 -c 'import socket; s=socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  "$build/sim/corvex-sim" --model "$model" --listen "udp:127.0.0.1:$port" --community-ro "$ro" --community-rw "$rw" \
    "${@:3}" > "$state/$name.out" 2>&1 &
  sims+=($!)
  for _ in $(seq 50); do grep -q ready "$state/$name.out" 2>/dev/null && break; sleep 0.1; done
  grep -q ready "$state/$name.out" || { cat "$state/$name.out" >&2; exit 1; }
  printf -v "line_$name" '%s' "/Hdocs/I127.0.0.1/C$ro/D$rw/ETRUE/F1/G$port"
}

page=$state/gallery.md
section() { printf '\n## %s\n\n' "$1" >> "$page"; }
# shot FILE SWITCH MODEL CAPTION [module options]: one picture and its entry on the page.
shot() {
  local file=$1 switch=$2 model=$3 caption=$4 line
  line=line_$switch
  "$build/src/gui/corvex-module" --profile "$top/panels/$model/User.ini" "${@:5}" --window-shot "$out/$file" \
    "${!line}" 2> >(grep -v 'propagateSizeHints' >&2)
  printf '### %s\n\n![%s](gallery/%s)\n\n' "$caption" "$caption" "$file" >> "$page"
}

mkdir -p "$out"
rm -f "$out"/*.png
# 802.1X and spanning tree enabled (their port dialogs open only then) and a time range for
# weekday evenings; on the 52-port model trunk 1 in use as well (ports 1 to 4), so that it has
# members to show.
range=1.3.6.1.4.1.171.10.76.12.23.1.1
printf '%s\n' "1.3.6.1.4.1.171.10.76.12.11.2.1.0 i 1" "1.3.6.1.4.1.171.10.76.12.6.1.1.0 i 1" \
  "$range.2.1 s evenings" "$range.7.1 i 18" "$range.12.1 i 23" "$range.14.1 i 1" "$range.15.1 i 1" \
  "$range.16.1 i 1" "$range.17.1 i 1" "$range.18.1 i 1" "$range.19.1 i 2" "$range.20.1 i 2" > "$state/dialogs.state"
cp "$state/dialogs.state" "$state/dialogs52.state"
printf '%s\n' "1.3.6.1.4.1.171.10.76.12.8.1.3.1.2.1 x F0000000000000" \
  "1.3.6.1.4.1.171.10.76.12.8.1.3.1.3.1 i 1" >> "$state/dialogs52.state"
for model in 16 24 28 28p 48; do start_switch "m$model" "$model"; done
start_switch m10p 10p --state "$state/dialogs.state"
start_switch m52 52 --state "$state/dialogs52.state"
# The tables of the switch's own SNMP agent list its communities: that switch gets example ones.
ro=example-read rw=example-write start_switch agent 10p
# The PoE models with their port LEDs showing PoE state (LED mode 2).
echo "1.3.6.1.4.1.171.10.76.12.22.8.0 i 2" > "$state/poe-leds.state"
start_switch poe10p 10p --state "$state/poe-leds.state"
# A switch that never answers for the LLDP TX delay: the form after a read that failed.
start_switch lossy 10p --drop-prefix 1.3.6.1.4.1.171.10.76.12.24.5
start_switch poe28p 28p --state "$state/poe-leds.state"

cat > "$page" <<'EOF'
# Gallery

Every window of the module as it looks against the virtual switch (`corvex-sim`), written by
`scripts/pictures.sh` from the build. A picture of a dialog is taken once its first reads are
done; a dialog that another dialog opens is reached by clicking as the user would
(`corvex-module --command ID --step row:N --step '&Button' --window-shot FILE`). The switch
behind the pictures of its own SNMP agent's tables has the example communities "example-read"
and "example-write".
EOF

section "Front panels"
for model in 10p 16 24 28 48 52; do
  shot "panel-$model.png" "m$model" "$model" "Corvex-${model^^}"
done
shot panel-10p-poe-mode.png poe10p 10p "Corvex-10P, LEDs in PoE mode (ports without power are dark)"
shot panel-28p.png m28p 28p "Corvex-28P, LEDs in link mode"
shot panel-28p-poe-mode.png poe28p 28p "Corvex-28P, LEDs in PoE mode (ports without power are dark)"

section "Ports and trunks"
shot dialog-ports.png m10p 10p "Port Configuration (10P)" --command 32774
shot dialog-ports-52.png m52 52 "Port Configuration (52)" --command 32774
shot dialog-trunks.png m52 52 "Trunk Configuration (52)" --command 32818
shot dialog-trunk-members.png m52 52 "Trunk member (52): the table's first trunk, &PortMember" \
  --command 32818 --step row:1 --step '&PortMember'

section "VLANs"
shot dialog-vlan.png m10p 10p "802.1Q VLAN Configuration" --command 32834
shot dialog-vlan-entry.png m10p 10p "Edit VLAN: the first VLAN, &Edit" --command 32834 --step row:1 --step '&Edit'
shot dialog-vlan-add-52.png m52 52 "Add VLAN (52)" --command 32834 --step '&Add'
shot dialog-pvid.png m10p 10p "PVID Configuration" --command 32834 --step '&PVID'
shot dialog-pvid-52.png m52 52 "PVID Configuration (52)" --command 32834 --step '&PVID'
shot dialog-surveillance.png m10p 10p "Auto Surveillance VLAN Settings" --command 32828

section "Access security"
shot dialog-8021x.png m10p 10p "802.1X Config Information" --command 32792
shot dialog-8021x-ports.png m10p 10p "802.1X Port Configuration: &PortSet" --command 32792 --step '&PortSet'
shot dialog-8021x-ports-52.png m52 52 "802.1X Port Configuration (52)" --command 32792 --step '&PortSet'
shot dialog-arp.png m10p 10p "ARP Spoofing Prevention Setting" --command 32833
shot dialog-arp-entry.png m10p 10p "Add ARP Spoofing Prevention Entry: &Add" --command 32833 --step '&Add'
shot dialog-dhcp-screening.png m10p 10p "DHCP Server Screening Port Settings" --command 32829

section "Power over Ethernet"
shot dialog-poe.png m10p 10p "PoE Configuration" --command 32852
shot dialog-time-ranges.png m10p 10p "Time Range Information" --command 32819
shot dialog-time-range-edit.png m10p 10p "Time Based PoE Config: the first range, &Edit" \
  --command 32819 --step row:1 --step '&Edit'

section "LLDP"
shot dialog-lldp-global.png m10p 10p "LLDP Global Settings" --command 32825
shot dialog-lldp-remote.png m10p 10p "LLDP Remote Port Information" --command 32826
shot dialog-lldp-med.png m10p 10p "LLDP MED Settings" --command 32827
shot dialog-lldp-global-not-read.png lossy 10p "LLDP Global Settings, the TX delay not answered: the writes held, the line says why" --command 32825

section "The switch's SNMP agent"
shot dialog-snmp-global.png agent 10p "SNMP Global State Settings" --command 32839
# A user, group or view entry is typed into the fields under its table: no dialog of its own.
shot dialog-snmp-users.png agent 10p "SNMP User Table, with the user entry under the table" --command 32841
shot dialog-snmp-groups.png agent 10p "SNMP Group Table Info, with the group entry under the table" --command 32842
shot dialog-snmp-views.png agent 10p "SNMP View Table Configuration, with the view entry under the table" --command 32843
shot dialog-snmp-communities.png agent 10p "SNMP Community Table Configuration" --command 32844
shot dialog-snmp-hosts.png agent 10p "SNMP Host Table" --command 32840
shot dialog-snmp-engine.png agent 10p "SNMP Engine ID" --command 32845
shot dialog-snmp-traps.png agent 10p "SNMP Trap Configuration" --command 32846

section "Maintenance"
shot dialog-transfer.png m10p 10p "Firmware and Configuration Upgrade/Backup" --command 32823
shot dialog-syslog.png m10p 10p "Syslog Host Configuration" --command 32832
shot dialog-jumbo.png m10p 10p "Jumbo Frame Configuration" --command 32817
shot dialog-multicast.png m10p 10p "Multicast Filtering Mode Configuration" --command 32830

section "Public MIB"
shot dialog-system.png m10p 10p "System Information" --command 32805
shot dialog-interfaces.png m10p 10p "Interface table" --command 32809
shot dialog-ip.png m10p 10p "IP Table" --command 32808
shot dialog-fdb.png m10p 10p "Forwarding Table" --command 32810
shot dialog-fdb-find.png m10p 10p "Forwarding Table: Ctrl+F, the find line with 00:17:88" --command 32810 \
  --step 'find:00:17:88'
shot dialog-tcp.png m10p 10p "TCP Service" --command 32811
shot dialog-udp.png m10p 10p "UDP Service" --command 32812
shot dialog-bridge.png m10p 10p "STP Configuration (802.1D...)" --command 32813
shot dialog-stp-table.png m10p 10p "Spanning Tree Table: Port Setting" --command 32813 --step 'Port Setting'
shot dialog-stp-port.png m10p 10p "Port STP Configuration: Port Setting, the first port, &Port Config" \
  --command 32813 --step 'Port Setting' --step row:1 --step '&Port Config'

section "About"
shot dialog-about.png m10p 10p "About Corvex-10P" --command 57664

mv "$page" docs/gallery.md
echo "docs/gallery.md and $out/*.png written"
