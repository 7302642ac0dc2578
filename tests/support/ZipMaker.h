#pragma once

// Zip archives made for tests with libzip, and the header fields tests change to make
// them lie.

#include <zip.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

struct ZipEntry {
    std::string name;
    std::string bytes;
    bool stored = false;  // else deflated
};

// Writes an archive of the entries to `path`; false when libzip could not.
inline bool writeZip(const std::string& path, const std::vector<ZipEntry>& entries) {
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive) return false;
    for (const ZipEntry& entry : entries) {
        zip_source_t* source = zip_source_buffer(archive, entry.bytes.data(), entry.bytes.size(), 0);
        zip_int64_t index = source ? zip_file_add(archive, entry.name.c_str(), source, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0 || zip_set_file_compression(archive, zip_uint64_t(index), entry.stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0) != 0) {
            zip_discard(archive);
            return false;
        }
    }
    return zip_close(archive) == 0;
}

inline std::string fileContents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void setFileContents(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline void putLittleEndian(std::string& bytes, size_t at, uint32_t value, int width) {
    for (int i = 0; i < width; ++i) bytes[at + size_t(i)] = char((value >> (8 * i)) & 0xff);
}

// In an archive of one entry: its stated uncompressed size, in the local header and the
// central directory both.
inline void stateSize(std::string& archive, uint32_t size) {
    putLittleEndian(archive, 22, size, 4);
    putLittleEndian(archive, archive.find("PK\x01\x02") + 24, size, 4);
}

// In an archive of one entry: the flag that says it is encrypted, in both headers.
inline void markEncrypted(std::string& archive) {
    archive[6] = char(archive[6] | 1);
    archive[archive.find("PK\x01\x02") + 8] |= 1;
}
