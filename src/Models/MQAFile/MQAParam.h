#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>

enum MQAParamType : int64_t {
    MQAParamTypeNone = 0,
    MQAParamTypeString = 1,
    MQAParamTypeInt = 2,
    MQAParamTypeFloat = 3,
};

// One parameter of an attribute line: a value, a list of values, or a named list.
// All values have the kind `type` names; floats are held as 32-bit values (read from
// text, or given singly or as floats) or 64-bit values (given as doubles). Documents
// hold millions of small numeric parameters, so a parameter takes 24 bytes.
class MQAParam {
public:
    MQAParam();
    MQAParam(const MQAParam& other);
    MQAParam(MQAParam&& other) noexcept;
    MQAParam& operator=(const MQAParam& other);
    MQAParam& operator=(MQAParam&& other) noexcept;
    ~MQAParam();

    static MQAParam paramWithStringValue(std::string_view value);
    static MQAParam paramWithStringValues(std::initializer_list<std::string_view> values);
    static MQAParam paramWithStringValues(std::span<const std::string_view> values);
    static MQAParam paramWithIntValue(int32_t value);
    static MQAParam paramWithIntValues(std::span<const int32_t> values);
    static MQAParam paramWithFloatValue(float value);
    static MQAParam paramWithFloatValues(std::span<const double> values);  // held as 64-bit
    static MQAParam paramWithFloatValues(std::span<const float> values);   // held as 32-bit

    uint64_t count() const;
    // Index reads; an index at or past `count` throws std::out_of_range. Numbers give
    // their written form as text; texts give their leading number.
    std::string stringValueAtIndex(uint64_t index) const;
    int32_t intValueAtIndex(uint64_t index) const;
    float floatValueAtIndex(uint64_t index) const;

    std::optional<std::string_view> name() const;
    void setName(std::optional<std::string_view> name);
    // Whether the parameter's name is `name`, ignoring ASCII letter case.
    bool hasName(std::string_view name) const;
    int64_t type() const;
    // True for a 64-bit-held float value.
    bool isDoubleAtIndex(uint64_t index) const;

    // Appends the parameter's document text: its name, then its values, in parentheses
    // for a name or two or more values. Throws std::invalid_argument for a string that
    // would not read back, and "Invalid Type." for values of no kind.
    void appendText(std::string& out) const;

private:
    // A parameter of `count` numbers of `type`, as their 32-bit patterns.
    static MQAParam withNumbers(const uint32_t* bits, size_t count, MQAParamType type);
    // Appends value i's text.
    void appendValue(std::string& out, uint64_t i) const;
    struct Representation;
    Representation& own();
    const Representation& own() const;
    alignas(8) unsigned char _storage[24];
};
