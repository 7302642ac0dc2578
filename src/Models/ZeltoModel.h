#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "GLKMath.h"
#include "PoseKernels.h"
#include "ZeltoAnimation.h"
#include "ZeltoFace.h"
#include "ZeltoNormal.h"
#include "ZeltoVertex.h"

// One mesh object: vertices, faces, object animations, name, number and smoothing angle.
// On creation it computes face normals, partitions the corners at each vertex into
// shared smooth normals (once, from the rest pose) and sorts its faces by material.
//
// The model takes its vertex and face lists by move: faces point into the vertex list's
// storage, which therefore must be the very storage passed in. Storage never
// reallocates afterwards, so every pointer into it stays valid while the model lives,
// also when the model itself is moved.
class ZeltoModel {
public:
    static ZeltoModel modelWithName(std::string_view name, float facet,
                                    std::vector<ZeltoVertex> vertices,
                                    std::vector<ZeltoFace> faces,
                                    std::vector<ZeltoAnimation> animations);
    static ZeltoModel modelWithNumber(int32_t number, std::vector<ZeltoVertex> vertices,
                                      std::vector<ZeltoFace> faces,
                                      std::vector<ZeltoAnimation> animations, float facet,
                                      std::string_view name);
    // The same model from faces that are already in material order (stably sorted by
    // material address), with `documentOrder` listing their positions in document
    // order, which is the order smooth normals are grouped in. This spares a large
    // model the copy the sort would take. Faces that turn out not to be in material
    // order are sorted after all; an order that does not list every face exactly once
    // throws std::invalid_argument.
    static ZeltoModel modelWithName(std::string_view name, float facet,
                                    std::vector<ZeltoVertex> vertices,
                                    std::vector<ZeltoFace> facesByMaterial,
                                    std::vector<uint32_t> documentOrder,
                                    std::vector<ZeltoAnimation> animations);

    ZeltoModel(ZeltoModel&&) noexcept = default;
    ZeltoModel& operator=(ZeltoModel&&) noexcept = default;
    ZeltoModel(const ZeltoModel&) = delete;
    ZeltoModel& operator=(const ZeltoModel&) = delete;

    const std::vector<ZeltoVertex>& vertices() const { return _vertices; }
    const std::vector<ZeltoFace>& faces() const { return _faces; }
    float facet() const { return _facet; }
    const std::vector<ZeltoNormal>& normals() const { return _normals; }
    // The faces (positions in faces()) whose normals shared normal `index` sums.
    std::span<const uint32_t> facesOfNormal(size_t index) const;
    int32_t number() const { return _number; }
    const std::vector<ZeltoAnimation>& animations() const { return _animations; }
    const std::string& name() const { return _name; }

    // Rest pose: affinePos = pos, face normals, normal grouping (shared normals stay zero).
    void setupNormals();
    void calcFaceNormals();
    void calcNormalGroup();
    // Every shared normal becomes the sum of its faces' normals, in order.
    void calcNormals();

    // The model's object matrix for an animation name and frame; the identity when the
    // model has no object animations.
    GLKMatrix4 matrixForAnimationName(std::string_view name, uint64_t atTime) const;
    // Poses the vertices by their bones' matrices (one per bone; an empty span when there
    // are none), then refreshes face and shared normals. Allocates nothing.
    void resetupNormalsWithMatrix(std::span<const GLKMatrix4> matrices);
    void calcAffineVertecesWithMatrices(std::span<const GLKMatrix4> matrices);

private:
    static constexpr uint32_t kNoVertex = UINT32_MAX;

    ZeltoModel(int32_t number, std::vector<ZeltoVertex> vertices, std::vector<ZeltoFace> faces,
               std::vector<ZeltoAnimation> animations, float facet, std::string_view name,
               std::vector<uint32_t> documentOrder);
    bool facesInMaterialOrder() const;
    // What grouping works from: for each vertex, the faces with a corner on it (once per
    // such corner), in the given order of faces (positions into the face list; empty: the
    // list's own), so that the faces of vertex v are entries[first[v]] up to
    // entries[first[v + 1]]. Grouping overwrites each entry with its corner's normal, and
    // the faces then collect their corners' normals in the same order; `laterNext` is
    // where each vertex's entries for the later half of the faces begin, so that the
    // halves can collect at once.
    struct GroupingLists {
        std::span<const uint32_t> order;
        std::vector<uint32_t> first;
        std::vector<uint32_t> entries;
        std::vector<uint32_t> laterNext;
    };
    GroupingLists groupingLists(std::span<const uint32_t> order) const;
    // Groups corners into shared normals taking faces in the given order (positions into
    // the face list); an empty order means the list's own.
    void groupNormals(std::span<const uint32_t> order);
    void groupNormalsWith(GroupingLists lists);
    void setupNormals(std::span<const uint32_t> order);  // the same, grouping in that order
    void indexCorners();
    // Lists the faces by shape for posing, taking them in document order (`positions`
    // gives each document face's place in the face list; empty when they coincide):
    // neighbouring faces share vertices, and material order would scatter them.
    void listFacesByShape(std::span<const uint32_t> positions);
    // Returns each document face's new place, or nothing when no face moved.
    std::vector<uint32_t> sortFacesByMaterial();
    void linkFacesToNormals();
    uint32_t vertexIndex(const ZeltoVertex* vertex) const;

    int32_t _number;
    std::vector<ZeltoVertex> _vertices;
    std::vector<ZeltoFace> _faces;
    float _facet;
    std::vector<ZeltoNormal> _normals;
    std::vector<ZeltoAnimation> _animations;
    std::string _name;

    // Flat arrays for posing: each face's corner vertex positions in the vertex list
    // (kNoVertex past its corner count), its unit normal, and the faces of all shared
    // normals one after another.
    std::vector<std::array<uint32_t, 4>> _faceCorners;
    std::vector<GLKVector3> _faceNormals;
    std::vector<uint32_t> _normalFaces;
    std::vector<pose::TriangleCorners> _triangles;  // three- and four-corner faces, by shape
    std::vector<pose::QuadCorners> _quads;
    // Where each stretch of kStretch document faces ends in the two lists.
    static constexpr uint32_t kStretch = 16384;
    std::vector<std::array<uint32_t, 2>> _stretchEnds;
    bool _cornersOutsideVertexList = false;
    // Where the faces read their normals; on the heap, so that it stays put when the
    // model moves.
    std::unique_ptr<ZeltoFaceNormals> _faceNormalTables = std::make_unique<ZeltoFaceNormals>();
};
