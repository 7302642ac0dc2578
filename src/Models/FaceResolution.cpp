#include "FaceResolution.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "LargeArrays.h"
#include "MQAHalves.h"
#include "Triangulation.h"

namespace scene {

void LineNumbers::add(size_t index, uint64_t fileLine) {
    if (!_jumps.empty() && _jumps.back().second + (index - _jumps.back().first) == fileLine) return;
    _jumps.emplace_back(index, fileLine);
}

uint64_t LineNumbers::fileLine(size_t index) const {
    auto after = std::upper_bound(_jumps.begin(), _jumps.end(), index,
                                  [](size_t i, const std::pair<size_t, uint64_t>& jump) { return i < jump.first; });
    if (after == _jumps.begin()) return 0;
    --after;
    return after->second + (index - after->first);
}

void LineNumbers::append(const LineNumbers& later, size_t offset) {
    for (const auto& [index, line] : later._jumps) add(index + offset, line);
}

FaceList::FaceList(uint32_t depth, bool polygons, size_t expected)
    : _expected(expected), _depth(depth), _polygons(polygons) {
    _pieces.emplace_back();
    _pieces.back().faces.reserve(expected);
}

void FaceList::line(const MQALine& line, uint32_t depth) {
    if (depth != _depth) return;  // within a block a face line opens
    Piece& piece = _pieces.back();
    _lines.add(_count, line.fileLine);
    piece.faces.push_back(faceOfLine(line, _polygons, piece.corners));
    ++_count;
}

void FaceList::absorb(FaceList& later) {
    _lines.append(later._lines, _count);
    _count += later._count;
    for (Piece& piece : later._pieces) _pieces.push_back(std::move(piece));
    later._pieces.clear();
    later._count = 0;
    // Lines after the later ones start a piece of their own.
    _pieces.emplace_back();
}

void FaceList::close() {
    // A list read in halves holds about half its room in each piece: that stays.
    size_t room = 0;
    for (const Piece& piece : _pieces) room += piece.faces.capacity();
    if (room > 3 * _count + 4096)
        for (Piece& piece : _pieces) piece.faces.shrink_to_fit();
}

bool FaceList::needsMaterialPast(size_t count) const {
    for (const Piece& piece : _pieces)
        for (const RawFace& face : piece.faces)
            if (face.materialState == RawFace::kMaterialWithoutValue || face.material < 0 ||
                static_cast<size_t>(face.material) >= count)
                return true;
    return false;
}

class FaceResolver {
public:
    FaceResolver(const FaceList& list, std::span<const ZeltoVertex> vertices, const std::vector<ZeltoMaterial>& materials,
                 bool fallback, const std::string& label)
        : _list(list), _vertices(vertices), _materials(materials), _fallback(fallback), _label(label),
          _usable(fallback ? materials.size() - 1 : materials.size()) {}

