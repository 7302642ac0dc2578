#include "FileSystemSource.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <system_error>

#include "MemoryPolicy.h"

namespace zelto {
namespace {

std::string systemReason(int error) { return std::generic_category().message(error); }

[[noreturn]] void tooLarge(size_t maxBytes) {
    throw SourceError(SourceError::Kind::TooLarge, "it is larger than the limit of " + megabytes(maxBytes));
}

// Everything `fd` gives until its end: at most `maxBytes`, `accepts` asked after each read.
DocumentBytes readToEnd(int fd, size_t maxBytes, const std::function<bool(std::string_view)>* accepts,
                        const std::string* refusal) {
    constexpr size_t kChunk = size_t{1} << 16;
    // One byte more than allowed is room enough to see that a stream goes on past it.
    ScratchBytes bytes(maxBytes + 1);
    size_t used = 0;
    for (;;) {
        // Waits for data (or the writer's end) rather than spinning on a descriptor that
        // does not block; a FIFO that never had a writer waits for one.
        pollfd ready{fd, POLLIN, 0};
        if (poll(&ready, 1, -1) < 0) {
            if (errno == EINTR) continue;
            throw SourceError(SourceError::Kind::Refused, systemReason(errno));
        }
        ssize_t got = read(fd, bytes.data() + used, std::min(kChunk, bytes.capacity() - used));
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            throw SourceError(SourceError::Kind::Refused, systemReason(errno));
        }
        if (got == 0) break;
        used += static_cast<size_t>(got);
        if (used > maxBytes) tooLarge(maxBytes);
        if (accepts && !(*accepts)(std::string_view(bytes.data(), used)))
            throw SourceError(SourceError::Kind::Refused, *refusal);
    }
    return bytes.finish(used);
}

}  // namespace

OpenPath::OpenPath(const std::string& path) {
    _fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (_fd < 0) {
        int error = errno;
        bool missing = error == ENOENT || error == ENOTDIR;
        throw SourceError(missing ? SourceError::Kind::Missing : SourceError::Kind::Refused, systemReason(error));
    }
    if (fstat(_fd, &_status) != 0) {
        int error = errno;
        ::close(_fd);
        throw SourceError(SourceError::Kind::Refused, systemReason(error));
    }
}

OpenPath::~OpenPath() {
    if (_fd >= 0) ::close(_fd);
}

std::string OpenPath::kindOfFile() const {
    switch (_status.st_mode & S_IFMT) {
        case S_IFDIR: return "a directory";
        case S_IFIFO: return "a named pipe (FIFO)";
        case S_IFCHR: return "a character device";
        case S_IFBLK: return "a block device";
        case S_IFSOCK: return "a socket";
        default: return "not a regular file";
    }
}

std::string OpenPath::firstBytes(size_t count) const {
    std::string bytes(count, '\0');
    ssize_t got;
    do {
        got = pread(_fd, bytes.data(), count, 0);
    } while (got < 0 && errno == EINTR);
    bytes.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return bytes;
}

SourceBytes OpenPath::regularFileBytes(size_t maxBytes) const {
    if (!regular())
        throw SourceError(SourceError::Kind::Refused, "it is " + kindOfFile() + ", not a regular file");
    SourceIdentity identity{static_cast<uint64_t>(_status.st_dev), static_cast<uint64_t>(_status.st_ino), {}};
    const size_t size = static_cast<size_t>(std::max<off_t>(_status.st_size, 0));
    if (size > maxBytes) tooLarge(maxBytes);
    if (std::optional<DocumentBytes> mapped = DocumentBytes::mapFile(_fd, size))
        return {std::move(*mapped), std::move(identity)};
    // Not mapped: empty, or a file the system makes up as it is read (its stated size
    // is no guide then), or no mapping to be had.
    return {readToEnd(_fd, maxBytes, nullptr, nullptr), std::move(identity)};
}

SourceBytes FileSystemSource::open(const std::string& path, size_t maxBytes) const {
    return OpenPath(path).regularFileBytes(maxBytes);
}

SourceName FileSystemSource::identify(const std::string& path) const {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return {};
    return {SourceIdentity{static_cast<uint64_t>(status.st_dev), static_cast<uint64_t>(status.st_ino), {}}, {}};
}

const ByteSource& fileSystem() {
    static const FileSystemSource source;
    return source;
}

DocumentBytes readStream(int fd, size_t maxBytes, const std::function<bool(std::string_view)>& accepts,
                         const std::string& refusal) {
    return readToEnd(fd, maxBytes, &accepts, &refusal);
}

}  // namespace zelto
