// Face normals, the grouping of corners into shared smooth normals, and their sums.

#include <algorithm>

#include "FacetTest.h"
#include "InHalves.h"
#include "LargeArrays.h"
#include "PoseKernels.h"
#include "ZeltoModel.h"

namespace {

// Marks the normals the second half of the vertices numbers, until they are renumbered;
// below both marks a corner can carry.
constexpr uint32_t kSecondHalfMark = uint32_t{1} << 31;

// The dot product in the order y, x, z.
float dotYXZ(GLKVector3 s, GLKVector3 f) { return (s.y * f.y + s.x * f.x) + s.z * f.z; }

}  // namespace

void ZeltoModel::calcFaceNormals() {
    GLKVector3* normals = _faceNormals.data();
    if (_cornersOutsideVertexList) {
        // Some corner's vertex is not in this model's list: read positions through the faces.
        for (size_t i = 0; i < _faces.size(); ++i) {
            const ZeltoFace& face = _faces[i];
            auto p = [&](int k) -> const GLKVector3& { return face._vertex[k]->affinePos; };
            if (face._count == 3)
                normals[i] = pose::triangleNormal(p(0), p(1), p(2));
            else if (face._count == 4)
                normals[i] = pose::quadNormal(p(0), p(1), p(2), p(3));
        }
        return;
    }
    // Two-corner faces are in neither list: their normal stays (0, 0, 0). Triangles and
    // quadrilaterals go in step, a stretch of faces at a time, so the vertices a stretch
    // shares stay in cache between the two.
    std::span<const pose::TriangleCorners> triangles = _triangles;
    std::span<const pose::QuadCorners> quads = _quads;
    uint32_t triangleStart = 0, quadStart = 0;
    for (const auto& [triangleEnd, quadEnd] : _stretchEnds) {
        pose::triangleNormals(_vertices.data(), triangles.subspan(triangleStart, triangleEnd - triangleStart), normals);
        pose::quadNormals(_vertices.data(), quads.subspan(quadStart, quadEnd - quadStart), normals);
        triangleStart = triangleEnd;
        quadStart = quadEnd;
    }
}

void ZeltoModel::calcNormals() { pose::sumNormals(_faceNormals.data(), _normals, _normalFaces); }

// For each vertex in order, the faces with a corner on it (once per such corner, in face
// order) are split greedily: the first remaining face seeds a group, every remaining face
// whose normal is within the smoothing angle of the seed's (or equal to it) joins, and a
// group of two or more entries gets a shared normal; a seed left alone is flat there.
void ZeltoModel::calcNormalGroup() { groupNormals({}); }

ZeltoModel::GroupingLists ZeltoModel::groupingLists(std::span<const uint32_t> order) const {
    // Lists one after another: counted, then filled.
    const size_t vertexCount = _vertices.size();
    GroupingLists lists;
    lists.order = order;
    std::vector<uint32_t>& first = lists.first;
    first = zelto::largeVector<uint32_t>(vertexCount + 1, 0);
    for (const auto& corners : _faceCorners)
        for (uint32_t v : corners)
            if (v != kNoVertex) ++first[v + 1];
    for (size_t v = 0; v < vertexCount; ++v) first[v + 1] += first[v];
    lists.entries = zelto::largeVector<uint32_t>(first[vertexCount]);
    std::vector<uint32_t> next(first.begin(), first.end() - 1);
    const scene::Halves halves(_faceCorners.size());
    for (uint32_t k = 0; k < _faceCorners.size(); ++k) {
        if (k == halves.middle) lists.laterNext = next;
        uint32_t f = order.empty() ? k : order[k];
        for (uint32_t v : _faceCorners[f])
            if (v != kNoVertex) lists.entries[next[v]++] = f;
    }
    return lists;
}

void ZeltoModel::groupNormals(std::span<const uint32_t> order) { groupNormalsWith(groupingLists(order)); }

