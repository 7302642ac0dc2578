// Where an export goes and how its files are written: each through a temporary file
// renamed into place, so a failed write leaves whatever was there before.

#include <QFile>
#include <QSaveFile>
#include <cctype>
#include <functional>
#include <ostream>
#include <streambuf>
#include <stdexcept>

#include "FileBytes.h"
#include "GltfExport.h"
#include "GltfModel.h"
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

// A stream that writes into a Qt device, so that tinygltf can write a file in place.
class DeviceStreamBuffer : public std::streambuf {
public:
    explicit DeviceStreamBuffer(QIODevice& device) : _device(device) {}

protected:
    std::streamsize xsputn(const char* bytes, std::streamsize count) override {
        return _device.write(bytes, count) == count ? count : 0;
    }
    int_type overflow(int_type byte) override {
        if (traits_type::eq_int_type(byte, traits_type::eof())) return traits_type::not_eof(byte);
        const char one = traits_type::to_char_type(byte);
        return _device.write(&one, 1) == 1 ? byte : traits_type::eof();
    }

private:
    QIODevice& _device;
};

// Writes `path` whole or not at all: `write` fills the file through a stream.
void writeWhole(const std::string& path, const std::function<void(std::ostream&)>& write) {
    QSaveFile file(QFile::decodeName(path.c_str()));
    if (file.open(QIODevice::WriteOnly)) {
        DeviceStreamBuffer buffer(file);
        std::ostream out(&buffer);
        write(out);
        if (!out) file.cancelWriting();
    }
    if (!file.commit()) throw std::runtime_error("cannot write " + path + ": " + file.errorString().toStdString());
}

void writeWhole(const std::string& path, const std::string& bytes) {
    writeWhole(path, [&](std::ostream& out) { out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())); });
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
    if (!files.binary()) {
        GltfExport exported = exportGltf(scene, options);
        if (options.progress && options.progress->isCancelled()) throw MQACancelled();
        writeGltfExport(exported, files, options.documentPath);
        return std::move(exported.warnings);
    }
    // A .glb file goes from the model straight to the disk: a large scene's buffer is
    // not held twice more in memory on its way.
    tinygltf::Model gltf;
    GltfExport exported = exportGltfModel(scene, options, gltf);
    if (options.progress && options.progress->isCancelled()) throw MQACancelled();
    checkNotTheDocument(files, options.documentPath);
    writeWhole(files.file, [&](std::ostream& out) { writeGltfModel(gltf, out, true); });
    return std::move(exported.warnings);
}
