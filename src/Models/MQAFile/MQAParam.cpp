#include "MQAParam.h"

#include <bit>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <variant>
#include <vector>

#include "MQAException.h"
#include "MQAMemory.h"
#include "MQANumber.h"
#include "MQAScan.h"
#include "MQATextStorage.h"

namespace {
constexpr std::string_view kUnit = "MQAParam";
constexpr int kInvalidTypeLine = 345;

uint32_t floatBits(float f) { return std::bit_cast<uint32_t>(f); }
float bitsFloat(uint32_t b) { return std::bit_cast<float>(b); }

// Values past the inline ones live in a slab block with room for this many: rounded up
// to the slab's 16-byte grain, and doubling past 16 so appending one value at a time
// stays linear. The count alone gives the block's size when it is freed.
size_t heapCapacity(size_t count) { return count <= 16 ? (count + 3) & ~size_t{3} : std::bit_ceil(count); }

uint32_t* allocateValues(size_t count) {
    return static_cast<uint32_t*>(mqa::slabAllocate(heapCapacity(count) * sizeof(uint32_t)));
}

void freeValues(uint32_t* values, size_t count) {
    mqa::slabDeallocate(values, heapCapacity(count) * sizeof(uint32_t));
}
}  // namespace

// The general representation: any name, any values.
struct MQAParam::Ext {
    using Value = std::variant<int32_t, float, double, std::string>;
    std::optional<std::string> name;
    MQAParamType type = MQAParamTypeNone;
    std::vector<Value> values;
};

MQAParam::MQAParam(const MQAParam& other) : _inline{0, 0, 0, 0} { *this = other; }

// Strong guarantee: the copy's storage is made first, so a failure to allocate leaves
// this parameter as it was.
MQAParam& MQAParam::operator=(const MQAParam& other) {
    if (this == &other) return *this;
    Ext* ext = nullptr;
    uint32_t* heap = nullptr;
    if (other.isExt()) {
        ext = new Ext(*other._ext);
    } else if (other._bits & kHeap) {
        heap = allocateValues(other._count);
        std::memcpy(heap, other._heap, sizeof(uint32_t) * other._count);
    }
    release();
    _count = other._count;
    _bits = other._bits;
    std::memcpy(_shortName, other._shortName, sizeof _shortName);
    if (ext)
        _ext = ext;
    else if (heap)
        _heap = heap;
    else
        std::memcpy(_inline, other._inline, sizeof _inline);
    return *this;
}

MQAParam& MQAParam::operator=(MQAParam&& other) noexcept {
    if (this == &other) return *this;
    release();
    std::memcpy(_inline, other._inline, sizeof _inline);
    _count = other._count;
    _bits = other._bits;
    std::memcpy(_shortName, other._shortName, sizeof _shortName);
    other._bits = 0;
    other._count = 0;
    return *this;
}

void MQAParam::release() {
    if (isExt())
        delete _ext;
    else if (_bits & kHeap)
        freeValues(_heap, _count);
    _bits = 0;
    _count = 0;
}

MQAParam MQAParam::paramWithStringValue(std::string_view value) {
    MQAParam param;
    param.appendString(value);
    return param;
}

MQAParam MQAParam::paramWithStringValues(std::initializer_list<std::string_view> values) {
    MQAParam param;
    for (std::string_view v : values) param.appendString(v);
    return param;
}

MQAParam MQAParam::paramWithIntValue(int32_t value) {
    MQAParam param;
    param.appendInt(value);
    return param;
}

MQAParam MQAParam::paramWithIntValues(std::span<const int32_t> values) {
    MQAParam param;
    param.setType(MQAParamTypeInt);
    if (values.size() > UINT32_MAX) throw std::length_error("Too many values for one parameter.");
    // Compact values hold an int's bits as unsigned, which may alias it.
    param.setCompact(reinterpret_cast<const uint32_t*>(values.data()), values.size(), MQAParamTypeInt);
    return param;
}

MQAParam MQAParam::paramWithFloatValue(float value) {
    MQAParam param;
    param.appendFloat(value);
    return param;
}

MQAParam MQAParam::paramWithFloatValues(std::span<const double> values) {
    MQAParam param;
    param.setType(MQAParamTypeFloat);
    for (double v : values) param.appendDouble(v);
    return param;
}

