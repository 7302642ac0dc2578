#pragma once

// The per-frame arithmetic of posing a model, over flat arrays. The fast forms perform
// the float operations of the plain definitions in the same order, so both give the
// same bits; tests hold them against each other.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>

#include "GLKMath.h"
#include "ZeltoNormal.h"
#include "ZeltoVertex.h"

namespace pose {

// Points kept one to a record, `stride` bytes apart: the posed positions in a model's
// vertex records, a pose's own positions, the sums in a model's shared normals. Posed
// positions, which the normals' passes load four floats at a time, lie on 16-byte
// boundaries with four bytes after each that may be read.
template <typename Point>
class PointsOf {
public:
    using Vertex = std::conditional_t<std::is_const_v<Point>, const ZeltoVertex, ZeltoVertex>;

    PointsOf() = default;
    PointsOf(Point* first, size_t stride) : _first(first), _stride(stride) {}
    // The posed positions of a list of vertex records.
    PointsOf(Vertex* vertices) : _first(vertices ? &vertices->affinePos : nullptr), _stride(sizeof(ZeltoVertex)) {}
    // Points that may be written, to be read.
    template <typename Writable>
        requires(std::is_same_v<const Writable, Point> && !std::is_const_v<Writable>)
    PointsOf(PointsOf<Writable> points) : _first(points.first()), _stride(points.stride()) {}

    Point& operator[](size_t i) const {
        using Byte = std::conditional_t<std::is_const_v<Point>, const std::byte, std::byte>;
        return *reinterpret_cast<Point*>(reinterpret_cast<Byte*>(_first) + i * _stride);
    }
    Point* first() const { return _first; }
    size_t stride() const { return _stride; }

private:
    Point* _first = nullptr;
    size_t _stride = 0;
};
using Points = PointsOf<GLKVector3>;
using ConstPoints = PointsOf<const GLKVector3>;

// A face's position in its model's face list and its corners' positions in the
// vertex list, packed per shape so a pass reads only what it uses.
template <int N>
struct ShapeCorners {
    uint32_t face;
    uint32_t vertex[N];
};
using TriangleCorners = ShapeCorners<3>;
using QuadCorners = ShapeCorners<4>;

// Unit normals of the listed faces, written to out[face]: for a triangle
// cross(p1 - p0, p2 - p0), for a quadrilateral the sum of its four corner cross
// products; (0, 0, 1) when that is zero. Eight faces at a time where the processor
// has AVX2, with the same float operations in the same order as one at a time.
void triangleNormals(ConstPoints positions, std::span<const TriangleCorners> faces, GLKVector3* out);
void quadNormals(ConstPoints positions, std::span<const QuadCorners> faces, GLKVector3* out);

// Sum i becomes (0, 0, 0) plus the normals of shared normal i's faces, in order; the
// faces of normal i are faceLists[normals[i].firstFace, normals[i + 1].firstFace).
void sumNormals(const GLKVector3* faceNormals, std::span<const ZeltoNormal> normals,
                std::span<const uint32_t> faceLists, Points sums);
// The same into the shared normals' own `normal` fields.
void sumNormals(const GLKVector3* faceNormals, std::span<ZeltoNormal> normals, std::span<const uint32_t> faceLists);

// Each vertex's posed position: the matrix of its bone applied to pos; the identity for
// a vertex without a bone or whose bone has no matrix in the list.
void transformVertices(std::span<const ZeltoVertex> vertices, std::span<const GLKMatrix4> matrices, Points out);
// The same into the vertices' own affinePos.
void transformVertices(std::span<ZeltoVertex> vertices, std::span<const GLKMatrix4> matrices);
// One vertex's posed position, as the lists' forms give it.
GLKVector3 posedPosition(const ZeltoVertex& vertex, std::span<const GLKMatrix4> matrices);

// The face normals one at a time: what the lists' forms give, bit for bit.
GLKVector3 triangleNormal(const GLKVector3& p0, const GLKVector3& p1, const GLKVector3& p2);
GLKVector3 quadNormal(const GLKVector3& p0, const GLKVector3& p1, const GLKVector3& p2, const GLKVector3& p3);

}  // namespace pose
