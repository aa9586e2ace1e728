#!/usr/bin/env bash
# The package as an administrator gets it: built with cpack, unpacked into a temporary root (no
# change to the system), the installed corvex-module run against the installed corvex-sim with
# no --profile, the declared dependencies, the desktop entry, the manual pages and lintian.
set -euo pipefail
build=$1
work=$(mktemp -d)
sim=
cleanup() {
  [ -n "$sim" ] && kill "$sim" 2>/dev/null && wait "$sim" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/out/corvex-module_*.deb)
echo "package: $(basename "$deb")"

# Dependencies come from the libraries the programs link.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libsnmp libqt6widgets6 libqt6gui6 libpugixml; do
  grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib"
done

root="$work/root"
dpkg-deb -x "$deb" "$root"
for f in usr/bin/corvex-module usr/bin/corvex-snmp usr/bin/corvex-sim usr/bin/corvex-demo \
         usr/share/corvex-module/User.ini usr/share/corvex-module/panels/52/panel.xml \
         usr/share/applications/corvex-module.desktop usr/share/icons/hicolor/scalable/apps/corvex-module.svg \
         usr/share/man/man1/corvex-module.1.gz usr/share/man/man1/corvex-snmp.1.gz \
         usr/share/man/man1/corvex-sim.1.gz usr/share/man/man1/corvex-demo.1.gz \
         usr/share/doc/corvex-module/copyright usr/share/doc/corvex-module/changelog.gz; do
  [ -e "$root/$f" ] || fail "$f is not in the package"
done

# --version on the three programs, and each manual page names its program and renders.
for p in corvex-module corvex-snmp corvex-sim; do
  v=$(QT_QPA_PLATFORM=offscreen "$root/usr/bin/$p" --version)
  [[ "$v" =~ ^$p\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "$p --version printed '$v'"
done
for page in corvex-module corvex-snmp corvex-sim corvex-demo; do
  zcat "$root/usr/share/man/man1/$page.1.gz" | grep -q "^\.TH $(tr a-z A-Z <<<"$page") 1" || fail "man page $page"
  if command -v man >/dev/null; then
    text=$(MANWIDTH=80 man -l "$root/usr/share/man/man1/$page.1.gz" 2>&1)
    grep -q "SYNOPSIS" <<<"$text" || fail "man page $page does not render"
  fi
done
grep -q '^Exec=corvex-demo$' "$root/usr/share/applications/corvex-module.desktop" || fail "desktop entry"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root/usr/share/applications/corvex-module.desktop" || fail "desktop entry is not valid"
fi

# The installed module finds its profile and panels in the data folder, without --profile.
port=$(python3 -c 'import socket; s=socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
"$root/usr/bin/corvex-sim" --model 10p --listen "udp:127.0.0.1:$port" >"$work/sim.out" 2>&1 &
sim=$!
for _ in $(seq 100); do grep -qs ready "$work/sim.out" && break; sleep 0.1; done
grep -q ready "$work/sim.out" || { cat "$work/sim.out"; fail "the installed corvex-sim did not start"; }
mkdir -p -m 700 "$work/run"
XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=offscreen \
  "$root/usr/bin/corvex-module" --screenshot "$work/panel.png" "/Hpkg/I127.0.0.1/Cqorvin/Dtessmar/ETRUE/F1/G$port" \
  || fail "the installed corvex-module exited with $?"
[ -s "$work/panel.png" ] || fail "no screenshot"
[ "$(head -c 8 "$work/panel.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "the screenshot is no PNG"
# The 10-port panel picture is wider than tall: the description and pictures were found.
python3 - "$work/panel.png" <<'PY' || fail "the screenshot shows no panel"
import struct, sys
w, h = struct.unpack('>II', open(sys.argv[1], 'rb').read()[16:24])
print(f"screenshot {w}x{h}")
sys.exit(0 if w > 2 * h and w >= 300 else 1)
PY

# The desktop entry's command: its own virtual switch, the 52-port model's profile and panel.
XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=offscreen \
  "$root/usr/bin/corvex-demo" 52 --screenshot "$work/demo.png" || fail "corvex-demo exited with $?"
python3 - "$work/demo.png" "$work/panel.png" <<'PY' || fail "corvex-demo did not show the 52-port panel"
import struct, sys
size = lambda f: struct.unpack('>II', open(f, 'rb').read()[16:24])
(w52, h52), (w10, h10) = size(sys.argv[1]), size(sys.argv[2])
print(f"demo screenshot {w52}x{h52}")
sys.exit(0 if w52 > w10 else 1)
PY

if command -v lintian >/dev/null; then
  lintian --fail-on error --allow-root --tag-display-limit 0 "$deb" | tee "$work/lintian.txt" || fail "lintian reports errors"
else
  echo "lintian is not installed: skipped"
fi
