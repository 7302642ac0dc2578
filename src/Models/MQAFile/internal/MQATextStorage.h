#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The not yet consumed part of a cursor's text, in UTF-8 bytes.
struct MQARange {
    uint64_t location = 0;
    uint64_t length = 0;
    bool operator==(const MQARange&) const = default;
};

// Text cursor: decoders read tokens at `range.location`, encoders append to `text`.
// While decoding, the range always reaches to the end of the text.
class MQATextStorage {
public:
    MQATextStorage();  // empty output buffer with room for 4096 bytes
    explicit MQATextStorage(std::string_view text);
    explicit MQATextStorage(std::string&& text);  // takes the text without copying

    const std::string& text() const { return _text; }
    std::string& text() { return _text; }
    void setText(std::string text) { _text = std::move(text); }

    MQARange range() const { return _range; }
    void setRange(MQARange range) { _range = range; }

    // Consumes n bytes. Callers pass only the length of a match at the cursor.
    void incrementLocation(uint64_t n) {
        _range.location += n;
        _range.length -= n;
    }

    // Cursor position and end, for the scanners.
    const char* cursor() const { return _text.data() + _range.location; }
    const char* end() const { return _text.data() + _range.location + _range.length; }
    // Consumes everything up to `p`, a position between cursor() and end().
    void advanceTo(const char* p) { incrementLocation(static_cast<uint64_t>(p - cursor())); }

private:
    std::string _text;
    MQARange _range;
};
