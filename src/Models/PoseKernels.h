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

using Corners = std::array<uint32_t, 4>;  // vertex positions in the vertex list

// Unit normals of the listed faces (positions into `corners` and `out`): for a triangle
// cross(p1 - p0, p2 - p0), for a quadrilateral the sum of its four corner cross
// products; (0, 0, 1) when that is zero.
void triangleNormals(const ZeltoVertex* vertices, const Corners* corners,
                     std::span<const uint32_t> faces, GLKVector3* out);
void quadNormals(const ZeltoVertex* vertices, const Corners* corners,
                 std::span<const uint32_t> faces, GLKVector3* out);
void triangleNormalsScalar(const ZeltoVertex* vertices, const Corners* corners,
                           std::span<const uint32_t> faces, GLKVector3* out);
void quadNormalsScalar(const ZeltoVertex* vertices, const Corners* corners,
                       std::span<const uint32_t> faces, GLKVector3* out);

// Each shared normal becomes (0, 0, 0) plus the normals of its faces, in order.
void sumNormals(const GLKVector3* faceNormals, std::span<ZeltoNormal> normals);
void sumNormalsScalar(const GLKVector3* faceNormals, std::span<ZeltoNormal> normals);

// affinePos = matrix of the vertex's bone applied to pos; the identity for a vertex
// without a bone or whose bone has no matrix in the list.
void transformVertices(std::span<ZeltoVertex> vertices, std::span<const GLKMatrix4> matrices);
void transformVerticesScalar(std::span<ZeltoVertex> vertices, std::span<const GLKMatrix4> matrices);

// The scalar face normals, also used for faces whose corners are reached by pointer.
GLKVector3 triangleNormal(const GLKVector3& p0, const GLKVector3& p1, const GLKVector3& p2);
GLKVector3 quadNormal(const GLKVector3& p0, const GLKVector3& p1, const GLKVector3& p2,
                      const GLKVector3& p3);

}  // namespace pose
