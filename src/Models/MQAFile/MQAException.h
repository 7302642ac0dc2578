#pragma once

#include <cstdint>
#include <exception>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

// Where in a file a reading error or warning is, counted in the file as the user has it
// (before comment and blank lines are taken out): a 1-based line (lines end at LF, so
// a CR LF ends one line) and a 1-based column in characters, 0 when the whole line is
// meant. For bytes that are not text, their offset in the file too. `excerpt` is the
// line in question, shortened, when it is known.
struct MQAPlace {
    uint64_t line = 0;
    uint64_t column = 0;
    std::optional<uint64_t> byteOffset;
    std::string excerpt;
    bool operator==(const MQAPlace&) const = default;
};

// Content that reading drops without an error, and where it is (line 0: no one line).
struct MQAWarning {
    uint64_t line = 0;
    std::string message;
    bool operator==(const MQAWarning&) const = default;
};

// Part of every reading error that can say where it is. `what()` stays the reason
// text alone; the place is kept apart.
class MQAPlacedError {
public:
    const std::optional<MQAPlace>& place() const { return _place; }
    void setPlace(MQAPlace place) { _place = std::move(place); }

protected:
    MQAPlacedError() = default;
    ~MQAPlacedError() = default;

private:
    std::optional<MQAPlace> _place;
};

// Bytes that are not the text they should be, with their place (and byte offset).
class MQAInvalidText : public std::runtime_error, public MQAPlacedError {
public:
    using std::runtime_error::runtime_error;
};

// The place of any error, when it has one.
std::optional<MQAPlace> placeOfError(const std::exception& error);

// The one error type of the document text format. `what()` is the reason text a
// user sees: "<message> (<unit>:<line>)", where unit and line are fixed per raise
// site so that messages stay stable.
class MQAException : public std::runtime_error, public MQAPlacedError {
public:
    MQAException(std::string_view message, std::string_view unit, int line);
};

[[noreturn]] void MQARaise(std::string_view message, std::string_view unit, int line);

// "FILE:LINE:COLUMN: REASON" (the usual form of compilers), "FILE:LINE: REASON" when
// the whole line is meant, "FILE: REASON" without a place.
std::string describeError(std::string_view file, const std::exception& error);
std::string describeAt(std::string_view file, const std::optional<MQAPlace>& place,
                       std::string_view text);
