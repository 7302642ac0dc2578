#!/usr/bin/env bash
# How long the window goes unanswered while a large document opens (it is read on a
# worker thread, as every document is), each run in a fresh process under its own Xvfb
# display; then how soon a save shows in an open window.
# Needs a release build with benchmarks (the release preset).
#
#   bash bench/window-stall.sh [RUNS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/release"
data="$root/bench/data"
runs="${1:-5}"
mkdir -p "$data"
[ -f "$data/bones-1000000.mqo" ] || "$build/bench/generate-document" --bones 1000000 "$data/bones-1000000.mqo"

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
: > "$data/stall.txt"
for _ in $(seq "$runs"); do
  xvfb-run -a -s "-screen 0 1280x1024x24" "$build/src/Viewer/zelto" --exit-after-first-frame \
    "$data/bones-1000000.mqo" 2>/dev/null | sed -n 's/^first frame: \([0-9]*\) ms.*longest stall \([0-9]*\) ms/\1 \2/p' \
    >> "$data/stall.txt"
done
echo "== 1M-face document, median of $runs fresh processes"
printf 'first frame %5d ms, longest stall %5d ms\n' \
  "$(cut -d' ' -f1 "$data/stall.txt" | median)" "$(cut -d' ' -f2 "$data/stall.txt" | median)"

echo "== a save on disk to the reloaded scene on screen"
for file in "$root/samples/flag.mqo" "$data/bones-1000000.mqo"; do
  xvfb-run -a -s "-screen 0 1280x1024x24" "$build/bench/reload-benchmark" "$file" 5
done
