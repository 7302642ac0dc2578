#include "CaseFolding.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>

namespace zelto {
namespace {

// How many paths are followed at once: a folder of many spellings of one name would
// otherwise multiply them part by part.
constexpr size_t kMostPaths = 64;

char lowered(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

std::vector<std::string> partsOf(std::string_view path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = std::min(path.find('/', start), path.size());
        if (end > start) parts.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

bool isFolder(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

std::string joined(const std::string& folder, const std::string& name) {
    return folder.empty() || folder.ends_with('/') ? folder + name : folder + "/" + name;
}

// The names in `folder` equal to `part` ignoring case: `part` itself first, then sorted.
std::vector<std::string> namesIgnoringCase(const std::string& folder, const std::string& part) {
    std::vector<std::string> names;
    std::unique_ptr<DIR, int (*)(DIR*)> listing(opendir(folder.empty() ? "." : folder.c_str()), closedir);
    if (!listing) return names;
    while (const dirent* entry = readdir(listing.get()))
        if (equalIgnoringCase(entry->d_name, part)) names.emplace_back(entry->d_name);
    std::sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
        if ((a == part) != (b == part)) return a == part;
        return a < b;
    });
    return names;
}

}  // namespace

std::string asciiLowered(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), lowered);
    return out;
}

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lowered(x) == lowered(y); });
}

std::vector<std::string> pathsIgnoringCase(const std::string& folder, std::string_view relative) {
    const std::vector<std::string> parts = partsOf(relative);
    if (parts.empty()) return {};
    std::vector<std::string> paths{folder};
    for (size_t i = 0; i < parts.size(); ++i) {
        const bool last = i + 1 == parts.size();
        std::vector<std::string> next;
        for (const std::string& path : paths) {
            std::vector<std::string> names{parts[i]};
            if (parts[i] != "." && parts[i] != "..") names = namesIgnoringCase(path, parts[i]);
            for (const std::string& name : names) {
                std::string longer = joined(path, name);
                if (isFolder(longer) != last && next.size() < kMostPaths) next.push_back(std::move(longer));
            }
        }
        paths = std::move(next);
    }
    return paths;
}

}  // namespace zelto
