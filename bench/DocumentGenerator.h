#pragma once

#include <cstddef>
#include <string>

namespace bench {

// A document shaped like a modeller's output: CR LF lines, a Material chunk and one
// Object whose mesh is a wavy grid with the given number of faces, two thirds of them
// triangles and one third quads (about 0.67 vertices per face).
//
// With `bones`, each vertex also follows one of four bones (the grid's quarters) and a
// bone animation "sway" of 30 frames bends the quarters up and down.
std::string generateDocument(size_t faces, bool bones = false);

// The same mesh as a Wavefront OBJ file (positions, texture coordinates, faces and
// material switches), for comparing with an OBJ reader.
std::string generateObj(size_t faces);

// A UV sphere of about FACES faces (quads, with triangles around the poles), radius
// 100, every corner with its own texture coordinates, the upper half in one material
// and the lower in another; as a document or, with `obj`, as a Wavefront OBJ file.
std::string generateSphere(size_t faces, bool obj = false);

// The same document, generated once per size and kept for the benchmarks' lifetime.
const std::string& cachedDocument(size_t faces, bool bones = false);

}  // namespace bench
