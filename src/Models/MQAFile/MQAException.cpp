#include "MQAException.h"

MQAException::MQAException(std::string_view message, std::string_view unit, int line)
    : std::runtime_error(std::string(message).append(" (").append(unit).append(":").append(std::to_string(line)) + ")") {}

void MQARaise(std::string_view message, std::string_view unit, int line) {
    throw MQAException(message, unit, line);
}

std::optional<MQAPlace> placeOfError(const std::exception& error) {
    if (const auto* placed = dynamic_cast<const MQAPlacedError*>(&error)) return placed->place();
    return std::nullopt;
}

std::string describeAt(std::string_view file, const std::optional<MQAPlace>& place,
                       std::string_view text) {
    // Appended piece by piece: GCC 12 warns wrongly about ":" + std::to_string(...).
    std::string out(file);
    if (place && place->line > 0) {
        out.append(":").append(std::to_string(place->line));
        if (place->column > 0) out.append(":").append(std::to_string(place->column));
    }
    out.append(": ").append(text);
    return out;
}

std::string describeError(std::string_view file, const std::exception& error) {
    return describeAt(file, placeOfError(error), error.what());
}
