#pragma once

// The per-frame arithmetic of posing a model, over flat arrays. The fast forms perform
// the float operations of the plain definitions in the same order, so both give the
// same bits; tests hold them against each other.

#include <array>
#include <cstdint>
#include <span>

#include "GLKMath.h"
#include "ZeltoNormal.h"
#include "ZeltoVertex.h"

namespace pose {

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
void triangleNormals(const ZeltoVertex* vertices, std::span<const TriangleCorners> faces, GLKVector3* out);
void quadNormals(const ZeltoVertex* vertices, std::span<const QuadCorners> faces, GLKVector3* out);

// Each shared normal becomes (0, 0, 0) plus the normals of its faces, in order; the
// faces of normal i are faceLists[normals[i].firstFace, normals[i + 1].firstFace).
void sumNormals(const GLKVector3* faceNormals, std::span<ZeltoNormal> normals, std::span<const uint32_t> faceLists);

// affinePos = matrix of the vertex's bone applied to pos; the identity for a vertex
// without a bone or whose bone has no matrix in the list.
void transformVertices(std::span<ZeltoVertex> vertices, std::span<const GLKMatrix4> matrices);

// The face normals one at a time: what the lists' forms give, bit for bit.
GLKVector3 triangleNormal(const GLKVector3& p0, const GLKVector3& p1, const GLKVector3& p2);
GLKVector3 quadNormal(const GLKVector3& p0, const GLKVector3& p1, const GLKVector3& p2, const GLKVector3& p3);

}  // namespace pose
