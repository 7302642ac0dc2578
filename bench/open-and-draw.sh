#!/usr/bin/env bash
# Times what a user waits for, each in a fresh process, on the generated 1M-face
# document with a bone animation (and the 100k-face one):
#   - zelto: from process start to the first frame on screen, and its peak memory;
#   - zelto-inspect: opening the same file and printing its summary;
#   - zelto-render: from start to the PNG written;
# then plays the animation in a window for ten seconds (frames drawn and ticks a second,
# drag latency). Needs a release build; runs under its own Xvfb display.
#
#   bash bench/open-and-draw.sh [RUNS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/release"
data="$root/bench/data"
runs="${1:-5}"
mkdir -p "$data"

for faces in 100000 1000000; do
  [ -f "$data/bones-$faces.mqo" ] || "$build/bench/generate-document" --bones "$faces" "$data/bones-$faces.mqo"
done

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# Wall seconds and peak resident kilobytes of one command.
measure() { /usr/bin/time -f "%e %M" -o "$data/time.out" "$@" > /dev/null 2>&1; cat "$data/time.out"; }

for faces in 100000 1000000; do
  file="$data/bones-$faces.mqo"
  size=$(stat -c %s "$file")
  : > "$data/zelto.txt"; : > "$data/inspect.txt"; : > "$data/render.txt"
  for _ in $(seq "$runs"); do
    xvfb-run -a -s "-screen 0 1280x1024x24" /usr/bin/time -f "%e %M" -o "$data/time.out" \
      "$build/src/Viewer/zelto" --exit-after-first-frame "$file" > /dev/null 2>&1
    cat "$data/time.out" >> "$data/zelto.txt"
    measure "$build/tools/zelto-inspect" "$file" >> "$data/inspect.txt"
    measure "$build/tools/zelto-render" "$file" -o "$data/frame.png" >> "$data/render.txt"
  done
  echo "== $faces faces, $((size / 1000000)) MB, median of $runs fresh processes"
  for what in zelto inspect render; do
    wall=$(cut -d' ' -f1 "$data/$what.txt" | median)
    peak=$(cut -d' ' -f2 "$data/$what.txt" | median)
    printf '%-8s %6.2f s  peak %5d MB\n' "$what" "$wall" "$((peak / 1024))"
  done
done
echo "(zelto: start to first frame on screen, Xvfb already running; inspect: open and"
echo " summary; render: start to PNG written)"

echo "== playing the 1M-face document's bone animation in a window"
xvfb-run -a -s "-screen 0 1280x1024x24" "$build/bench/playback-benchmark" "$data/bones-1000000.mqo" sway 10
