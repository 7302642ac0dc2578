// Face normals, the grouping of corners into shared smooth normals, their sums, and
// posing, which refreshes them.

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <unordered_map>

#include "FacetTest.h"
#include "LargeArrays.h"
#include "MQAHalves.h"
#include "PoseKernels.h"
#include "ZeltoModel.h"

namespace {

// The dot product in the order y, x, z.
float dotYXZ(GLKVector3 s, GLKVector3 f) { return (s.y * f.y + s.x * f.x) + s.z * f.z; }

bool hasNaN(GLKVector3 n) { return std::isnan(n.x) || std::isnan(n.y) || std::isnan(n.z); }
bool isZero(GLKVector3 n) { return n.x == 0 && n.y == 0 && n.z == 0; }
bool isUnit(GLKVector3 n) {
    float lengthSquared = n.x * n.x + n.y * n.y + n.z * n.z;
    return lengthSquared > 0.999f && lengthSquared < 1.001f;
}

// Groups the corners at one vertex at a time. For each vertex, its corners (in the
// grouping order of faces) are split greedily: the first remaining corner seeds a
// group, every remaining corner whose face normal is within the smoothing angle of the
// seed's (or equal to it) joins, and a group of two or more faces gets a shared normal;
// a seed left alone is flat there. The pieces of one polygon count as one face.
class Grouper {
public:
    using LinkOf = uint32_t& (*)(ZeltoFace& face, uint32_t corner);
    Grouper(std::vector<ZeltoFace>& faces, LinkOf linkOf, const std::vector<GLKVector3>& faceNormals,
            const FacetTest& test, const std::vector<uint32_t>& pieceOf, std::vector<ZeltoNormal>& normals,
            std::vector<uint32_t>& normalFaces)
        : _faces(faces), _linkOf(linkOf), _faceNormals(faceNormals), _test(test), _pieceOf(pieceOf),
          _normals(normals), _normalFaces(normalFaces) {
        float lowest = test.lowestAccepted();
        // Unit normals whose dot product passes lie this close to each other, with room
        // for rounding in normalising and in the dot product.
        _radius = std::sqrt(std::max(0.0f, 2 - 2 * lowest) + 1e-5f);
        _cell = std::max(_radius, 1.0f / 1024);
        _acceptsZero = test.accepts(0.0f);
    }

    // `entries`: the corners at one vertex, as face << 2 | corner.
    void group(std::span<const uint32_t> entries) {
        if (entries.empty()) return;
        // Most often every corner at a vertex joins the first: one group, seen in one look.
        const GLKVector3 seed = normalOf(entries[0]);
        size_t joined = 1;
        while (joined < entries.size() && joins(seed, normalOf(entries[joined]))) ++joined;
        if (joined == entries.size()) {
            _group.resize(joined);
            for (uint32_t i = 0; i < joined; ++i) _group[i] = i;
            finishGroup(entries, _group);
        } else {
            groupGreedily(entries);
        }
    }

private:
    static constexpr size_t kFew = 64;
    static constexpr uint64_t kPiece = uint64_t{1} << 63;

    GLKVector3 normalOf(uint32_t entry) const { return _faceNormals[entry >> 2]; }
    bool joins(GLKVector3 seed, GLKVector3 f) const { return _test.accepts(dotYXZ(seed, f)) || f == seed; }
    void setLink(uint32_t entry, uint32_t link) { _linkOf(_faces[entry >> 2], entry & 3) = link; }

    // Makes the group's shared normal, or leaves its corners flat when it holds one face;
    // `group` holds positions in `entries`, in order.
    void finishGroup(std::span<const uint32_t> entries, const std::vector<uint32_t>& group) {
        const size_t firstFace = _normalFaces.size();
        uint64_t lastKey = ~uint64_t{0};
        size_t count = 0;
        for (uint32_t i : group) {
            uint32_t face = entries[i] >> 2;
            // A polygon's pieces at one vertex follow one another; other faces count each time.
            uint64_t key = !_pieceOf.empty() && _pieceOf[face] != UINT32_MAX ? kPiece | _pieceOf[face] : i;
            if (key == lastKey) continue;
            lastKey = key;
            _normalFaces.push_back(face);
            ++count;
        }
        uint32_t link = ZeltoCorner::kNormalFlat;
        if (count > 1) {
            link = static_cast<uint32_t>(_normals.size());
            _normals.push_back(ZeltoNormal{{}, static_cast<uint32_t>(firstFace)});
        } else {
            _normalFaces.resize(firstFace);
        }
        for (uint32_t i : group) setLink(entries[i], link);
    }

