#include "PoseKernels.h"

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace pose {

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

namespace {

const GLKMatrix4& boneMatrix(const ZeltoVertex& v, std::span<const GLKMatrix4> matrices) {
    return (v.bone >= 0 && static_cast<size_t>(v.bone) < matrices.size()) ? matrices[static_cast<size_t>(v.bone)]
                                                                          : GLKMatrix4Identity;
}

// The definitions: one face at a time. They also take the faces the wide forms leave.
void triangleNormalsScalar(ConstPoints p, std::span<const TriangleCorners> faces, GLKVector3* out) {
    for (const TriangleCorners& f : faces) out[f.face] = triangleNormal(p[f.vertex[0]], p[f.vertex[1]], p[f.vertex[2]]);
}

void quadNormalsScalar(ConstPoints p, std::span<const QuadCorners> faces, GLKVector3* out) {
    for (const QuadCorners& f : faces) {
        const uint32_t* c = f.vertex;
        out[f.face] = quadNormal(p[c[0]], p[c[1]], p[c[2]], p[c[3]]);
    }
}

// The end of normal i's faces: where the next normal's begin, or the end of the lists.
size_t facesEnd(std::span<const ZeltoNormal> normals, size_t i, size_t listsSize) {
    return i + 1 < normals.size() ? normals[i + 1].firstFace : listsSize;
}

// The shared normals' own sums.
Points sumsOf(std::span<ZeltoNormal> normals) {
    return normals.empty() ? Points() : Points(&normals.front().normal, sizeof(ZeltoNormal));
}

}  // namespace

GLKVector3 posedPosition(const ZeltoVertex& vertex, std::span<const GLKMatrix4> matrices) {
    return GLKMatrix4MultiplyPoint(boneMatrix(vertex, matrices), vertex.pos);
}

void sumNormals(const GLKVector3* faceNormals, std::span<ZeltoNormal> normals, std::span<const uint32_t> faceLists) {
    sumNormals(faceNormals, normals, faceLists, sumsOf(normals));
}

void transformVertices(std::span<ZeltoVertex> vertices, std::span<const GLKMatrix4> matrices) {
    transformVertices(vertices, matrices, Points(vertices.data()));
}

#if defined(__SSE2__)

// Eight faces at a time where the processor has AVX2.
#define ZELTO_AVX2 __attribute__((target("avx2")))

namespace {

inline void store3(GLKVector3& out, __m128 xyz) {
    _mm_storel_pi(reinterpret_cast<__m64*>(&out.x), xyz);
    _mm_store_ss(&out.z, _mm_movehl_ps(xyz, xyz));
}

struct Lanes8 {
    __m256 x, y, z;
};

// Posed positions `Stride` bytes apart, a distance known when compiled (0: the points'
// own), so that finding one takes a shift.
template <size_t Stride>
struct PointsAt {
    ConstPoints points;
    const float* operator()(uint32_t i) const {
        if constexpr (Stride == 0)
            return &points[i].x;
        else
            return reinterpret_cast<const float*>(reinterpret_cast<const std::byte*>(points.first()) + size_t{i} * Stride);
    }
};

// Runs `pass` with the points' distance known when compiled where it is one of the two
// posing uses: a pose's own positions (16 bytes apart) or vertex records (32).
template <typename Pass>
void withDistance(ConstPoints points, Pass pass) {
    if (points.stride() == 16)
        pass(PointsAt<16>{points});
    else if (points.stride() == 32)
        pass(PointsAt<32>{points});
    else
        pass(PointsAt<0>{points});
}

template <int N, typename At>
ZELTO_AVX2 inline Lanes8 gather8(At at, const ShapeCorners<N>* faces, int k) {
    auto load = [&](int f) { return _mm_load_ps(at(faces[f].vertex[k])); };
    // Lane halves: faces 0-3 below, 4-7 above.
    __m256 a0 = _mm256_set_m128(load(4), load(0));
    __m256 a1 = _mm256_set_m128(load(5), load(1));
    __m256 a2 = _mm256_set_m128(load(6), load(2));
    __m256 a3 = _mm256_set_m128(load(7), load(3));
    __m256 t0 = _mm256_unpacklo_ps(a0, a1), t1 = _mm256_unpacklo_ps(a2, a3);
    __m256 t2 = _mm256_unpackhi_ps(a0, a1), t3 = _mm256_unpackhi_ps(a2, a3);
    return {_mm256_shuffle_ps(t0, t1, _MM_SHUFFLE(1, 0, 1, 0)),
            _mm256_shuffle_ps(t0, t1, _MM_SHUFFLE(3, 2, 3, 2)),
            _mm256_shuffle_ps(t2, t3, _MM_SHUFFLE(1, 0, 1, 0))};
}

ZELTO_AVX2 inline Lanes8 cross8(const Lanes8& p0, const Lanes8& p1, const Lanes8& p2) {
    __m256 ax = _mm256_sub_ps(p1.x, p0.x), ay = _mm256_sub_ps(p1.y, p0.y), az = _mm256_sub_ps(p1.z, p0.z);
    __m256 bx = _mm256_sub_ps(p2.x, p0.x), by = _mm256_sub_ps(p2.y, p0.y), bz = _mm256_sub_ps(p2.z, p0.z);
    return {_mm256_sub_ps(_mm256_mul_ps(ay, bz), _mm256_mul_ps(az, by)),
            _mm256_sub_ps(_mm256_mul_ps(az, bx), _mm256_mul_ps(ax, bz)),
            _mm256_sub_ps(_mm256_mul_ps(ax, by), _mm256_mul_ps(ay, bx))};
}

template <int N>
ZELTO_AVX2 inline void normaliseAndStore8(Lanes8 c, const ShapeCorners<N>* faces, GLKVector3* out) {
    __m256 length = _mm256_sqrt_ps(_mm256_add_ps(
        _mm256_add_ps(_mm256_mul_ps(c.x, c.x), _mm256_mul_ps(c.y, c.y)), _mm256_mul_ps(c.z, c.z)));
    __m256 zero = _mm256_cmp_ps(length, _mm256_setzero_ps(), _CMP_EQ_OQ);
    __m256 r = _mm256_div_ps(_mm256_set1_ps(1.0f), length);
    __m256 x = _mm256_andnot_ps(zero, _mm256_mul_ps(c.x, r));
    __m256 y = _mm256_andnot_ps(zero, _mm256_mul_ps(c.y, r));
    __m256 z = _mm256_or_ps(_mm256_and_ps(zero, _mm256_set1_ps(1.0f)),
                            _mm256_andnot_ps(zero, _mm256_mul_ps(c.z, r)));
    __m256 t0 = _mm256_unpacklo_ps(x, y), t1 = _mm256_unpackhi_ps(x, y);
    __m256 t2 = _mm256_unpacklo_ps(z, _mm256_setzero_ps()), t3 = _mm256_unpackhi_ps(z, _mm256_setzero_ps());
    __m256 o[4] = {_mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(1, 0, 1, 0)),
                   _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(3, 2, 3, 2)),
                   _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(1, 0, 1, 0)),
                   _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(3, 2, 3, 2))};
    for (int f = 0; f < 4; ++f) {
        store3(out[faces[f].face], _mm256_castps256_ps128(o[f]));
        store3(out[faces[f + 4].face], _mm256_extractf128_ps(o[f], 1));
    }
}

