#!/usr/bin/env python3
"""What baking skinned normals into a glTF export would cost, counted from the export.

Zelto works a posed mesh's normals out afresh; glTF turns the rest normals with each
joint. Baking the difference would take, for every mesh a skin moves, one morph target
of per-vertex normal deltas (three floats a vertex) per sampled frame of every
animation, and a "weights" channel per animation choosing the frame's target.

Usage: baked-normals-size.py FILE.glb...
Prints, per file: its size, the skinned vertices, the frames, and the bytes the targets
would add (binary data, and the JSON that describes them).
"""
import json
import struct
import sys

FLOAT = 4


def read_glb(path):
    with open(path, "rb") as f:
        data = f.read()
    magic, _, _ = struct.unpack_from("<III", data, 0)
    if magic != 0x46546C67:
        raise SystemExit(f"{path}: not a .glb file")
    length, kind = struct.unpack_from("<II", data, 12)
    if kind != 0x4E4F534A:
        raise SystemExit(f"{path}: the first chunk is not JSON")
    return len(data), json.loads(data[20:20 + length])


def described(accessor_index):
    """The JSON one target's accessor, its buffer view and its mention in the mesh take."""
    accessor = {"bufferView": 0, "componentType": 5126, "count": 0, "type": "VEC3"}
    view = {"buffer": 0, "byteLength": 0, "byteOffset": 0, "target": 34962}
    return len(json.dumps(accessor, separators=(",", ":"))) + len(json.dumps(view, separators=(",", ":"))) + \
        len(json.dumps({"NORMAL": accessor_index}, separators=(",", ":"))) + 2


def baked_cost(gltf):
    accessors = gltf.get("accessors", [])
    skinned_meshes = {node["mesh"] for node in gltf.get("nodes", []) if "skin" in node and "mesh" in node}
    # Meshes that share their vertices (a mirrored copy wound the other way) share targets.
    vertex_sets = {}
    for mesh in sorted(skinned_meshes):
        for primitive in gltf["meshes"][mesh]["primitives"]:
            if primitive.get("mode", 4) != 4 or "NORMAL" not in primitive["attributes"]:
                continue
            position = primitive["attributes"]["POSITION"]
            vertex_sets[position] = accessors[position]["count"]
    vertices = sum(vertex_sets.values())
    # One target per sampled frame: an animation's last keyframe repeats its first.
    keyframes = [accessors[a["samplers"][0]["input"]]["count"] for a in gltf.get("animations", []) if a["samplers"]]
    targets = sum(max(1, k - 1) for k in keyframes) if vertices else 0
    deltas = targets * vertices * 3 * FLOAT
    # Each animation's weights: every keyframe names a weight for every target.
    weights = sum(k * targets * FLOAT for k in keyframes) if vertices else 0
    json_bytes = targets * len(vertex_sets) * described(len(accessors))
    return vertices, targets, deltas, weights, json_bytes


def main():
    if len(sys.argv) < 2:
        raise SystemExit(__doc__)
    print(f"{'file':<28} {'export':>12} {'skinned vertices':>17} {'targets':>8} {'added':>14} {'baked/export':>13}")
    for path in sys.argv[1:]:
        size, gltf = read_glb(path)
        vertices, targets, deltas, weights, json_bytes = baked_cost(gltf)
        added = deltas + weights + json_bytes
        print(f"{path.split('/')[-1]:<28} {size:>12,} {vertices:>17,} {targets:>8} {added:>14,} "
              f"{(size + added) / size:>12.1f}x")


if __name__ == "__main__":
    main()
