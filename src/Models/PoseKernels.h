#pragma once

// The per-frame arithmetic of posing a model, over flat arrays. Each operation has a
// plain scalar form, which defines the result, and a fast form (SSE, four items at a
// time) that performs the same float operations in the same order, so both give the
// same bits. Tests hold the two against each other.

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
// products; (0, 0, 1) when that is zero.
void triangleNormals(const ZeltoVertex* vertices, std::span<const TriangleCorners> faces,
                     GLKVector3* out);
void quadNormals(const ZeltoVertex* vertices, std::span<const QuadCorners> faces, GLKVector3* out);
// The four-wide forms, callable on every x86-64 processor (for tests).
void triangleNormalsSSE(const ZeltoVertex* vertices, std::span<const TriangleCorners> faces,
                        GLKVector3* out);
void quadNormalsSSE(const ZeltoVertex* vertices, std::span<const QuadCorners> faces, GLKVector3* out);
void triangleNormalsScalar(const ZeltoVertex* vertices, std::span<const TriangleCorners> faces,
                           GLKVector3* out);
void quadNormalsScalar(const ZeltoVertex* vertices, std::span<const QuadCorners> faces,
                       GLKVector3* out);

// Each shared normal becomes (0, 0, 0) plus the normals of its faces, in order; the
// faces of normal i are faceLists[normals[i].firstFace, normals[i + 1].firstFace).
void sumNormals(const GLKVector3* faceNormals, std::span<ZeltoNormal> normals,
                std::span<const uint32_t> faceLists);
void sumNormalsScalar(const GLKVector3* faceNormals, std::span<ZeltoNormal> normals,
                      std::span<const uint32_t> faceLists);

// affinePos = matrix of the vertex's bone applied to pos; the identity for a vertex
// without a bone or whose bone has no matrix in the list.
void transformVertices(std::span<ZeltoVertex> vertices, std::span<const GLKMatrix4> matrices);
void transformVerticesScalar(std::span<ZeltoVertex> vertices, std::span<const GLKMatrix4> matrices);

// The scalar face normals, also used for faces whose corners are reached by pointer.
GLKVector3 triangleNormal(const GLKVector3& p0, const GLKVector3& p1, const GLKVector3& p2);
GLKVector3 quadNormal(const GLKVector3& p0, const GLKVector3& p1, const GLKVector3& p2,
                      const GLKVector3& p3);

}  // namespace pose
