#pragma once

// Where bytes come from. Documents, their textures and the parts of archives are all read
// through a ByteSource: open a name, get its bytes and whose they are, or a reason why not.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

#include "FileBytes.h"

namespace zelto {

// Whose bytes these are, whatever name reached them: a file by its device and inode, an
// entry of an archive by the archive file's device and inode and the entry's name. What
// is decoded from bytes can be kept per identity, so two spellings of one file are read
// once. Bytes that came from a stream have no identity (all zero).
struct SourceIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    std::string entry;  // the entry's name inside an archive; empty for a file of its own

    bool known() const { return device != 0 || inode != 0; }
    auto operator<=>(const SourceIdentity&) const = default;
};

struct SourceIdentityHash {
    size_t operator()(const SourceIdentity& identity) const {
        size_t h = std::hash<uint64_t>()(identity.device);
        h = h * 31 + std::hash<uint64_t>()(identity.inode);
        return h * 31 + std::hash<std::string>()(identity.entry);
    }
};

// Why a name gave no bytes. what() is the reason, without the name that was opened
// ("it is a directory", "\"a.mqo\" in the archive is encrypted"): callers put the name in front.
class SourceError : public std::runtime_error {
public:
    enum class Kind {
        Missing,    // nothing by that name
        Refused,    // there, but not something read: a directory, a device, a damaged archive
        TooLarge,   // more bytes than the limit allows
    };
    SourceError(Kind kind, const std::string& reason) : std::runtime_error(reason), _kind(kind) {}
    Kind kind() const { return _kind; }

private:
    Kind _kind;
};

// Bytes a name gave, mapped or read (see DocumentBytes), and whose they are.
struct SourceBytes {
    DocumentBytes bytes;
    SourceIdentity identity;
};

// What a name reaches, told without reading it: whose bytes they would be (unknown when
// the source cannot tell, or nothing is there), and, when the name was found other than
// as given (leniently, ignoring case), a note that says which file it found and why.
struct SourceName {
    SourceIdentity identity;
    std::string note;
};

// Opens names. A source decides what a name means (a path, an archive's entry) and which
// files it reads; callers need not know which source they hold.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // The bytes `name` stands for, at most `maxBytes` of them. Throws SourceError.
    virtual SourceBytes open(const std::string& name, size_t maxBytes) const = 0;
    // What `name` would open, cheaply (no inflating, no reading): lets a caller that keeps
    // what it made of each identity skip opening a file it has had by another name.
    virtual SourceName identify(const std::string&) const { return {}; }
};

}  // namespace zelto
