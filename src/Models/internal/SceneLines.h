#pragma once

// What the scene makes of each kind of line it reads, and the errors a line can cause.
// A value the scene needs but the line lacks ends the build with a SceneError whose
// text says where (the chunk, the line's position in its block) and what is missing;
// its place is the line in the file. The description of where is made only when
// something is wrong.

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "GLKMath.h"
#include "MQAException.h"
#include "MQAReader.h"
#include "ZeltoMaterial.h"
#include "ZeltoVertex.h"

namespace scene {

// An error in what the document says, as opposed to how it is written.
class SceneError : public std::out_of_range, public MQAPlacedError {
public:
    using std::out_of_range::out_of_range;
};

// "WHERE: WHAT", or WHAT alone when `where` is empty, placed on the line.
[[noreturn]] void fail(const MQALine& line, std::string_view where, std::string_view what);
// "NAME has no value K (it has N values)".
std::string missingValue(std::string_view name, uint64_t k, uint64_t count);
// "\"body\"": a name in quotes.
std::string quoted(std::string_view text);
// The line's head as text (its name and parameters), shortened: its place's excerpt.
std::string excerptOf(const MQALine& line);

// Parameter k of the line, which must have a value; value 0 of it as a float or as text.
template <typename Where>
const MQALineParam& paramWithValue(const MQALine& line, size_t k, const Where& where) {
    if (k >= line.params.size())
        fail(line, where(), "parameter " + std::to_string(k) + " is missing (the line has " +
                                std::to_string(line.params.size()) + " parameters)");
    if (line.params[k].count == 0) fail(line, where(), missingValue("parameter " + std::to_string(k), 0, 0));
    return line.params[k];
}
template <typename Where>
float floatOfParam(const MQALine& line, size_t k, const Where& where) {
    return line.floatAt(paramWithValue(line, k, where), 0);
}
template <typename Where>
std::string textOfParam(const MQALine& line, size_t k, const Where& where) {
    return line.textAt(paramWithValue(line, k, where), 0);
}
// Value k of a named parameter; `name` names it in the message.
template <typename Where>
void checkValue(const MQALine& line, const MQALineParam& param, size_t k, std::string_view name, const Where& where) {
    if (k >= param.count) fail(line, where(), missingValue(name, k, param.count));
}

// A line of sixteen numbers: value 0 of parameter k is element k, column by column.
template <typename Where>
GLKMatrix4 matrixOfLine(const MQALine& line, const Where& where) {
    if (line.params.size() < 16)
        fail(line, where(), "a matrix needs 16 numbers, the line has " + std::to_string(line.params.size()) +
                                " parameters");
    GLKMatrix4 matrix;
    for (size_t k = 0; k < 16; ++k) matrix.m[k] = floatOfParam(line, k, where);
    return matrix;
}

// A material line: value 0 of parameter 0 as its name; "col", "dif", "amb", "emi",
// "spc", "power" and "tex", each with its default when absent. `number` counts from 1.
ZeltoMaterial materialOfLine(const MQALine& line, size_t number);

// A vertex line: value 0 of parameters 0 to 2 as the position, value 0 of "b" as the
// bone (-1 without one). Its errors name no place: the list names the line.
ZeltoVertex vertexOfLine(const MQALine& line);

// A "Vector N" line of a "BVertex" block, with its binary data: N vertices of three
// little-endian IEEE floats each (no bone). The data must be exactly 12 N bytes, and every
// coordinate finite.
std::vector<ZeltoVertex> verticesOfBinaryLine(const MQALine& line, std::string_view where);

// A face line as read, before the vertices and materials it names are known.
struct RawFace {
    enum MaterialState : uint8_t { kNoMaterial, kMaterial, kMaterialWithoutValue };
    // More corners than four (lenient reading only): they are in the list's polygon
    // corners, from vertex[0] on, vertex[1] of them.
    static constexpr uint8_t kPolygon = 255;
    int32_t material = 0;  // value 0 of "m"
    MaterialState materialState = kNoMaterial;
    uint8_t corners = 0;  // values of "v", at most 4 (or kPolygon)
    std::array<int32_t, 4> vertex{};
    std::array<float, 8> uv{};
};
// One corner of a polygon of more than four corners.
struct PolygonCorner {
    int32_t vertex;
    GLKVector2 uv;
};
// A face line: "v", "m" and "uv". With `polygons`, all of a longer "v" list is kept, in
// `polygonCorners`; otherwise values past the fourth corner are not read.
RawFace faceOfLine(const MQALine& line, bool polygons, std::vector<PolygonCorner>& polygonCorners);

}  // namespace scene
