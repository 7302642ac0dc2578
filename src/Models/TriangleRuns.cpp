#include "TriangleRuns.h"

#include <cmath>
#include <cstring>

#include "ZeltoModel.h"

namespace {

constexpr uint32_t kNone = UINT32_MAX;
constexpr uint32_t kMostLooked = 16;  // elements of one vertex looked at for one to share

bool sameBits(GLKVector2 a, GLKVector2 b) { return std::memcmp(&a, &b, sizeof a) == 0; }
bool finite(GLKVector3 p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

}  // namespace

TriangleRuns::TriangleRuns(const ZeltoModel& model, Choices choices, const MQAProgress* progress)
    : _choices(choices) {
    std::span<const ZeltoFace> faces = model.faces();
    size_t corners = 0, indices = 0;
    for (const ZeltoFace& face : faces) {
        if (face.count() >= 3 || choices.lines) corners += static_cast<size_t>(face.count());
        indices += face.count() >= 3 ? 3 * static_cast<size_t>(face.count() - 2) : choices.lines ? 2 : 0;
    }
    _elements.reserve(corners);
    _nextOfElement.reserve(corners);
    _indices.reserve(indices);
    _firstOfVertex.assign(model.vertices().size(), kNone);

    uint32_t begin = 0;
    for (uint32_t f = 0; f <= faces.size(); ++f) {
        if ((f & 0xFFFF) == 0 && progress && progress->isCancelled()) throw MQACancelled();
        if (f < faces.size() && faces[f].material() == faces[begin].material()) continue;
        if (f > begin) {
            addRun(model, begin, f, false);
            if (choices.lines) addRun(model, begin, f, true);
        }
        begin = f;
    }
    _elements.shrink_to_fit();
    _firstOfVertex = {};
    _nextOfElement = {};
}

void TriangleRuns::addRun(const ZeltoModel& model, uint32_t begin, uint32_t end, bool lines) {
    std::span<const ZeltoFace> faces = model.faces();
    const uint32_t runStart = static_cast<uint32_t>(_elements.size());
    const uint32_t firstIndex = static_cast<uint32_t>(_indices.size());
    for (uint32_t f = begin; f < end; ++f) {
        const ZeltoFace& face = faces[f];
        if ((face.count() == 2) != lines || !takes(model, f)) continue;
        uint32_t element[4];
        for (int32_t k = 0; k < face.count(); ++k) element[k] = elementFor(model, f, k, runStart);
        if (lines) {
            _indices.insert(_indices.end(), {element[0], element[1]});
            continue;
        }
        for (int32_t k = 1; k + 1 < face.count(); ++k) _indices.insert(_indices.end(), {element[k], element[k + 1], element[0]});
    }
    const uint32_t indexCount = static_cast<uint32_t>(_indices.size()) - firstIndex;
    // A stretch of only two-corner faces still makes its (empty) run of triangles.
    if (lines && indexCount == 0) return;
    _runs.push_back(Run{faces[begin].material(), firstIndex, indexCount, runStart,
                        static_cast<uint32_t>(_elements.size()) - runStart, lines});
}

bool TriangleRuns::takes(const ZeltoModel& model, uint32_t f) {
    if (!_choices.finiteFacesOnly) return true;
    const ZeltoFace& face = model.faces()[f];
    for (int32_t k = 0; k < face.count(); ++k)
        if (!finite(model.vertices()[face.corner(k).vertex].pos)) {
            ++_leftOut;
            return false;
        }
    return true;
}

uint32_t TriangleRuns::elementFor(const ZeltoModel& model, uint32_t face, int32_t cornerIndex, uint32_t runStart) {
    std::span<const ZeltoFace> faces = model.faces();
    const ZeltoCorner corner = faces[face].corner(cornerIndex);
    bool shareable = corner.normal != ZeltoCorner::kNormalFlat && corner.normal != ZeltoCorner::kNormalUnset;
    if (shareable) {
        // Only the latest few elements are looked at: a vertex that hundreds of faces meet
        // at with as many normals or texture coordinates takes no longer to lay out than
        // the faces themselves; it shares fewer of its elements.
        uint32_t looked = 0;
        for (uint32_t e = _firstOfVertex[corner.vertex]; e != kNone && e >= runStart && looked++ < kMostLooked;
             e = _nextOfElement[e]) {
            const ZeltoCorner other = faces[_elements[e].face].corner(static_cast<int32_t>(_elements[e].corner));
            if (other.normal == corner.normal && sameBits(other.uv, corner.uv)) return e;
        }
    }
    const uint32_t element = static_cast<uint32_t>(_elements.size());
    _elements.push_back(Corner{face, static_cast<uint32_t>(cornerIndex)});
    _nextOfElement.push_back(kNone);
    if (shareable) {
        _nextOfElement[element] = _firstOfVertex[corner.vertex];
        _firstOfVertex[corner.vertex] = element;
    }
    return element;
}
