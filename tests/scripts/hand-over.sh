#!/bin/sh
# A running zelto takes the files of a later `zelto FILE`: the later process then needs
# no display at all, and ends at once. With --new-instance it would open its own.
# Usage: hand-over.sh ZELTO SAMPLES_DIR
set -u
zelto=$1 samples=$2
[ -n "${DISPLAY:-}" ] || { echo "needs a display"; exit 77; }
XDG_RUNTIME_DIR=$(mktemp -d) && export XDG_RUNTIME_DIR
trap 'kill $running 2>/dev/null; rm -rf "$XDG_RUNTIME_DIR"' EXIT
"$zelto" "$samples/arm.mqo" &
running=$!
socket="$XDG_RUNTIME_DIR/zelto-$(id -u).socket"
for _ in $(seq 100); do [ -S "$socket" ] && break; sleep 0.1; done
[ -S "$socket" ] || { echo "the first zelto never listened"; exit 1; }
start=$(date +%s%N)
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$zelto" "$samples/flag.mqo" || { echo "not handed over"; exit 1; }
echo "handed over in $(( ($(date +%s%N) - start) / 1000000 )) ms"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$zelto" --new-instance "$samples/flag.mqo" 2>/dev/null
[ $? -eq 2 ] || { echo "--new-instance still handed over"; exit 1; }
kill -0 $running || { echo "the first zelto is gone"; exit 1; }
