#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace mqa {

// The byte offset of the first invalid UTF-8 sequence (overlong forms, surrogates,
// code points past U+10FFFF and sequences cut off at the end are invalid); none when
// the whole text is valid.
std::optional<size_t> findInvalidUTF8(std::string_view bytes);

// The error text for bytes that are not valid UTF-8 at the given offset.
std::string invalidUTF8Message(size_t offset);

}  // namespace mqa
