#include "MQAUTF8.h"

#include <cstdint>
#include <cstring>

#include "MQAHalves.h"
#include "MQALineReader.h"

namespace mqa {

std::optional<size_t> findInvalidUTF8(std::string_view bytes) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t n = bytes.size();
    size_t i = 0;
    while (i < n) {
        // ASCII runs 32 bytes at a time, then eight.
        while (n - i >= 32) {
            uint64_t words[4];
            std::memcpy(words, s + i, 32);
            if (((words[0] | words[1] | words[2] | words[3]) & 0x8080808080808080ull) != 0) break;
            i += 32;
        }
        if (i == n) break;  // the text may end exactly after a run: nothing past it is read
        if (n - i >= 8) {
            uint64_t word;
            std::memcpy(&word, s + i, 8);
            if ((word & 0x8080808080808080ull) == 0) {
                i += 8;
                continue;
            }
        }
        unsigned char c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t length;
        unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            if (c == 0xE0) low = 0xA0;   // no overlong forms
            if (c == 0xED) high = 0x9F;  // no surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            if (c == 0xF0) low = 0x90;
            if (c == 0xF4) high = 0x8F;  // nothing past U+10FFFF
        } else {
            return i;
        }
        if (n - i < length) return i;
        if (s[i + 1] < low || s[i + 1] > high) return i;
        for (size_t k = 2; k < length; ++k)
            if ((s[i + k] & 0xC0) != 0x80) return i;
        i += length;
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
