#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "GLKMath.h"
#include "MQAProgress.h"
#include "ModelPose.h"
#include "PoseKernels.h"
#include "ZeltoAnimation.h"
#include "ZeltoFace.h"
#include "ZeltoNormal.h"
#include "ZeltoVertex.h"

// One mesh object: vertices, faces, object animations, name, number and smoothing angle.
// On creation it computes face normals, partitions the corners at each vertex into
// shared smooth normals (once, from the rest pose) and sorts its faces by material.
//
// A polygon split into triangles counts as one face for smooth normals: its pieces
// share the polygon's normal, and a shared normal takes the polygon once.
//
// A model carries a pose of its own (its vertices' affinePos, its face normals and its
// shared normals' sums), which the operations below set. Whoever only reads a model, as
// the drawing, framing and export of a scene do, poses it into a ModelPose of its own.
class ZeltoModel {
public:
    // Faces in document order. Throws std::out_of_range for a face whose corner is not
    // in the vertex list.
    static ZeltoModel modelWithName(std::string_view name, float facet, std::vector<ZeltoVertex> vertices,
                                    std::vector<ZeltoFace> faces, std::vector<ZeltoAnimation> animations);
    static ZeltoModel modelWithNumber(int32_t number, std::vector<ZeltoVertex> vertices, std::vector<ZeltoFace> faces,
                                      std::vector<ZeltoAnimation> animations, float facet, std::string_view name);
    // The same model from faces that are already in material order (stably sorted by
    // material address), with `documentOrder` listing their positions in document
    // order, which is the order smooth normals are grouped in. This spares a large
    // model the copy the sort would take. Faces out of material order, or an order that
    // does not list every face exactly once, throw std::invalid_argument. With
    // `progress`, stops with MQACancelled between its steps once it is cancelled.
    static ZeltoModel modelWithName(std::string_view name, float facet, std::vector<ZeltoVertex> vertices,
                                    std::vector<ZeltoFace> facesByMaterial, std::vector<uint32_t> documentOrder,
                                    std::vector<ZeltoAnimation> animations, MQAProgress* progress = nullptr);

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

    // The model's own pose: what its latest posing gave, or the rest pose with shared
    // normals of (0, 0, 0) before the first.
    PoseView posed() const;
    // A face's unit normal in the model's own pose; (0, 0, 0) for a two-corner face.
    GLKVector3 faceNormal(const ZeltoFace& face) const { return _faceNormals[face.position()]; }
    // The normal corner i of a face draws with in the model's own pose, before negation.
    GLKVector3 cornerNormal(const ZeltoFace& face, int32_t i) const { return posed().cornerNormal(face, i); }
    // Whether a vertex follows a bone, so that posing can move it.
    bool posable() const { return _posable; }

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
    // are none), then refreshes face and shared normals. Allocates nothing. A model
    // without a vertex that follows a bone is posed the first time only.
    void resetupNormalsWithMatrix(std::span<const GLKMatrix4> matrices);
    void calcAffineVertecesWithMatrices(std::span<const GLKMatrix4> matrices);

private:
    friend class ModelPose;
    // The three passes of posing, into the model's own pose or a ModelPose's arrays.
    void posePositions(std::span<const GLKMatrix4> matrices, pose::Points out) const;
    void poseFaceNormals(pose::ConstPoints positions, GLKVector3* out) const;
    void poseSharedNormals(const GLKVector3* faceNormals, pose::Points out) const;

    ZeltoModel(int32_t number, std::vector<ZeltoVertex> vertices, std::vector<ZeltoFace> faces,
               std::vector<ZeltoAnimation> animations, float facet, std::string_view name,
               std::vector<uint32_t> documentOrder, MQAProgress* progress);
    bool facesInMaterialOrder() const;
    // Sets each face's position; throws for a corner outside the vertex list.
    void numberFacesCheckingCorners();
    // The corners at each vertex, as face position << 2 | corner, in grouping order
    // (faces in `order`, positions in the face list; empty: the list's own): those of
    // vertex v are entries[first[v]] up to entries[first[v + 1]]. Stops with MQACancelled
    // within milliseconds of `progress` being cancelled.
    struct GroupingLists {
        std::vector<uint32_t> first;
        std::vector<uint32_t> entries;
    };
    GroupingLists groupingLists(std::span<const uint32_t> order, const MQAProgress* progress = nullptr) const;
    // Stops with MQACancelled within milliseconds of `progress` being cancelled.
    void groupNormals(const GroupingLists& lists, const MQAProgress* progress = nullptr);
    // Lists the faces by shape for posing, taking them in document order (`positions`
    // gives each document face's place in the face list): neighbouring faces share
    // vertices, and material order would scatter them.
    void listFacesByShape(std::span<const uint32_t> positions);
    void findPolygons();
    static uint32_t& linkOf(ZeltoFace& face, uint32_t corner) { return face._normal[corner]; }

    int32_t _number;
    std::vector<ZeltoVertex> _vertices;
    std::vector<ZeltoFace> _faces;
    float _facet;
    std::vector<ZeltoNormal> _normals;
    std::vector<ZeltoAnimation> _animations;
    std::string _name;

    // Flat arrays for posing: each face's unit normal, by position; the faces of all
    // shared normals one after another; three- and four-corner faces by shape, in
    // document order; and the polygons split into pieces, as runs of face positions.
    std::vector<GLKVector3> _faceNormals;
    std::vector<uint32_t> _normalFaces;
    std::vector<pose::TriangleCorners> _triangles;
    std::vector<pose::QuadCorners> _quads;
    // Where each stretch of kStretch document faces ends in the two lists.
    static constexpr uint32_t kStretch = 16384;
    std::vector<std::array<uint32_t, 2>> _stretchEnds;
    std::vector<std::array<uint32_t, 2>> _polygons;  // first face, piece count
    // Whether a vertex follows a bone, so that posing can move it. A model without one
    // keeps no lists by shape, and poses once: every later pose would give the same.
    bool _posable = true;
    bool _posedOnce = false;
};
