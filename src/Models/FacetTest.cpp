#include "FacetTest.h"

#include <climits>
#include <cmath>

namespace {

float fromOrderedKey(int key) {
    return std::bit_cast<float>(key < 0 ? INT32_MIN - key : key);
}

constexpr int kGuardBand = 64;  // floats either side of the threshold checked with acos

}  // namespace

FacetTest::FacetTest(float facet)
    : _limit(static_cast<float>(static_cast<double>(facet) * 0.017453292519943295)) {
    int low = orderedKey(-1.0f), high = orderedKey(1.0f);
    int threshold;  // smallest key whose dot product is accepted
    if (!acceptsByAngle(1.0f)) {
        threshold = high + 1;
    } else if (acceptsByAngle(-1.0f)) {
        threshold = low;
    } else {
        while (high - low > 1) {  // invariant: low rejected, high accepted
            int middle = low + (high - low) / 2;
            (acceptsByAngle(fromOrderedKey(middle)) ? high : low) = middle;
        }
        threshold = high;
    }
    _acceptFromKey = threshold + kGuardBand;
    _rejectBelowKey = threshold - kGuardBand;
}

bool FacetTest::acceptsByAngle(float d) const {
    return _limit > static_cast<float>(std::acos(static_cast<double>(d)));
}

float FacetTest::lowestAccepted() const {
    return _rejectBelowKey <= orderedKey(-1.0f) ? -1.0f : fromOrderedKey(_rejectBelowKey);
}
