#pragma once

#include <cstddef>
#include <string>

namespace zelto {

// The most bytes one document may take as it is read, whether from its file, from a
// stream or inflated from an archive: a quarter of the memory this process may use (the
// machine's, or the address-space limit when one is set and lower), and never more than
// 1 GiB. A scene takes several times its text, and a text of 1 GiB is some sixteen
// million faces, more than any modeller writes; the cap is also what keeps a hostile
// archive's inflation to a second or two.
size_t documentByteLimit();

// "512 MB" (or "1999 bytes" below a megabyte): how messages state a limit.
std::string megabytes(size_t bytes);

}  // namespace zelto
