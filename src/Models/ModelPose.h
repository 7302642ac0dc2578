#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "GLKMath.h"
#include "PoseKernels.h"
#include "ZeltoFace.h"

class ZeltoModel;

// A pose of a model read in place: each vertex's posed position, each face's unit normal
// and each shared normal's sum. A model's own pose (ZeltoModel::posed) and a ModelPose
// are read alike through it.
class PoseView {
public:
    PoseView(pose::ConstPoints positions, const GLKVector3* faceNormals, pose::ConstPoints sharedNormals)
        : _positions(positions), _faceNormals(faceNormals), _sharedNormals(sharedNormals) {}

    const GLKVector3& position(uint32_t vertex) const { return _positions[vertex]; }
    // (0, 0, 0) for a two-corner face.
    const GLKVector3& faceNormal(const ZeltoFace& face) const { return _faceNormals[face.position()]; }
    const GLKVector3& sharedNormal(size_t index) const { return _sharedNormals[index]; }
    // The normal corner i of a face draws with, before negation: its shared normal, or
    // the face's own where the corner is flat (or not grouped).
    const GLKVector3& cornerNormal(const ZeltoFace& face, int32_t corner) const {
        uint32_t link = face.corner(corner).normal;
        if (link == ZeltoCorner::kNormalFlat || link == ZeltoCorner::kNormalUnset) return faceNormal(face);
        return _sharedNormals[link];
    }
    // Every position, as an array of records for OpenGL.
    pose::ConstPoints positions() const { return _positions; }

private:
    pose::ConstPoints _positions;
    const GLKVector3* _faceNormals;
    pose::ConstPoints _sharedNormals;
};

// One pose of a model, owned by whoever draws, measures or writes it, so that the model
// itself never changes: the posed positions and the face and shared normals that posing
// the model itself (resetupNormalsWithMatrix) gives, bit for bit, from the same passes.
// Sized for its model once; posing again allocates nothing.
class ModelPose {
public:
    // The model posed by `bones`: one matrix per bone, or none (every vertex where it is
    // stored, the rest pose).
    explicit ModelPose(const ZeltoModel& model, std::span<const GLKMatrix4> bones = {});

    // Poses the same model again. A model none of whose vertices follows a bone keeps
    // the pose it has, which any bones would give again. Throws std::invalid_argument
    // for a model of other sizes than the one the pose was made for.
    void pose(const ZeltoModel& model, std::span<const GLKMatrix4> bones);

    PoseView view() const;
    operator PoseView() const { return view(); }

private:
    // 16 bytes a position, so the normals' passes load each whole.
    struct alignas(16) Position {
        GLKVector3 point;
    };
    void poseAll(const ZeltoModel& model, std::span<const GLKMatrix4> bones);

    std::vector<Position> _positions;
    std::vector<GLKVector3> _faceNormals;
    std::vector<GLKVector3> _sharedNormals;
};
