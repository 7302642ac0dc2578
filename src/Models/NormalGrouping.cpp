#include "NormalGrouping.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numeric>

#include "ZeltoFace.h"

namespace {

constexpr size_t kFew = 64;
constexpr uint64_t kPiece = uint64_t{1} << 63;
constexpr uint32_t kNone = UINT32_MAX;

// The dot product in the order y, x, z.
float dotYXZ(GLKVector3 s, GLKVector3 f) { return (s.y * f.y + s.x * f.x) + s.z * f.z; }

bool hasNaN(GLKVector3 n) { return std::isnan(n.x) || std::isnan(n.y) || std::isnan(n.z); }
bool isZero(GLKVector3 n) { return n.x == 0 && n.y == 0 && n.z == 0; }
bool isUnit(GLKVector3 n) {
    float lengthSquared = n.x * n.x + n.y * n.y + n.z * n.z;
    return lengthSquared > 0.999f && lengthSquared < 1.001f;
}

uint64_t cellKey(int32_t x, int32_t y, int32_t z) {
    auto part = [](int32_t c) { return static_cast<uint64_t>(static_cast<uint32_t>(c + (1 << 20)) & 0x1FFFFF); };
    return part(x) << 42 | part(y) << 21 | part(z);
}

// A corner keyed by its face's normal, bit for bit (-0 made 0, so that the keys are
// equal just when the normals are), then by its place.
struct Keyed {
    uint32_t x, y, z, position;
    bool sameNormal(const Keyed& other) const { return x == other.x && y == other.y && z == other.z; }
};

}  // namespace

NormalGrouper::NormalGrouper(std::span<const GLKVector3> faceNormals, const FacetTest& test,
                             std::span<const uint32_t> pieceOf, SetLink setLink, std::vector<ZeltoNormal>& normals,
                             std::vector<uint32_t>& normalFaces, scene::CancelCheck& cancel)
    : _faceNormals(faceNormals),
      _test(test),
      _pieceOf(pieceOf),
      _setLink(std::move(setLink)),
      _normals(normals),
      _normalFaces(normalFaces),
      _cancel(cancel) {
    float lowest = test.lowestAccepted();
    // Unit normals whose dot product passes lie this close to each other, with room
    // for rounding in normalising and in the dot product.
    _radius = std::sqrt(std::max(0.0f, 2 - 2 * lowest) + 1e-5f);
    _cell = std::max(_radius, 1.0f / 1024);
    // The test passes more the larger the dot product: when parallel normals fail it,
    // only equal ones join.
    _acceptsAny = test.accepts(1.0f);
    _acceptsZero = test.accepts(0.0f);
}

bool NormalGrouper::joins(GLKVector3 seed, GLKVector3 f) const {
    return _test.accepts(dotYXZ(seed, f)) || f == seed;
}

void NormalGrouper::group(std::span<const uint32_t> entries) {
    if (entries.empty()) return;
    _cancel.add(entries.size());
    // Most often every corner at a vertex joins the first: one group, seen in one look.
    const GLKVector3 seed = normalOf(entries[0]);
    size_t joined = 1;
    while (joined < entries.size() && joins(seed, normalOf(entries[joined]))) ++joined;
    if (joined == entries.size()) {
        _group.resize(joined);
        std::iota(_group.begin(), _group.end(), 0u);
        finishGroup(entries, _group);
    } else if (entries.size() <= kFew) {
        groupFew(entries);
    } else {
        groupByKinds(entries);
    }
}

// Makes the group's shared normal, or leaves its corners flat when it holds one face;
// `group` holds positions in `entries`, in order.
void NormalGrouper::finishGroup(std::span<const uint32_t> entries, const std::vector<uint32_t>& group) {
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
    for (uint32_t i : group) _setLink(entries[i], link);
}

// Seed by seed, each looking at every corner left. A seed's face's other corners at the
// vertex (the same normal) join it.
void NormalGrouper::groupFew(std::span<const uint32_t> entries) {
    _takenFew.assign(entries.size(), 0);
    for (uint32_t i = 0; i < entries.size(); ++i)
        if (hasNaN(normalOf(entries[i]))) {
            _takenFew[i] = 1;  // joins nothing
            _setLink(entries[i], ZeltoCorner::kNormalFlat);
        }
    for (uint32_t seed = 0; seed < entries.size(); ++seed) {
        if (_takenFew[seed]) continue;
        GLKVector3 s = normalOf(entries[seed]);
        _group.clear();
        for (uint32_t i = seed; i < entries.size(); ++i)
            if (!_takenFew[i] && joins(s, normalOf(entries[i]))) _group.push_back(i);
        finishGroup(entries, _group);
        for (uint32_t i : _group) _takenFew[i] = 1;
    }
}

