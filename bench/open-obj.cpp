// open-obj FILE: reads a Wavefront OBJ file with tinyobjloader in a fresh process and
// prints its size; the peer that document opens are measured against.

#include <cstdio>

#include <tiny_obj_loader.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: open-obj FILE\n");
        return 2;
    }
    tinyobj::ObjReaderConfig config;
    config.triangulate = false;
    tinyobj::ObjReader reader;
    if (!reader.ParseFromFile(argv[1], config)) {
        std::fprintf(stderr, "%s\n", reader.Error().c_str());
        return 1;
    }
    size_t faces = 0;
    for (const tinyobj::shape_t& shape : reader.GetShapes()) faces += shape.mesh.num_face_vertices.size();
    std::printf("%zu faces\n", faces);
    return 0;
}
