#!/usr/bin/env bash
# Time against size for documents made to hurt a reader: each generated at 1x and 8x
# its base size and turned into a thumbnail, the way a file manager does it, in fresh
# processes. Reports median wall time, peak memory, and the ratio of 8x to 1x. The base
# sizes make each 1x run take a few tenths of a second, so the process's own start
# (shown first) counts for little; linear reading gives a ratio a little under 8, and
# any ratio over 12 fails the run. Needs a release build.
#
#   bash bench/hostile-scaling.sh [RUNS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/release"
data="$root/bench/data/hostile"
runs="${1:-5}"
mkdir -p "$data"

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# thumbnail FILE COMPAT: "seconds peak-KB" of one run; failures to read are expected.
thumbnail() {
  local compat=()
  [ "$2" = 1 ] && compat=(--compat)
  /usr/bin/time -f "%e %M" -o "$data/one.time" "$build/tools/zelto-render" "${compat[@]}" --thumbnail 128 \
    --time-limit 0 --memory-limit 0 -o "$data/out.png" "$1" > /dev/null 2>&1 || true
  tail -1 "$data/one.time"
}
medianOf() { # FILE COMPAT: median seconds and peak MB of RUNS runs
  : > "$data/times"
  for _ in $(seq "$runs"); do thumbnail "$1" "$2" >> "$data/times"; done
  echo "$(cut -d' ' -f1 "$data/times" | median) $(( $(cut -d' ' -f2 "$data/times" | median) / 1024 ))"
}

printf 'Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\nScene {\r\n\tpos 0.0 0.0 0.0\r\n}\r\nEof\r\n' > "$data/empty.mqo"
read -r base _ <<< "$(medianOf "$data/empty.mqo" 0)"
printf 'an empty scene: %.2f s\n' "$base"
printf '%-11s %9s %9s %8s %8s %7s\n' kind "1x (s)" "8x (s)" "1x MB" "8x MB" ratio
failed=0
while read -r kind compat; do
  for scale in 1 8; do
    file="$data/$kind-$scale.mqo"
    [ -f "$file" ] || "$build/bench/generate-document" --hostile "$kind" "$scale" "$file"
  done
  read -r t1 m1 <<< "$(medianOf "$data/$kind-1.mqo" "$compat")"
  read -r t8 m8 <<< "$(medianOf "$data/$kind-8.mqo" "$compat")"
  ratio=$(echo "$t8 / ($t1 + 0.005)" | bc -l)
  verdict=""
  if (( $(echo "$ratio > 12" | bc -l) )); then verdict="  over 12"; failed=1; fi
  printf '%-11s %9.2f %9.2f %8d %8d %7.1f%s\n' "$kind" "$t1" "$t8" "$m1" "$m8" "$ratio" "$verdict"
done < <("$build/bench/generate-document" --hostile-kinds)
exit "$failed"
