#pragma once

// Typed reads from the document tree for the scene passes. A value the scene needs but
// the line lacks ends the build with std::out_of_range whose text says where: the
// chunk, the line's position in its block and what is missing, so the user can fix the
// file. The place is described only when something is wrong.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "GLKMath.h"
#include "MQAAttribute.h"
#include "MQAException.h"

namespace scene {

// A line as the scene reads it: an attribute of the tree, or a line handed over while
// the document is read (see MQALineSink). Refers to the line's parameters.
struct SceneLine {
    std::optional<std::string_view> name;
    std::span<const MQAParam> params;
    uint64_t fileLine = 0;

    SceneLine(std::optional<std::string_view> n, std::span<const MQAParam> p, uint64_t line)
        : name(n), params(p), fileLine(line) {}
    SceneLine(const MQAAttribute& line)  // NOLINT: implicit, so attributes pass directly
        : name(line.name()), params(line.params().data(), line.params().size()), fileLine(line.sourceLine()) {}
    // The first parameter of that name, ignoring ASCII letter case.
    const MQAParam* paramForName(std::string_view wanted) const {
        for (const MQAParam& param : params)
            if (param.hasName(wanted)) return &param;
        return nullptr;
    }
};

// Describes a line's place, for example: Object "body", face line 12, and knows the
// line itself when it can, for the line of the file the error is on. Refers to a
// callable that outlives the call it is passed to (typically a lambda argument), so
// naming a place costs nothing until an error needs the text.
class Place {
public:
    template <typename F>
    Place(const F& describe, const SceneLine* line = nullptr)  // NOLINT: implicit
        : _describe(&describe),
          _call([](const void* f) { return (*static_cast<const F*>(f))(); }),
          _line(line) {}
    std::string operator()() const { return _call(_describe); }
    // The same place, on the given line.
    Place on(const SceneLine& line) const {
        Place place = *this;
        place._line = &line;
        return place;
    }
    const SceneLine* line() const { return _line; }

private:
    const void* _describe;
    std::string (*_call)(const void*);
    const SceneLine* _line;
};

// An error in what the document says, as opposed to how it is written: what() says
// what is wrong and where in the scene's terms; the place gives the file's line.
class SceneError : public std::out_of_range, public MQAPlacedError {
public:
    using std::out_of_range::out_of_range;
};

[[noreturn]] void fail(const Place& place, std::string_view what);
// The same for a line known only by its file line and a text standing for it.
[[noreturn]] void failAt(std::string_view describe, uint64_t fileLine, std::string excerpt,
                         std::string_view what);
// "NAME has no value K (it has N values)".
std::string missingValue(std::string_view name, uint64_t k, uint64_t count);

// Parameter k of a line.
const MQAParam& paramAt(const SceneLine& line, size_t k, const Place& place);
// Value k of a parameter, as a float, an integer or text; `name` names the parameter
// in the message ("parameter 2", "\"col\"").
float floatAt(const MQAParam& param, uint64_t k, std::string_view name, const Place& place);
int32_t intAt(const MQAParam& param, uint64_t k, std::string_view name, const Place& place);
std::string textAt(const MQAParam& param, uint64_t k, std::string_view name, const Place& place);

// Value 0 of parameter k, the common case.
float floatOfParam(const SceneLine& line, size_t k, const Place& place);
std::string textOfParam(const SceneLine& line, size_t k, const Place& place);

// A line of sixteen numbers: value 0 of parameter k is element k, column by column.
GLKMatrix4 matrixOfLine(const SceneLine& line, const Place& place);

// "Object \"body\"" and the like: a chunk and its name, quoted.
std::string quoted(std::string_view text);

}  // namespace scene