template <typename At>
ZELTO_AVX2 void triangleNormalsAVX2(At v, std::span<const TriangleCorners> faces, GLKVector3* out) {
    size_t i = 0;
    for (; i + 8 <= faces.size(); i += 8) {
        const TriangleCorners* batch = faces.data() + i;
        Lanes8 p0 = gather8(v, batch, 0);
        Lanes8 p1 = gather8(v, batch, 1);
        Lanes8 p2 = gather8(v, batch, 2);
        normaliseAndStore8(cross8(p0, p1, p2), batch, out);
    }
    triangleNormalsScalar(v.points, faces.subspan(i), out);
}

template <typename At>
ZELTO_AVX2 void quadNormalsAVX2(At v, std::span<const QuadCorners> faces, GLKVector3* out) {
    size_t i = 0;
    for (; i + 8 <= faces.size(); i += 8) {
        const QuadCorners* batch = faces.data() + i;
        Lanes8 p[4] = {gather8(v, batch, 0), gather8(v, batch, 1), gather8(v, batch, 2),
                       gather8(v, batch, 3)};
        Lanes8 c = cross8(p[0], p[1], p[2]);
        for (int k = 1; k < 4; ++k) {
            Lanes8 next = cross8(p[k], p[(k + 1) & 3], p[(k + 2) & 3]);
            c = {_mm256_add_ps(c.x, next.x), _mm256_add_ps(c.y, next.y), _mm256_add_ps(c.z, next.z)};
        }
        normaliseAndStore8(c, batch, out);
    }
    quadNormalsScalar(v.points, faces.subspan(i), out);
}

