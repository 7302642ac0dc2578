// generate-document FACES OUT: writes a generated document with about FACES faces.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>

#include "DocumentGenerator.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: generate-document FACES OUT\n";
        return 2;
    }
    std::string text = bench::generateDocument(std::strtoull(argv[1], nullptr, 10));
    std::ofstream out(argv[2], std::ios::binary);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out) {
        std::cerr << "generate-document: cannot write " << argv[2] << "\n";
        return 1;
    }
    return 0;
}
