#include "PoseKernels.h"

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace pose {

namespace {

inline const GLKMatrix4& boneMatrix(const ZeltoVertex& v, std::span<const GLKMatrix4> matrices) {
    return (v.bone >= 0 && static_cast<size_t>(v.bone) < matrices.size())
               ? matrices[static_cast<size_t>(v.bone)]
               : GLKMatrix4Identity;
}

}  // namespace

GLKVector3 triangleNormal(const GLKVector3& p0, const GLKVector3& p1, const GLKVector3& p2) {
    return unitNormalOf(
        GLKVector3CrossProduct(GLKVector3Subtract(p1, p0), GLKVector3Subtract(p2, p0)));
}

GLKVector3 quadNormal(const GLKVector3& p0, const GLKVector3& p1, const GLKVector3& p2,
                      const GLKVector3& p3) {
    GLKVector3 c = GLKVector3CrossProduct(GLKVector3Subtract(p1, p0), GLKVector3Subtract(p2, p0));
    c = GLKVector3Add(c, GLKVector3CrossProduct(GLKVector3Subtract(p2, p1), GLKVector3Subtract(p3, p1)));
    c = GLKVector3Add(c, GLKVector3CrossProduct(GLKVector3Subtract(p3, p2), GLKVector3Subtract(p0, p2)));
    c = GLKVector3Add(c, GLKVector3CrossProduct(GLKVector3Subtract(p0, p3), GLKVector3Subtract(p1, p3)));
    return unitNormalOf(c);
}

void triangleNormalsScalar(const ZeltoVertex* v, const Corners* corners,
                           std::span<const uint32_t> faces, GLKVector3* out) {
    for (uint32_t f : faces) {
        const Corners& c = corners[f];
        out[f] = triangleNormal(v[c[0]].affinePos, v[c[1]].affinePos, v[c[2]].affinePos);
    }
}

void quadNormalsScalar(const ZeltoVertex* v, const Corners* corners,
                       std::span<const uint32_t> faces, GLKVector3* out) {
    for (uint32_t f : faces) {
        const Corners& c = corners[f];
        out[f] = quadNormal(v[c[0]].affinePos, v[c[1]].affinePos, v[c[2]].affinePos,
                            v[c[3]].affinePos);
    }
}

void sumNormalsScalar(const GLKVector3* faceNormals, std::span<ZeltoNormal> normals) {
    for (ZeltoNormal& shared : normals) {
        GLKVector3 sum{0, 0, 0};
        for (uint32_t face : shared.faces()) sum = GLKVector3Add(sum, faceNormals[face]);
        shared.normal = sum;
    }
}

void transformVerticesScalar(std::span<ZeltoVertex> vertices, std::span<const GLKMatrix4> matrices) {
    for (ZeltoVertex& v : vertices) v.affinePos = GLKMatrix4MultiplyPoint(boneMatrix(v, matrices), v.pos);
}

#if defined(__SSE2__)

namespace {

// Lanes x, y, z of four positions, from positions stored on 16-byte boundaries.
struct Lanes {
    __m128 x, y, z;
};

inline Lanes gather(const ZeltoVertex* v, uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    __m128 r0 = _mm_load_ps(&v[a].affinePos.x);
    __m128 r1 = _mm_load_ps(&v[b].affinePos.x);
    __m128 r2 = _mm_load_ps(&v[c].affinePos.x);
    __m128 r3 = _mm_load_ps(&v[d].affinePos.x);
    _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
    return {r0, r1, r2};
}

inline Lanes gatherCorner(const ZeltoVertex* v, const Corners* corners, const uint32_t* faces,
                          int k) {
    return gather(v, corners[faces[0]][k], corners[faces[1]][k], corners[faces[2]][k],
                  corners[faces[3]][k]);
}

// Fetches the corner positions of faces a few batches ahead: the positions are found
// through the corner indices, which the hardware prefetcher cannot follow.
inline void prefetchCorners(const ZeltoVertex* v, const Corners* corners, const uint32_t* faces,
                            int cornerCount) {
    for (int f = 0; f < 4; ++f)
        for (int k = 0; k < cornerCount; ++k)
            _mm_prefetch(reinterpret_cast<const char*>(&v[corners[faces[f]][k]].affinePos), _MM_HINT_T0);
}

inline Lanes cross(const Lanes& p0, const Lanes& p1, const Lanes& p2) {
    __m128 ax = _mm_sub_ps(p1.x, p0.x), ay = _mm_sub_ps(p1.y, p0.y), az = _mm_sub_ps(p1.z, p0.z);
    __m128 bx = _mm_sub_ps(p2.x, p0.x), by = _mm_sub_ps(p2.y, p0.y), bz = _mm_sub_ps(p2.z, p0.z);
    return {_mm_sub_ps(_mm_mul_ps(ay, bz), _mm_mul_ps(az, by)),
            _mm_sub_ps(_mm_mul_ps(az, bx), _mm_mul_ps(ax, bz)),
            _mm_sub_ps(_mm_mul_ps(ax, by), _mm_mul_ps(ay, bx))};
}

inline void store3(GLKVector3& out, __m128 xyz) {
    _mm_storel_pi(reinterpret_cast<__m64*>(&out.x), xyz);
    _mm_store_ss(&out.z, _mm_movehl_ps(xyz, xyz));
}

// Normalises four vectors like unitNormalOf and stores them for the four faces.
inline void normaliseAndStore(Lanes c, const uint32_t* faces, GLKVector3* out) {
    __m128 length = _mm_sqrt_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(c.x, c.x), _mm_mul_ps(c.y, c.y)),
                                           _mm_mul_ps(c.z, c.z)));
    __m128 zero = _mm_cmpeq_ps(length, _mm_setzero_ps());
    __m128 r = _mm_div_ps(_mm_set1_ps(1.0f), length);
    __m128 x = _mm_andnot_ps(zero, _mm_mul_ps(c.x, r));
    __m128 y = _mm_andnot_ps(zero, _mm_mul_ps(c.y, r));
    __m128 z = _mm_or_ps(_mm_and_ps(zero, _mm_set1_ps(1.0f)), _mm_andnot_ps(zero, _mm_mul_ps(c.z, r)));
    __m128 w = _mm_setzero_ps();
    _MM_TRANSPOSE4_PS(x, y, z, w);
    store3(out[faces[0]], x);
    store3(out[faces[1]], y);
    store3(out[faces[2]], z);
    store3(out[faces[3]], w);
}

}  // namespace

