// zelto-export: a document's scene as a glTF 2.0 file (see ExportOptions.cpp for usage).

#include <QFileInfo>
#include <iostream>

#include "DocumentInput.h"
#include "ExportOptions.h"
#include "FileBytes.h"
#include "GltfExport.h"
#include "MQAException.h"
#include "Metasequoia.h"

namespace {

constexpr int kRefused = 1, kUsageOrFile = 2;

int exportDocument(const ExportOptions& options) {
    DocumentInput input{options.input};
    if (!input.isStandardInput() &&
        (zelto::sameFile(options.input, options.output) ||
         (!options.binary() && zelto::sameFile(options.input, options.resourcesPath())))) {
        std::cerr << "zelto-export: " << options.output << ": will not overwrite the document\n";
        return kUsageOrFile;
    }
    std::optional<zelto::OpenedDocument> read = input.openOrReport("zelto-export");
    if (!read) return kUsageOrFile;
    Metasequoia scene;
    try {
        scene = Metasequoia::initWithData(std::move(read->bytes), options.compatible ? MQAReading::Compatible : MQAReading::Strict);
    } catch (const std::exception& error) {
        std::cerr << describeError(input.displayName(), error) << "\n";
        return kRefused;
    }
    // The export carries the objects as stored.
    input.reportWarnings(warningsAsDrawn(scene, DisplayChoice{}));
    GltfExportOptions exportOptions;
    exportOptions.binary = options.binary();
    exportOptions.resourcesName = QFileInfo(QString::fromStdString(options.resourcesPath())).fileName().toStdString();
    exportOptions.documentPath = input.documentPath();
    exportOptions.lenientPaths = options.compatible;
    try {
        GltfExport exported = exportGltf(scene, exportOptions);
        for (const std::string& warning : exported.warnings)
            std::cerr << "zelto-export: warning: " << input.displayName() << ": " << warning << "\n";
        writeGltfExport(exported, options.output, input.documentPath(), options.resourcesPath());
    } catch (const std::exception& error) {
        std::cerr << "zelto-export: " << error.what() << "\n";
        return kUsageOrFile;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    return runCommand("zelto-export", kExportUsage, parseExportArguments(argc, argv), exportDocument);
}