    ResolvedFaces run(MQAProgress* progress) {
        ResolvedFaces out;
        mqa::Halves halves(_list.size());
        // Each face goes straight to its place in material order: material by material
        // (they are in one list, so their order by address is their order in it), and
        // within a material the first half's faces before the second's.
        const size_t slots = std::max<size_t>(_materials.size(), 1);
        std::array<std::vector<uint32_t>, 2> counts{std::vector<uint32_t>(slots, 0), std::vector<uint32_t>(slots, 0)};
        mqa::forEachHalf(halves, [&](int half, size_t begin, size_t end) {
            CancelCheck cancel(progress);
            forLines(begin, end, [&](size_t, const RawFace& raw, const FaceList::Piece& piece) {
                counts[static_cast<size_t>(half)][slotOf(raw)] += facesMadeBy(raw, piece);
                cancel.add(raw.corners == RawFace::kPolygon ? static_cast<size_t>(raw.vertex[1]) : 1);
            });
        });
        std::array<std::vector<uint32_t>, 2> next{std::vector<uint32_t>(slots), std::vector<uint32_t>(slots)};
        uint32_t total = 0, firstHalf = 0;
        for (size_t m = 0; m < slots; ++m) {
            next[0][m] = total;
            next[1][m] = total + counts[0][m];
            total += counts[0][m] + counts[1][m];
            firstHalf += counts[0][m];
        }
        if (progress && progress->isCancelled()) throw MQACancelled();
        out.faces = zelto::largeVector<ZeltoFace>(total);
        out.documentOrder = zelto::largeVector<uint32_t>(total);
        std::array<size_t, 2> defaulted{}, approximated{};
        std::array<uint64_t, 2> firstDefaulted{}, firstApproximated{};
        mqa::forEachHalf(halves, [&](int half, size_t begin, size_t end) {
            const size_t h = static_cast<size_t>(half);
            uint32_t made = half == 0 ? 0 : firstHalf;
            std::vector<uint32_t>& place = next[h];
            CancelCheck cancel(progress);
            forLines(begin, end, [&](size_t index, const RawFace& raw, const FaceList::Piece& piece) {
                cancel.add();
                size_t slot = slotOf(raw);
                if (!usable(raw) && _fallback) {
                    if (defaulted[h]++ == 0) firstDefaulted[h] = _list._lines.fileLine(index);
                }
                bool exact = facesOf(index, raw, piece, cancel, [&](const ZeltoFace& face) {
                    uint32_t position = place[slot]++;
                    out.documentOrder[made++] = position;
                    out.faces[position] = face;
                });
                if (!exact && approximated[h]++ == 0) firstApproximated[h] = _list._lines.fileLine(index);
            });
        });
        out.defaulted = defaulted[0] + defaulted[1];
        out.firstDefaultedLine = firstDefaulted[0] ? firstDefaulted[0] : firstDefaulted[1];
        out.approximated = approximated[0] + approximated[1];
        out.firstApproximatedLine = firstApproximated[0] ? firstApproximated[0] : firstApproximated[1];
        return out;
    }

private:
    template <typename Work>
    void forLines(size_t begin, size_t end, Work&& work) const {
        size_t index = 0;
        for (const FaceList::Piece& piece : _list._pieces) {
            size_t pieceEnd = index + piece.faces.size();
            for (size_t i = std::max(begin, index); i < std::min(end, pieceEnd); ++i)
                work(i, piece.faces[i - index], piece);
            index = pieceEnd;
        }
    }

    bool usable(const RawFace& raw) const {
        int32_t m = raw.materialState == RawFace::kMaterial ? raw.material : 0;
        return raw.materialState != RawFace::kMaterialWithoutValue && m >= 0 && static_cast<size_t>(m) < _usable;
    }
    // The material a line's faces are counted under. A line whose material cannot be used
    // counts as material 0 when it has no default to take: resolving it reports the error.
    size_t slotOf(const RawFace& raw) const {
        if (usable(raw)) return static_cast<size_t>(raw.materialState == RawFace::kMaterial ? raw.material : 0);
        return _fallback ? _materials.size() - 1 : 0;
    }
    // One face, or the pieces of a polygon of more than four corners present (absent
    // ones, negative, left out).
    uint32_t facesMadeBy(const RawFace& raw, const FaceList::Piece& piece) const {
        if (raw.corners != RawFace::kPolygon) return 1;
        uint32_t present = 0;
        for (int32_t k = 0; k < raw.vertex[1]; ++k)
            if (piece.corners[static_cast<size_t>(raw.vertex[0] + k)].vertex >= 0) ++present;
        return present > 4 ? present - 2 : 1;
    }