void triangleNormals(const ZeltoVertex* v, const Corners* corners, std::span<const uint32_t> faces,
                     GLKVector3* out) {
    size_t i = 0;
    constexpr size_t kAhead = 16;
    for (; i + 4 <= faces.size(); i += 4) {
        const uint32_t* batch = faces.data() + i;
        if (i + kAhead + 4 <= faces.size()) prefetchCorners(v, corners, batch + kAhead, 3);
        Lanes p0 = gatherCorner(v, corners, batch, 0);
        Lanes p1 = gatherCorner(v, corners, batch, 1);
        Lanes p2 = gatherCorner(v, corners, batch, 2);
        normaliseAndStore(cross(p0, p1, p2), batch, out);
    }
    triangleNormalsScalar(v, corners, faces.subspan(i), out);
}

void quadNormals(const ZeltoVertex* v, const Corners* corners, std::span<const uint32_t> faces,
                 GLKVector3* out) {
    size_t i = 0;
    constexpr size_t kAhead = 16;
    for (; i + 4 <= faces.size(); i += 4) {
        const uint32_t* batch = faces.data() + i;
        if (i + kAhead + 4 <= faces.size()) prefetchCorners(v, corners, batch + kAhead, 4);
        Lanes p[4] = {gatherCorner(v, corners, batch, 0), gatherCorner(v, corners, batch, 1),
                      gatherCorner(v, corners, batch, 2), gatherCorner(v, corners, batch, 3)};
        Lanes c = cross(p[0], p[1], p[2]);
        for (int k = 1; k < 4; ++k) {
            Lanes next = cross(p[k], p[(k + 1) & 3], p[(k + 2) & 3]);
            c = {_mm_add_ps(c.x, next.x), _mm_add_ps(c.y, next.y), _mm_add_ps(c.z, next.z)};
        }
        normaliseAndStore(c, batch, out);
    }
    quadNormalsScalar(v, corners, faces.subspan(i), out);
}

void sumNormals(const GLKVector3* faceNormals, std::span<ZeltoNormal> normals) {
    for (ZeltoNormal& shared : normals) {
        __m128 sum = _mm_setzero_ps();
        for (uint32_t face : shared.faces()) {
            const GLKVector3& n = faceNormals[face];
            __m128 xy = _mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(&n.x));
            sum = _mm_add_ps(sum, _mm_movelh_ps(xy, _mm_load_ss(&n.z)));
        }
        store3(shared.normal, sum);
    }
}

void transformVertices(std::span<ZeltoVertex> vertices, std::span<const GLKMatrix4> matrices) {
    for (ZeltoVertex& v : vertices) {
        const float* m = boneMatrix(v, matrices).m.data();
        __m128 p = _mm_load_ps(&v.pos.x);
        __m128 x = _mm_shuffle_ps(p, p, _MM_SHUFFLE(0, 0, 0, 0));
        __m128 y = _mm_shuffle_ps(p, p, _MM_SHUFFLE(1, 1, 1, 1));
        __m128 z = _mm_shuffle_ps(p, p, _MM_SHUFFLE(2, 2, 2, 2));
        __m128 r = _mm_add_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(_mm_loadu_ps(m), x),
                                                    _mm_mul_ps(_mm_loadu_ps(m + 4), y)),
                                         _mm_mul_ps(_mm_loadu_ps(m + 8), z)),
                              _mm_loadu_ps(m + 12));
        store3(v.affinePos, r);
    }
}

#else

void triangleNormals(const ZeltoVertex* v, const Corners* c, std::span<const uint32_t> f, GLKVector3* o) {
    triangleNormalsScalar(v, c, f, o);
}
void quadNormals(const ZeltoVertex* v, const Corners* c, std::span<const uint32_t> f, GLKVector3* o) {
    quadNormalsScalar(v, c, f, o);
}
void sumNormals(const GLKVector3* f, std::span<ZeltoNormal> n) { sumNormalsScalar(f, n); }
void transformVertices(std::span<ZeltoVertex> v, std::span<const GLKMatrix4> m) {
    transformVerticesScalar(v, m);
}

#endif

}  // namespace pose
