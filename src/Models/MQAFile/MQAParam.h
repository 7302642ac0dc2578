#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class MQATextStorage;

enum MQAParamType : int64_t {
    MQAParamTypeNone = 0,
    MQAParamTypeString = 1,
    MQAParamTypeInt = 2,
    MQAParamTypeFloat = 3,
};

// One parameter of an attribute line: a value, a list of values, or a named list.
// All values have the kind `type` names; floats are held as 32-bit values (read from
// text or given singly) or 64-bit values (given as a list).
//
// Documents hold millions of small numeric parameters, so the common case is kept in
// 24 bytes: a name of up to three characters and up to four 32-bit values inline, more
// values in one exact-size heap array. Strings, longer names and 64-bit floats live in a
// separate, general representation.
class MQAParam {
public:
    MQAParam() : _inline{0, 0, 0, 0} {}
    MQAParam(const MQAParam& other);
    MQAParam(MQAParam&& other) noexcept : _count(other._count), _bits(other._bits) {
        // The union's bytes, whichever of its members is in use: reading an inactive
        // member by name would be undefined.
        std::memcpy(&_inline, &other._inline, sizeof _inline);
        std::memcpy(_shortName, other._shortName, sizeof _shortName);
        other._bits = 0;
        other._count = 0;
    }
    MQAParam& operator=(const MQAParam& other);
    MQAParam& operator=(MQAParam&& other) noexcept;
    ~MQAParam() {
        if (_bits & (kHeap | kExt)) release();
    }

    static MQAParam paramWithStringValue(std::string_view value);
    static MQAParam paramWithStringValues(std::initializer_list<std::string_view> values);
    static MQAParam paramWithIntValue(int32_t value);
    static MQAParam paramWithIntValues(std::span<const int32_t> values);
    static MQAParam paramWithFloatValue(float value);
    static MQAParam paramWithFloatValues(std::span<const double> values);

    // Reads a parameter at the cursor; none when no parameter starts there.
    static std::optional<MQAParam> initDecode(MQATextStorage& storage);
    // Reads one value at the cursor and appends it; false (nothing consumed) when none.
    bool addValueFromStorage(MQATextStorage& storage);
    void encode(MQATextStorage& storage) const;
    void encodeTo(std::string& out) const;

    uint64_t count() const { return isExt() ? extCount() : _count; }
    // Index reads; an index at or past `count` throws std::out_of_range. Numbers held
    // compactly are read inline: documents have millions of them.
    std::string stringValueAtIndex(uint64_t index) const;
    int32_t intValueAtIndex(uint64_t index) const {
        if (isExt() || index >= _count) return intValueSlow(index);
        uint32_t bits = compactValues()[index];
        if ((_bits & kTypeMask) == MQAParamTypeInt) return static_cast<int32_t>(bits);
        return intValueSlow(index);  // a float, truncated with saturation
    }
    float floatValueAtIndex(uint64_t index) const {
        if (isExt() || index >= _count) return floatValueSlow(index);
        uint32_t bits = compactValues()[index];
        if ((_bits & kTypeMask) == MQAParamTypeInt)
            return static_cast<float>(static_cast<int32_t>(bits));
        return std::bit_cast<float>(bits);
    }

    std::optional<std::string_view> name() const;
    void setName(std::optional<std::string_view> name) {
        if (name && name->size() <= sizeof _shortName && !isExt()) {
            for (size_t i = 0; i < name->size(); ++i) _shortName[i] = (*name)[i];
            _bits = static_cast<uint8_t>((_bits & ~(0x03 << kNameLenShift)) | kHasName |
                                         (name->size() << kNameLenShift));
        } else {
            setNameSlow(name);
        }
    }
    // Whether the parameter's name is `name`, ignoring ASCII letter case.
    bool hasName(std::string_view name) const {
        if (isExt()) return hasNameSlow(name);
        if (!(_bits & kHasName) || ((_bits >> kNameLenShift) & 0x03) != name.size()) return false;
        for (size_t i = 0; i < name.size(); ++i)
            if ((_shortName[i] | 0x20) != (name[i] | 0x20) || !isLetterOrMatches(_shortName[i], name[i]))
                return false;
        return true;
    }
    int64_t type() const;
    // True for a 64-bit-held float value.
    bool isDoubleAtIndex(uint64_t index) const;

private:
    // Folding with | 0x20 is only right for letters; other characters must match exactly.
    static bool isLetterOrMatches(char a, char b) {
        char lower = static_cast<char>(a | 0x20);
        return a == b || (lower >= 'a' && lower <= 'z');
    }
    uint64_t extCount() const;
    int32_t intValueSlow(uint64_t index) const;
    float floatValueSlow(uint64_t index) const;
    bool hasNameSlow(std::string_view name) const;

    // Appends values of a kind; the first value fixes the type.
    void appendInt(int32_t value);
    void appendFloat(float value);
    void appendDouble(double value);
    void appendString(std::string_view value);
    // Reads a parameter at p, advancing p past it; none (p unchanged) when none starts there.
    static std::optional<MQAParam> decodeAt(const char*& p, const char* end);
    // The same, building the parameter at the end of `into`; false (nothing added, p
    // unchanged) when no parameter starts at p.
    static bool decodeInto(const char*& p, const char* end, std::vector<MQAParam>& into);
    // Reads the parameter at q (a name, if any, already set) into *this.
    bool decodeHere(const char*& p, const char* end);
    struct Ext;
    enum : uint8_t {
        kTypeMask = 0x03,
        kHeap = 0x04,       // compact values in _heap
        kExt = 0x08,        // everything in _ext
        kHasName = 0x10,
        kNameLenShift = 5,  // 0..3 inline name bytes
    };
    static constexpr uint32_t kInlineValues = 4;

    bool isExt() const { return _bits & kExt; }
    const uint32_t* compactValues() const { return (_bits & kHeap) ? _heap : _inline; }
    uint32_t compactAt(uint64_t index) const;
    void appendCompact(uint32_t bits, MQAParamType type);
    // Stores n numbers of a type (Int or Float) in a parameter that holds no values yet.
    void setCompact(const uint32_t* values, size_t n, MQAParamType type) {
        if (n <= kInlineValues && !isExt()) {
            for (size_t i = 0; i < n; ++i) _inline[i] = values[i];
            _count = static_cast<uint32_t>(n);
            _bits = static_cast<uint8_t>((_bits & ~kTypeMask) | type);
        } else {
            setCompactSlow(values, n, type);
        }
    }
    void setNameSlow(std::optional<std::string_view> name);
    void setCompactSlow(const uint32_t* values, size_t n, MQAParamType type);
    Ext& promote();
    void release();
    void checkIndex(uint64_t index) const;
    void setType(MQAParamType type);

    union {
        uint32_t _inline[kInlineValues];
        uint32_t* _heap;
        Ext* _ext;
    };
    uint32_t _count = 0;
    uint8_t _bits = 0;
    char _shortName[3] = {};

    friend class MQATreeReader;
};
