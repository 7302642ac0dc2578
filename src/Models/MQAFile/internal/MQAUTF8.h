#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "MQAException.h"
#include "MQAProgress.h"

namespace mqa {

// The byte offset of the first invalid UTF-8 sequence (overlong forms, surrogates,
// code points past U+10FFFF and sequences cut off at the end are invalid); none when
// the whole text is valid.
std::optional<size_t> findInvalidUTF8(std::string_view bytes);
// The same, stopping with MQACancelled soon after `progress` is cancelled.
std::optional<size_t> findInvalidUTF8(std::string_view bytes, const MQAProgress* progress);

// The error text for bytes that are not valid UTF-8 at the given offset.
std::string invalidUTF8Message(size_t offset);

// Throws MQAInvalidText for the invalid sequence at `offset` of `bytes`.
[[noreturn]] void raiseInvalidUTF8(std::string_view bytes, size_t offset);
// Throws it when `bytes` are not valid UTF-8.
void requireUTF8(std::string_view bytes);

}  // namespace mqa
