#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <thread>

#include "FileBytes.h"
#include "SceneDump.h"
#include "Metasequoia.h"
#include "MQAProgress.h"
#include "DocumentGenerator.h"

using namespace std::string_literals;

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

#include <unistd.h>

#include "Metasequoia.h"

TEST(DocumentBytes, RegularFilesAreMappedOthersRead) {
    std::string contents(3 << 20, 'x');
    contents += "\0end"s;
    std::string path = temporaryFile("zelto-document-bytes.bin", contents);
    {
        zelto::DocumentBytes bytes = zelto::DocumentBytes::readFile(path);
        EXPECT_TRUE(bytes.mapped());
        ASSERT_EQ(bytes.view(), contents);
        EXPECT_FALSE(bytes.truncated());
    }
    std::remove(path.c_str());

    zelto::DocumentBytes status = zelto::DocumentBytes::readFile("/proc/self/status");
    EXPECT_FALSE(status.mapped());
    EXPECT_NE(status.view().find("Name:"), std::string::npos);
    std::string empty = temporaryFile("zelto-document-bytes-empty.bin", "");
    EXPECT_EQ(zelto::DocumentBytes::readFile(empty).size(), 0u);
    std::remove(empty.c_str());
}

// A file cut short while it is mapped: its lost bytes read as zeros, and the scene is
// refused with a reason, instead of the process ending.
TEST(DocumentBytes, AFileCutShortWhileMappedIsRefusedNotFatal) {
    std::ifstream sample(std::string(ZELTO_SAMPLES_DIR) + "/flag.mqo", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(sample)), std::istreambuf_iterator<char>());
    for (MQAReading reading : {MQAReading::Strict, MQAReading::Compatible}) {
        std::string path = temporaryFile("zelto-document-bytes-cut.mqo", text);
        zelto::DocumentBytes bytes = zelto::DocumentBytes::readFile(path);
        ASSERT_TRUE(bytes.mapped());
        ASSERT_EQ(truncate(path.c_str(), 100), 0);
        EXPECT_EQ(bytes.view()[bytes.size() - 1], '\0');
        EXPECT_TRUE(bytes.truncated());
        try {
            Metasequoia::initWithData(std::move(bytes), reading);
            ADD_FAILURE() << "read a file that changed";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "The file changed while it was read.");
        }
        std::remove(path.c_str());
    }
}

TEST(DocumentBytes, MappedAndStringBytesGiveTheSameScene) {
    std::string path = std::string(ZELTO_SAMPLES_DIR) + "/flag.mqo";
    Metasequoia mapped = Metasequoia::initWithData(zelto::DocumentBytes::readFile(path));
    Metasequoia read = Metasequoia::initWithData(zelto::readFileBytes(path));
    EXPECT_EQ(dumpScene(mapped), dumpScene(read));
}

TEST(DocumentBytes, ProgressFollowsTheReadAndCancellingStopsIt) {
    std::string path = temporaryFile("zelto-progress.mqo", bench::generateDocument(40000, false));
    MQAProgress progress;
    Metasequoia followed = Metasequoia::initWithData(zelto::DocumentBytes::readFile(path), MQAReading::Strict,
                                                     &progress);
    EXPECT_GT(progress.bytesTotal(), 1'000'000u);
    EXPECT_EQ(progress.bytesRead(), progress.bytesTotal());
    Metasequoia plain = Metasequoia::initWithData(zelto::DocumentBytes::readFile(path));
    ASSERT_EQ(followed.models().size(), plain.models().size());
    EXPECT_EQ(followed.models()[0].faces().size(), plain.models()[0].faces().size());

    // Asked to stop before it starts, or while it reads on another thread: either way
    // the read ends in MQACancelled, whichever the way of reading.
    for (MQAReading reading : {MQAReading::Strict, MQAReading::Compatible}) {
        MQAProgress stopped;
        stopped.cancel();
        EXPECT_THROW(Metasequoia::initWithData(zelto::DocumentBytes::readFile(path), reading, &stopped),
                     MQACancelled);
    }
    MQAProgress midway;
    std::thread reader([&] {
        EXPECT_THROW(Metasequoia::initWithData(zelto::DocumentBytes::readFile(path), MQAReading::Strict, &midway),
                     MQACancelled);
    });
    while (midway.bytesRead() == 0 && midway.bytesTotal() == 0) std::this_thread::yield();
    midway.cancel();
    reader.join();
    // Stopped while its lines were read, not once they all were.
    EXPECT_LT(midway.bytesRead(), midway.bytesTotal());
    std::remove(path.c_str());
}
