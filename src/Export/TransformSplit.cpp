#include "TransformSplit.h"

#include <cmath>

namespace {

using Matrix3 = std::array<std::array<double, 3>, 3>;  // [column][row]

double determinant(const Matrix3& a) {
    return a[0][0] * (a[1][1] * a[2][2] - a[2][1] * a[1][2]) - a[1][0] * (a[0][1] * a[2][2] - a[2][1] * a[0][2]) +
           a[2][0] * (a[0][1] * a[1][2] - a[1][1] * a[0][2]);
}

// The rotation nearest to `a` (its polar factor), by Newton's iteration R <- (R + R^-T) / 2.
Matrix3 nearestRotation(Matrix3 a) {
    for (int step = 0; step < 30; ++step) {
        double d = determinant(a);
        if (!(std::fabs(d) > 1e-300)) break;
        Matrix3 inverseTransposed;  // cofactors over the determinant
        for (int c = 0; c < 3; ++c)
            for (int r = 0; r < 3; ++r) {
                int c1 = (c + 1) % 3, c2 = (c + 2) % 3, r1 = (r + 1) % 3, r2 = (r + 2) % 3;
                inverseTransposed[c][r] = (a[c1][r1] * a[c2][r2] - a[c2][r1] * a[c1][r2]) / d;
            }
        double change = 0;
        for (int c = 0; c < 3; ++c)
            for (int r = 0; r < 3; ++r) {
                double next = (a[c][r] + inverseTransposed[c][r]) / 2;
                change = std::max(change, std::fabs(next - a[c][r]));
                a[c][r] = next;
            }
        if (change < 1e-12) break;
    }
    return a;
}

std::array<double, 4> quaternionOf(const Matrix3& m) {
    // m[column][row]; the element in row r, column c is m[c][r].
    double trace = m[0][0] + m[1][1] + m[2][2], x, y, z, w;
    if (trace > 0) {
        double s = std::sqrt(trace + 1) * 2;
        w = s / 4, x = (m[1][2] - m[2][1]) / s, y = (m[2][0] - m[0][2]) / s, z = (m[0][1] - m[1][0]) / s;
    } else if (m[0][0] > m[1][1] && m[0][0] > m[2][2]) {
        double s = std::sqrt(1 + m[0][0] - m[1][1] - m[2][2]) * 2;
        w = (m[1][2] - m[2][1]) / s, x = s / 4, y = (m[1][0] + m[0][1]) / s, z = (m[2][0] + m[0][2]) / s;
    } else if (m[1][1] > m[2][2]) {
        double s = std::sqrt(1 + m[1][1] - m[0][0] - m[2][2]) * 2;
        w = (m[2][0] - m[0][2]) / s, x = (m[1][0] + m[0][1]) / s, y = s / 4, z = (m[2][1] + m[1][2]) / s;
    } else {
        double s = std::sqrt(1 + m[2][2] - m[0][0] - m[1][1]) * 2;
        w = (m[0][1] - m[1][0]) / s, x = (m[2][0] + m[0][2]) / s, y = (m[2][1] + m[1][2]) / s, z = s / 4;
    }
    double length = std::sqrt(x * x + y * y + z * z + w * w);
    if (!(length > 0) || !std::isfinite(length)) return {0, 0, 0, 1};
    return {x / length, y / length, z / length, w / length};
}

}  // namespace

TransformSplit splitTransform(const GLKMatrix4& matrix) {
    const auto& m = matrix.m;
    TransformSplit split;
    split.translation = {m[12], m[13], m[14]};
    Matrix3 linear;
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 3; ++r) linear[c][r] = m[static_cast<size_t>(c * 4 + r)];
    for (double value : m)
        if (!std::isfinite(value)) {
            split.translation = {0, 0, 0};
            split.exact = false;
            return split;  // nothing closer to say of it than the identity
        }
    // The rotation is the polar factor, with a reflection carried by a negative scale.
    double d = determinant(linear);
    Matrix3 rotation = nearestRotation(linear);
    if (d < 0)
        for (double& value : rotation[0]) value = -value;
    if (!(std::fabs(d) > 1e-30)) rotation = Matrix3{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};  // flat: no rotation to find
    // Scale k is the length of column k along the rotation's column k.
    for (int c = 0; c < 3; ++c) {
        double along = 0;
        for (int r = 0; r < 3; ++r) along += linear[c][r] * rotation[c][r];
        split.scale[static_cast<size_t>(c)] = along;
    }
    split.rotation = quaternionOf(rotation);
    // Exact when translation · rotation · scale gives the matrix back.
    double size = 1e-30;
    for (double value : m) size = std::max(size, std::fabs(value));
    double tolerance = 1e-5 * size;
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 3; ++r)
            if (std::fabs(rotation[c][r] * split.scale[static_cast<size_t>(c)] - linear[c][r]) > tolerance)
                split.exact = false;
    if (std::fabs(m[3]) > tolerance || std::fabs(m[7]) > tolerance || std::fabs(m[11]) > tolerance ||
        std::fabs(m[15] - 1) > tolerance)
        split.exact = false;
    return split;
}
