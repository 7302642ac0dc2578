#!/bin/sh
# Writes documents shaped as modellers write them, for looking at how they open: a large
# model far from the origin, a tiny one, a long thin one, one with a mirrored half and a
# hidden object (written with LF line ends, so only compatibility reading opens it), and
# one whose only face points away from the default camera.
# Usage: first-look-documents.sh OUT_DIR
set -eu
out=$1
mkdir -p "$out"

# A box object: NAME, centre x y z, size x y z, and extra object lines. Its faces show
# from outside; the one facing +x is glass-blue, so the box's turn shows.
box() {
  awk -v name="$1" -v cx="$2" -v cy="$3" -v cz="$4" -v sx="$5" -v sy="$6" -v sz="$7" -v extra="$8" 'BEGIN {
    printf "Object \"%s\" {\r\n%s\tvertex 8 {\r\n", name, extra
    for (i = 0; i < 8; i++)
      printf "\t\t%.4f %.4f %.4f\r\n", cx + (i % 2 ? sx : -sx) / 2, cy + (int(i / 2) % 2 ? sy : -sy) / 2,
             cz + (int(i / 4) ? sz : -sz) / 2
    printf "\t}\r\n\tface 6 {\r\n"
    printf "\t\t4 V(0 1 3 2) M(0)\r\n\t\t4 V(4 6 7 5) M(0)\r\n\t\t4 V(0 4 5 1) M(0)\r\n"
    printf "\t\t4 V(2 3 7 6) M(0)\r\n\t\t4 V(0 2 6 4) M(0)\r\n\t\t4 V(1 5 7 3) M(1)\r\n\t}\r\n}\r\n"
  }'
}

header() {
  printf 'Metasequoia Document\r\nFormat Text Ver 1.0\r\n\r\n'
  printf 'Material 2 {\r\n\t"clay" col(0.850 0.600 0.400 1.000) dif(0.800) amb(0.600) emi(0.000) spc(0.200) power(5.00)\r\n'
  printf '\t"glass" col(0.400 0.700 1.000 1.000) dif(0.800) amb(0.600) emi(0.000) spc(0.900) power(60.00)\r\n}\r\n'
}

{ header; box far 250000 80000 -120000 40000 20000 30000 ""; printf 'Eof\r\n'; } > "$out/far-large.mqo"
{ header; box tiny 0.5 0.2 0 0.02 0.03 0.01 ""; printf 'Eof\r\n'; } > "$out/tiny.mqo"
{ header; box rod 0 20 0 4000 6 6 ""; printf 'Eof\r\n'; } > "$out/long-thin.mqo"
# A box beside the plane x = 0, mirrored across it, and a hidden box in the gap between
# the two.
{ header
  box half 100 120 0 120 240 80 "\tmirror 1\r\n\tmirror_axis 1\r\n"
  box hidden 0 120 0 60 120 60 "\tvisible 0\r\n"
  printf 'Eof\r\n'; } | tr -d '\r' > "$out/mirrored-lf.mqo"
# One quad, its corners counter-clockwise seen from +z: from the default camera it is seen
# from behind.
{ header
  printf 'Object "away" {\r\n\tvertex 4 {\r\n\t\t-100 0 0\r\n\t\t100 0 0\r\n\t\t100 200 0\r\n\t\t-100 200 0\r\n\t}\r\n'
  printf '\tface 1 {\r\n\t\t4 V(0 1 2 3) M(0)\r\n\t}\r\n}\r\nEof\r\n'; } > "$out/facing-away.mqo"
