// The sweep that finds the diagonals cutting a polygon into pieces monotone in y.

#include <set>

#include "MonotonePieces.h"

namespace scene {
namespace {

// Side e runs from corner e to the next. The sweep keeps the sides that run downwards
// (those with the polygon to their east), west to east, for the height it has reached;
// each has a helper, the lowest corner swept so far that sees it straight to the west
// across the inside of the polygon. A side in the sweep holds its ends itself, so that
// comparing with it looks nowhere else.
struct Side {
    PlanePoint upper, lower;
    uint32_t index;
};

// Corner i of the polygon, in the order it is swept.
struct Event {
    PlanePoint p;
    uint32_t index;
};

class Sweep {
public:
    Sweep(std::span<const PlanePoint> points, CancelCheck& cancel)
        : _p(points), _n(static_cast<uint32_t>(points.size())), _cancel(cancel), _sides(WestToEast{this}),
          _state(points.size()) {}

    // The diagonals, or nothing when the polygon turns out not to be simple.
    std::optional<std::vector<std::array<uint32_t, 2>>> run() {
        // What each corner is to the sweep, found in the polygon's order, where its
        // neighbours are near at hand.
        std::vector<Kind> kinds(_n);
        std::vector<Event> events(_n);
        for (uint32_t i = 0; i < _n; ++i) {
            kinds[i] = kindOf(i);
            events[i] = {_p[i], i};
            _cancel.add(4);
        }
        sortInSteps(events, [](const Event& a, const Event& b) { return sweepsBefore(a.p, a.index, b.p, b.index); },
                    _cancel);
        for (const Event& event : events) {
            _at = event.p;
            _current = event.index;
            if (!sweep(event.index, kinds[event.index])) return std::nullopt;
            _cancel.add(8);
        }
        return std::move(_diagonals);
    }

private:
    // Orders sides in the sweep against the corner being swept (kLookedUp), or against
    // the side that starts there: sides in the sweep do not cross, so that side lies
    // where its corner does. The set only ever compares what it looks up with what it
    // holds.
    struct WestToEast {
        const Sweep* sweep;
        bool operator()(const Side& a, const Side& b) const {
            if (a.index == kLookedUp || a.index == sweep->_current) return sweep->sideOf(b) < 0;
            return sweep->sideOf(a) > 0;
        }
    };
    static constexpr uint32_t kLookedUp = UINT32_MAX;

    // What the sweep knows of side e, and of corner e once it is swept.
    struct State {
        std::set<Side, WestToEast>::iterator where;
        uint32_t helper = 0;
        bool helperIsMerge = false;
        bool inSweep = false;
    };

    uint32_t next(uint32_t i) const { return i + 1 == _n ? 0 : i + 1; }
    uint32_t prev(uint32_t i) const { return i == 0 ? _n - 1 : i - 1; }
    // Which side of a side the corner being swept lies on: > 0 east, < 0 west.
    int sideOf(const Side& side) const { return turnSign(side.upper, side.lower, _at); }

    // Both neighbours below: a start, or a split where the polygon opens below. Both
    // above: an end, or a merge where two parts of it meet. Else on the polygon's west
    // (going down) or east.
    enum class Kind : uint8_t { Start, Split, End, Merge, West, East };
    Kind kindOf(uint32_t i) const {
        const PlanePoint before = _p[prev(i)], at = _p[i], after = _p[next(i)];
        const bool prevBelow = sweepsBefore(at, i, before, prev(i)), nextBelow = sweepsBefore(at, i, after, next(i));
        const bool convex = turnSign(before, at, after) > 0;
        if (prevBelow && nextBelow) return convex ? Kind::Start : Kind::Split;
        if (!prevBelow && !nextBelow) return convex ? Kind::End : Kind::Merge;
        return nextBelow ? Kind::West : Kind::East;
    }

    bool sweep(uint32_t i, Kind kind) {
        switch (kind) {
            case Kind::Start:
                return open(i);
            case Kind::Split: {
                State* west = sideWest();
                if (!west) return false;
                _diagonals.push_back({i, west->helper});
                setHelper(*west, i, false);
                return open(i);
            }
            case Kind::End:
                return close(prev(i), i);
            case Kind::Merge:
                return close(prev(i), i) && helpWest(i, true);
            case Kind::West:
                return close(prev(i), i) && open(i);
            case Kind::East:
                return helpWest(i, false);
        }
        return false;
    }

    // The side from corner i down to the next joins the sweep.
    bool open(uint32_t i) {
        auto [where, added] = _sides.insert(Side{_at, _p[next(i)], i});
        if (!added) return false;  // the corner lies on a side
        State& state = _state[i];
        state.where = where;
        state.inSweep = true;
        setHelper(state, i, false);
        return true;
    }
    // Side e leaves the sweep at its lower corner i, the one being swept.
    bool close(uint32_t e, uint32_t i) {
        State& state = _state[e];
        if (!state.inSweep) return false;
        linkMergeHelper(state, i);
        _sides.erase(state.where);
        state.inSweep = false;
        return true;
    }
    // Corner i becomes the helper of the side west of it.
    bool helpWest(uint32_t i, bool merge) {
        State* west = sideWest();
        if (!west) return false;
        linkMergeHelper(*west, i);
        setHelper(*west, i, merge);
        return true;
    }
    static void setHelper(State& side, uint32_t corner, bool merge) {
        side.helper = corner;
        side.helperIsMerge = merge;
    }
    // A merge corner that helped a side is joined to corner i.
    void linkMergeHelper(const State& side, uint32_t i) {
        if (side.helperIsMerge) _diagonals.push_back({i, side.helper});
    }
    State* sideWest() {
        auto east = _sides.lower_bound(Side{_at, _at, kLookedUp});
        if (east != _sides.end() && sideOf(*east) == 0) return nullptr;  // on that side
        if (east == _sides.begin()) return nullptr;  // nothing west: not a simple polygon
        return &_state[std::prev(east)->index];
    }

    std::span<const PlanePoint> _p;
    uint32_t _n;
    CancelCheck& _cancel;
    PlanePoint _at{};  // the corner being swept
    uint32_t _current = 0;
    std::set<Side, WestToEast> _sides;
    std::vector<State> _state;
    std::vector<std::array<uint32_t, 2>> _diagonals;
};

}  // namespace

std::optional<std::vector<Triangle>> triangulateMonotonePieces(std::span<const PlanePoint> points,
                                                               CancelCheck& cancel) {
    std::optional<std::vector<std::array<uint32_t, 2>>> diagonals = Sweep(points, cancel).run();
    if (!diagonals) return std::nullopt;
    return triangulatePieces(points, *diagonals, cancel);
}

}  // namespace scene
