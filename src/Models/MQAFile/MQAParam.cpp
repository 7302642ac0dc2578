#include "MQAParam.h"

#include <bit>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>
#include <vector>

#include "MQAException.h"
#include "MQANumber.h"
#include "MQAScan.h"

namespace {
constexpr std::string_view kUnit = "MQAParam";
constexpr int kInvalidTypeLine = 345;
}  // namespace

// The common case compactly: up to four 32-bit numbers and a name of up to three
// characters inline, more numbers in one array of exactly their count. Strings, longer
// names and 64-bit floats go to the general form, `ext`.
struct MQAParam::Representation {
    struct Ext {
        std::optional<std::string> name;
        MQAParamType type = MQAParamTypeNone;
        bool doubles = false;         // floats held as 64-bit values
        std::vector<double> numbers;  // every int and float exactly, as a double
        std::vector<std::string> strings;
        uint64_t count() const { return type == MQAParamTypeString ? strings.size() : numbers.size(); }
    };
    enum : uint8_t {
        kTypeMask = 0x03,
        kHeap = 0x04,  // numbers in `heap`
        kExt = 0x08,   // everything in `ext`
        kHasName = 0x10,
        kNameLengthShift = 5,  // 0 to 3 inline name bytes
    };
    static constexpr uint32_t kInlineValues = 4;

    union {
        uint32_t inlineValues[kInlineValues];
        uint32_t* heap;
        Ext* ext;
    };
    uint32_t count = 0;
    uint8_t bits = 0;
    char shortName[3] = {};

    Representation() : inlineValues{0, 0, 0, 0} {}
    bool isExt() const { return bits & kExt; }
    const uint32_t* numbers() const { return (bits & kHeap) ? heap : inlineValues; }
    MQAParamType compactType() const { return static_cast<MQAParamType>(bits & kTypeMask); }
    // A compact number as a double, exactly.
    double numberAt(uint64_t i) const {
        uint32_t value = numbers()[i];
        return compactType() == MQAParamTypeInt ? static_cast<double>(static_cast<int32_t>(value))
                                                : static_cast<double>(std::bit_cast<float>(value));
    }

    void release() {
        if (isExt())
            delete ext;
        else if (bits & kHeap)
            delete[] heap;
        bits = 0;
        count = 0;
    }
    // Numbers of one type into a parameter that holds no values yet (and no Ext).
    void setNumbers(const uint32_t* values, size_t n, MQAParamType type) {
        if (n > kInlineValues) {
            heap = new uint32_t[n];
            std::memcpy(heap, values, n * sizeof(uint32_t));
            bits |= kHeap;
        } else if (n > 0) {
            std::memcpy(inlineValues, values, n * sizeof(uint32_t));
        }
        count = static_cast<uint32_t>(n);
        bits = static_cast<uint8_t>((bits & ~kTypeMask) | type);
    }
    // Moves everything to the general form.
    Ext& promote() {
        if (isExt()) return *ext;
        auto general = std::make_unique<Ext>();
        general->type = compactType();
        if (bits & kHasName) general->name = std::string(shortName, (bits >> kNameLengthShift) & 0x03);
        for (uint32_t i = 0; i < count; ++i) general->numbers.push_back(numberAt(i));
        release();
        ext = general.release();
        bits = kExt;
        return *ext;
    }
};

MQAParam::Representation& MQAParam::own() {
    static_assert(sizeof(Representation) == sizeof _storage && alignof(Representation) <= 8);
    return *std::launder(reinterpret_cast<Representation*>(_storage));
}
const MQAParam::Representation& MQAParam::own() const {
    return *std::launder(reinterpret_cast<const Representation*>(_storage));
}

MQAParam::MQAParam() { new (_storage) Representation(); }

MQAParam::MQAParam(const MQAParam& other) : MQAParam() { *this = other; }

