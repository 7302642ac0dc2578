#pragma once

// Files by their paths: the one place that opens a path to read it.

#include <sys/stat.h>

#include <functional>
#include <string>
#include <string_view>

#include "ByteSource.h"

namespace zelto {

// Names are paths. Only a regular file is read, opened without blocking (a FIFO or a
// device never holds the caller up) and mapped where it can be; a directory, pipe,
// device or socket is refused, and so is a file of more than `maxBytes`.
class FileSystemSource final : public ByteSource {
public:
    SourceBytes open(const std::string& path, size_t maxBytes) const override;
    // A regular file's identity, from its status; none for anything else.
    SourceName identify(const std::string& path) const override;
};

// The file system as a source; it holds nothing, so one serves every thread.
const ByteSource& fileSystem();

// A path opened for reading without blocking, with its status. Closed when it goes.
class OpenPath {
public:
    // Throws SourceError: Missing when nothing is there, Refused with the system's reason.
    explicit OpenPath(const std::string& path);
    OpenPath(const OpenPath&) = delete;
    OpenPath& operator=(const OpenPath&) = delete;
    ~OpenPath();

    int fd() const { return _fd; }
    const struct stat& status() const { return _status; }
    bool regular() const { return S_ISREG(_status.st_mode); }
    // "a directory", "a named pipe (FIFO)", ...: what it is when not a regular file.
    std::string kindOfFile() const;
    // Up to `count` bytes from the start of the file, read (not mapped).
    std::string firstBytes(size_t count) const;
    // A regular file's bytes and identity (throws SourceError: TooLarge past `maxBytes`,
    // Refused for anything but a regular file).
    SourceBytes regularFileBytes(size_t maxBytes) const;

private:
    int _fd = -1;
    struct stat _status {};
};

// Reads a stream (standard input, a pipe, a device) to its end: at most `maxBytes`
// (SourceError TooLarge past them), and no further than the first bytes `accepts`
// refuses (SourceError Refused with `refusal`). Waits for data as a stream does, without
// spinning when the descriptor does not block.
DocumentBytes readStream(int fd, size_t maxBytes, const std::function<bool(std::string_view)>& accepts,
                         const std::string& refusal);

}  // namespace zelto
