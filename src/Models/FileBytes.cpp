#include "FileBytes.h"

#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "MQAMemory.h"

namespace zelto {
namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : _fd(fd) {}
    ~FileDescriptor() {
        if (_fd >= 0) close(_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return _fd; }

private:
    int _fd;
};

[[noreturn]] void failWithErrno(const std::string& path) {
    throw std::system_error(errno, std::generic_category(), path);
}

constexpr size_t kGrowth = size_t{1} << 20;  // for files longer than their stated size

}  // namespace

std::string readFileBytes(const std::string& path) {
    FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) failWithErrno(path);
    struct stat status {};
    if (fstat(file.get(), &status) != 0) failWithErrno(path);
    if (S_ISDIR(status.st_mode)) throw std::system_error(EISDIR, std::generic_category(), path);
    size_t expected = S_ISREG(status.st_mode) && status.st_size > 0 ? static_cast<size_t>(status.st_size) : 0;

    std::string bytes;
    // One byte more than the file, so its end is seen without growing the buffer.
    size_t room = expected + 1;
    bytes.reserve(mqa::hugePageFriendlyBytes(room + 1) - 1);
    mqa::adviseHugePages(bytes.data(), bytes.capacity() + 1);
    bytes.resize(room);
    size_t used = 0;
    for (;;) {
        if (used == bytes.size()) bytes.resize(bytes.size() + kGrowth);
        ssize_t got = read(file.get(), bytes.data() + used, bytes.size() - used);
        if (got < 0) {
            if (errno == EINTR) continue;
            failWithErrno(path);
        }
        if (got == 0) break;
        used += static_cast<size_t>(got);
    }
    bytes.resize(used);
    return bytes;
}

}  // namespace zelto
