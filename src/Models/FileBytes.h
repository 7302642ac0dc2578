#pragma once

// Reading a document file into memory in one piece.

#include <string>

namespace zelto {

// The whole file's bytes. The buffer is sized from the file's length up front and
// advised for huge pages, so a large file costs neither regrowth copies nor a page
// fault per 4 KiB. A file that changes length while it is read still reads whole.
// Throws std::system_error, with the path and the system's reason, when the file
// cannot be opened or read.
std::string readFileBytes(const std::string& path);

}  // namespace zelto
