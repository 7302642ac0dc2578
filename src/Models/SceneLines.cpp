#include "SceneLines.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace scene {

std::string missingValue(std::string_view name, uint64_t k, uint64_t count) {
    return std::string(name) + " has no value " + std::to_string(k) + " (it has " + std::to_string(count) +
           " values)";
}

std::string quoted(std::string_view text) { return std::string(1, '"').append(text).append(1, '"'); }

std::string excerptOf(const MQALine& line) {
    std::string text(line.name.value_or(""));
    for (const MQALineParam& param : line.params) {
        if (!text.empty()) text += ' ';
        try {
            line.toParam(param).appendText(text);
        } catch (const std::exception&) {
            text += "…";
        }
        if (text.size() > 120) return text.substr(0, 117) + "...";
    }
    return text;
}

void fail(const MQALine& line, std::string_view where, std::string_view what) {
    SceneError error(where.empty() ? std::string(what) : std::string(where) + ": " + std::string(what));
    if (line.fileLine > 0) error.setPlace(MQAPlace{line.fileLine, 0, std::nullopt, excerptOf(line)});
    throw error;
}

ZeltoMaterial materialOfLine(const MQALine& line, size_t number) {
    auto where = [number] { return "Material line " + std::to_string(number); };
    std::string name = textOfParam(line, 0, where);
    auto factor = [&](const char* key, float fallback) {
        const MQALineParam* param = line.param(key);
        if (!param) return fallback;
        checkValue(line, *param, 0, quoted(key), where);
        return line.floatAt(*param, 0);
    };
    Color color{0.8f, 0.8f, 0.8f, 1.0f};
    if (const MQALineParam* col = line.param("col")) {
        if (col->count < 4) checkValue(line, *col, col->count, "\"col\"", where);
        color = {line.floatAt(*col, 0), line.floatAt(*col, 1), line.floatAt(*col, 2), line.floatAt(*col, 3)};
    }
    float diffuse = factor("dif", 0.5f);
    float ambient = factor("amb", 0.5f);
    float emissive = factor("emi", 0.5f);
    float specular = factor("spc", 0.5f);
    float power = factor("power", 0.5f);
    std::string texture;
    if (const MQALineParam* tex = line.param("tex")) {
        checkValue(line, *tex, 0, "\"tex\"", where);
        texture = line.textAt(*tex, 0);
    }
    return ZeltoMaterial::materialWithName(name, color.r, color.g, color.b, color.a, diffuse, ambient, emissive,
                                           specular, power, texture);
}

ZeltoVertex vertexOfLine(const MQALine& line) {
    auto nowhere = [] { return std::string(); };
    float x = floatOfParam(line, 0, nowhere);
    float y = floatOfParam(line, 1, nowhere);
    float z = floatOfParam(line, 2, nowhere);
    int32_t bone = -1;
    if (const MQALineParam* b = line.param("b")) {
        checkValue(line, *b, 0, "\"b\"", nowhere);
        bone = line.intAt(*b, 0);
    }
    return ZeltoVertex::initWithPosX(x, y, z, bone);
}

namespace {

float littleEndianFloat(const char* bytes) {
    uint32_t bits;
    std::memcpy(&bits, bytes, sizeof bits);
    if constexpr (std::endian::native == std::endian::big) bits = __builtin_bswap32(bits);
    return std::bit_cast<float>(bits);
}

}  // namespace

std::vector<ZeltoVertex> verticesOfBinaryLine(const MQALine& line, std::string_view where) {
    auto place = [&] { return std::string(where); };
    const int32_t count = line.intAt(paramWithValue(line, 0, place), 0);
    constexpr size_t kVertexBytes = 3 * sizeof(float);
    if (count < 0 || line.binary.size() != static_cast<size_t>(count) * kVertexBytes)
        fail(line, where, std::to_string(count) + " vertices take " + std::to_string(int64_t{count} * 12) +
                              " bytes of binary data (12 a vertex); the line has " +
                              std::to_string(line.binary.size()));
    std::vector<ZeltoVertex> vertices;
    vertices.reserve(static_cast<size_t>(count));
    for (const char* p = line.binary.data(); p != line.binary.data() + line.binary.size(); p += kVertexBytes) {
        float x = littleEndianFloat(p), y = littleEndianFloat(p + 4), z = littleEndianFloat(p + 8);
        if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z))
            fail(line, where,
                 "vertex " + std::to_string(vertices.size()) + " has a coordinate that is not a finite number");
        vertices.push_back(ZeltoVertex::initWithPosX(x, y, z, -1));
    }
    return vertices;
}

RawFace faceOfLine(const MQALine& line, bool polygons, std::vector<PolygonCorner>& polygonCorners) {
    // The first parameter of each name, found in one look at the line.
    const MQALineParam *v = nullptr, *m = nullptr, *uv = nullptr;
    for (const MQALineParam& param : line.params) {
        if (param.name.size() == 1 && (param.name[0] | 0x20) == 'v' && !v) v = &param;
        if (param.name.size() == 1 && (param.name[0] | 0x20) == 'm' && !m) m = &param;
        if (param.name.size() == 2 && (param.name[0] | 0x20) == 'u' && (param.name[1] | 0x20) == 'v' && !uv) uv = &param;
    }
    RawFace face;
    if (m) {
        face.materialState = m->count > 0 ? RawFace::kMaterial : RawFace::kMaterialWithoutValue;
        if (m->count > 0) face.material = line.intAt(*m, 0);
    }
    for (uint32_t j = 0; uv && j < std::min<uint32_t>(uv->count, 8); ++j) face.uv[j] = line.floatAt(*uv, j);
    if (v && polygons && v->count > 4) {
        face.corners = RawFace::kPolygon;
        face.vertex[0] = static_cast<int32_t>(polygonCorners.size());
        face.vertex[1] = static_cast<int32_t>(v->count);
        for (uint32_t k = 0; k < v->count; ++k) {
            auto coordinate = [&](uint32_t j) { return uv && j < uv->count ? line.floatAt(*uv, j) : 0.0f; };
            GLKVector2 coordinates{coordinate(2 * k), coordinate(2 * k + 1)};
            polygonCorners.push_back({line.intAt(*v, k), coordinates});
        }
    } else if (v) {
        face.corners = static_cast<uint8_t>(std::min<uint32_t>(v->count, 4));
        for (uint8_t k = 0; k < face.corners; ++k) face.vertex[k] = line.intAt(*v, k);
    }
    return face;
}

}  // namespace scene
