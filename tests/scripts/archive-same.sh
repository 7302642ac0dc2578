#!/bin/sh
# A .mqoz archive gives what the document inside it gives: for every sample, zipped with
# its document stored and deflated, and with its textures beside the archive or only
# inside it, the summary (but for the name), the picture and the export are the same as
# the document's own; and so is the summary of the archive piped in.
# Usage: archive-same.sh BUILD_DIR SAMPLES_DIR
set -eu
build=$(cd "$1" && pwd) samples=$(cd "$2" && pwd)
inspect=$build/tools/zelto-inspect render=$build/tools/zelto-render export=$build/tools/zelto-export
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# zip.py ARCHIVE METHOD FILE... : FILE kept under its own name, stored or deflated.
cat > "$work/zip.py" << 'PY'
import os, sys, zipfile
method = zipfile.ZIP_STORED if sys.argv[2] == "stored" else zipfile.ZIP_DEFLATED
with zipfile.ZipFile(sys.argv[1], "w", method) as archive:
    for path in sys.argv[3:]:
        archive.write(path, os.path.basename(path))
PY

for sample in "$samples"/*.mqo; do
  name=$(basename "$sample" .mqo)
  textures=$(sed -n 's/.*tex("\([^"]*\)").*/\1/p' "$sample" | sort -u)
  mkdir -p "$work/plain"
  cp "$sample" "$work/plain/"
  for t in $textures; do cp "$samples/$t" "$work/plain/"; done
  (cd "$work/plain" && "$inspect" "$name.mqo" > "$work/$name.summary" && "$render" "$name.mqo" -o "$work/$name.picture.png" --size 160x120 &&
    "$export" "$name.mqo" -o "$work/$name.glb") 2> /dev/null
  for method in stored deflated; do
    for where in beside inside; do
      dir="$work/$method-$where"
      mkdir -p "$dir"
      inside=""
      for t in $textures; do
        if [ $where = beside ]; then cp "$samples/$t" "$dir/"; else inside="$inside $samples/$t"; fi
      done
      python3 "$work/zip.py" "$dir/$name.mqoz" $method "$sample" $inside
      (cd "$dir" && "$inspect" "$name.mqoz" > "$dir/$name.summary" && "$render" "$name.mqoz" -o "$dir/$name.picture.png" --size 160x120 &&
        "$export" "$name.mqoz" -o "$dir/$name.glb") 2> /dev/null || { echo "$name ($method, textures $where) did not open"; exit 1; }
      cmp -s "$work/$name.picture.png" "$dir/$name.picture.png" || { echo "$name ($method, textures $where): another picture"; exit 1; }
      cmp -s "$work/$name.glb" "$dir/$name.glb" || { echo "$name ($method, textures $where): another export"; exit 1; }
      # The same summary but for the document's name, and where its textures were found.
      sed "s|^$name.mqoz:|$name.mqo:|; s| at [^ ]*/$name.mqoz:\([^ ]*\) (found)| at \1 (found)|; s| at [^ ]*/\([^/ ]*\) (found)| at \1 (found)|" \
        "$dir/$name.summary" > "$dir/summary"
      sed "s| at [^ ]*/\([^/ ]*\) (found)| at \1 (found)|" "$work/$name.summary" > "$work/summary"
      cmp -s "$work/summary" "$dir/summary" || { echo "$name ($method, textures $where): another summary"; diff "$work/summary" "$dir/summary"; exit 1; }
      # Piped in, as a stream.
      (cd "$dir" && "$inspect" - < "$name.mqoz" 2> /dev/null) | sed "s|^standard input:|$name.mqo:|; s|standard input:||" |
        sed "s| at [^ ]*/\([^/ ]*\) (found)| at \1 (found)|" > "$dir/piped"
      [ $where = inside ] || cmp -s "$work/summary" "$dir/piped" || { echo "$name ($method) from standard input: another summary"; exit 1; }
    done
  done
done
echo "every sample's archive gives its summary, picture and export"
