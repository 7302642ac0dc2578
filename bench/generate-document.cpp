// generate-document [--bones] FACES OUT: writes a generated document with about FACES
// faces; with --bones its vertices follow four bones of a looping bone animation.

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>

#include "DocumentGenerator.h"

int main(int argc, char** argv) {
    bool bones = argc > 1 && std::strcmp(argv[1], "--bones") == 0;
    if (argc != 3 + bones) {
        std::cerr << "usage: generate-document [--bones] FACES OUT\n";
        return 2;
    }
    std::string text = bench::generateDocument(std::strtoull(argv[1 + bones], nullptr, 10), bones);
    std::ofstream out(argv[2 + bones], std::ios::binary);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out) {
        std::cerr << "generate-document: cannot write " << argv[2 + bones] << "\n";
        return 1;
    }
    return 0;
}
