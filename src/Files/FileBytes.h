#pragma once

// Bytes held in one piece: a file's mapping, memory filled as bytes arrived, or a string.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zelto {

// True when both paths name one existing file (by device and inode, so links and other
// spellings count): what writes a picture checks so it never writes over a document.
bool sameFile(const std::string& a, const std::string& b);

// A document's bytes as a scene is read from them (files are opened by ByteSource.h).
//
// A regular file is mapped, read-only: its pages are the page cache's own rather than
// fresh memory, which a large file would take long to fill. Should the file be
// cut short while it is mapped, the bytes past its new end read as zeros rather than
// ending the process, and truncated() says so; a scene read from such bytes is refused
// ("The file changed while it was read."). Other bytes (streams, files the system makes
// up, what an archive inflates to) are held in memory of their own (see ScratchBytes).
class DocumentBytes {
public:
    explicit DocumentBytes(std::string bytes = {});
    // The first `size` bytes of the open file `fd`, mapped and watched; none when the
    // system will not map them (the caller reads them instead). The file may be closed
    // afterwards.
    static std::optional<DocumentBytes> mapFile(int fd, size_t size);

    DocumentBytes(DocumentBytes&& other) noexcept;
    DocumentBytes& operator=(DocumentBytes&& other) noexcept;
    DocumentBytes(const DocumentBytes&) = delete;
    DocumentBytes& operator=(const DocumentBytes&) = delete;
    ~DocumentBytes();

    size_t size() const { return _map ? _size : _string.size(); }
    std::string_view view() const { return {_map ? _map : _string.data(), size()}; }
    bool mapped() const { return _map != nullptr; }
    bool truncated() const;
    // Lets the bytes go now (a mapping is unmapped); they are empty afterwards.
    void release();

private:
    friend class ScratchBytes;
    std::string _string;
    char* _map = nullptr;
    size_t _size = 0;
    size_t _mapLength = 0;
    int _guard = -1;  // the slot that watches the mapping
};

// Room for bytes that arrive a piece at a time (a stream, an archive's entry as it
// inflates): `capacity` bytes are reserved as address space, and only what is written
// takes memory, so nothing is cleared or copied as the bytes grow, and a limit of a
// gigabyte costs nothing when a few kilobytes come. Throws std::bad_alloc when the
// address space cannot be had.
class ScratchBytes {
public:
    explicit ScratchBytes(size_t capacity);
    ScratchBytes(const ScratchBytes&) = delete;
    ScratchBytes& operator=(const ScratchBytes&) = delete;
    ~ScratchBytes();

    char* data() { return _map; }
    size_t capacity() const { return _capacity; }
    // The first `used` bytes, as a document's; the rest of the room is given back.
    DocumentBytes finish(size_t used);

private:
    char* _map = nullptr;
    size_t _capacity = 0;
};

}  // namespace zelto
