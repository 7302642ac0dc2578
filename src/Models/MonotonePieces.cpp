// Cutting a polygon along its diagonals into pieces, by walking round each piece.

#include <algorithm>

#include "MonotonePieces.h"

namespace scene {
namespace {

constexpr uint32_t kSide = UINT32_MAX;  // a way along one of the polygon's own sides

// One way out of a corner: to the next corner, along a diagonal, or back to the
// previous corner.
struct Way {
    uint32_t to;
    uint32_t diagonalEnd;  // 2 k for diagonal k taken from its first end, 2 k + 1 from its second; kSide
};

}  // namespace

std::optional<std::vector<Triangle>> triangulatePieces(std::span<const PlanePoint> points,
                                                       std::span<const std::array<uint32_t, 2>> diagonals,
                                                       CancelCheck& cancel) {
    const uint32_t n = static_cast<uint32_t>(points.size());
    auto next = [n](uint32_t i) { return i + 1 == n ? 0 : i + 1; };
    // Each corner's ways out, anticlockwise from the way to the next corner round to the
    // way back to the previous one: those of corner v are ways[first[v]] to ways[first[v + 1] - 1].
    std::vector<uint32_t> first(n + 1, 2);
    first[0] = 0;
    for (const auto& [a, b] : diagonals) ++first[a + 1], ++first[b + 1];
    for (uint32_t v = 0; v < n; ++v) first[v + 1] += first[v];
    cancel.add(n + diagonals.size());
    std::vector<Way> ways(first[n]);
    std::vector<uint32_t> filled(n);
    for (uint32_t v = 0; v < n; ++v) {
        ways[first[v]] = {next(v), kSide};
        ways[first[v + 1] - 1] = {v == 0 ? n - 1 : v - 1, kSide};
        filled[v] = first[v] + 1;
        cancel.add();
    }
    for (uint32_t k = 0; k < diagonals.size(); ++k) {
        auto [a, b] = diagonals[k];
        ways[filled[a]++] = {b, 2 * k};
        ways[filled[b]++] = {a, 2 * k + 1};
        cancel.add();
    }
    std::vector<uint32_t> wayOfEnd(2 * diagonals.size());
    for (uint32_t v = 0; v < n; ++v) {
        auto begin = ways.begin() + first[v] + 1, end = ways.begin() + first[v + 1] - 1;
        if (end - begin > 1) {
            const PlanePoint c = points[v], ahead = points[next(v)];
            // 0 from straight ahead up to straight back, 1 beyond.
            auto half = [&](const PlanePoint& w) {
                if (int turn = turnSign(c, ahead, w)) return turn > 0 ? 0 : 1;
                return (ahead.x - c.x) * (w.x - c.x) + (ahead.y - c.y) * (w.y - c.y) > 0 ? 0 : 1;
            };
            std::sort(begin, end, [&](const Way& a, const Way& b) {
                int ha = half(points[a.to]), hb = half(points[b.to]);
                return ha != hb ? ha < hb : turnSign(c, points[a.to], points[b.to]) > 0;
            });
            cancel.add(static_cast<size_t>(end - begin) * 8);
        }
        for (auto way = begin; way != end; ++way) wayOfEnd[way->diagonalEnd] = static_cast<uint32_t>(way - ways.begin());
        cancel.add();
    }

    // Arriving at a corner, a piece (its inside on the left) goes on along the way just
    // clockwise of the one it came by. Every way but the one back to the previous corner
    // starts one piece's walk.
    std::vector<uint8_t> walked(ways.size(), 0);
    std::vector<uint32_t> piece;
    std::vector<Triangle> triangles;
    triangles.reserve(n - 2);
    size_t pieces = 0;
    for (uint32_t v = 0; v < n; ++v)
        for (uint32_t start = first[v]; start + 1 < first[v + 1]; ++start) {
            cancel.add();
            if (walked[start]) continue;
            piece.clear();
            uint32_t at = v, way = start;
            do {
                walked[way] = 1;
                piece.push_back(at);
                const Way& out = ways[way];
                uint32_t arrival = out.diagonalEnd == kSide ? first[out.to + 1] - 1 : wayOfEnd[out.diagonalEnd ^ 1];
                at = out.to;
                way = arrival - 1;
                if (way != start && walked[way]) return std::nullopt;
            } while (way != start);
            if (piece.size() < 3) return std::nullopt;
            triangulateMonotone(points, piece, triangles);
            cancel.add(piece.size() * 4);
            ++pieces;
        }
    if (pieces != diagonals.size() + 1) return std::nullopt;
    return triangles;
}

}  // namespace scene
