#pragma once

// Vector and matrix value types with 32-bit float arithmetic in a fixed operation
// order, so results are the same bit for bit on every run.

#include <array>
#include <cmath>

struct GLKVector2 {
    float x = 0, y = 0;
    bool operator==(const GLKVector2&) const = default;
};

struct GLKVector3 {
    float x = 0, y = 0, z = 0;
    bool operator==(const GLKVector3&) const = default;  // NaN equals nothing
};

// Column-major: elements 0-3 are column 0; the translation is elements 12, 13 and 14.
struct GLKMatrix4 {
    std::array<float, 16> m{};
    bool operator==(const GLKMatrix4&) const = default;
};

inline constexpr GLKMatrix4 GLKMatrix4Identity{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};

// A material's base colour and alpha.
struct Color {
    float r = 0, g = 0, b = 0, a = 0;
    bool operator==(const Color&) const = default;
};

inline GLKVector3 GLKVector3Subtract(GLKVector3 a, GLKVector3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

inline GLKVector3 GLKVector3Add(GLKVector3 a, GLKVector3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }

inline GLKVector3 GLKVector3CrossProduct(GLKVector3 a, GLKVector3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// (0, 0, 1) for a zero vector; otherwise one reciprocal of the length and three
// multiplications. A length that is not a number is not zero.
inline GLKVector3 unitNormalOf(GLKVector3 c) {
    float length = std::sqrt(c.x * c.x + c.y * c.y + c.z * c.z);
    if (length == 0.0f) return {0, 0, 1};
    float r = 1.0f / length;
    return {c.x * r, c.y * r, c.z * r};
}

// ((c0·x + c1·y) + c2·z) + c3, keeping the first three components; no division by w.
inline GLKVector3 GLKMatrix4MultiplyPoint(const GLKMatrix4& matrix, GLKVector3 p) {
    const float* m = matrix.m.data();
    return {((m[0] * p.x + m[4] * p.y) + m[8] * p.z) + m[12],
            ((m[1] * p.x + m[5] * p.y) + m[9] * p.z) + m[13],
            ((m[2] * p.x + m[6] * p.y) + m[10] * p.z) + m[14]};
}