const bool kHasAVX2 = __builtin_cpu_supports("avx2");

}  // namespace

void triangleNormals(ConstPoints v, std::span<const TriangleCorners> faces, GLKVector3* out) {
    if (kHasAVX2)
        withDistance(v, [&](auto at) { triangleNormalsAVX2(at, faces, out); });
    else
        triangleNormalsScalar(v, faces, out);
}

void quadNormals(ConstPoints v, std::span<const QuadCorners> faces, GLKVector3* out) {
    if (kHasAVX2)
        withDistance(v, [&](auto at) { quadNormalsAVX2(at, faces, out); });
    else
        quadNormalsScalar(v, faces, out);
}

void sumNormals(const GLKVector3* faceNormals, std::span<const ZeltoNormal> normals,
                std::span<const uint32_t> faceLists, Points sums) {
    constexpr size_t kAhead = 32;  // face lists ahead whose face normals are fetched early
    const uint32_t* lists = faceLists.data();
    size_t begin = 0;
    for (size_t i = 0; i < normals.size(); ++i) {
        size_t end = facesEnd(normals, i, faceLists.size());
        if (end + kAhead < faceLists.size())
            _mm_prefetch(reinterpret_cast<const char*>(&faceNormals[lists[end + kAhead]]), _MM_HINT_T0);
        __m128 sum = _mm_setzero_ps();
        for (size_t k = begin; k < end; ++k) {
            const GLKVector3& n = faceNormals[lists[k]];
            __m128 xy = _mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(&n.x));
            sum = _mm_add_ps(sum, _mm_movelh_ps(xy, _mm_load_ss(&n.z)));
        }
        store3(sums[i], sum);
        begin = end;
    }
}

void transformVertices(std::span<const ZeltoVertex> vertices, std::span<const GLKMatrix4> matrices, Points out) {
    for (size_t i = 0; i < vertices.size(); ++i) {
        const ZeltoVertex& v = vertices[i];
        const float* m = boneMatrix(v, matrices).m.data();
        __m128 p = _mm_load_ps(&v.pos.x);
        __m128 x = _mm_shuffle_ps(p, p, _MM_SHUFFLE(0, 0, 0, 0));
        __m128 y = _mm_shuffle_ps(p, p, _MM_SHUFFLE(1, 1, 1, 1));
        __m128 z = _mm_shuffle_ps(p, p, _MM_SHUFFLE(2, 2, 2, 2));
        __m128 r = _mm_add_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(_mm_loadu_ps(m), x),
                                                    _mm_mul_ps(_mm_loadu_ps(m + 4), y)),
                                         _mm_mul_ps(_mm_loadu_ps(m + 8), z)),
                              _mm_loadu_ps(m + 12));
        store3(out[i], r);
    }
}

#else

void triangleNormals(ConstPoints v, std::span<const TriangleCorners> f, GLKVector3* o) { triangleNormalsScalar(v, f, o); }
void quadNormals(ConstPoints v, std::span<const QuadCorners> f, GLKVector3* o) { quadNormalsScalar(v, f, o); }
void sumNormals(const GLKVector3* faceNormals, std::span<const ZeltoNormal> normals, std::span<const uint32_t> lists,
                Points sums) {
    for (size_t i = 0; i < normals.size(); ++i) {
        GLKVector3 sum{0, 0, 0};
        for (size_t k = normals[i].firstFace; k < facesEnd(normals, i, lists.size()); ++k)
            sum = GLKVector3Add(sum, faceNormals[lists[k]]);
        sums[i] = sum;
    }
}
void transformVertices(std::span<const ZeltoVertex> vertices, std::span<const GLKMatrix4> matrices, Points out) {
    for (size_t i = 0; i < vertices.size(); ++i) out[i] = posedPosition(vertices[i], matrices);
}

#endif

}  // namespace pose
