#include "PlaneGeometry.h"

#include <cmath>

namespace scene {
namespace {

// The sign of a sum of doubles, exactly: the terms are added into a list of parts that
// do not overlap, smallest first (Shewchuk's growing expansion), whose largest part has
// the sign of the whole.
template <size_t N>
int exactSignOfSum(const double (&terms)[N]) {
    double parts[N];
    size_t count = 0;
    for (double term : terms) {
        double carried = term;
        size_t kept = 0;
        for (size_t i = 0; i < count; ++i) {
            double sum = carried + parts[i];
            double partBack = sum - carried;
            double carriedBack = sum - partBack;
            double error = (carried - carriedBack) + (parts[i] - partBack);
            carried = sum;
            if (error != 0) parts[kept++] = error;
        }
        if (carried != 0) parts[kept++] = carried;
        count = kept;
    }
    return count == 0 ? 0 : parts[count - 1] > 0 ? 1 : -1;
}

}  // namespace

int turnSign(PlanePoint a, PlanePoint b, PlanePoint c) {
    const double left = (b.x - a.x) * (c.y - a.y), right = (b.y - a.y) * (c.x - a.x);
    const double turn = left - right;
    // What rounding can have changed, at most (Shewchuk's first bound for this sum).
    const double bound = 3.3306690738754716e-16 * (std::fabs(left) + std::fabs(right));
    if (turn > bound) return 1;
    if (-turn > bound) return -1;
    // The same sum multiplied out: each product of two floats is exact in a double.
    const double terms[] = {b.x * c.y, -b.x * a.y, -a.x * c.y, -b.y * c.x, b.y * a.x, a.y * c.x};
    return exactSignOfSum(terms);
}

}  // namespace scene
