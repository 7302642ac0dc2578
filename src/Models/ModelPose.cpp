#include "ModelPose.h"

#include <stdexcept>

#include "ZeltoModel.h"

ModelPose::ModelPose(const ZeltoModel& model, std::span<const GLKMatrix4> bones)
    : _positions(model.vertices().size()),
      _faceNormals(model.faces().size()),
      _sharedNormals(model.normals().size()) {
    poseAll(model, bones);
}

void ModelPose::pose(const ZeltoModel& model, std::span<const GLKMatrix4> bones) {
    if (model.vertices().size() != _positions.size() || model.faces().size() != _faceNormals.size() ||
        model.normals().size() != _sharedNormals.size())
        throw std::invalid_argument("a pose is posed again only for the model it was made for");
    if (!model.posable()) return;  // no bone moves it: posed as before
    poseAll(model, bones);
}

void ModelPose::poseAll(const ZeltoModel& model, std::span<const GLKMatrix4> bones) {
    // A position's point is its record's first member: a pointer to the one is one to the other.
    const pose::Points positions(reinterpret_cast<GLKVector3*>(_positions.data()), sizeof(Position));
    model.posePositions(bones, positions);
    model.poseFaceNormals(positions, _faceNormals.data());
    model.poseSharedNormals(_faceNormals.data(), pose::Points(_sharedNormals.data(), sizeof(GLKVector3)));
}

PoseView ModelPose::view() const {
    return PoseView(pose::ConstPoints(reinterpret_cast<const GLKVector3*>(_positions.data()), sizeof(Position)),
                    _faceNormals.data(),
                    pose::ConstPoints(_sharedNormals.data(), sizeof(GLKVector3)));
}
