#!/bin/sh
# Installs the build into a fresh prefix and checks what a desktop would find there: a
# valid menu entry, file types that shared-mime-info takes (by name and by the first
# bytes) for documents and .mqoz archives, the icons, and a thumbnailer that gives a PNG
# of the asked size for every sample, and for each sample zipped, with no X server.
# Usage: install-check.sh BUILD_DIR SAMPLES_DIR
set -eu
build=$1 samples=$2
for tool in desktop-file-validate xmllint update-mime-database; do
  command -v $tool > /dev/null || { echo "$tool is missing: run scripts/setup"; exit 1; }
done
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" > /dev/null
share=$prefix/share

desktop-file-validate "$share/applications/zelto.desktop"
grep -qx "Exec=$prefix/bin/zelto %F" "$share/applications/zelto.desktop"
xmllint --noout "$share/mime/packages/zelto-metasequoia.xml" "$share/icons/hicolor/scalable/apps/zelto.svg" \
  "$share/icons/hicolor/scalable/mimetypes/model-x-metasequoia-archive.svg"
grep -q 'MimeType=model/x-metasequoia;model/x-metasequoia-archive;' "$share/applications/zelto.desktop" ||
  { echo "the menu entry does not take archives"; exit 1; }
update-mime-database "$share/mime"
grep -q '^50:model/x-metasequoia:\*\.mqo$' "$share/mime/globs2" || { echo "no glob for *.mqo"; exit 1; }
grep -q '^50:model/x-metasequoia-archive:\*\.mqoz$' "$share/mime/globs2" || { echo "no glob for *.mqoz"; exit 1; }
grep -aq 'Metasequoia Document' "$share/mime/magic" || { echo "no magic for the document's first words"; exit 1; }
grep -q '^model/x-metasequoia-archive application/zip$' "$share/mime/subclasses" || { echo "the archive is no zip"; exit 1; }
grep -q '^model/x-metasequoia-archive:model-x-metasequoia-archive$' "$share/mime/icons" || { echo "no archive icon"; exit 1; }

# Each sample zipped as a modeller saves it: the document, settings, a thumbnail; and
# here its textures too, which the thumbnailer finds inside.
for sample in "$samples"/*.mqo; do
  name=$(basename "$sample" .mqo)
  python3 -c 'import os, re, sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as z:
    z.write(sys.argv[2], sys.argv[3] + ".mqo")
    z.writestr(sys.argv[3] + ".mqx", "<MetasequoiaDocument/>")
    z.writestr(sys.argv[3] + "_thumb.png", b"\x89PNG\r\n\x1a\n")
    for texture in set(re.findall(r"tex\(\"([^\"]*)\"\)", open(sys.argv[2], encoding="utf-8").read())):
        z.write(os.path.join(os.path.dirname(sys.argv[2]), texture), texture)' "$prefix/$name.mqoz" "$sample" "$name"
done

# PNG width and height: big-endian words at bytes 16 and 20.
png_side() { od -An -tu1 -j"$2" -N4 "$1" | awk '{ print (($1 * 256 + $2) * 256 + $3) * 256 + $4 }'; }
exec_line=$(sed -n 's/^Exec=//p' "$share/thumbnailers/zelto.thumbnailer")
for size in 64 256; do
  for sample in "$samples"/*.mqo "$prefix"/*.mqoz; do
    out="$prefix/thumb-$size-$(basename "$sample").png"
    command=$(printf '%s\n' "$exec_line" | sed "s|%s|$size|; s|%o|$out|; s|%i|$sample|")
    env -u DISPLAY -u WAYLAND_DISPLAY sh -c "$command"
    [ "$(png_side "$out" 16)" = "$size" ] && [ "$(png_side "$out" 20)" = "$size" ] ||
      { echo "$sample: thumbnail is not $size x $size"; exit 1; }
  done
  for archive in "$prefix"/*.mqoz; do
    name=$(basename "$archive" .mqoz)
    cmp -s "$prefix/thumb-$size-$name.mqo.png" "$prefix/thumb-$size-$name.mqoz.png" ||
      { echo "$archive: its thumbnail is not its document's"; exit 1; }
  done
done
"$prefix/bin/zelto" --version > /dev/null
"$prefix/bin/zelto-inspect" --version > /dev/null
echo "installed into a fresh prefix and checked"