    // Seed by seed. With many corners, their unit normals are kept in a grid of cells, so
    // a seed looks only at the corners near enough to join.
    void groupGreedily(std::span<const uint32_t> entries) {
        const bool indexed = entries.size() > kFew;
        _taken.assign(entries.size(), 0);
        _cells.clear();
        _zeros.clear();
        _others.clear();
        for (uint32_t i = 0; i < entries.size(); ++i) {
            GLKVector3 n = normalOf(entries[i]);
            if (hasNaN(n))
                _taken[i] = 1, setLink(entries[i], ZeltoCorner::kNormalFlat);  // joins nothing
            else if (!indexed)
                continue;
            else if (isZero(n))
                _zeros.push_back(i);
            else if (isUnit(n))
                _cells[cellKey(cellOf(n.x), cellOf(n.y), cellOf(n.z))].push_back(i);
            else
                _others.push_back(i);
        }
        auto takeFrom = [&](std::vector<uint32_t>& list, GLKVector3 s, bool all) {
            std::erase_if(list, [&](uint32_t i) { return _taken[i]; });
            for (uint32_t i : list)
                if (all || joins(s, normalOf(entries[i]))) _group.push_back(i);
        };
        for (uint32_t seed = 0; seed < entries.size(); ++seed) {
            if (_taken[seed]) continue;
            GLKVector3 s = normalOf(entries[seed]);
            _group.clear();
            if (indexed && isUnit(s)) {
                const float c[3] = {s.x, s.y, s.z};
                int32_t low[3], high[3];
                for (int k = 0; k < 3; ++k) {
                    low[k] = cellOf(c[k] - _radius);
                    high[k] = cellOf(c[k] + _radius);
                }
                for (int32_t x = low[0]; x <= high[0]; ++x)
                    for (int32_t y = low[1]; y <= high[1]; ++y)
                        for (int32_t z = low[2]; z <= high[2]; ++z) {
                            auto cell = _cells.find(cellKey(x, y, z));
                            if (cell != _cells.end()) takeFrom(cell->second, s, false);
                        }
                // Against a zero normal the dot product is 0.
                if (_acceptsZero) takeFrom(_zeros, s, true);
                takeFrom(_others, s, false);
                std::sort(_group.begin(), _group.end());
            } else {
                // Few corners, or a seed of no length (or an odd one): every corner left.
                for (uint32_t i = seed; i < entries.size(); ++i)
                    if (!_taken[i] && joins(s, normalOf(entries[i]))) _group.push_back(i);
            }
            finishGroup(entries, _group);
            for (uint32_t i : _group) _taken[i] = 1;
            // The seed leaves even when it is not in its group (its normal not a number);
            // so do its face's other corners at this vertex, which follow it.
            for (uint32_t i = seed; i < entries.size() && (entries[i] >> 2) == (entries[seed] >> 2); ++i) {
                if (!_taken[i]) setLink(entries[i], ZeltoCorner::kNormalFlat);
                _taken[i] = 1;
            }
        }
    }

    int32_t cellOf(float coordinate) const {
        return static_cast<int32_t>(std::floor(std::clamp(coordinate, -2.0f, 2.0f) / _cell));
    }
    static uint64_t cellKey(int32_t x, int32_t y, int32_t z) {
        auto part = [](int32_t c) { return static_cast<uint64_t>(static_cast<uint32_t>(c + (1 << 20)) & 0x1FFFFF); };
        return part(x) << 42 | part(y) << 21 | part(z);
    }

