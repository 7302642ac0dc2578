#include "MQAUTF8.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "MQAHalves.h"
#include "MQALexer.h"

namespace mqa {

std::optional<size_t> findInvalidUTF8(std::string_view bytes) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    auto ascii32 = [&](size_t i) {  // 32 bytes of ASCII at i
        uint64_t words[4];
        std::memcpy(words, s + i, sizeof words);
        return ((words[0] | words[1] | words[2] | words[3]) & 0x8080808080808080ull) == 0;
    };
    for (size_t i = 0; i < n;) {
        if (n - i >= 32 && ascii32(i)) {
            i += 32;
            continue;
        }
        if (s[i] < 0x80) {
            ++i;
            continue;
        }
        // A lead byte's length, and the range its second byte must lie in: no overlong
        // forms, no surrogates, nothing past U+10FFFF.
        const unsigned char c = s[i];
        const size_t length = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
        const unsigned char low = c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80;
        const unsigned char high = c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
        if (length == 0 || n - i < length || s[i + 1] < low || s[i + 1] > high) return i;
        for (size_t k = 2; k < length; ++k)
            if ((s[i + k] & 0xC0) != 0x80) return i;
        i += length;
    }
    return std::nullopt;
}

std::optional<size_t> findInvalidUTF8(std::string_view bytes, const MQAProgress* progress) {
    if (!progress) return findInvalidUTF8(bytes);
    constexpr size_t kBytesPerCheck = size_t{16} << 20;
    for (size_t from = 0; from < bytes.size();) {
        if (progress->isCancelled()) throw MQACancelled();
        // Each piece ends where a character starts, so no sequence is cut in two.
        size_t to = std::min(bytes.size(), from + kBytesPerCheck);
        while (to < bytes.size() && (static_cast<unsigned char>(bytes[to]) & 0xC0) == 0x80) ++to;
        if (std::optional<size_t> bad = findInvalidUTF8(bytes.substr(from, to - from))) return from + *bad;
        from = to;
    }
    return std::nullopt;
}

std::string invalidUTF8Message(size_t offset) {
    return "The file is not valid UTF-8 text (invalid byte sequence at byte " +
           std::to_string(offset) + ").";
}

void raiseInvalidUTF8(std::string_view bytes, size_t offset) {
    MQAInvalidText error(invalidUTF8Message(offset));
    MQAPlace place = placeInText(bytes, offset);
    place.byteOffset = offset;
    error.setPlace(std::move(place));
    throw error;
}

namespace {

// A long text is checked in two halves at once, split where a character starts: a
// valid first half then ends exactly there, so the first error of the halves is the
// one a check from the start finds.
std::optional<size_t> findInvalidUTF8InHalves(std::string_view bytes) {
    constexpr size_t kWorthSharing = size_t{8} << 20;
    if (bytes.size() < kWorthSharing) return findInvalidUTF8(bytes);
    size_t middle = bytes.size() / 2;
    while (middle < bytes.size() && (static_cast<unsigned char>(bytes[middle]) & 0xC0) == 0x80) ++middle;
    std::optional<size_t> first, second;
    runBoth([&] { first = findInvalidUTF8(bytes.substr(0, middle)); },
            [&] { second = findInvalidUTF8(bytes.substr(middle)); });
    if (first) return first;
    if (second) return *second + middle;
    return std::nullopt;
}

}  // namespace

void requireUTF8(std::string_view bytes) {
    if (std::optional<size_t> bad = findInvalidUTF8InHalves(bytes)) raiseInvalidUTF8(bytes, *bad);
}

}  // namespace mqa
