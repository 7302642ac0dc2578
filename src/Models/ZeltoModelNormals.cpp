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
    std::vector<uint32_t>& first = lists.first;
    first = zelto::largeVector<uint32_t>(vertexCount + 1, 0);
    for (const auto& corners : _faceCorners)
        for (uint32_t v : corners)
            if (v != kNoVertex) ++first[v + 1];
    for (size_t v = 0; v < vertexCount; ++v) first[v + 1] += first[v];
    lists.entries = zelto::largeVector<uint32_t>(first[vertexCount]);
    std::vector<uint32_t> next(first.begin(), first.end() - 1);
    for (uint32_t k = 0; k < _faceCorners.size(); ++k) {
        uint32_t f = order.empty() ? k : order[k];
        for (uint32_t v : _faceCorners[f])
            if (v != kNoVertex) lists.entries[next[v]++] = f;
    }
    // Each corner's normal, as groups form: a compact array the size of the faces'
    // corner indices, which the grouping writes all over, rather than the far larger
    // faces themselves. The faces take their normals from it in one pass at the end.
    lists.cornerNormals = zelto::largeVector<uint32_t>(_faces.size() * 4, ZeltoCorner::kNormalUnset);
    return lists;
}

void ZeltoModel::groupNormals(std::span<const uint32_t> order) { groupNormalsWith(groupingLists(order)); }

void ZeltoModel::groupNormalsWith(GroupingLists lists) {
    _normals.clear();
    _normalFaces.clear();
    const size_t vertexCount = _vertices.size();
    const std::vector<uint32_t>& first = lists.first;
    const std::vector<uint32_t>& entries = lists.entries;

    std::vector<uint32_t>& cornerNormals = lists.cornerNormals;
    auto link = [&](uint32_t face, uint32_t vertex, uint32_t normal) {
        const std::array<uint32_t, 4>& corners = _faceCorners[face];
        for (size_t k = 0; k < 4; ++k)
            if (corners[k] == vertex) {
                cornerNormals[size_t{face} * 4 + k] = normal;
                return;
            }
    };

    // The vertices are grouped in two halves at once. Each corner belongs to one vertex,
    // so the halves write different corners. The second half numbers its normals from
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
        std::vector<uint32_t> remaining, group;
        for (size_t v = begin; v < end; ++v) {
            remaining.assign(entries.begin() + first[v], entries.begin() + first[v + 1]);
            while (!remaining.empty()) {
                uint32_t seed = remaining.front();
                GLKVector3 s = _faceNormals[seed];
                group.clear();
                for (uint32_t face : remaining) {
                    GLKVector3 f = _faceNormals[face];
                    if (test.accepts(dotYXZ(s, f)) || f == s) group.push_back(face);
                }
                uint32_t vertex = static_cast<uint32_t>(v);
                if (group.size() > 1) {
                    uint32_t normal = mark | static_cast<uint32_t>(normals.size());
                    normals.push_back(ZeltoNormal{{}, static_cast<uint32_t>(normalFaces.size())});
                    normalFaces.insert(normalFaces.end(), group.begin(), group.end());
                    for (uint32_t face : group) link(face, vertex, normal);
                } else {
                    link(seed, vertex, ZeltoCorner::kNormalFlat);
                }
                if (group.size() == remaining.size()) break;  // everything joined
                // The group and the seed leave. The seed always leaves, also when its
                // normal is not a number and so joined no group, which keeps the loop
                // finite. The group is the faces of `remaining` that passed, in order, and
                // a face listed twice passes or fails both times.
                size_t next = 0;
                std::erase_if(remaining, [&](uint32_t face) {
                    if (next < group.size() && group[next] == face) {
                        ++next;
                        return true;
                    }
                    return face == seed;
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

    // A second corner of a face on the same vertex draws with the first one's normal; a
    // corner whose vertex is not in this model's list is flat. Each face learns its
    // position and where the model's normals are on the way.
    *_faceNormalTables = {_faceNormals.data(), _normals.data()};
    scene::forEachHalf(scene::Halves(_faces.size()), [&](int, size_t begin, size_t end) {
        for (size_t f = begin; f < end; ++f) {
            ZeltoFace& face = _faces[f];
            const std::array<uint32_t, 4>& corners = _faceCorners[f];
            for (int32_t k = 0; k < face._count; ++k) {
                uint32_t& normal = face._normal[k];
                normal = cornerNormals[f * 4 + static_cast<size_t>(k)];
                if (normal >= kSecondHalfMark && normal < ZeltoCorner::kNormalFlat) {
                    normal = normal - kSecondHalfMark + laterStart;
                    continue;
                }
                if (normal != ZeltoCorner::kNormalUnset) continue;
                normal = ZeltoCorner::kNormalFlat;
                for (int32_t j = 0; j < k && corners[static_cast<size_t>(k)] != kNoVertex; ++j)
                    if (corners[static_cast<size_t>(j)] == corners[static_cast<size_t>(k)]) {
                        normal = face._normal[j];
                        break;
                    }
            }
            face._owner = _faceNormalTables.get();
            face._position = static_cast<uint32_t>(f);
        }
    });
}
