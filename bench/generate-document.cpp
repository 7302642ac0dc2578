// generate-document [--bones | --obj | --sphere | --sphere-obj] FACES OUT: writes a
// generated document with about FACES faces; with --bones its vertices follow four bones
// of a looping bone animation; with --obj the same mesh is written as a Wavefront OBJ
// file instead. --sphere writes a UV sphere instead of the wavy grid, --sphere-obj the
// sphere as OBJ.
// generate-document --hostile KIND SCALE OUT: writes a document made to hurt a reader
// (see HostileDocuments.h), SCALE times its base size; --hostile-kinds lists the kinds,
// each with 1 when it needs compatibility reading.

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>

#include "DocumentGenerator.h"
#include "HostileDocuments.h"

namespace {

int write(const std::string& text, const char* path) {
    std::ofstream out(path, std::ios::binary);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out) {
        std::cerr << "generate-document: cannot write " << path << "\n";
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    auto option = [&](const char* name) { return argc > 1 && std::strcmp(argv[1], name) == 0; };
    if (argc == 2 && std::strcmp(argv[1], "--hostile-kinds") == 0) {
        for (const bench::HostileKind& kind : bench::hostileKinds())
            std::cout << kind.name << (kind.compatible ? " 1\n" : " 0\n");
        return 0;
    }
    if (argc == 5 && std::strcmp(argv[1], "--hostile") == 0) {
        std::string text = bench::generateHostile(argv[2], std::strtoull(argv[3], nullptr, 10));
        if (text.empty()) {
            std::cerr << "generate-document: no hostile document is called " << argv[2] << "\n";
            return 2;
        }
        return write(text, argv[4]);
    }
    bool bones = option("--bones"), obj = option("--obj"), sphere = option("--sphere"), sphereObj = option("--sphere-obj");
    int first = (bones || obj || sphere || sphereObj) ? 2 : 1;
    if (argc != first + 2) {
        std::cerr << "usage: generate-document [--bones | --obj | --sphere | --sphere-obj] FACES OUT\n"
                     "       generate-document --hostile KIND SCALE OUT\n";
        return 2;
    }
    size_t faces = std::strtoull(argv[first], nullptr, 10);
    std::string text = sphere || sphereObj ? bench::generateSphere(faces, sphereObj)
                       : obj                ? bench::generateObj(faces)
                                            : bench::generateDocument(faces, bones);
    return write(text, argv[first + 1]);
}