    std::vector<ZeltoFace>& _faces;
    LinkOf _linkOf;
    const std::vector<GLKVector3>& _faceNormals;
    const FacetTest& _test;
    const std::vector<uint32_t>& _pieceOf;
    std::vector<ZeltoNormal>& _normals;
    std::vector<uint32_t>& _normalFaces;
    float _radius, _cell;
    bool _acceptsZero;
    std::vector<uint32_t> _group, _zeros, _others;
    std::vector<uint8_t> _taken;
    std::unordered_map<uint64_t, std::vector<uint32_t>> _cells;
};

}  // namespace

void ZeltoModel::poseFaceNormals(pose::ConstPoints positions, GLKVector3* normals) const {
    if (!_posable) {
        // Face by face: such a model keeps no lists by shape.
        for (const ZeltoFace& face : _faces) {
            const uint32_t* c = face._vertex;
            if (face._count == 3) normals[face._position] = pose::triangleNormal(positions[c[0]], positions[c[1]], positions[c[2]]);
            if (face._count == 4)
                normals[face._position] = pose::quadNormal(positions[c[0]], positions[c[1]], positions[c[2]], positions[c[3]]);
        }
    }
    // Two-corner faces are in neither list: their normal stays (0, 0, 0). Triangles and
    // quadrilaterals go in step, a stretch of faces at a time, so the vertices a stretch
    // shares stay in cache between the two.
    std::span<const pose::TriangleCorners> triangles = _triangles;
    std::span<const pose::QuadCorners> quads = _quads;
    uint32_t triangleStart = 0, quadStart = 0;
    for (const auto& [triangleEnd, quadEnd] : _stretchEnds) {
        pose::triangleNormals(positions, triangles.subspan(triangleStart, triangleEnd - triangleStart), normals);
        pose::quadNormals(positions, quads.subspan(quadStart, quadEnd - quadStart), normals);
        triangleStart = triangleEnd;
        quadStart = quadEnd;
    }
    // A polygon's pieces share its normal: the sum of their cross products, made unit.
    for (const auto& [first, count] : _polygons) {
        GLKVector3 sum{0, 0, 0};
        for (uint32_t i = first; i < first + count; ++i) {
            const uint32_t* c = _faces[i]._vertex;
            const GLKVector3& p0 = positions[c[0]];
            sum = GLKVector3Add(sum, GLKVector3CrossProduct(GLKVector3Subtract(positions[c[1]], p0),
                                                            GLKVector3Subtract(positions[c[2]], p0)));
        }
        GLKVector3 unit = unitNormalOf(sum);
        for (uint32_t i = first; i < first + count; ++i) normals[i] = unit;
    }
}

void ZeltoModel::poseSharedNormals(const GLKVector3* faceNormals, pose::Points out) const {
    pose::sumNormals(faceNormals, _normals, _normalFaces, out);
}

// A vertex without a bone, or whose bone has no matrix in the list, is posed by the
// identity; nothing is read past the list.
void ZeltoModel::posePositions(std::span<const GLKMatrix4> matrices, pose::Points out) const {
    pose::transformVertices(_vertices, matrices, out);
}

void ZeltoModel::calcFaceNormals() { poseFaceNormals(_vertices.data(), _faceNormals.data()); }

void ZeltoModel::calcNormals() { pose::sumNormals(_faceNormals.data(), _normals, _normalFaces); }

void ZeltoModel::resetupNormalsWithMatrix(std::span<const GLKMatrix4> matrices) {
    if (!_posable && _posedOnce) return;  // no bone moves it: posed as before
    _posedOnce = true;
    calcAffineVertecesWithMatrices(matrices);
    calcFaceNormals();
    calcNormals();
}

void ZeltoModel::calcAffineVertecesWithMatrices(std::span<const GLKMatrix4> matrices) {
    pose::transformVertices(_vertices, matrices);
}

void ZeltoModel::setupNormals() {
    for (ZeltoVertex& vertex : _vertices) vertex.affinePos = vertex.pos;
    calcFaceNormals();
    groupNormals(groupingLists({}));
}

