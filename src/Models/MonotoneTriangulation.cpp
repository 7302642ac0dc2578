// Splitting a piece monotone in y into triangles, from the top down, keeping the corners
// not yet cut off on a stack (de Berg et al., chapter 3.3).

#include "MonotonePieces.h"

namespace scene {

void triangulateMonotone(std::span<const PlanePoint> points, std::span<const uint32_t> piece,
                         std::vector<Triangle>& out) {
    const size_t n = piece.size();
    auto sweepsBeforeAt = [&](size_t i, size_t j) { return sweepsBefore(points[piece[i]], piece[i], points[piece[j]], piece[j]); };
    size_t top = 0, bottom = 0;
    for (size_t i = 1; i < n; ++i) {
        if (sweepsBeforeAt(i, top)) top = i;
        if (sweepsBeforeAt(bottom, i)) bottom = i;
    }
    // The corners from the top down: anticlockwise from the top runs the west chain,
    // clockwise the east one. Each chain keeps its own order whatever the piece's shape,
    // so every step below cuts one corner off what is left, and n - 2 triangles come out.
    struct Corner {
        uint32_t index;
        bool west;
    };
    std::vector<Corner> sorted;
    sorted.reserve(n);
    sorted.push_back({piece[top], true});
    size_t west = (top + 1) % n, east = (top + n - 1) % n;
    while (west != bottom || east != bottom) {
        bool takeWest = east == bottom || (west != bottom && sweepsBeforeAt(west, east));
        if (takeWest) {
            sorted.push_back({piece[west], true});
            west = (west + 1) % n;
        } else {
            sorted.push_back({piece[east], false});
            east = (east + n - 1) % n;
        }
    }
    sorted.push_back({piece[bottom], true});

    // `upper` above `lower` on one chain, `other` across: the triangle anticlockwise.
    auto triangle = [](uint32_t upper, uint32_t lower, uint32_t other, bool westChain) {
        return westChain ? Triangle{upper, lower, other} : Triangle{lower, upper, other};
    };
    auto turnsAnticlockwise = [&](const Triangle& t) { return turnSign(points[t[0]], points[t[1]], points[t[2]]) > 0; };
    // Every corner on the stack but the lowest is reflex, seen from what is left.
    std::vector<Corner> stack = {sorted[0], sorted[1]};
    for (size_t j = 2; j + 1 < n; ++j) {
        const Corner corner = sorted[j];
        if (corner.west != stack.back().west) {
            // Across from the stack: every corner on it can be seen, and all but the
            // lowest are cut off.
            const bool chain = stack.back().west;
            for (size_t i = 0; i + 1 < stack.size(); ++i)
                out.push_back(triangle(stack[i].index, stack[i + 1].index, corner.index, chain));
            Corner last = stack.back();
            stack = {last, corner};
        } else {
            // On the stack's chain: cut off the corners it sees until one is reflex.
            Corner last = stack.back();
            stack.pop_back();
            while (!stack.empty()) {
                Triangle cut = triangle(stack.back().index, last.index, corner.index, corner.west);
                if (!turnsAnticlockwise(cut)) break;
                out.push_back(cut);
                last = stack.back();
                stack.pop_back();
            }
            stack.push_back(last);
            stack.push_back(corner);
        }
    }
    const uint32_t lowest = sorted[n - 1].index;
    const bool chain = stack.back().west;
    for (size_t i = 0; i + 1 < stack.size(); ++i) out.push_back(triangle(stack[i].index, stack[i + 1].index, lowest, chain));
}

}  // namespace scene
