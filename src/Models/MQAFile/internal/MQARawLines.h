#pragma once

// Lines as bytes, before any of them is read: where a line ends, and the binary data a
// line announces. Chunks that are passed over whole, chunks whose binary data is read,
// and the preparation of a text for compatibility reading all go by these.

#include <cstddef>
#include <string_view>

namespace mqa {

// A line's content (without its line end and trailing blanks) and where the next starts.
struct RawLine {
    std::string_view content;
    const char* next;
};
RawLine rawLineAt(const char* p, const char* end);

// The N of a line's content that ends in "[N]" (digits only): that many bytes of binary
// data follow the line. 0 for none. Looks only at the line's own last characters.
size_t binaryBytes(std::string_view content);

// Where binary data of `bytes` bytes that starts at `data` ends: after the data and
// whatever follows it up to the next line end, or at `end` when the text is shorter.
const char* binaryRunEnd(const char* data, size_t bytes, const char* end);

}  // namespace mqa
