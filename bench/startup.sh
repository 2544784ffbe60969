#!/usr/bin/env bash
# Start-up time (launch to the main window's first paint) and idle memory of zqn-tarvo with the
# built-in simulator as its MIDI device, over a number of runs, each from empty settings.
#   bench/startup.sh [program] [runs]
# Offscreen by default; with DISPLAY set (for instance under xvfb-run) on that X server.
set -euo pipefail
cd "$(dirname "$0")/.."
program=${1:-build/zqn-tarvo}
runs=${2:-10}
[ -n "${DISPLAY:-}" ] || export QT_QPA_PLATFORM=offscreen
# Only the simulator: the figures must not depend on what MIDI hardware the machine has.
export ZQN_NO_SYSTEM_MIDI=1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for i in $(seq 1 "$runs"); do
  # Fresh settings each run, as on a first start.
  rm -rf "$work/config" && mkdir -p "$work/config"
  ZQN_STARTUP_REPORT=$(date +%s%N) XDG_CONFIG_HOME="$work/config" "$program" 2>/dev/null |
    grep '^startup_ms=' >>"$work/runs.txt"
done
sort -t= -k2 -n "$work/runs.txt" | awk -v runs="$runs" '
  { split($1, a, "="); split($2, b, "="); split($3, c, "=");
    t[NR] = a[2]; r[NR] = b[2]; if (c[2] > peak) peak = c[2]; if (b[2] > rss) rss = b[2] }
  END {
    if (NR == 0) { print "no run reported"; exit 1 }
    printf "runs %d of %d\n", NR, runs
    printf "start-up to first paint: median %.1f ms, best %.1f ms, worst %.1f ms\n",
      t[int((NR + 1) / 2)], t[1], t[NR]
    printf "resident memory once idle: at most %.1f MB (peak %.1f MB)\n", rss / 1024, peak / 1024
  }'
