#include "MQAException.h"

#include <string>

namespace {
std::string reasonText(std::string_view message, std::string_view unit, int line) {
    std::string text;
    text.reserve(message.size() + unit.size() + 16);
    text.append(message).append(" (").append(unit).append(":").append(std::to_string(line));
    text.append(")");
    return text;
}
}  // namespace

MQAException::MQAException(std::string_view message, std::string_view unit, int line)
    : std::runtime_error(reasonText(message, unit, line)) {}

void MQARaise(std::string_view message, std::string_view unit, int line) {
    throw MQAException(message, unit, line);
}
