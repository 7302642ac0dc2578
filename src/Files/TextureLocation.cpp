#include "TextureLocation.h"

#include <algorithm>
#include <filesystem>

#include "CaseFolding.h"

namespace {

std::string inWorkingFolder(std::string path) {
    if (path.starts_with('/')) return path;
    std::error_code error;
    std::string folder = std::filesystem::current_path(error).string();
    if (error) return path;
    return folder + "/" + path;
}

// The folder names are taken from, with its closing slash: the document's, else the
// working folder.
std::string baseFolder(const std::optional<std::string>& documentPath) {
    size_t slash = documentPath ? documentPath->rfind('/') : std::string::npos;
    return inWorkingFolder(slash == std::string::npos ? std::string() : documentPath->substr(0, slash + 1));
}

}  // namespace

std::string textureLocation(const std::optional<std::string>& documentPath, std::string_view name,
                            bool lenient) {
    if (!lenient) {
        if (name.starts_with('/') || !documentPath) return inWorkingFolder(std::string(name));
        size_t slash = documentPath->rfind('/');
        std::string folder = slash == std::string::npos ? std::string() : documentPath->substr(0, slash + 1);
        return inWorkingFolder(folder + std::string(name));
    }
    std::string unixName(name);
    std::replace(unixName.begin(), unixName.end(), '\\', '/');
    size_t slash = unixName.rfind('/');
    std::string beside = textureLocation(documentPath, unixName.substr(slash + 1), false);
    bool drive = unixName.size() > 2 && unixName[1] == ':' && unixName[2] == '/';
    if (drive) return beside;
    std::string asGiven = textureLocation(documentPath, unixName, false);
    std::error_code error;
    if (slash == std::string::npos || std::filesystem::exists(asGiven, error)) return asGiven;
    return beside;
}

std::vector<std::string> textureLocationsIgnoringCase(const std::optional<std::string>& documentPath,
                                                      std::string_view name) {
    std::string unixName(name);
    std::replace(unixName.begin(), unixName.end(), '\\', '/');
    const std::string fileName = unixName.substr(unixName.rfind('/') + 1);
    const bool drive = unixName.size() > 2 && unixName[1] == ':' && unixName[2] == '/';
    const std::string folder = baseFolder(documentPath);
    std::vector<std::string> paths;
    if (!drive && fileName != unixName)
        paths = unixName.starts_with('/') ? zelto::pathsIgnoringCase("/", unixName) : zelto::pathsIgnoringCase(folder, unixName);
    if (paths.empty()) paths = zelto::pathsIgnoringCase(folder, fileName);
    return paths;
}
