// zelto-export: a document's scene as a glTF 2.0 file (see ExportOptions.cpp for usage).

#include <malloc.h>

#include <iostream>

#include "DocumentInput.h"
#include "ExportOptions.h"
#include "GltfExport.h"
#include "MQAException.h"
#include "Metasequoia.h"

namespace {

constexpr int kRefused = 1, kUsageOrFile = 2;

int exportDocument(const ExportOptions& options) {
    DocumentInput input{options.input};
    try {
        gltfFilesFor(options.output, input.documentPath());  // refused before the document is read
    } catch (const std::exception& error) {
        std::cerr << "zelto-export: " << error.what() << "\n";
        return kUsageOrFile;
    }
    std::optional<zelto::OpenedDocument> read = input.openOrReport("zelto-export");
    if (!read) return kUsageOrFile;
    Metasequoia scene;
    try {
        scene = Metasequoia::initWithData(std::move(read->bytes), options.compatible ? MQAReading::Compatible : MQAReading::Strict);
    } catch (const std::exception& error) {
        std::cerr << describeError(input.displayName(), error) << "\n";
        if (!options.compatible) input.noteCompatibilityHint("zelto-export");
        return kRefused;
    }
    GltfExportOptions exportOptions;
    exportOptions.documentPath = input.documentPath();
    exportOptions.lenientPaths = options.compatible;
    exportOptions.display = options.display.choiceFor(options.compatible);
    exportOptions.lines = options.lines;
    exportOptions.scale = options.scale;
    input.reportWarnings(warningsAsDrawn(scene, exportOptions.display));
    try {
        for (const std::string& warning : exportGltfFile(scene, options.output, exportOptions))
            std::cerr << "zelto-export: warning: " << input.displayName() << ": " << warning << "\n";
    } catch (const std::exception& error) {
        std::cerr << "zelto-export: " << error.what() << "\n";
        return kUsageOrFile;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // Every block of 128 KiB or more is mapped on its own and goes back to the system when
    // freed. glibc would otherwise raise that bound as large blocks are freed, keeping the
    // reading's and the export's large temporaries in its heaps, which added about 50 MB
    // to the peak of exporting a 100 MB document.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    return runCommand("zelto-export", kExportUsage, parseExportArguments(argc, argv), exportDocument);
}
