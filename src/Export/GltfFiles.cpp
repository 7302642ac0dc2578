// Where an export goes and how its files are written: each through a temporary file
// renamed into place, so a failed write leaves whatever was there before.

#include <QFile>
#include <QSaveFile>
#include <cctype>
#include <stdexcept>

#include "FileBytes.h"
#include "GltfExport.h"
#include "MQAProgress.h"

namespace {

bool endsWith(const std::string& text, std::string_view end) {
    if (text.size() < end.size()) return false;
    for (size_t i = 0; i < end.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[text.size() - end.size() + i])) != end[i]) return false;
    return true;
}

std::string fileName(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void checkNotTheDocument(const GltfFiles& files, const std::optional<std::string>& documentPath) {
    for (const std::string& path : {files.file, files.buffer})
        if (documentPath && !path.empty() && zelto::sameFile(*documentPath, path))
            throw std::runtime_error(path + ": will not overwrite the document");
    if (!files.binary() && zelto::sameFile(files.file, files.buffer))
        throw std::runtime_error(files.file + ": the file and its buffer cannot be the same file");
}

void writeWhole(const std::string& path, const std::string& bytes) {
    QSaveFile file(QFile::decodeName(path.c_str()));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
                                                  static_cast<qint64>(bytes.size()) || !file.commit())
        throw std::runtime_error("cannot write " + path + ": " + file.errorString().toStdString());
}

}  // namespace

GltfFiles gltfFilesFor(const std::string& path, const std::optional<std::string>& documentPath) {
    GltfFiles files{path, {}};
    if (endsWith(path, ".gltf"))
        files.buffer = path.substr(0, path.size() - 5) + ".bin";
    else if (!endsWith(path, ".glb"))
        throw std::runtime_error("the output file must end in .glb or .gltf: '" + path + "'");
    checkNotTheDocument(files, documentPath);
    return files;
}

void writeGltfExport(const GltfExport& exported, const GltfFiles& files, const std::optional<std::string>& documentPath) {
    checkNotTheDocument(files, documentPath);
    // The buffer first: a text file never names a buffer that is not there. (A scene
    // without any data has none.)
    if (!files.binary() && !exported.resources.empty()) writeWhole(files.buffer, exported.resources);
    writeWhole(files.file, exported.file);
}

std::vector<std::string> exportGltfFile(const Metasequoia& scene, const std::string& path, GltfExportOptions options) {
    const GltfFiles files = gltfFilesFor(path, options.documentPath);
    options.binary = files.binary();
    options.resourcesName = fileName(files.buffer);
    GltfExport exported = exportGltf(scene, options);
    if (options.progress && options.progress->isCancelled()) throw MQACancelled();
    writeGltfExport(exported, files, options.documentPath);
    return std::move(exported.warnings);
}