MQAParam::MQAParam(MQAParam&& other) noexcept {
    std::memcpy(_storage, other._storage, sizeof _storage);
    new (other._storage) Representation();
}

MQAParam::~MQAParam() { own().release(); }

// Strong guarantee: the copy's storage is made first, so a failure to allocate leaves
// this parameter as it was.
MQAParam& MQAParam::operator=(const MQAParam& other) {
    if (this == &other) return *this;
    const Representation& from = other.own();
    Representation copy;
    std::memcpy(&copy, &from, sizeof copy);
    if (from.isExt()) {
        copy.ext = new Representation::Ext(*from.ext);
    } else if (from.bits & Representation::kHeap) {
        copy.heap = new uint32_t[from.count];
        std::memcpy(copy.heap, from.heap, from.count * sizeof(uint32_t));
    }
    own().release();
    std::memcpy(_storage, &copy, sizeof _storage);
    return *this;
}

MQAParam& MQAParam::operator=(MQAParam&& other) noexcept {
    if (this == &other) return *this;
    own().release();
    std::memcpy(_storage, other._storage, sizeof _storage);
    new (other._storage) Representation();
    return *this;
}

MQAParam MQAParam::paramWithStringValue(std::string_view value) { return paramWithStringValues({value}); }

MQAParam MQAParam::paramWithStringValues(std::initializer_list<std::string_view> values) {
    return paramWithStringValues(std::span<const std::string_view>(values.begin(), values.size()));
}

MQAParam MQAParam::paramWithStringValues(std::span<const std::string_view> values) {
    MQAParam param;
    Representation::Ext& ext = param.own().promote();
    ext.type = MQAParamTypeString;
    ext.strings.assign(values.begin(), values.end());
    return param;
}

MQAParam MQAParam::paramWithIntValue(int32_t value) { return paramWithIntValues(std::span<const int32_t>(&value, 1)); }

MQAParam MQAParam::paramWithIntValues(std::span<const int32_t> values) {
    // The numbers hold an int's bits as unsigned, which may alias it.
    return withNumbers(reinterpret_cast<const uint32_t*>(values.data()), values.size(), MQAParamTypeInt);
}

MQAParam MQAParam::paramWithFloatValue(float value) { return paramWithFloatValues(std::span<const float>(&value, 1)); }

MQAParam MQAParam::paramWithFloatValues(std::span<const float> values) {
    return withNumbers(reinterpret_cast<const uint32_t*>(values.data()), values.size(), MQAParamTypeFloat);
}

MQAParam MQAParam::withNumbers(const uint32_t* bits, size_t count, MQAParamType type) {
    if (count > UINT32_MAX) throw std::length_error("Too many values for one parameter.");
    MQAParam param;
    param.own().setNumbers(bits, count, type);
    return param;
}

MQAParam MQAParam::paramWithFloatValues(std::span<const double> values) {
    MQAParam param;
    Representation::Ext& ext = param.own().promote();
    ext.type = MQAParamTypeFloat;
    ext.doubles = true;
    ext.numbers.assign(values.begin(), values.end());
    return param;
}

uint64_t MQAParam::count() const { return own().isExt() ? own().ext->count() : own().count; }

int64_t MQAParam::type() const { return own().isExt() ? own().ext->type : own().compactType(); }

std::optional<std::string_view> MQAParam::name() const {
    const Representation& r = own();
    if (r.isExt()) {
        if (!r.ext->name) return std::nullopt;
        return std::string_view(*r.ext->name);
    }
    if (!(r.bits & Representation::kHasName)) return std::nullopt;
    return std::string_view(r.shortName, (r.bits >> Representation::kNameLengthShift) & 0x03);
}

