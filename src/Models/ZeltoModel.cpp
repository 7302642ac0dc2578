#include "ZeltoModel.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <stdexcept>

#include "LargeArrays.h"
#include "MQAHalves.h"

namespace {

// Model numbers are drawn from one counter for the whole process, starting at 10.
std::atomic<int32_t> gNextModelNumber{10};

void checkCancelled(const MQAProgress* progress) {
    if (progress && progress->isCancelled()) throw MQACancelled();
}

// Where each face goes when faces are stably sorted by material address: materials are
// few, so faces are ranked by material and placed by counting.
std::vector<uint32_t> materialOrder(const std::vector<ZeltoFace>& faces) {
    std::vector<const ZeltoMaterial*> materials;
    for (const ZeltoFace& face : faces)
        if (materials.empty() || materials.back() != face.material()) materials.push_back(face.material());
    std::sort(materials.begin(), materials.end(), std::less<const ZeltoMaterial*>());
    materials.erase(std::unique(materials.begin(), materials.end()), materials.end());
    auto rank = [&](const ZeltoFace& face) {
        return static_cast<size_t>(
            std::lower_bound(materials.begin(), materials.end(), face.material(), std::less<const ZeltoMaterial*>()) -
            materials.begin());
    };
    std::vector<uint32_t> start(materials.size() + 1, 0);
    for (const ZeltoFace& face : faces) ++start[rank(face) + 1];
    for (size_t r = 1; r < start.size(); ++r) start[r] += start[r - 1];
    std::vector<uint32_t> positions = zelto::largeVector<uint32_t>(faces.size());
    for (size_t i = 0; i < faces.size(); ++i) positions[i] = start[rank(faces[i])]++;
    return positions;
}

}  // namespace

ZeltoModel ZeltoModel::modelWithName(std::string_view name, float facet, std::vector<ZeltoVertex> vertices,
                                     std::vector<ZeltoFace> faces, std::vector<ZeltoAnimation> animations) {
    return modelWithNumber(gNextModelNumber.fetch_add(1), std::move(vertices), std::move(faces),
                           std::move(animations), facet, name);
}

ZeltoModel ZeltoModel::modelWithNumber(int32_t number, std::vector<ZeltoVertex> vertices, std::vector<ZeltoFace> faces,
                                       std::vector<ZeltoAnimation> animations, float facet, std::string_view name) {
    // Sorted first: grouping then takes the faces in document order through the positions.
    std::vector<uint32_t> documentOrder = materialOrder(faces);
    std::vector<ZeltoFace> sorted(faces.size());
    for (size_t i = 0; i < faces.size(); ++i) sorted[documentOrder[i]] = faces[i];
    return ZeltoModel(number, std::move(vertices), std::move(sorted), std::move(animations), facet, name,
                      std::move(documentOrder), nullptr);
}

ZeltoModel ZeltoModel::modelWithName(std::string_view name, float facet, std::vector<ZeltoVertex> vertices,
                                     std::vector<ZeltoFace> facesByMaterial, std::vector<uint32_t> documentOrder,
                                     std::vector<ZeltoAnimation> animations, MQAProgress* progress) {
    return ZeltoModel(gNextModelNumber.fetch_add(1), std::move(vertices), std::move(facesByMaterial),
                      std::move(animations), facet, name, std::move(documentOrder), progress);
}

