#include "TextureLocation.h"

#include <filesystem>

namespace {

std::string inWorkingFolder(std::string path) {
    if (path.starts_with('/')) return path;
    std::error_code error;
    std::string folder = std::filesystem::current_path(error).string();
    if (error) return path;
    return folder + "/" + path;
}

}  // namespace

std::string textureLocation(const std::optional<std::string>& documentPath, std::string_view name) {
    if (name.starts_with('/') || !documentPath) return inWorkingFolder(std::string(name));
    size_t slash = documentPath->rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : documentPath->substr(0, slash + 1);
    return inWorkingFolder(folder + std::string(name));
}