MQAParam::Ext& MQAParam::promote() {
    if (isExt()) return *_ext;
    auto ext = std::make_unique<Ext>();
    ext->type = static_cast<MQAParamType>(_bits & kTypeMask);
    if (_bits & kHasName) ext->name = std::string(*name());
    ext->values.reserve(_count);
    for (uint32_t i = 0; i < _count; ++i) {
        uint32_t bits = compactAt(i);
        if (ext->type == MQAParamTypeInt)
            ext->values.emplace_back(static_cast<int32_t>(bits));
        else
            ext->values.emplace_back(bitsFloat(bits));
    }
    release();
    _ext = ext.release();
    _bits = kExt;
    return *_ext;
}

void MQAParam::setType(MQAParamType type) {
    if (isExt())
        _ext->type = type;
    else
        _bits = static_cast<uint8_t>((_bits & ~kTypeMask) | type);
}

uint32_t MQAParam::compactAt(uint64_t index) const { return compactValues()[index]; }

void MQAParam::appendCompact(uint32_t bits, MQAParamType type) {
    setType(type);
    if (_count < kInlineValues && !(_bits & kHeap)) {
        _inline[_count++] = bits;
        return;
    }
    if ((_bits & kHeap) && heapCapacity(_count + 1) == heapCapacity(_count)) {
        _heap[_count++] = bits;
        return;
    }
    uint32_t* values = allocateValues(_count + 1);
    std::memcpy(values, compactValues(), sizeof(uint32_t) * _count);
    if (_bits & kHeap) freeValues(_heap, _count);
    values[_count++] = bits;
    _heap = values;
    _bits |= kHeap;
}

void MQAParam::setCompactSlow(const uint32_t* values, size_t n, MQAParamType type) {
    if (isExt()) {
        for (size_t i = 0; i < n; ++i) {
            if (type == MQAParamTypeInt)
                appendInt(static_cast<int32_t>(values[i]));
            else
                appendFloat(bitsFloat(values[i]));
        }
        return;
    }
    uint32_t* heap = allocateValues(n);
    std::memcpy(heap, values, sizeof(uint32_t) * n);
    _heap = heap;
    _count = static_cast<uint32_t>(n);
    _bits = static_cast<uint8_t>((_bits & ~kTypeMask) | kHeap | type);
}

void MQAParam::appendInt(int32_t value) {
    if (isExt()) {
        _ext->type = MQAParamTypeInt;
        _ext->values.emplace_back(value);
    } else {
        appendCompact(static_cast<uint32_t>(value), MQAParamTypeInt);
    }
}

void MQAParam::appendFloat(float value) {
    if (isExt()) {
        _ext->type = MQAParamTypeFloat;
        _ext->values.emplace_back(value);
    } else {
        appendCompact(floatBits(value), MQAParamTypeFloat);
    }
}

void MQAParam::appendDouble(double value) {
    Ext& ext = promote();
    ext.type = MQAParamTypeFloat;
    ext.values.emplace_back(value);
}

void MQAParam::appendString(std::string_view value) {
    Ext& ext = promote();
    ext.type = MQAParamTypeString;
    ext.values.emplace_back(std::string(value));
}

uint64_t MQAParam::extCount() const { return _ext->values.size(); }

int64_t MQAParam::type() const {
    return isExt() ? static_cast<int64_t>(_ext->type) : static_cast<int64_t>(_bits & kTypeMask);
}

std::optional<std::string_view> MQAParam::name() const {
    if (isExt()) {
        if (!_ext->name) return std::nullopt;
        return std::string_view(*_ext->name);
    }
    if (!(_bits & kHasName)) return std::nullopt;
    return std::string_view(_shortName, (_bits >> kNameLenShift) & 0x03);
}

void MQAParam::setNameSlow(std::optional<std::string_view> name) {
    if (isExt()) {
        _ext->name = name ? std::optional<std::string>(std::string(*name)) : std::nullopt;
        return;
    }
    _bits &= static_cast<uint8_t>(~(kHasName | (0x03 << kNameLenShift)));
    if (!name) return;
    if (name->size() > sizeof _shortName) {
        promote().name = std::string(*name);
        return;
    }
    std::memcpy(_shortName, name->data(), name->size());
    _bits |= static_cast<uint8_t>(kHasName | (name->size() << kNameLenShift));
}

