#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "FileBytes.h"

namespace {

std::string temporaryFile(const std::string& name, const std::string& contents) {
    std::string path = (std::filesystem::temp_directory_path() / name).string();
    std::ofstream(path, std::ios::binary) << contents;
    return path;
}

int errorCodeOf(const std::string& path) {
    try {
        zelto::readFileBytes(path);
    } catch (const std::system_error& error) {
        return error.code().value();
    }
    return 0;
}

}  // namespace

TEST(FileBytes, ReadsEveryByteAsStored) {
    std::string contents("Metasequoia\r\n\0\xff end", 20);
    for (int i = 0; i < 300000; ++i) contents += static_cast<char>('a' + i % 26);
    std::string path = temporaryFile("zelto-file-bytes.bin", contents);
    EXPECT_EQ(zelto::readFileBytes(path), contents);
    std::remove(path.c_str());

    std::string empty = temporaryFile("zelto-file-bytes-empty.bin", "");
    EXPECT_EQ(zelto::readFileBytes(empty), "");
    std::remove(empty.c_str());
}

// Files whose stated size is not their length, like those the system makes up.
TEST(FileBytes, ReadsFilesWithoutAStatedSize) {
    std::string status = zelto::readFileBytes("/proc/self/status");
    EXPECT_NE(status.find("Name:"), std::string::npos);
}

TEST(FileBytes, FailuresCarryTheSystemsReason) {
    EXPECT_EQ(errorCodeOf("/nonexistent/zelto/file.mqo"), ENOENT);
    EXPECT_EQ(errorCodeOf(std::filesystem::temp_directory_path().string()), EISDIR);
}
