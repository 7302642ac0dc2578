#pragma once

#include <stdexcept>
#include <string_view>

// The one error type of the document text format. `what()` is the reason text a
// user sees: "<message> (<unit>:<line>)", where unit and line are fixed per raise
// site so that messages stay stable.
class MQAException : public std::runtime_error {
public:
    MQAException(std::string_view message, std::string_view unit, int line);
};

[[noreturn]] void MQARaise(std::string_view message, std::string_view unit, int line);
