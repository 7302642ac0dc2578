// open-document FILE: reads a document into a scene in a fresh process, as the viewer
// and the inspector do, and prints its size; for timing an open from outside.

#include <cstdio>
#include <exception>

#include "DocumentSource.h"
#include "Metasequoia.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: open-document FILE\n");
        return 2;
    }
    try {
        Metasequoia scene = Metasequoia::initWithData(zelto::openDocument(argv[1], zelto::Streams::Read).bytes);
        size_t faces = 0;
        for (const ZeltoModel& model : scene.models()) faces += model.faces().size();
        std::printf("%zu faces\n", faces);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