// Seed by seed, in kinds of equal normal: a seed takes its own kind whole, and each
// kind that joins it, found through the grid.
void NormalGrouper::groupByKinds(std::span<const uint32_t> entries) {
    sortIntoKinds(entries);
    if (_acceptsAny) indexKinds();
    for (uint32_t position = 0; position < entries.size(); ++position) {
        const uint32_t kind = _kindOf[position];
        if (kind == kNone || _kinds[kind].taken) continue;
        _kinds[kind].taken = true;
        _taken.assign(1, kind);
        const GLKVector3 s = _kinds[kind].normal;
        if (_acceptsAny && isUnit(s)) {
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
        } else if (_acceptsAny) {
            takeFrom(_remaining, s, false);  // a seed of no length (or an odd one): every kind left
        }
        _group.clear();
        for (uint32_t taken : _taken) {
            const Kind& k = _kinds[taken];
            _group.insert(_group.end(), _members.begin() + k.first, _members.begin() + k.first + k.count);
        }
        if (_taken.size() > 1) std::sort(_group.begin(), _group.end());
        _cancel.add(_group.size());
        finishGroup(entries, _group);
    }
}

// Corners whose normal is not a number join nothing, and are flat.
void NormalGrouper::sortIntoKinds(std::span<const uint32_t> entries) {
    std::vector<Keyed> keyed;
    keyed.reserve(entries.size());
    for (uint32_t i = 0; i < entries.size(); ++i) {
        GLKVector3 n = normalOf(entries[i]);
        if (hasNaN(n)) {
            _setLink(entries[i], ZeltoCorner::kNormalFlat);
            continue;
        }
        auto bits = [](float f) { return std::bit_cast<uint32_t>(f + 0.0f); };
        keyed.push_back({bits(n.x), bits(n.y), bits(n.z), i});
    }
    scene::sortInSteps(
        keyed,
        [](const Keyed& a, const Keyed& b) {
            if (a.x != b.x) return a.x < b.x;
            if (a.y != b.y) return a.y < b.y;
            if (a.z != b.z) return a.z < b.z;
            return a.position < b.position;
        },
        _cancel);
    _kinds.clear();
    _members.resize(keyed.size());
    _kindOf.assign(entries.size(), kNone);
    for (uint32_t j = 0; j < keyed.size(); ++j) {
        if (j == 0 || !keyed[j].sameNormal(keyed[j - 1]))
            _kinds.push_back({normalOf(entries[keyed[j].position]), j, 0, false});
        _members[j] = keyed[j].position;
        ++_kinds.back().count;
        _kindOf[keyed[j].position] = static_cast<uint32_t>(_kinds.size() - 1);
    }
}

// Unit normals go in cells of the grid; a seed looks only at the cells near enough.
void NormalGrouper::indexKinds() {
    _cells.clear();
    _zeros.clear();
    _others.clear();
    _remaining.resize(_kinds.size());
    std::iota(_remaining.begin(), _remaining.end(), 0u);
    for (uint32_t k = 0; k < _kinds.size(); ++k) {
        GLKVector3 n = _kinds[k].normal;
        if (isZero(n))
            _zeros.push_back(k);
        else if (isUnit(n))
            _cells[cellKey(cellOf(n.x), cellOf(n.y), cellOf(n.z))].push_back(k);
        else
            _others.push_back(k);
    }
    _cancel.add(_kinds.size());
}

void NormalGrouper::takeFrom(std::vector<uint32_t>& list, GLKVector3 s, bool all) {
    std::erase_if(list, [&](uint32_t k) { return _kinds[k].taken; });
    for (uint32_t k : list)
        if (all || joins(s, _kinds[k].normal)) {
            _kinds[k].taken = true;
            _taken.push_back(k);
        }
    _cancel.add(list.size());
}

int32_t NormalGrouper::cellOf(float coordinate) const {
    return static_cast<int32_t>(std::floor(std::clamp(coordinate, -2.0f, 2.0f) / _cell));
}
