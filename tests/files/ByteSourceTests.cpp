#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <thread>

#include "DocumentGenerator.h"
#include "DocumentSource.h"
#include "FileSystemSource.h"
#include "MQAProgress.h"
#include "Metasequoia.h"
#include "SceneDump.h"

using namespace std::string_literals;

namespace {

std::string temporaryFile(const std::string& name, const std::string& contents) {
    std::string path = (std::filesystem::temp_directory_path() / name).string();
    std::ofstream(path, std::ios::binary) << contents;
    return path;
}

std::string sample(const std::string& name) {
    std::ifstream in(std::string(ZELTO_SAMPLES_DIR) + "/" + name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

constexpr size_t kLimit = size_t{1} << 30;

// What opening gave: the bytes, or the kind of failure and its reason.
struct Outcome {
    std::string bytes;
    std::optional<zelto::SourceError::Kind> failure;
    std::string reason;
};

template <typename Open>
Outcome outcomeOf(Open open) {
    try {
        return {std::string(open().bytes.view()), std::nullopt, {}};
    } catch (const zelto::SourceError& error) {
        return {{}, error.kind(), error.what()};
    }
}

// A pipe whose write end a thread fills with `contents` and closes.
struct FilledPipe {
    explicit FilledPipe(std::string contents) {
        std::signal(SIGPIPE, SIG_IGN);  // a refused stream is closed before it is all written
        EXPECT_EQ(pipe(ends), 0);
        writer = std::thread([this, text = std::move(contents)] {
            size_t at = 0;
            while (at < text.size()) {
                ssize_t put = write(ends[1], text.data() + at, text.size() - at);
                if (put <= 0) break;  // the reader stopped reading
                at += size_t(put);
            }
            close(ends[1]);
        });
    }
    ~FilledPipe() {
        close(ends[0]);
        writer.join();
    }
    int ends[2];
    std::thread writer;
};

}  // namespace

// Regular files are mapped whole, whatever they hold; files the system makes up (their
// stated size is 0) are read to their end.
TEST(FileSystemSource, ReadsRegularFilesWholeAndMapsThem) {
    std::string contents("Metasequoia\r\n\0\xff end", 20);
    for (int i = 0; i < 300000; ++i) contents += static_cast<char>('a' + i % 26);
    std::string path = temporaryFile("zelto-file-bytes.bin", contents);
    zelto::SourceBytes file = zelto::fileSystem().open(path, kLimit);
    EXPECT_TRUE(file.bytes.mapped());
    EXPECT_EQ(file.bytes.view(), contents);
    struct stat status {};
    ASSERT_EQ(stat(path.c_str(), &status), 0);
    EXPECT_EQ(file.identity, (zelto::SourceIdentity{status.st_dev, status.st_ino, ""}));
    std::remove(path.c_str());

    EXPECT_EQ(zelto::fileSystem().open("/proc/self/status", kLimit).bytes.view().substr(0, 5), "Name:");
    std::string empty = temporaryFile("zelto-file-bytes-empty.bin", "");
    EXPECT_EQ(zelto::fileSystem().open(empty, kLimit).bytes.size(), 0u);
    std::remove(empty.c_str());
}

// Only regular files are read, and the open itself never waits: a FIFO without a writer
// is refused at once rather than blocking the caller.
TEST(FileSystemSource, RefusesAllButRegularFilesWithoutWaiting) {
    std::string folder = std::filesystem::temp_directory_path() / "zelto-source-kinds";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directory(folder);
    ASSERT_EQ(mkfifo((folder + "/fifo.mqo").c_str(), 0600), 0);
    std::ofstream(folder + "/big.mqo") << std::string(2000, 'x');
    struct Case {
        std::string path;
        size_t limit;
        zelto::SourceError::Kind kind;
        std::string reason;
    } cases[] = {
        {folder + "/none.mqo", kLimit, zelto::SourceError::Kind::Missing, "No such file or directory"},
        {folder + "/none/x.mqo", kLimit, zelto::SourceError::Kind::Missing, "No such file or directory"},
        {folder, kLimit, zelto::SourceError::Kind::Refused, "it is a directory, not a regular file"},
        {folder + "/fifo.mqo", kLimit, zelto::SourceError::Kind::Refused, "it is a named pipe (FIFO), not a regular file"},
        {"/dev/zero", kLimit, zelto::SourceError::Kind::Refused, "it is a character device, not a regular file"},
        {folder + "/big.mqo", 1999, zelto::SourceError::Kind::TooLarge, "it is larger than the limit of 1999 bytes"},
    };
    for (const Case& c : cases) {
        auto opened = std::async(std::launch::async, [&] {
            return outcomeOf([&] { return zelto::fileSystem().open(c.path, c.limit); });
        });
        if (opened.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            // Let a blocked open go, so that the test can end.
            close(::open(c.path.c_str(), O_WRONLY | O_NONBLOCK));
            FAIL() << c.path << ": the open waited";
        }
        Outcome outcome = opened.get();
        EXPECT_EQ(outcome.failure, c.kind) << c.path;
        EXPECT_EQ(outcome.reason, c.reason) << c.path;
    }
    EXPECT_EQ(outcomeOf([&] { return zelto::fileSystem().open(folder + "/big.mqo", 2000); }).bytes.size(), 2000u);
    std::filesystem::remove_all(folder);
}

// Streams are read as they come, to a limit, and refused as soon as their first bytes
// cannot begin a document: a device of endless zeros ends at once.
TEST(DocumentSource, StreamsAreCheckedEarlyAndReadToALimit) {
    const std::string document = sample("arm.mqo");
    const std::string notADocument =
        "it does not begin as a Metasequoia document (\"Metasequoia Document\") or a .mqoz archive does";
    struct Case {
        const char* what;
        std::string contents;
        size_t limit;
        std::optional<zelto::SourceError::Kind> failure;
        std::string reason;
    } cases[] = {
        {"a document", document, kLimit, std::nullopt, ""},
        {"with a byte-order mark", "\xEF\xBB\xBF" + document, kLimit, std::nullopt, ""},
        {"nothing", "", kLimit, std::nullopt, ""},
        {"a short beginning", "Metasequoia Doc", kLimit, std::nullopt, ""},
        {"no document", "Metasequoia Dokument\r\n" + document, kLimit, zelto::SourceError::Kind::Refused, notADocument},
        {"binary", std::string(1 << 20, '\0'), kLimit, zelto::SourceError::Kind::Refused, notADocument},
        {"past the limit", document, document.size() - 1, zelto::SourceError::Kind::TooLarge,
         "it is larger than the limit of " + std::to_string(document.size() - 1) + " bytes"},
        {"at the limit", document, document.size(), std::nullopt, ""},
    };
    for (const Case& c : cases) {
        FilledPipe pipe(c.contents);
        Outcome outcome = outcomeOf([&] { return zelto::readDocumentStream(pipe.ends[0], c.limit); });
        EXPECT_EQ(outcome.failure, c.failure) << c.what;
        EXPECT_EQ(outcome.reason, c.reason) << c.what;
        if (!c.failure) {
            EXPECT_EQ(outcome.bytes, c.contents) << c.what;
        }
    }
    // Named as paths, devices and FIFOs are streams for the tools, and refused by the window.
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(outcomeOf([] { return zelto::openDocument("/dev/zero", zelto::Streams::Read); }).reason, notADocument);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(outcomeOf([] { return zelto::openDocument("/dev/zero", zelto::Streams::Refused); }).failure,
              zelto::SourceError::Kind::Refused);
    std::string fifo = std::filesystem::temp_directory_path() / "zelto-source-fifo.mqo";
    std::remove(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::thread writer([&] { std::ofstream(fifo, std::ios::binary) << document; });
    EXPECT_EQ(outcomeOf([&] { return zelto::openDocument(fifo, zelto::Streams::Read); }).bytes, document);
    writer.join();
    std::remove(fifo.c_str());
}

// A file cut short while it is mapped: its lost bytes read as zeros, and the scene is
// refused with a reason, instead of the process ending.
TEST(DocumentBytes, AFileCutShortWhileMappedIsRefusedNotFatal) {
    std::string text = sample("flag.mqo");
    for (MQAReading reading : {MQAReading::Strict, MQAReading::Compatible}) {
        std::string path = temporaryFile("zelto-document-bytes-cut.mqo", text);
        zelto::DocumentBytes bytes = zelto::openDocument(path, zelto::Streams::Refused).bytes;
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
    Metasequoia mapped = Metasequoia::initWithData(zelto::openDocument(path, zelto::Streams::Refused).bytes);
    Metasequoia read = Metasequoia::initWithData(sample("flag.mqo"));
    EXPECT_EQ(dumpScene(mapped), dumpScene(read));
}

TEST(DocumentBytes, ProgressFollowsTheReadAndCancellingStopsIt) {
    std::string path = temporaryFile("zelto-progress.mqo", bench::generateDocument(40000, false));
    auto bytes = [&] { return zelto::openDocument(path, zelto::Streams::Refused).bytes; };
    MQAProgress progress;
    Metasequoia followed = Metasequoia::initWithData(bytes(), MQAReading::Strict, &progress);
    EXPECT_GT(progress.bytesTotal(), 1'000'000u);
    EXPECT_EQ(progress.bytesRead(), progress.bytesTotal());
    Metasequoia plain = Metasequoia::initWithData(bytes());
    ASSERT_EQ(followed.models().size(), plain.models().size());
    EXPECT_EQ(followed.models()[0].faces().size(), plain.models()[0].faces().size());

    // Asked to stop before it starts, or while it reads on another thread: either way
    // the read ends in MQACancelled, whichever the way of reading.
    for (MQAReading reading : {MQAReading::Strict, MQAReading::Compatible}) {
        MQAProgress stopped;
        stopped.cancel();
        EXPECT_THROW(Metasequoia::initWithData(bytes(), reading, &stopped), MQACancelled);
    }
    MQAProgress midway;
    std::thread reader([&] {
        EXPECT_THROW(Metasequoia::initWithData(bytes(), MQAReading::Strict, &midway), MQACancelled);
    });
    while (midway.bytesRead() == 0 && midway.bytesTotal() == 0) std::this_thread::yield();
    midway.cancel();
    reader.join();
    // Stopped while its lines were read, not once they all were.
    EXPECT_LT(midway.bytesRead(), midway.bytesTotal());
    std::remove(path.c_str());
}
