// Posing a model by bone matrices and refreshing its normals.

#include "PoseKernels.h"
#include "ZeltoModel.h"

void ZeltoModel::resetupNormalsWithMatrix(std::span<const GLKMatrix4> matrices) {
    if (!_posable && _posedOnce) return;  // no bone moves it: posed as before
    _posedOnce = true;
    calcAffineVertecesWithMatrices(matrices);
    calcFaceNormals();
    calcNormals();
}

// A vertex without a bone, or whose bone has no matrix in the list, is posed by the
// identity; nothing is read past the list.
void ZeltoModel::calcAffineVertecesWithMatrices(std::span<const GLKMatrix4> matrices) {
    pose::transformVertices(_vertices, matrices);
}
