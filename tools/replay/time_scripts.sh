#!/usr/bin/env bash
# Times the replay tool on recorded sessions of growing length (an instruction
# in every frame, walking and jumping about a quiet level) and prints each
# one's seconds, wall clock and processor, against the shortest's. A run's time
# grows in proportion to its script's length, plus a start-up that is the same
# for every length. Run by hand, on a quiet machine, with a build without
# sanitizers:
#   tools/replay/time_scripts.sh [REPLAY [LINES...]]
# REPLAY: build/tools/replay/replay by default; LINES: 40000 80000 160000 320000.
set -euo pipefail
tool=${1:-build/tools/replay/replay}
[ $# -gt 0 ] && shift
lines=("$@")
[ ${#lines[@]} -gt 0 ] || lines=(40000 80000 160000 320000)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '<title>Quiet Moor</title>\r\n<from>40,100</from>\r\n<to>60,100</to>\r\n' > "$work/moor.xml"

TIMEFORMAT='%R %U %S'
first_wall="" first_cpu=""
printf '%10s %10s %8s %10s %8s\n' lines wall_s ratio cpu_s ratio
for n in "${lines[@]}"; do
  awk -v n="$n" 'BEGIN {
    split("left right jump left+jump right+jump", c, " ")
    for (f = 1; f <= n; ++f) print f, c[int(f / 7) % 5 + 1]
  }' > "$work/session.script"
  { time "$tool" "$work/moor.xml" "$work/session.script" > "$work/report.txt" 2> "$work/err.txt"; } 2> "$work/time.txt"
  if ! grep -qx "frames=$n" "$work/report.txt"; then
    echo "the run of $n lines did not play them all:" >&2
    cat "$work/err.txt" "$work/report.txt" >&2
    exit 1
  fi
  read -r wall user sys < "$work/time.txt"
  cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }')
  [ -n "$first_wall" ] || { first_wall=$wall; first_cpu=$cpu; }
  awk -v n="$n" -v w="$wall" -v c="$cpu" -v fw="$first_wall" -v fc="$first_cpu" \
    'BEGIN { printf "%10d %10.2f %7.2fx %10.2f %7.2fx\n", n, w, w / fw, c, c / fc }'
done