bool MQAParam::hasNameSlow(std::string_view wanted) const {
    auto own = name();
    return own && mqa::equalsIgnoringCase(*own, wanted);
}

void MQAParam::checkIndex(uint64_t index) const {
    if (index >= count())
        throw std::out_of_range("parameter value index " + std::to_string(index) +
                                " is out of range (" + std::to_string(count()) + " values)");
}

bool MQAParam::isDoubleAtIndex(uint64_t index) const {
    checkIndex(index);
    return isExt() && std::holds_alternative<double>(_ext->values[index]);
}

std::string MQAParam::stringValueAtIndex(uint64_t index) const {
    checkIndex(index);
    if (isExt()) {
        const Ext::Value& v = _ext->values[index];
        if (auto* s = std::get_if<std::string>(&v)) return *s;
    }
    // Numbers give their written form.
    std::string out;
    if (type() == MQAParamTypeInt) {
        mqa::appendInt(out, intValueAtIndex(index));
    } else if (isDoubleAtIndex(index)) {
        mqa::appendFloat(out, std::get<double>(_ext->values[index]), 16);
    } else {
        mqa::appendFloat(out, floatValueAtIndex(index), 7);
    }
    return out;
}

int32_t MQAParam::intValueSlow(uint64_t index) const {
    checkIndex(index);
    if (!isExt()) {
        uint32_t bits = compactAt(index);
        if ((_bits & kTypeMask) == MQAParamTypeInt) return static_cast<int32_t>(bits);
        return mqa::truncateToInt(bitsFloat(bits));
    }
    return std::visit(
        [](const auto& v) -> int32_t {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, int32_t>)
                return v;
            else if constexpr (std::is_same_v<T, std::string>)
                return mqa::leadingInt(v);
            else
                return mqa::truncateToInt(v);
        },
        _ext->values[index]);
}

float MQAParam::floatValueSlow(uint64_t index) const {
    checkIndex(index);
    if (!isExt()) {
        uint32_t bits = compactAt(index);
        if ((_bits & kTypeMask) == MQAParamTypeInt)
            return static_cast<float>(static_cast<int32_t>(bits));
        return bitsFloat(bits);
    }
    return std::visit(
        [](const auto& v) -> float {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::string>)
                return mqa::leadingFloat(v);
            else if constexpr (std::is_same_v<T, double>)
                return mqa::narrowToFloat(v);
            else
                return static_cast<float>(v);
        },
        _ext->values[index]);
}

void MQAParam::encode(MQATextStorage& storage) const { encodeTo(storage.text()); }

void MQAParam::encodeTo(std::string& out) const {
    auto ownName = name();
    uint64_t n = count();
    bool parenthesised = ownName || n >= 2;
    if (ownName) out.append(*ownName);
    if (parenthesised) out.push_back('(');
    int64_t kind = type();
    for (uint64_t i = 0; i < n; ++i) {
        if (i > 0) out.push_back(' ');
        switch (kind) {
            case MQAParamTypeInt:
                mqa::appendInt(out, intValueAtIndex(i));
                break;
            case MQAParamTypeFloat:
                if (isDoubleAtIndex(i))
                    mqa::appendFloat(out, std::get<double>(_ext->values[i]), 16);
                else
                    mqa::appendFloat(out, floatValueAtIndex(i), 7);
                break;
            case MQAParamTypeString: {
                // A string reads as its opening quote, one character of any kind but a line
                // break, then everything up to the next quote on the line. So a quote can
                // only come first; anything else would read back as something else.
                const std::string& value = std::get<std::string>(_ext->values[i]);
                if (value.empty() || value.find_first_of("\r\n") != std::string::npos ||
                    value.find('"', 1) != std::string::npos)
                    throw std::invalid_argument(
                        "A string value that is empty, holds a line break or holds a double "
                        "quote after its first character cannot be written as document text.");
                out.push_back('"');
                out.append(value);
                out.push_back('"');
                break;
            }
            default:
                MQARaise("Invalid Type.", kUnit, kInvalidTypeLine);
        }
    }
    if (parenthesised) out.push_back(')');
}