    // Hands the faces of one line to `emit`; throws for a line that names what it cannot
    // use. False when they only approximate a polygon that is not simple.
    template <typename Emit>
    bool facesOf(size_t index, const RawFace& raw, const FaceList::Piece& piece, CancelCheck& cancel, Emit&& emit) const {
        auto fail = [&](std::string_view what) {
            SceneError error(_label + ", face line " + std::to_string(index + 1) + ": " + std::string(what));
            if (uint64_t line = _list._lines.fileLine(index))
                error.setPlace(MQAPlace{line, 0, std::nullopt, excerptOf(raw, piece)});
            throw error;
        };
        if (!usable(raw) && !_fallback) {
            if (raw.materialState == RawFace::kMaterialWithoutValue) fail(missingValue("\"m\"", 0, 0));
            fail("material index " + std::to_string(raw.materialState == RawFace::kMaterial ? raw.material : 0) +
                 " is out of range (" + std::to_string(_materials.size()) + " materials)");
        }
        const ZeltoMaterial* material = &_materials[slotOf(raw)];
        // The corners as the line gives them.
        const bool polygon = raw.corners == RawFace::kPolygon;
        std::array<PolygonCorner, 4> few;
        std::span<const PolygonCorner> written;
        if (polygon) {
            written = std::span<const PolygonCorner>(piece.corners).subspan(static_cast<size_t>(raw.vertex[0]),
                                                                            static_cast<size_t>(raw.vertex[1]));
        } else {
            for (uint8_t k = 0; k < raw.corners; ++k) few[k] = {raw.vertex[k], {raw.uv[2 * k], raw.uv[2 * k + 1]}};
            written = std::span<const PolygonCorner>(few.data(), raw.corners);
        }
        for (const PolygonCorner& corner : written)
            if (corner.vertex >= 0 && static_cast<size_t>(corner.vertex) >= _vertices.size())
                fail("vertex index " + std::to_string(corner.vertex) + " is out of range (" +
                     std::to_string(_vertices.size()) + " vertices)");
        for (size_t k = 0; k < 2; ++k)
            if (k >= written.size() || written[k].vertex < 0)
                fail("corner " + std::to_string(k) + " has no vertex (a face needs vertices for its first two corners)");
        if (polygon) {
            // The absent corners (negative) of a polygon are left out.
            std::vector<PolygonCorner> present;
            for (const PolygonCorner& corner : written) {
                if (corner.vertex >= 0) present.push_back(corner);
                cancel.add();
            }
            if (present.size() > 4) return piecesOf(present, material, cancel, emit);
            std::copy(present.begin(), present.end(), few.begin());
            written = std::span<const PolygonCorner>(few.data(), present.size());
        }
        // An absent corner (negative) leaves its place empty.
        uint32_t v[4] = {ZeltoFace::kNoVertex, ZeltoFace::kNoVertex, ZeltoFace::kNoVertex, ZeltoFace::kNoVertex};
        GLKVector2 uv[4] = {};
        for (size_t k = 0; k < written.size(); ++k) {
            if (written[k].vertex >= 0) v[k] = static_cast<uint32_t>(written[k].vertex);
            uv[k] = written[k].uv;
        }
        emit(ZeltoFace::faceWithMaterial(material, v[0], v[1], v[2], v[3], uv[0].x, uv[0].y, uv[1].x, uv[1].y,
                                         uv[2].x, uv[2].y, uv[3].x, uv[3].y));
        return true;
    }

    // A polygon of more than four corners, as the triangles that cover it.
    template <typename Emit>
    bool piecesOf(const std::vector<PolygonCorner>& corners, const ZeltoMaterial* material, CancelCheck& cancel,
                  Emit&& emit) const {
        std::vector<GLKVector3> points;
        points.reserve(corners.size());
        for (const PolygonCorner& corner : corners) {
            points.push_back(_vertices[static_cast<size_t>(corner.vertex)].pos);
            cancel.add();
        }
        const PolygonSplit split = triangulate(points, cancel);
        bool first = true;
        for (const Triangle& triangle : split.triangles) {
            uint32_t vertices[3];
            GLKVector2 uvs[3];
            for (size_t k = 0; k < 3; ++k) {
                vertices[k] = static_cast<uint32_t>(corners[triangle[k]].vertex);
                uvs[k] = corners[triangle[k]].uv;
            }
            uint8_t inner = innerSides(triangle, static_cast<uint32_t>(corners.size()));
            emit(ZeltoFace::pieceOfPolygon(material, vertices, uvs, inner, !first));
            first = false;
        }
        return split.exact;
    }

    // A face line as the scene read it, for the place of an error.
    static std::string excerptOf(const RawFace& face, const FaceList::Piece& piece) {
        std::string text;
        auto number = [&](double value) {
            char buffer[32];
            std::snprintf(buffer, sizeof buffer, "%g", value);
            text += buffer;
        };
        bool polygon = face.corners == RawFace::kPolygon;
        int32_t corners = polygon ? face.vertex[1] : face.corners;
        if (corners) {
            text += "V(";
            for (int32_t k = 0; k < corners; ++k) {
                if (k) text += ' ';
                number(polygon ? piece.corners[static_cast<size_t>(face.vertex[0] + k)].vertex : face.vertex[static_cast<size_t>(k)]);
            }
            text += ")";
        }
        if (face.materialState != RawFace::kNoMaterial) {
            text += text.empty() ? "M(" : " M(";
            if (face.materialState == RawFace::kMaterial) number(face.material);
            text += ")";
        }
        return text;
    }

    const FaceList& _list;
    std::span<const ZeltoVertex> _vertices;
    const std::vector<ZeltoMaterial>& _materials;
    bool _fallback;
    const std::string& _label;
    size_t _usable;  // materials a line may name
};

ResolvedFaces resolveFaces(const FaceList& list, std::span<const ZeltoVertex> vertices,
                           const std::vector<ZeltoMaterial>& materials, bool fallback, const std::string& label,
                           MQAProgress* progress) {
    return FaceResolver(list, vertices, materials, fallback, label).run(progress);
}

}  // namespace scene