void ZeltoModel::groupNormalsWith(GroupingLists lists) {
    _normals.clear();
    _normalFaces.clear();
    const size_t vertexCount = _vertices.size();
    std::vector<uint32_t>& first = lists.first;
    std::vector<uint32_t>& entries = lists.entries;

    // The vertices are grouped in two halves at once. Each entry belongs to one vertex,
    // so the halves write different entries. The second half numbers its normals from
    // zero, marked, into lists of its own; they follow the first half's, renumbered,
    // once the first half's count is known.
    const FacetTest test(_facet);
    scene::Halves vertexHalves(vertexCount);
    if (entries.size() >= kSecondHalfMark) vertexHalves.middle = vertexCount;  // too many to mark
    std::vector<ZeltoNormal> laterNormals;
    std::vector<uint32_t> laterFaces;
    // Room for both halves' (in address space only until used), so the second half's
    // lists are appended without moving the first's.
    zelto::reserveLarge(_normalFaces, entries.size());
    zelto::reserveLarge(_normals, vertexCount);
    scene::forEachHalf(vertexHalves, [&](int half, size_t begin, size_t end) {
        std::vector<ZeltoNormal>& normals = half == 0 ? _normals : laterNormals;
        std::vector<uint32_t>& normalFaces = half == 0 ? _normalFaces : laterFaces;
        if (half == 1) {
            zelto::reserveLarge(normalFaces, first[end] - first[begin]);
            zelto::reserveLarge(normals, end - begin);
        }
        const uint32_t mark = half == 0 ? 0 : kSecondHalfMark;
        // The vertex's faces, and which of them (by place in that list) are left.
        std::vector<uint32_t> faces, remaining, group;
        for (size_t v = begin; v < end; ++v) {
            uint32_t* slots = entries.data() + first[v];
            faces.assign(slots, entries.data() + first[v + 1]);
            remaining.resize(faces.size());
            for (uint32_t i = 0; i < remaining.size(); ++i) remaining[i] = i;
            while (!remaining.empty()) {
                uint32_t seed = faces[remaining.front()];
                GLKVector3 s = _faceNormals[seed];
                group.clear();
                for (uint32_t i : remaining) {
                    GLKVector3 f = _faceNormals[faces[i]];
                    if (test.accepts(dotYXZ(s, f)) || f == s) group.push_back(i);
                }
                uint32_t normal = ZeltoCorner::kNormalFlat;
                if (group.size() > 1) {
                    normal = mark | static_cast<uint32_t>(normals.size());
                    normals.push_back(ZeltoNormal{{}, static_cast<uint32_t>(normalFaces.size())});
                    for (uint32_t i : group) normalFaces.push_back(faces[i]);
                }
                if (group.size() == remaining.size()) {  // everything joined
                    for (uint32_t i : group) slots[i] = normal;
                    break;
                }
                // The group and the seed leave, their entries now holding their normal.
                // The seed always leaves (flat when alone), also when its normal is not a
                // number and so joined no group, which keeps the loop finite. The group is
                // the entries of `remaining` that passed, in order, and a face listed
                // twice passes or fails both times.
                size_t next = 0;
                std::erase_if(remaining, [&](uint32_t i) {
                    if (next < group.size() && group[next] == i) {
                        ++next;
                        slots[i] = normal;
                        return true;
                    }
                    if (faces[i] != seed) return false;
                    slots[i] = ZeltoCorner::kNormalFlat;
                    return true;
                });
            }
        }
    });
    const uint32_t laterStart = static_cast<uint32_t>(_normals.size());
    const uint32_t laterFirstFace = static_cast<uint32_t>(_normalFaces.size());
    zelto::reserveLarge(_normals, _normals.size() + laterNormals.size());
    for (const ZeltoNormal& normal : laterNormals)
        _normals.push_back(ZeltoNormal{{}, normal.firstFace + laterFirstFace});
    zelto::reserveLarge(_normalFaces, _normalFaces.size() + laterFaces.size());
    _normalFaces.insert(_normalFaces.end(), laterFaces.begin(), laterFaces.end());

    // Each face collects its corners' normals from the entries, in the order they were
    // filled in; a corner whose vertex is not in this model's list is flat. Each face
    // learns its position and where the model's normals are on the way.
    *_faceNormalTables = {_faceNormals.data(), _normals.data()};
    const std::span<const uint32_t> order = lists.order;
    scene::forEachHalf(scene::Halves(_faces.size()), [&](int half, size_t begin, size_t end) {
        uint32_t* next = half == 0 ? first.data() : lists.laterNext.data();
        for (size_t k = begin; k < end; ++k) {
            size_t f = order.empty() ? k : order[k];
            ZeltoFace& face = _faces[f];
            const std::array<uint32_t, 4>& corners = _faceCorners[f];
            for (size_t j = 0; j < 4; ++j) {
                uint32_t vertex = corners[j];
                if (vertex == kNoVertex) {
                    if (j < static_cast<size_t>(face._count)) face._normal[j] = ZeltoCorner::kNormalFlat;
                    continue;
                }
                uint32_t normal = entries[next[vertex]++];
                if (normal >= kSecondHalfMark && normal < ZeltoCorner::kNormalFlat)
                    normal = normal - kSecondHalfMark + laterStart;
                face._normal[j] = normal;
            }
            face._owner = _faceNormalTables.get();
            face._position = static_cast<uint32_t>(f);
        }
    });
}
