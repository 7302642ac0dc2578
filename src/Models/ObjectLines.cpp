#include "ObjectLines.h"

#include <algorithm>

#include "LargeArrays.h"
#include "MQASimpleLine.h"

namespace scene {
namespace {

// Room reserved from a list's stated length: at most this many entries, so a header
// that claims more than the document holds cannot take memory the document never fills.
constexpr size_t kMostReserved = size_t{1} << 20;

// The first parameter of each of the given names, found in one look at the line.
template <size_t N>
std::array<const MQAParam*, N> namedParams(std::span<const MQAParam> params,
                                           const std::array<std::string_view, N>& names) {
    std::array<const MQAParam*, N> found{};
    for (const MQAParam& param : params) {
        if (!param.name()) continue;
        for (size_t k = 0; k < N; ++k)
            if (!found[k] && param.hasName(names[k])) found[k] = &param;
    }
    return found;
}

}  // namespace

std::string objectLabel(const MQAAttribute& chunk, size_t number) {
    const MQAParamList& params = chunk.params();
    if (params.empty() || params[0].count() == 0) return "Object " + std::to_string(number);
    return "Object " + quoted(params[0].stringValueAtIndex(0));
}

ZeltoVertex vertexOfLine(const SceneLine& line, const Place& where) {
    float x = floatOfParam(line, 0, where);
    float y = floatOfParam(line, 1, where);
    float z = floatOfParam(line, 2, where);
    const MQAParam* b = line.paramForName("b");
    int32_t bone = b ? intAt(*b, 0, "\"b\"", where) : -1;
    return ZeltoVertex::initWithPosX(x, y, z, bone);
}

RawFace rawFaceOfLine(const SceneLine& line) {
    static constexpr std::array<std::string_view, 3> kNames{"v", "m", "uv"};
    auto [v, m, uv] = namedParams(line.params, kNames);
    RawFace face;
    if (m) {
        face.materialState = m->count() > 0 ? RawFace::kMaterial : RawFace::kMaterialWithoutValue;
        if (m->count() > 0) face.material = m->intValueAtIndex(0);
    }
    if (v) {
        face.corners = static_cast<uint8_t>(std::min<uint64_t>(v->count(), 4));
        for (uint8_t k = 0; k < face.corners; ++k) face.vertex[k] = v->intValueAtIndex(k);
    }
    if (uv) {
        face.coordinates = static_cast<uint8_t>(std::min<uint64_t>(uv->count(), 8));
        for (uint8_t j = 0; j < face.coordinates; ++j) face.uv[j] = uv->floatValueAtIndex(j);
    }
    return face;
}

void LineNumbers::add(size_t index, uint64_t fileLine) {
    if (!_jumps.empty() && _jumps.back().second + (index - _jumps.back().first) == fileLine) return;
    _jumps.emplace_back(index, fileLine);
}

uint64_t LineNumbers::fileLine(size_t index) const {
    auto after = std::upper_bound(_jumps.begin(), _jumps.end(), index,
                                  [](size_t i, const std::pair<size_t, uint64_t>& jump) { return i < jump.first; });
    if (after == _jumps.begin()) return 0;
    --after;
    return after->second == 0 ? 0 : after->second + (index - after->first);
}

void LineNumbers::append(const LineNumbers& later, size_t offset) {
    for (const auto& [index, line] : later._jumps) add(index + offset, line);
}

VertexLines::VertexLines(std::string object, size_t expected)
    : _object(std::move(object)), _expected(expected) {
    zelto::reserveLarge(_vertices, std::min(expected, kMostReserved));
}

void VertexLines::line(std::optional<std::string_view> name, std::span<const MQAParam> params,
                       uint64_t fileLine) {
    if (_error.present) return;  // the list's first error is the one reported
    const SceneLine line(name, params, fileLine);
    // Named once the line's position in the whole list is known (see take()).
    auto unnamed = [] { return std::string(); };
    try {
        _vertices.push_back(vertexOfLine(line, Place(unnamed, &line)));
    } catch (const SceneError& error) {
        std::string what = error.what();
        _error = {true, _vertices.size(), what.substr(std::min<size_t>(2, what.size())), error.place()};
    }
}

// Three numbers, then perhaps a bone: what vertexOfLine makes of the same line.
const char* VertexLines::takeSimpleLine(const char* p, const char* end, uint64_t) {
    if (_error.present) return nullptr;
    mqa::MQASimpleLine line;
    if (!mqa::readSimpleLine(p, end, line) || line.paramCount < 3) return nullptr;
    int32_t bone = -1;
    if (const mqa::MQASimpleLine::Param* b = line.named("b")) {
        if (!b->isInt) return nullptr;  // a decimal bone index is truncated by the general reading
        bone = line.intAt(*b, 0);
    }
    _vertices.push_back(ZeltoVertex::initWithPosX(line.floatAt(line.params[0], 0),
                                                  line.floatAt(line.params[1], 0),
                                                  line.floatAt(line.params[2], 0), bone));
    return line.next;
}

// The later lines are about half the list; room for all of it costs only address space,
// and spares the copies and fresh pages of growing.
std::unique_ptr<MQALineSink> VertexLines::forLaterLines() {
    return std::make_unique<VertexLines>(_object, _expected);
}

void VertexLines::takeLaterLines(MQALineSink& later) {
    auto& rest = static_cast<VertexLines&>(later);
    if (_error.present) return;
    if (rest._error.present) {
        _error = rest._error;
        _error.index += _vertices.size();
    }
    zelto::reserveLarge(_vertices, _vertices.size() + rest._vertices.size());
    _vertices.insert(_vertices.end(), rest._vertices.begin(), rest._vertices.end());
}

std::vector<ZeltoVertex> VertexLines::take() {
    if (_error.present) {
        SceneError error(_object + ", vertex line " + std::to_string(_error.index + 1) + ": " + _error.what);
        if (_error.place) error.setPlace(*_error.place);
        throw error;
    }
    return std::move(_vertices);
}

FaceLines::FaceLines(std::string object, size_t expected)
    : _object(std::move(object)), _expected(expected) {
    zelto::reserveLarge(_faces, std::min(expected, kMostReserved));
}

void FaceLines::line(std::optional<std::string_view> name, std::span<const MQAParam> params,
                     uint64_t fileLine) {
    _lines.add(_earlierCount + _faces.size(), fileLine);
    _faces.push_back(rawFaceOfLine(SceneLine(name, params, fileLine)));
}

// What rawFaceOfLine makes of the same line.
const char* FaceLines::takeSimpleLine(const char* p, const char* end, uint64_t fileLine) {
    mqa::MQASimpleLine line;
    if (!mqa::readSimpleLine(p, end, line)) return nullptr;
    using Param = mqa::MQASimpleLine::Param;
    const Param* v = line.named("v");
    const Param* m = line.named("m");
    const Param* uv = line.named("uv");
    // Decimal indices and over-long lists are left to the general reading.
    if ((v && (!v->isInt || v->count > 4)) || (m && !m->isInt) || (uv && uv->count > 8)) return nullptr;
    RawFace face;
    if (m) {
        face.materialState = RawFace::kMaterial;
        face.material = line.intAt(*m, 0);
    }
    if (v) {
        face.corners = v->count;
        for (uint8_t k = 0; k < face.corners; ++k) face.vertex[k] = line.intAt(*v, k);
    }
    if (uv) {
        face.coordinates = uv->count;
        for (uint8_t j = 0; j < face.coordinates; ++j) face.uv[j] = line.floatAt(*uv, j);
    }
    _lines.add(_earlierCount + _faces.size(), fileLine);
    _faces.push_back(face);
    return line.next;
}

std::unique_ptr<MQALineSink> FaceLines::forLaterLines() {
    return std::make_unique<FaceLines>(_object, _expected);
}

void FaceLines::takeLaterLines(MQALineSink& later) {
    auto& rest = static_cast<FaceLines&>(later);
    _lines.append(rest._lines, _earlierCount + _faces.size());
    _earlierCount += _faces.size();
    _earlier.append(std::move(_faces));
    RawFaces taken = rest.takeFaces();
    _earlierCount += taken.size();
    _earlier.append(std::move(taken));
    _faces = {};  // any lines after the later ones start a piece of their own
}

RawFaces FaceLines::takeFaces() {
    RawFaces all = std::move(_earlier);
    all.append(std::move(_faces));
    _earlier = {};
    _earlierCount = 0;
    _faces = {};
    return all;
}

MQALineSink* ObjectListSinks::sinkFor(const MQAAttribute& owner, size_t depth,
                                      const std::vector<MQAAttribute>& enclosingSoFar) {
    if (depth == 1) {
        _current.reset();
        if (!owner.hasName("object")) return nullptr;
        size_t index = static_cast<size_t>(std::count_if(
            enclosingSoFar.begin(), enclosingSoFar.end(), [](const MQAAttribute& a) { return a.hasName("object"); }));
        if (_objects.size() <= index) _objects.resize(index + 1);
        _current = index;
        _label = objectLabel(owner, index + 1);
        return nullptr;
    }
    if (depth != 2 || !_current) return nullptr;
    bool vertex = owner.hasName("vertex");
    if (!vertex && !owner.hasName("face")) return nullptr;
    // Only the object's first line of that name is read, as the object pass does.
    std::string_view kind = vertex ? "vertex" : "face";
    for (const MQAAttribute& sibling : enclosingSoFar)
        if (sibling.hasName(kind)) return nullptr;
    size_t expected = 0;
    if (!owner.params().empty() && owner.params()[0].count() > 0)
        expected = static_cast<size_t>(std::max(0, owner.params()[0].intValueAtIndex(0)));
    Lists& lists = _objects[*_current];
    if (vertex) {
        lists.vertices = std::make_unique<VertexLines>(_label, expected);
        return lists.vertices.get();
    }
    lists.faces = std::make_unique<FaceLines>(_label, expected);
    return lists.faces.get();
}

ObjectListSinks::Lists* ObjectListSinks::forObject(size_t index) {
    return index < _objects.size() ? &_objects[index] : nullptr;
}

}  // namespace scene
