#!/usr/bin/env bash
# Walks the Q-BRIDGE forwarding table of corvex-sim with snmpwalk and prints rows per second.
# First a 20000-entry table, then 1000 vs 100000 entries side by side: the time per row must not grow
# with the table size (the store answers get-next in O(log n)).
# Usage: bench/sim/fdb_walk.sh [path/to/corvex-sim]   (default: build/sim/corvex-sim)
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
sim=${1:-$here/build/sim/corvex-sim}
[ -x "$sim" ] || { echo "corvex-sim not found at $sim (build it first)" >&2; exit 1; }
column=.1.3.6.1.2.1.17.7.1.2.2.1.3

free_port() { echo $((20000 + RANDOM % 40000)); }

# walk ENTRIES -> prints "rows seconds"
walk() {
  local entries=$1 port pid out start end rows
  port=$(free_port)
  out=$(mktemp)
  "$sim" --listen "udp:127.0.0.1:$port" --fdb "$entries" >"$out" &
  pid=$!
  for _ in $(seq 50); do grep -q ready "$out" && break; sleep 0.1; done
  start=$(date +%s.%N)
  rows=$(snmpwalk -On -t 5 -r 1 -v2c -c qorvin "127.0.0.1:$port" "$column" | grep -c "^$column\.")
  end=$(date +%s.%N)
  kill "$pid"; wait "$pid" 2>/dev/null || true
  rm -f "$out"
  echo "$rows $(awk -v a="$start" -v b="$end" 'BEGIN{print b - a}')"
}

report() {
  local label=$1 rows=$2 secs=$3
  awk -v l="$label" -v r="$rows" -v s="$secs" \
    'BEGIN{printf "%-12s %7d rows  %7.2f s  %9.0f rows/s  %6.1f us/row\n", l, r, s, r / s, s * 1000000 / r}'
}

read -r rows secs < <(walk 20000)
report "fdb 20000" "$rows" "$secs"
read -r rows_s secs_s < <(walk 1000)
read -r rows_l secs_l < <(walk 100000)
report "fdb 1000" "$rows_s" "$secs_s"
report "fdb 100000" "$rows_l" "$secs_l"
awk -v a="$secs_l" -v b="$rows_l" -v c="$secs_s" -v d="$rows_s" \
  'BEGIN{printf "time per row, 100000 vs 1000 entries: %.2fx\n", (a / b) / (c / d)}'
