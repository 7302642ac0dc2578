// generate-document [--bones | --obj] FACES OUT: writes a generated document with about
// FACES faces; with --bones its vertices follow four bones of a looping bone animation;
// with --obj the same mesh is written as a Wavefront OBJ file instead.

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>

#include "DocumentGenerator.h"

int main(int argc, char** argv) {
    bool bones = argc > 1 && std::strcmp(argv[1], "--bones") == 0;
    bool obj = argc > 1 && std::strcmp(argv[1], "--obj") == 0;
    int first = (bones || obj) ? 2 : 1;
    if (argc != first + 2) {
        std::cerr << "usage: generate-document [--bones | --obj] FACES OUT\n";
        return 2;
    }
    size_t faces = std::strtoull(argv[first], nullptr, 10);
    std::string text = obj ? bench::generateObj(faces) : bench::generateDocument(faces, bones);
    std::ofstream out(argv[first + 1], std::ios::binary);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out) {
        std::cerr << "generate-document: cannot write " << argv[first + 1] << "\n";
        return 1;
    }
    return 0;
}
