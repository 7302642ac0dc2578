// Face normals, the grouping of corners into shared smooth normals, their sums, and
// posing, which refreshes them.

#include <stdexcept>

#include "FacetTest.h"
#include "LargeArrays.h"
#include "MQAHalves.h"
#include "NormalGrouping.h"
#include "PoseKernels.h"
#include "ZeltoModel.h"

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

ZeltoModel::GroupingLists ZeltoModel::groupingLists(std::span<const uint32_t> order, const MQAProgress* progress) const {
    if (_faces.size() >= (size_t{1} << 30)) throw std::length_error("too many faces in one model");
    scene::CancelCheck cancel(progress);
    const size_t vertexCount = _vertices.size();
    GroupingLists lists;
    lists.first = zelto::largeVector<uint32_t>(vertexCount + 1, 0);
    for (const ZeltoFace& face : _faces) {
        for (int32_t k = 0; k < face._count; ++k) ++lists.first[face._vertex[k] + 1];
        cancel.add();
    }
    for (size_t v = 0; v < vertexCount; ++v) lists.first[v + 1] += lists.first[v];
    lists.entries = zelto::largeVector<uint32_t>(lists.first[vertexCount]);
    std::vector<uint32_t> next(lists.first.begin(), lists.first.end() - 1);
    for (uint32_t k = 0; k < _faces.size(); ++k) {
        uint32_t f = order.empty() ? k : order[k];
        const ZeltoFace& face = _faces[f];
        for (int32_t c = 0; c < face._count; ++c)
            lists.entries[next[face._vertex[c]]++] = f << 2 | static_cast<uint32_t>(c);
        cancel.add();
    }
    return lists;
}

void ZeltoModel::groupNormals(const GroupingLists& lists, const MQAProgress* progress) {
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
        scene::CancelCheck cancel(progress);
        NormalGrouper grouper(
            _faceNormals, test, pieceOf, [this](uint32_t entry, uint32_t link) { linkOf(_faces[entry >> 2], entry & 3) = link; },
            normals, normalFaces, cancel);
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
