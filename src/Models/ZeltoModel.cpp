#include "ZeltoModel.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <functional>
#include <stdexcept>

#include "InHalves.h"
#include "LargeArrays.h"

namespace {

// Model numbers are drawn from one counter for the whole process, starting at 10.
std::atomic<int32_t> gNextModelNumber{10};

// Reorders `items` so that items[i] becomes the old items[order[i]]. Copies into a new
// list: reading in `order` stays nearly sequential for a stable partition, which is far
// faster than following the permutation's cycles through a large list.
template <typename T>
void permute(std::vector<T>& items, const std::vector<uint32_t>& order) {
    std::vector<T> sorted;
    zelto::reserveLarge(sorted, items.size());
    for (uint32_t from : order) sorted.push_back(items[from]);
    items.swap(sorted);
}

}  // namespace

ZeltoModel ZeltoModel::modelWithName(std::string_view name, float facet,
                                     std::vector<ZeltoVertex> vertices,
                                     std::vector<ZeltoFace> faces,
                                     std::vector<ZeltoAnimation> animations) {
    int32_t number = gNextModelNumber.fetch_add(1);
    return modelWithNumber(number, std::move(vertices), std::move(faces), std::move(animations),
                           facet, name);
}

ZeltoModel ZeltoModel::modelWithNumber(int32_t number, std::vector<ZeltoVertex> vertices,
                                       std::vector<ZeltoFace> faces,
                                       std::vector<ZeltoAnimation> animations, float facet,
                                       std::string_view name) {
    return ZeltoModel(number, std::move(vertices), std::move(faces), std::move(animations), facet,
                      name, {});
}

ZeltoModel ZeltoModel::modelWithName(std::string_view name, float facet,
                                     std::vector<ZeltoVertex> vertices,
                                     std::vector<ZeltoFace> facesByMaterial,
                                     std::vector<uint32_t> documentOrder,
                                     std::vector<ZeltoAnimation> animations) {
    int32_t number = gNextModelNumber.fetch_add(1);
    return ZeltoModel(number, std::move(vertices), std::move(facesByMaterial),
                      std::move(animations), facet, name, std::move(documentOrder));
}

ZeltoModel::ZeltoModel(int32_t number, std::vector<ZeltoVertex> vertices,
                       std::vector<ZeltoFace> faces, std::vector<ZeltoAnimation> animations,
                       float facet, std::string_view name, std::vector<uint32_t> documentOrder)
    : _number(number),
      _vertices(std::move(vertices)),
      _faces(std::move(faces)),
      _facet(facet),
      _animations(std::move(animations)),
      _name(name) {
    if (!documentOrder.empty()) {
        // Every face must be listed exactly once.
        std::vector<bool> listed(_faces.size(), false);
        bool permutation = documentOrder.size() == _faces.size();
        for (size_t k = 0; permutation && k < documentOrder.size(); ++k) {
            uint32_t position = documentOrder[k];
            permutation = position < listed.size() && !listed[position];
            if (permutation) listed[position] = true;
        }
        if (!permutation)
            throw std::invalid_argument("the document order must list every face exactly once");
    }
    if (documentOrder.size() != _faces.size() || !facesInMaterialOrder()) {
        // Not sorted after all: put the faces back in document order and sort here.
        if (documentOrder.size() == _faces.size()) {
            std::vector<ZeltoFace> inOrder;
            zelto::reserveLarge(inOrder, _faces.size());
            for (uint32_t position : documentOrder) inOrder.push_back(_faces[position]);
            _faces.swap(inOrder);
        }
        documentOrder.clear();
    }
    indexCorners();
    // Grouping's lists are made on a second thread while the faces are listed by shape
    // and their normals computed: neither reads what the other writes.
    GroupingLists lists;
    scene::bothAtOnce(
        scene::Halves(_faces.size()), [&] { lists = groupingLists(documentOrder); },
        [&] {
            _faceNormals = zelto::largeVector<GLKVector3>(_faces.size());
            listFacesByShape(documentOrder);
            for (ZeltoVertex& vertex : _vertices) vertex.affinePos = vertex.pos;
            calcFaceNormals();
        });
    groupNormalsWith(std::move(lists));  // which also links each face to its normals
    if (documentOrder.empty()) {
        std::vector<uint32_t> positions = sortFacesByMaterial();
        if (!positions.empty()) {
            listFacesByShape(positions);
            linkFacesToNormals();  // the faces and their normal slots have moved
        }
    }
}

uint32_t ZeltoModel::vertexIndex(const ZeltoVertex* vertex) const {
    const ZeltoVertex* first = _vertices.data();
    if (vertex < first || vertex >= first + _vertices.size()) return kNoVertex;
    return static_cast<uint32_t>(vertex - first);
}

void ZeltoModel::indexCorners() {
    _faceCorners = zelto::largeVector<std::array<uint32_t, 4>>(_faces.size(), {kNoVertex, kNoVertex, kNoVertex, kNoVertex});
    std::array<bool, 2> outside{};
    scene::forEachHalf(scene::Halves(_faces.size()), [&](int half, size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) {
            const ZeltoFace& face = _faces[i];
            for (int32_t k = 0; k < face._count; ++k) {
                uint32_t index = vertexIndex(face._vertex[k]);
                if (index == kNoVertex) outside[static_cast<size_t>(half)] = true;
                _faceCorners[i][static_cast<size_t>(k)] = index;
            }
        }
    });
    if (outside[0] || outside[1]) _cornersOutsideVertexList = true;
}