ZeltoModel::ZeltoModel(int32_t number, std::vector<ZeltoVertex> vertices, std::vector<ZeltoFace> faces,
                       std::vector<ZeltoAnimation> animations, float facet, std::string_view name,
                       std::vector<uint32_t> documentOrder, MQAProgress* progress)
    : _number(number),
      _vertices(std::move(vertices)),
      _faces(std::move(faces)),
      _facet(facet),
      _animations(std::move(animations)),
      _name(name) {
    // Every face must be listed exactly once, and the faces be in material order.
    std::vector<bool> listed(_faces.size(), false);
    bool valid = documentOrder.size() == _faces.size() && facesInMaterialOrder();
    for (size_t k = 0; valid && k < documentOrder.size(); ++k) {
        valid = documentOrder[k] < listed.size() && !listed[documentOrder[k]];
        if (valid) listed[documentOrder[k]] = true;
    }
    if (!valid) throw std::invalid_argument("faces must come in material order, with each face's place listed once");
    numberFacesCheckingCorners();
    findPolygons();
    checkCancelled(progress);
    // Only a vertex that follows a bone can move: a model without one poses the same way
    // every time, so it keeps no lists by shape for posing fast.
    _posable = std::any_of(_vertices.begin(), _vertices.end(), [](const ZeltoVertex& v) { return v.bone >= 0; });
    // Grouping's lists are made on a second thread while the faces are listed by shape
    // and their normals computed: neither reads what the other writes.
    GroupingLists lists;
    mqa::runBoth(
        [&] {
            _faceNormals = zelto::largeVector<GLKVector3>(_faces.size());
            if (_posable) listFacesByShape(documentOrder);
            for (ZeltoVertex& vertex : _vertices) vertex.affinePos = vertex.pos;
            calcFaceNormals();
        },
        [&] { lists = groupingLists(documentOrder, progress); });
    checkCancelled(progress);
    groupNormals(lists, progress);
    lists = {};
    checkCancelled(progress);
}

void ZeltoModel::numberFacesCheckingCorners() {
    std::atomic<bool> outside{false};
    mqa::forEachHalf(mqa::Halves(_faces.size()), [&](int, size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) {
            _faces[i]._position = static_cast<uint32_t>(i);
            for (int32_t k = 0; k < _faces[i]._count; ++k)
                if (_faces[i]._vertex[k] >= _vertices.size()) outside = true;
        }
    });
    if (outside) throw std::out_of_range("a face's corner is not in its model's vertex list");
}

void ZeltoModel::findPolygons() {
    _polygons.clear();
    for (uint32_t i = 0; i < _faces.size(); ++i) {
        if (!_faces[i]._continues) continue;
        if (_polygons.empty() || _polygons.back()[0] + _polygons.back()[1] != i) _polygons.push_back({i - 1, 1});
        ++_polygons.back()[1];
    }
}

void ZeltoModel::listFacesByShape(std::span<const uint32_t> positions) {
    _triangles.clear();
    _quads.clear();
    _stretchEnds.clear();
    auto shapes = [&](int corners) {
        return static_cast<size_t>(std::count_if(_faces.begin(), _faces.end(), [&](auto& f) { return f._count == corners; }));
    };
    _triangles.reserve(shapes(3));
    _quads.reserve(shapes(4));
    for (uint32_t k = 0; k < _faces.size(); ++k) {
        uint32_t i = positions[k];
        const ZeltoFace& face = _faces[i];
        const uint32_t* c = face._vertex;
        if (face._count == 3) _triangles.push_back({i, {c[0], c[1], c[2]}});
        if (face._count == 4) _quads.push_back({i, {c[0], c[1], c[2], c[3]}});
        if ((k + 1) % kStretch == 0 || k + 1 == _faces.size())
            _stretchEnds.push_back({static_cast<uint32_t>(_triangles.size()), static_cast<uint32_t>(_quads.size())});
    }
}

bool ZeltoModel::facesInMaterialOrder() const {
    return std::is_sorted(_faces.begin(), _faces.end(), [](const ZeltoFace& a, const ZeltoFace& b) {
        return std::less<const ZeltoMaterial*>()(a._material, b._material);
    });
}

std::span<const uint32_t> ZeltoModel::facesOfNormal(size_t index) const {
    size_t begin = _normals[index].firstFace;
    size_t end = index + 1 < _normals.size() ? _normals[index + 1].firstFace : _normalFaces.size();
    return {_normalFaces.data() + begin, end - begin};
}

PoseView ZeltoModel::posed() const {
    const pose::ConstPoints sums = _normals.empty() ? pose::ConstPoints()
                                                    : pose::ConstPoints(&_normals.front().normal, sizeof(ZeltoNormal));
    return PoseView(pose::ConstPoints(_vertices.data()), _faceNormals.data(), sums);
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
