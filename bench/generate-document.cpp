// generate-document [--bones | --obj | --sphere | --sphere-obj] FACES OUT: writes a
// generated document with about FACES faces; with --bones its vertices follow four bones
// of a looping bone animation; with --obj the same mesh is written as a Wavefront OBJ
// file instead. --sphere writes a UV sphere instead of the wavy grid, --sphere-obj the
// sphere as OBJ.

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>

#include "DocumentGenerator.h"

int main(int argc, char** argv) {
    auto option = [&](const char* name) { return argc > 1 && std::strcmp(argv[1], name) == 0; };
    bool bones = option("--bones"), obj = option("--obj"), sphere = option("--sphere"), sphereObj = option("--sphere-obj");
    int first = (bones || obj || sphere || sphereObj) ? 2 : 1;
    if (argc != first + 2) {
        std::cerr << "usage: generate-document [--bones | --obj | --sphere | --sphere-obj] FACES OUT\n";
        return 2;
    }
    size_t faces = std::strtoull(argv[first], nullptr, 10);
    std::string text = sphere || sphereObj ? bench::generateSphere(faces, sphereObj)
                       : obj                ? bench::generateObj(faces)
                                            : bench::generateDocument(faces, bones);
    std::ofstream out(argv[first + 1], std::ios::binary);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out) {
        std::cerr << "generate-document: cannot write " << argv[first + 1] << "\n";
        return 1;
    }
    return 0;
}
