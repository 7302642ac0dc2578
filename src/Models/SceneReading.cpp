#include "SceneReading.h"

#include <stdexcept>

namespace scene {

namespace {

// A line's head as text (its name and parameters, not its block), shortened.
std::string excerptOf(const SceneLine& line) {
    std::string text(line.name.value_or(""));
    for (const MQAParam& param : line.params) {
        if (!text.empty()) text += ' ';
        try {
            param.encodeTo(text);
        } catch (const std::exception&) {
            text += "…";
        }
        if (text.size() > 120) return text.substr(0, 117) + "...";
    }
    return text;
}

}  // namespace

void fail(const Place& place, std::string_view what) {
    SceneError error(place() + ": " + std::string(what));
    if (const SceneLine* line = place.line(); line && line->fileLine > 0)
        error.setPlace(MQAPlace{line->fileLine, 0, std::nullopt, excerptOf(*line)});
    throw error;
}

void failAt(std::string_view describe, uint64_t fileLine, std::string excerpt, std::string_view what) {
    SceneError error(std::string(describe) + ": " + std::string(what));
    if (fileLine > 0) error.setPlace(MQAPlace{fileLine, 0, std::nullopt, std::move(excerpt)});
    throw error;
}

std::string missingValue(std::string_view name, uint64_t k, uint64_t count) {
    return std::string(name) + " has no value " + std::to_string(k) + " (it has " + std::to_string(count) +
           " values)";
}

std::string quoted(std::string_view text) {
    std::string result;
    result.reserve(text.size() + 2);
    result.append(1, '"').append(text).append(1, '"');
    return result;
}

const MQAParam& paramAt(const SceneLine& line, size_t k, const Place& place) {
    std::span<const MQAParam> params = line.params;
    if (k >= params.size())
        fail(place.on(line), "parameter " + std::to_string(k) + " is missing (the line has " +
                        std::to_string(params.size()) + " parameters)");
    return params[k];
}

namespace {
void checkValue(const MQAParam& param, uint64_t k, std::string_view name, const Place& place) {
    if (k >= param.count()) fail(place, missingValue(name, k, param.count()));
}
}  // namespace

float floatAt(const MQAParam& param, uint64_t k, std::string_view name, const Place& place) {
    checkValue(param, k, name, place);
    return param.floatValueAtIndex(k);
}

int32_t intAt(const MQAParam& param, uint64_t k, std::string_view name, const Place& place) {
    checkValue(param, k, name, place);
    return param.intValueAtIndex(k);
}

std::string textAt(const MQAParam& param, uint64_t k, std::string_view name, const Place& place) {
    checkValue(param, k, name, place);
    return param.stringValueAtIndex(k);
}

namespace {
// Value 0 of parameter k; the parameter is named in the text only when it has no value.
const MQAParam& paramWithValue(const SceneLine& line, size_t k, const Place& place) {
    const MQAParam& param = paramAt(line, k, place);
    if (param.count() == 0) checkValue(param, 0, "parameter " + std::to_string(k), place.on(line));
    return param;
}
}  // namespace

float floatOfParam(const SceneLine& line, size_t k, const Place& place) {
    return paramWithValue(line, k, place).floatValueAtIndex(0);
}

std::string textOfParam(const SceneLine& line, size_t k, const Place& place) {
    return paramWithValue(line, k, place).stringValueAtIndex(0);
}

GLKMatrix4 matrixOfLine(const SceneLine& line, const Place& place) {
    std::span<const MQAParam> params = line.params;
    if (params.size() < 16)
        fail(place.on(line), "a matrix needs 16 numbers, the line has " + std::to_string(params.size()) +
                        " parameters");
    GLKMatrix4 matrix;
    for (size_t k = 0; k < 16; ++k) matrix.m[k] = floatOfParam(line, k, place);
    return matrix;
}

}  // namespace scene