void MQAParam::setName(std::optional<std::string_view> name) {
    Representation& r = own();
    if (r.isExt() || (name && name->size() > sizeof r.shortName)) {
        r.promote().name = name ? std::optional<std::string>(std::string(*name)) : std::nullopt;
        return;
    }
    r.bits &= static_cast<uint8_t>(~(Representation::kHasName | (0x03 << Representation::kNameLengthShift)));
    if (!name) return;
    std::memcpy(r.shortName, name->data(), name->size());
    r.bits |= static_cast<uint8_t>(Representation::kHasName | (name->size() << Representation::kNameLengthShift));
}

bool MQAParam::hasName(std::string_view wanted) const {
    std::optional<std::string_view> own = name();
    return own && mqa::equalsIgnoringCase(*own, wanted);
}

namespace {

void checkIndex(uint64_t index, uint64_t count) {
    if (index >= count)
        throw std::out_of_range("parameter value index " + std::to_string(index) + " is out of range (" +
                                std::to_string(count) + " values)");
}

}  // namespace

bool MQAParam::isDoubleAtIndex(uint64_t index) const {
    checkIndex(index, count());
    return own().isExt() && own().ext->doubles;
}

// Every number reads from its exact value as a double: an int's, a 32-bit float's, or
// a 64-bit float's. Texts give their leading number.
int32_t MQAParam::intValueAtIndex(uint64_t index) const {
    checkIndex(index, count());
    const Representation& r = own();
    if (r.isExt() && r.ext->type == MQAParamTypeString) return mqa::leadingInt(r.ext->strings[index]);
    double value = r.isExt() ? r.ext->numbers[index] : r.numberAt(index);
    return type() == MQAParamTypeInt ? static_cast<int32_t>(value) : mqa::truncateToInt(value);
}

float MQAParam::floatValueAtIndex(uint64_t index) const {
    checkIndex(index, count());
    const Representation& r = own();
    if (r.isExt() && r.ext->type == MQAParamTypeString) return mqa::leadingFloat(r.ext->strings[index]);
    double value = r.isExt() ? r.ext->numbers[index] : r.numberAt(index);
    if (type() == MQAParamTypeInt) return static_cast<float>(static_cast<int32_t>(value));
    return isDoubleAtIndex(index) ? mqa::narrowToFloat(value) : static_cast<float>(value);
}

std::string MQAParam::stringValueAtIndex(uint64_t index) const {
    checkIndex(index, count());
    if (type() == MQAParamTypeString) return own().ext->strings[index];
    std::string out;  // numbers give their written form
    appendValue(out, index);
    return out;
}

void MQAParam::appendValue(std::string& out, uint64_t i) const {
    switch (type()) {
        case MQAParamTypeInt: mqa::appendInt(out, intValueAtIndex(i)); break;
        case MQAParamTypeFloat:
            if (isDoubleAtIndex(i))
                mqa::appendFloat(out, own().ext->numbers[i], 16);
            else
                mqa::appendFloat(out, floatValueAtIndex(i), 7);
            break;
        case MQAParamTypeString: {
            // A string reads as its opening quote, one character of any kind but a line
            // break, then everything up to the next quote on the line. So a quote can
            // only come first; anything else would read back as something else.
            const std::string& value = own().ext->strings[i];
            if (value.empty() || value.find_first_of("\r\n") != std::string::npos ||
                value.find('"', 1) != std::string::npos)
                throw std::invalid_argument(
                    "A string value that is empty, holds a line break or holds a double "
                    "quote after its first character cannot be written as document text.");
            out.append(1, '"').append(value).append(1, '"');
            break;
        }
        default: MQARaise("Invalid Type.", kUnit, kInvalidTypeLine);
    }
}

void MQAParam::appendText(std::string& out) const {
    std::optional<std::string_view> ownName = name();
    uint64_t n = count();
    bool parenthesised = ownName || n >= 2;
    if (ownName) out.append(*ownName);
    if (parenthesised) out.push_back('(');
    for (uint64_t i = 0; i < n; ++i) {
        if (i > 0) out.push_back(' ');
        appendValue(out, i);
    }
    if (parenthesised) out.push_back(')');
}
