#!/usr/bin/env bash
# glTF export of a generated 1M-face document by zelto-export, beside assimp (Debian's
# assimp-utils) exporting the same mesh from OBJ to .glb: fresh processes, alternating,
# wall clock. Reports the medians and their ratio (Zelto's target: at most 0.5), and
# Zelto's peak RSS against the document's size (target: under 2.5). assimp's exporter
# grows faster than the mesh (about 1.3 s at 30k faces, 27 s at 100k on a shared
# 2-core machine), so each of its runs is stopped at LIMIT seconds, and a stopped run
# makes the ratio an upper bound. Needs a release build and assimp-utils.
#
#   bash bench/export-vs-assimp.sh [RUNS] [FACES] [LIMIT]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/release"
data="$root/bench/data"
runs="${1:-3}"
faces="${2:-1000000}"
limit="${3:-600}"
mkdir -p "$data"
command -v assimp > /dev/null || { echo "assimp is missing: apt-get install assimp-utils" >&2; exit 2; }

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

doc="$data/plain-$faces.mqo"; obj="$data/plain-$faces.obj"
[ -f "$doc" ] || "$build/bench/generate-document" "$faces" "$doc"
[ -f "$obj" ] || "$build/bench/generate-document" --obj "$faces" "$obj"
: > "$data/zelto-export.times"; : > "$data/assimp-export.times"
stopped=""
for _ in $(seq "$runs"); do
  /usr/bin/time -f "%e %M" -o "$data/one.time" "$build/tools/zelto-export" "$doc" -o "$data/zelto.glb" 2> /dev/null
  tail -1 "$data/one.time" >> "$data/zelto-export.times"
  status=0
  /usr/bin/time -f "%e %M" -o "$data/one.time" timeout "$limit" assimp export "$obj" "$data/assimp.glb" \
    > /dev/null 2>&1 || status=$?
  tail -1 "$data/one.time" >> "$data/assimp-export.times"
  [ "$status" = 0 ] || stopped=" (assimp stopped at $limit s: at most this)"
done
zelto=$(cut -d' ' -f1 "$data/zelto-export.times" | median)
assimp=$(cut -d' ' -f1 "$data/assimp-export.times" | median)
peak=$(cut -d' ' -f2 "$data/zelto-export.times" | median)
size=$(stat -c %s "$doc")
printf '%s faces: zelto-export %.2f s, assimp export %.2f s, ratio %.3f%s; zelto peak %d MB = %.2f x the document (%d MB)\n' \
  "$faces" "$zelto" "$assimp" "$(echo "$zelto / $assimp" | bc -l)" "$stopped" "$((peak / 1024))" \
  "$(echo "$peak * 1024 / $size" | bc -l)" "$((size / 1048576))"
