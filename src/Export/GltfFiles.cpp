// Writing an export: each file through a temporary file renamed into place, so a failed
// write leaves whatever was there before.

#include <QFile>
#include <QSaveFile>
#include <stdexcept>

#include "FileBytes.h"
#include "GltfExport.h"

namespace {

void writeWhole(const std::string& path, const std::string& bytes) {
    QSaveFile file(QFile::decodeName(path.c_str()));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
                                                  static_cast<qint64>(bytes.size()) || !file.commit())
        throw std::runtime_error("cannot write " + path + ": " + file.errorString().toStdString());
}

}  // namespace

void writeGltfExport(const GltfExport& exported, const std::string& path, const std::optional<std::string>& documentPath,
                     const std::string& resourcesPath) {
    const bool text = !exported.resources.empty();
    if (documentPath && (zelto::sameFile(*documentPath, path) || (text && zelto::sameFile(*documentPath, resourcesPath))))
        throw std::runtime_error((zelto::sameFile(*documentPath, path) ? path : resourcesPath) +
                                 ": will not overwrite the document");
    if (text && zelto::sameFile(path, resourcesPath))
        throw std::runtime_error(path + ": the file and its buffer cannot be the same file");
    // The buffer first: a text file never names a buffer that is not there.
    if (text) writeWhole(resourcesPath, exported.resources);
    writeWhole(path, exported.file);
}
