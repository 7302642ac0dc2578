#!/bin/sh
# The command-line tools' manners, one named check a run: what they print, their exit
# statuses, the files they write and the ones they never touch. Each check works in a
# directory of its own below the current one, so checks can run side by side.
# Usage: cli-checks.sh CHECK SOURCE_DIR INSPECT RENDER EXPORT VIEWER
#   CHECK is a test's name (inspect.error, render.thumbnail-time-limit, ...); the others
#   are the source tree and the four programs.
set -u
if [ $# -ne 6 ]; then
  echo "usage: cli-checks.sh CHECK SOURCE_DIR INSPECT RENDER EXPORT VIEWER" >&2
  exit 2
fi
check=$1 samples=$2/samples inspect=$3 render=$4 export=$5 viewer=$6

fail() {
  echo "$check: $*"
  exit 1
}

# run COMMAND...: runs it with standard output and error in the file "output", its exit
# status in $status.
run() {
  "$@" > output 2>&1
  status=$?
  cat output
}

expect_status() {
  [ "$status" -eq "$1" ] || fail "exit status $status, expected $1"
}

# expect_output PATTERN [FILE]: the whole text of FILE (default: output) matches the Perl
# pattern, in which "." also stands for a line end and \A and \z for the text's ends.
expect_output() {
  grep -Pzq "(?s)$1" "${2:-output}" || fail "the output does not match /$1/"
}

# expect_no_output PATTERN [FILE]: nothing in FILE (default: output) matches the pattern.
expect_no_output() {
  ! grep -Pzq "(?s)$1" "${2:-output}" || fail "the output matches /$1/"
}

# expect_exact_output TEXT: the output is TEXT and a line end, to the byte.
expect_exact_output() {
  printf '%s\n' "$1" > expected
  cmp -s expected output || fail "the output is not exactly: $1"
}

# A document that every reading refuses at its second line: the Compact format.
write_compact_document() {
  printf 'Metasequoia Document\r\nFormat Compact Ver 1.0\r\n\r\nx\r\nEof\r\n' > "$1"
}

is_png() {
  head -c 8 "$1" | od -c | grep -q 'P   N   G'
}

# --- The inspector ---------------------------------------------------------------------

# A summary of every sample.
inspect_summary() {
  run "$inspect" "$samples/$1.mqo"
  expect_status 0
  expect_output ': [1-9][0-9]* objects?, '
}

# A pose dump for a chosen animation and time; the animations and textures listed.
inspect_json_arm() {
  run "$inspect" --json --animation wave --time 7 "$samples/arm.mqo"
  expect_status 0
  expect_output '"pose": \[\['
}

inspect_json_animated() {
  run "$inspect" --json --animation spin --time 31 "$samples/animated.mqo"
  expect_status 0
  expect_output '"animationNames": \["hop", "spin"\]'
}

inspect_json_materials() {
  run "$inspect" --json "$samples/materials.mqo"
  expect_status 0
  expect_output '"texture": "checker.png"'
}

inspect_tree_materials() {
  run "$inspect" --tree "$samples/materials.mqo"
  expect_status 0
  expect_output '\AMetasequoia Document\r\nFormat Text Ver 1\.0'
}

# A reading error: its reason on standard error, exit status 1.
inspect_error() {
  write_compact_document inspect-error.mqo
  run "$inspect" inspect-error.mqo
  expect_status 1
  expect_exact_output "inspect-error.mqo:2:8: 'Compact' type is unsupported. (MQAFile:79)"
}

# Help on standard output, whether asked for long or short.
inspect_help() {
  "$inspect" --help > help.txt 2> /dev/null || fail "--help fails"
  cat help.txt
  expect_output '--time T +with --json: the frame, counted from 0 at 30 frames a second' help.txt
  "$inspect" -h 2> /dev/null | grep -q 'Exit status' || fail "-h gives no help"
}

inspect_version() {
  run "$inspect" --version
  expect_status 0
  expect_output '\Azelto-inspect [0-9]+\.[0-9]+'
}

inspect_unknown_option() {
  run "$inspect" --bogus
  expect_status 2
  expect_output "\Azelto-inspect: unknown option '--bogus'"
}

inspect_standard_input() {
  run sh -c '"$1" - < "$2"' sh "$inspect" "$samples/arm.mqo"
  expect_status 0
  expect_output '\Astandard input: 1 object, 16 vertices, 14 polygons \(14 quads\), 2 materials\n'
}

# Of several files, the worst status: a missing file (2) over a refused one (1).
inspect_worst_status() {
  write_compact_document inspect-error.mqo
  run "$inspect" "$samples/arm.mqo" no-such.mqo inspect-error.mqo
  expect_status 2
}

# An animation the document does not have is a warning.
inspect_unknown_animation() {
  "$inspect" --json --animation nope "$samples/arm.mqo" 2> output > /dev/null
  status=$?
  cat output
  expect_status 0
  expect_output 'warning: .*arm.mqo has no animation named "nope"'
}

inspect_plain_summary() {
  run "$inspect" "$samples/animated.mqo"
  expect_status 0
  expect_output 'Bounding box: \(-60, 0, -60\) to \(60, 120, 60\).*object [0-9]+ "spinner": 8 vertices, 6 polygons \(6 quads\), smoothing angle 59.5°.*4 triangles, 1 quad\)'
  expect_no_output '#[0-9]|1 quads'
}

# Compatibility reading on the command line: the document opens, the liberty is a warning.
inspect_compat() {
  sed 's/Ver 1.0/Ver 1.1/' "$samples/arm.mqo" > compat-arm.mqo
  "$inspect" compat-arm.mqo > /dev/null 2>&1 && fail "strict reading opens version 1.1"
  "$inspect" --compat compat-arm.mqo 2> output > /dev/null
  status=$?
  cat output
  expect_status 0
  expect_exact_output 'compat-arm.mqo:2: warning: format version 1.1 is read as version 1.0
compat-arm.mqo:4: warning: the "Scene" chunk is not read and is skipped (4 lines)'
}

# The inspector starts on a machine without OpenGL or Qt: it needs none of their libraries.
inspect_needs_no_opengl() {
  readelf -d "$inspect" | grep NEEDED
  ! readelf -d "$inspect" | grep NEEDED | grep -E 'libGL|libOpenGL|libEGL|libGLU|libQt'
}

inspect_missing_file() {
  run "$inspect" no-such-file.mqo
  expect_status 2
}

# --- The render tool -------------------------------------------------------------------

# A PNG for every sample.
render_sample() {
  "$render" "$samples/$1.mqo" -o "render-$1.png" --size 64x48 --time 5 && is_png "render-$1.png"
}

# A refused document writes no picture.
render_refused() {
  write_compact_document render-bad.mqo
  run "$render" render-bad.mqo -o render-bad.png
  expect_status 1
  test ! -e render-bad.png
}

render_missing_file() {
  run "$render" no-such-file.mqo -o x.png
  expect_status 2
}

render_unknown_option() {
  run "$render" --bogus
  expect_status 2
  expect_output "zelto-render: unknown option '--bogus'"
}

render_never_over_the_document() {
  cp "$samples/arm.mqo" keep.mqo
  run "$render" keep.mqo -o keep.mqo
  expect_status 2
  cmp keep.mqo "$samples/arm.mqo"
}

# The render tool draws what the window shows: a model a few units across comes out fitted
# unless the default camera is asked for; one the default camera shows, as specified.
render_camera_as_the_window() {
  printf 'Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\nObject "o" {\r\n\tvertex 3 {\r\n\t\t0.0 0.0 0.0\r\n\t\t2.0 0.0 0.0\r\n\t\t0.0 2.0 0.0\r\n\t}\r\n}\r\nEof\r\n' > small.mqo
  "$render" small.mqo -o as-window.png --size 64x48 &&
    "$render" small.mqo -o framed.png --size 64x48 --camera framed &&
    "$render" small.mqo -o default.png --size 64x48 --camera default &&
    cmp -s as-window.png framed.png && ! cmp -s as-window.png default.png &&
    "$render" "$samples/arm.mqo" -o arm-window.png --size 64x48 &&
    "$render" "$samples/arm.mqo" -o arm-default.png --size 64x48 --camera default &&
    cmp arm-window.png arm-default.png
}

render_camera_values() {
  run "$render" "$samples/arm.mqo" -o x.png --camera near
  expect_status 2
  expect_output "bad value for '--camera': 'near'"
}

# A zoom does not go with a thumbnail, which always fits the model.
render_thumbnail_fits() {
  run "$render" --thumbnail 32 --zoom 5 -o t.png "$samples/arm.mqo"
  expect_status 2
}

# Thumbnails keep to their limits: lists that claim 2^31 - 1 entries each, in a thousand
# objects, draw within the default 2 GB of address space.
render_thumbnail_claims() {
  {
    printf 'Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\n'
    for i in $(seq 1000); do
      printf 'Object "o%d" {\r\n\tvertex 2147483647 {\r\n\t}\r\n\tface 2147483647 {\r\n\t}\r\n}\r\n' "$i"
    done
    printf 'Eof\r\n'
  } > claims.mqo
  "$render" --thumbnail 64 -o claims.png claims.mqo && test -s claims.png
}

# Every memory limit from too little to plenty ends in a picture or in "limit reached"
# (status 4) with nothing written, wherever in reading, OpenGL's set-up or drawing the
# memory runs out (no room for a thread, for OpenGL, for the document or the scene).
render_thumbnail_memory_limits() {
  for m in $(seq 8 24 560) 2048; do
    rm -f limited.png
    "$render" --thumbnail 64 --memory-limit "$m" -o limited.png "$samples/materials.mqo" 2> limited.txt
    s=$?
    if [ $s -eq 4 ] && grep -q 'limit reached' limited.txt && test ! -e limited.png; then continue; fi
    test $s -eq 0 && test -s limited.png || { echo "status $s at $m MB"; cat limited.txt; exit 1; }
  done
}

# A file that never comes (a FIFO without a writer) ends at the time limit, with no
# picture written.
render_thumbnail_time_limit() {
  mkfifo never.mqo
  "$render" --thumbnail 64 --time-limit 1 -o never.png never.mqo
  test $? -eq 4 && test ! -e never.png
}

# --- The viewer's command line needs no display for its manners -------------------------

zelto_help() {
  run "$viewer" --help
  expect_status 0
  expect_output '\Ausage: zelto \[FILE...\].*Exit status'
}

zelto_version() {
  run "$viewer" --version
  expect_status 0
  expect_output '\Azelto [0-9]+\.[0-9]+'
}

zelto_unknown_option() {
  run "$viewer" --bogus
  expect_status 2
  expect_output "\Azelto: unknown option '--bogus'"
}

zelto_no_display() {
  run env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$viewer" --new-instance x.mqo
  expect_status 2
  expect_output '\Azelto: no display to open a window on .*xvfb-run -a zelto FILE\n\z'
}

# --- The export tool -------------------------------------------------------------------

# The export never writes over the document, whatever it is named, nor over a buffer file
# a .gltf would write beside it.
export_never_over_the_document() {
  cp "$samples/arm.mqo" keep.glb && cp keep.glb keep.bin &&
    ! "$export" keep.glb -o keep.glb && ! "$export" keep.bin -o keep.gltf && test ! -e keep.gltf &&
    cmp keep.glb "$samples/arm.mqo" && cmp keep.bin "$samples/arm.mqo"
}

export_output_form() {
  run "$export" "$samples/arm.mqo" -o arm.obj
  expect_status 2
  expect_output 'must end in \.glb or \.gltf'
}

# --- All tools -------------------------------------------------------------------------

# Refused strictly, a file compatibility reading opens is followed by a note of what that
# takes, in each tool, and nothing is written; standard input, which cannot be read
# twice, goes without.
tools_compatibility_note() {
  tr -d '\r' < "$samples/arm.mqo" > lf-arm.mqo
  note='note: lf-arm.mqo opens with --compat (LF line ends)'
  run "$inspect" lf-arm.mqo
  expect_status 1
  grep -qxF "zelto-inspect: $note" output || fail "zelto-inspect gives no note"
  for tool in "$render -o lf-arm.png" "$export -o lf-arm.glb"; do
    run $tool lf-arm.mqo
    expect_status 1
    grep -qxF "$(basename "${tool%% *}"): $note" output || fail "${tool%% *} gives no note"
  done
  test ! -e lf-arm.png && test ! -e lf-arm.glb || fail "a refused document's file was written"
  run "$inspect" - < lf-arm.mqo
  expect_no_output 'note:'
}

case $check in
  inspect.summary.*) body="inspect_summary ${check#inspect.summary.}" ;;
  render.flag | render.materials | render.animated | render.arm) body="render_sample ${check#render.}" ;;
  *) body=$(echo "$check" | tr '.-' '__') ;;
esac
case $(command -v "${body%% *}") in
  "${body%% *}") ;;
  *) echo "cli-checks.sh: no check named '$check'" >&2; exit 2 ;;
esac

rm -rf "$check" && mkdir "$check" && cd "$check" || exit 1
$body