void ZeltoModel::calcNormalGroup() { groupNormals(groupingLists({})); }

ZeltoModel::GroupingLists ZeltoModel::groupingLists(std::span<const uint32_t> order) const {
    if (_faces.size() >= (size_t{1} << 30)) throw std::length_error("too many faces in one model");
    const size_t vertexCount = _vertices.size();
    GroupingLists lists;
    lists.first = zelto::largeVector<uint32_t>(vertexCount + 1, 0);
    for (const ZeltoFace& face : _faces)
        for (int32_t k = 0; k < face._count; ++k) ++lists.first[face._vertex[k] + 1];
    for (size_t v = 0; v < vertexCount; ++v) lists.first[v + 1] += lists.first[v];
    lists.entries = zelto::largeVector<uint32_t>(lists.first[vertexCount]);
    std::vector<uint32_t> next(lists.first.begin(), lists.first.end() - 1);
    for (uint32_t k = 0; k < _faces.size(); ++k) {
        uint32_t f = order.empty() ? k : order[k];
        const ZeltoFace& face = _faces[f];
        for (int32_t c = 0; c < face._count; ++c)
            lists.entries[next[face._vertex[c]]++] = f << 2 | static_cast<uint32_t>(c);
    }
    return lists;
}

void ZeltoModel::groupNormals(const GroupingLists& lists) {
    _posedOnce = false;  // the shared normals start again from zero
    _normals.clear();
    _normalFaces.clear();
    std::vector<uint32_t> pieceOf;  // the polygon's first face, for each piece
    if (!_polygons.empty()) {
        pieceOf.assign(_faces.size(), UINT32_MAX);
        for (const auto& [first, count] : _polygons)
            for (uint32_t i = first; i < first + count; ++i) pieceOf[i] = first;
    }
    const FacetTest test(_facet);
    const std::vector<uint32_t>& first = lists.first;
    const std::vector<uint32_t>& entries = lists.entries;
    // The vertices are grouped in two halves at once; each corner is one vertex's, so the
    // halves write different corners. The second half's normals follow the first's.
    // Room is made for the most a half could make (a shared normal takes two corners or
    // more): room a list does not use costs no memory until it is written.
    const mqa::Halves halves(_vertices.size());
    std::vector<ZeltoNormal> laterNormals;
    std::vector<uint32_t> laterFaces;
    _normals.reserve(entries.size() / 2);
    _normalFaces.reserve(entries.size());
    mqa::forEachHalf(halves, [&](int half, size_t begin, size_t end) {
        std::vector<ZeltoNormal>& normals = half == 0 ? _normals : laterNormals;
        std::vector<uint32_t>& normalFaces = half == 0 ? _normalFaces : laterFaces;
        if (half == 1) {
            normals.reserve((first[end] - first[begin]) / 2);
            normalFaces.reserve(first[end] - first[begin]);
        }
        Grouper grouper(_faces, &ZeltoModel::linkOf, _faceNormals, test, pieceOf, normals, normalFaces);
        for (size_t v = begin; v < end; ++v)
            grouper.group(std::span<const uint32_t>(entries.data() + first[v], first[v + 1] - first[v]));
    });
    const uint32_t normalOffset = static_cast<uint32_t>(_normals.size());
    const uint32_t faceOffset = static_cast<uint32_t>(_normalFaces.size());
    for (const ZeltoNormal& normal : laterNormals) _normals.push_back({{}, normal.firstFace + faceOffset});
    _normalFaces.insert(_normalFaces.end(), laterFaces.begin(), laterFaces.end());
    zelto::dropSlack(_normals);
    zelto::dropSlack(_normalFaces);
    if (normalOffset > 0 && !laterNormals.empty())
        for (size_t i = first[halves.middle]; i < entries.size(); ++i) {
            uint32_t& link = linkOf(_faces[entries[i] >> 2], entries[i] & 3);
            if (link < ZeltoCorner::kNormalFlat) link += normalOffset;
        }
}
