#!/usr/bin/env bash
# Fresh-process opens of the generated 100k- and 1M-face documents, cold (the machine
# idle a couple of seconds before each run, so freed memory has gone back to the host)
# and warm (runs back to back), interleaved with tinyobjloader reading the same mesh as
# OBJ. Reports median wall, user and system time and peak RSS, and the ratios.
# Needs a release build (with libtinyobjloader-dev installed for the peer).
#
#   bash bench/open-cold.sh [RUNS] [IDLE_SECONDS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/release/bench"
data="$root/bench/data"
runs="${1:-7}"
idle="${2:-2}"
mkdir -p "$data"
[ -x "$build/open-obj" ] || { echo "open-obj is missing: install libtinyobjloader-dev and rebuild" >&2; exit 2; }

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
column() { cut -d' ' -f"$1" "$2" | median; }

for faces in 100000 1000000; do
  doc="$data/plain-$faces.mqo"; obj="$data/plain-$faces.obj"
  [ -f "$doc" ] || "$build/generate-document" "$faces" "$doc"
  [ -f "$obj" ] || "$build/generate-document" --obj "$faces" "$obj"
  for mode in cold warm; do
    : > "$data/zelto.times"; : > "$data/obj.times"
    for _ in $(seq "$runs"); do
      [ "$mode" = cold ] && sleep "$idle"
      /usr/bin/time -f "%e %U %S %M" -o "$data/one.time" "$build/open-document" "$doc" > /dev/null
      cat "$data/one.time" >> "$data/zelto.times"
      [ "$mode" = cold ] && sleep "$idle"
      /usr/bin/time -f "%e %U %S %M" -o "$data/one.time" "$build/open-obj" "$obj" > /dev/null 2>&1
      cat "$data/one.time" >> "$data/obj.times"
    done
    size=$(stat -c %s "$doc")
    zw=$(column 1 "$data/zelto.times"); ow=$(column 1 "$data/obj.times")
    zr=$(column 4 "$data/zelto.times"); orss=$(column 4 "$data/obj.times")
    printf '%-7s %8s faces  zelto %5.2f s (user %5.2f, sys %5.2f, peak %4d MB = %.2f x file)  tinyobj %5.2f s (user %5.2f, sys %5.2f, peak %4d MB)  ratio %.2f\n' \
      "$mode" "$faces" "$zw" "$(column 2 "$data/zelto.times")" "$(column 3 "$data/zelto.times")" \
      "$((zr / 1024))" "$(echo "$zr * 1024 / $size" | bc -l)" \
      "$ow" "$(column 2 "$data/obj.times")" "$(column 3 "$data/obj.times")" "$((orss / 1024))" \
      "$(echo "$zw / $ow" | bc -l)"
  done
done
