#!/bin/sh
# Exports every sample and a few documents made to test the edges (lines only, no
# materials, a TGA texture, a sheared frame, texture coordinates of 1e999), each as .glb and as .gltf with its .bin,
# and has the Khronos glTF validator check them all: any error fails.
# Usage: export-validate.sh ZELTO_EXPORT SAMPLES_DIR VALIDATOR_DIR
set -eu
export_tool=$1 samples=$2 validator=$3
[ -f "$validator/node_modules/gltf-validator/package.json" ] || { echo "the glTF validator is missing: run scripts/setup"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
header='Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\n'
triangle='\tvertex 3 {\r\n\t\t0 0 0\r\n\t\t10 0 0\r\n\t\t0 10 0\r\n\t}\r\n'
material='Material 1 {\r\n\t"m" col(1.0 1.0 1.0 0.5) dif(0.8) emi(0.2) tex("t.tga")\r\n}\r\n'
printf "${header}Object \"lines\" {\r\n${triangle}\tface 2 {\r\n\t\t2 V(0 1)\r\n\t\t2 V(1 2)\r\n\t}\r\n}\r\nEof\r\n" > "$work/lines.mqo"
printf "${header}${material}Object \"t\" {\r\n${triangle}\tface 1 {\r\n\t\t3 V(0 1 2) M(0) UV(0.0 0.0 1.0 0.0 0.0 1.0)\r\n\t}\r\n\tanimation \"lean\" {\r\n\t\t1.0 0.0 0.0 0.0 0.5 1.0 0.0 0.0 0.0 0.0 1.0 0.0 0.0 0.0 0.0 1.0\r\n\t}\r\n}\r\nEof\r\n" > "$work/textured.mqo"
printf "${header}Object \"far\" {\r\n${triangle}\tface 1 {\r\n\t\t3 V(0 1 2) UV(1e999 0.0 1.0 -1e999 0.0 1.0)\r\n\t}\r\n}\r\nEof\r\n" > "$work/infinite.mqo"
# A 2 x 1 TGA, uncompressed, 24 bits.
printf '\000\000\002\000\000\000\000\000\000\000\000\000\002\000\001\000\030\040\377\000\000\000\000\377' > "$work/t.tga"
files=""
for doc in "$samples"/*.mqo "$work"/lines.mqo "$work"/textured.mqo "$work"/infinite.mqo; do
  name=$(basename "$doc" .mqo)
  for form in glb gltf; do
    "$export_tool" --compat "$doc" -o "$work/$name.$form" 2> "$work/$name.$form.log" || { cat "$work/$name.$form.log"; exit 1; }
    files="$files $work/$name.$form"
  done
done
node "$(dirname "$0")/../gltf/validate.js" "$validator" $files