void ZeltoModel::listFacesByShape(std::span<const uint32_t> positions) {
    _triangles.clear();
    _quads.clear();
    _stretchEnds.clear();
    zelto::reserveLarge(_triangles, _faceCorners.size());
    zelto::reserveLarge(_quads, _faceCorners.size() / 2);
    for (uint32_t k = 0; k < _faceCorners.size(); ++k) {
        uint32_t i = positions.empty() ? k : positions[k];
        const std::array<uint32_t, 4>& c = _faceCorners[i];
        if (c[2] != kNoVertex) {
            if (c[3] == kNoVertex)
                _triangles.push_back({i, {c[0], c[1], c[2]}});
            else
                _quads.push_back({i, {c[0], c[1], c[2], c[3]}});
        }
        if ((k + 1) % kStretch == 0 || k + 1 == _faceCorners.size())
            _stretchEnds.push_back({static_cast<uint32_t>(_triangles.size()),
                                    static_cast<uint32_t>(_quads.size())});
    }
}

bool ZeltoModel::facesInMaterialOrder() const {
    auto before = [](const ZeltoFace& a, const ZeltoFace& b) {
        return std::less<const ZeltoMaterial*>()(a._material, b._material);
    };
    scene::Halves halves(_faces.size());
    std::array<bool, 2> sorted{};
    scene::forEachHalf(halves, [&](int half, size_t begin, size_t end) {
        sorted[static_cast<size_t>(half)] = std::is_sorted(_faces.begin() + begin, _faces.begin() + end, before);
    });
    if (halves.middle == halves.count) return sorted[0];
    return sorted[0] && sorted[1] && !before(_faces[halves.middle], _faces[halves.middle - 1]);
}

void ZeltoModel::setupNormals() { setupNormals({}); }

void ZeltoModel::setupNormals(std::span<const uint32_t> order) {
    for (ZeltoVertex& vertex : _vertices) vertex.affinePos = vertex.pos;
    calcFaceNormals();
    groupNormals(order);
}

// Stable sort by material address (no material first). Materials are few, so faces
// are ranked by their material and placed by counting.
std::vector<uint32_t> ZeltoModel::sortFacesByMaterial() {
    std::vector<const ZeltoMaterial*> materials;
    for (const ZeltoFace& face : _faces)
        if (materials.empty() || materials.back() != face._material) materials.push_back(face._material);
    std::sort(materials.begin(), materials.end());
    materials.erase(std::unique(materials.begin(), materials.end()), materials.end());
    if (materials.size() < 2 || facesInMaterialOrder()) return {};

    std::vector<uint32_t> rank = zelto::largeVector<uint32_t>(_faces.size());
    std::vector<uint32_t> start(materials.size() + 1, 0);
    const ZeltoMaterial* last = nullptr;
    uint32_t lastRank = 0;
    for (size_t i = 0; i < _faces.size(); ++i) {
        const ZeltoMaterial* material = _faces[i]._material;
        if (i == 0 || material != last) {
            last = material;
            lastRank = static_cast<uint32_t>(
                std::lower_bound(materials.begin(), materials.end(), material) - materials.begin());
        }
        rank[i] = lastRank;
        ++start[lastRank + 1];
    }
    for (size_t r = 1; r < start.size(); ++r) start[r] += start[r - 1];
    std::vector<uint32_t> order = zelto::largeVector<uint32_t>(_faces.size());  // order[new] = old
    std::vector<uint32_t> newIndex = zelto::largeVector<uint32_t>(_faces.size());
    for (uint32_t i = 0; i < _faces.size(); ++i) {
        uint32_t to = start[rank[i]]++;
        order[to] = i;
        newIndex[i] = to;
    }
    permute(_faces, order);
    permute(_faceCorners, order);
    permute(_faceNormals, order);
    for (uint32_t& face : _normalFaces) face = newIndex[face];
    return newIndex;
}

void ZeltoModel::linkFacesToNormals() {
    *_faceNormalTables = {_faceNormals.data(), _normals.data()};
    scene::forEachHalf(scene::Halves(_faces.size()), [&](int, size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) {
            _faces[i]._owner = _faceNormalTables.get();
            _faces[i]._position = static_cast<uint32_t>(i);
        }
    });
}

std::span<const uint32_t> ZeltoModel::facesOfNormal(size_t index) const {
    size_t begin = _normals[index].firstFace;
    size_t end = index + 1 < _normals.size() ? _normals[index + 1].firstFace : _normalFaces.size();
    return {_normalFaces.data() + begin, end - begin};
}

GLKMatrix4 ZeltoModel::matrixForAnimationName(std::string_view name, uint64_t atTime) const {
    if (_animations.empty()) return GLKMatrix4Identity;
    for (const ZeltoAnimation& animation : _animations) {
        if (animation.name() != name) continue;
        uint64_t frames = animation.count();
        // An animation without frames has no pose of its own: it leaves the model be.
        return frames == 0 ? GLKMatrix4Identity : animation.animation(atTime % frames);
    }
    const ZeltoAnimation& first = _animations.front();
    return first.count() == 0 ? GLKMatrix4Identity : first.animation(0);
}
