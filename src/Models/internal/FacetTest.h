#pragma once

#include <bit>
#include <cstdint>

// Whether two faces at a vertex are close enough in direction to share a smooth normal:
// limit > float(acos(double(d))), where d is the dot product of their normals and limit
// the smoothing angle in radians. acos is decreasing, so the test equals d >= d0 for a
// threshold d0 found once per model; dot products within a guard band around d0 still
// take the acos path, so the result is exactly that of the acos test.
class FacetTest {
public:
    explicit FacetTest(float facet);

    bool accepts(float d) const {
        if (!(d >= -1.0f && d <= 1.0f)) return false;  // acos gives no number: never below
        int key = orderedKey(d);
        if (key >= _acceptFromKey) return true;
        if (key < _rejectBelowKey) return false;
        return acceptsByAngle(d);
    }
    bool acceptsByAngle(float d) const;  // the defining test, one acos
    // No dot product below this passes.
    float lowestAccepted() const;
    float limit() const { return _limit; }

    // Float bits mapped to integers in the same order as the floats (-0 and +0 together).
    static int orderedKey(float f) {
        int32_t i = std::bit_cast<int32_t>(f);
        return i < 0 ? INT32_MIN - i : i;
    }

private:
    float _limit;
    int _acceptFromKey;  // ordered float keys
    int _rejectBelowKey;
};
