#include "ModelArrays.h"

#include <algorithm>

#include "ZeltoModel.h"

ModelArrays::ModelArrays(const ZeltoModel& model, const MQAProgress* progress) : _layout(model, {}, progress) {
    // Texture coordinates never change: set once.
    _elements.reserve(_layout.elements().size());
    for (const TriangleRuns::Corner& corner : _layout.elements()) {
        const GLKVector2 uv = model.faces()[corner.face].corner(static_cast<int32_t>(corner.corner)).uv;
        _elements.push_back(Element{uv.x, uv.y, 0, 0, 0, 0, 0, 0});
    }
}

void ModelArrays::refill(const ZeltoModel& model) { refill(model, model.posed()); }

void ModelArrays::refill(const ZeltoModel& model, const PoseView& pose) {
    const std::vector<ZeltoFace>& faces = model.faces();
    std::span<const TriangleRuns::Corner> corners = _layout.elements();
    for (size_t e = 0; e < _elements.size(); ++e) {
        const ZeltoFace& face = faces[corners[e].face];
        const int32_t k = static_cast<int32_t>(corners[e].corner);
        const GLKVector3& n = pose.cornerNormal(face, k);
        const GLKVector3& p = pose.position(face.corner(k).vertex);
        Element& element = _elements[e];
        element.nx = -n.x;
        element.ny = -n.y;
        element.nz = -n.z;
        element.x = p.x;
        element.y = p.y;
        element.z = p.z;
    }
}

ModelArrays::~ModelArrays() {
    if (_elementBuffer) {
        const GLuint buffers[] = {_elementBuffer, _indexBuffer};
        glDeleteBuffers(2, buffers);
    }
}

bool ModelArrays::upload() {
    for (int stale = 0; stale < 16 && glGetError() != GL_NO_ERROR; ++stale) {
    }
    const auto elementBytes = static_cast<GLsizeiptr>(_elements.size() * sizeof(Element));
    if (!_elementBuffer) {
        GLuint buffers[2] = {0, 0};
        glGenBuffers(2, buffers);
        _elementBuffer = buffers[0];
        _indexBuffer = buffers[1];
        glBindBuffer(GL_ARRAY_BUFFER, _elementBuffer);
        glBufferData(GL_ARRAY_BUFFER, elementBytes, _elements.data(), GL_DYNAMIC_DRAW);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, _indexBuffer);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices().size_bytes()), indices().data(),
                     GL_STATIC_DRAW);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    } else {
        glBindBuffer(GL_ARRAY_BUFFER, _elementBuffer);
        glBufferSubData(GL_ARRAY_BUFFER, 0, elementBytes, _elements.data());
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    // Buffers the driver could not store (out of memory) are given up.
    if (glGetError() == GL_NO_ERROR) return true;
    const GLuint buffers[] = {_elementBuffer, _indexBuffer};
    glDeleteBuffers(2, buffers);
    _elementBuffer = _indexBuffer = 0;
    return false;
}

void ModelArrays::bindArrays() const {
    glBindBuffer(GL_ARRAY_BUFFER, _elementBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, _indexBuffer);
    glInterleavedArrays(GL_T2F_N3F_V3F, 0, nullptr);
}

void ModelArrays::drawRun(const Run& run) const {
    if (run.indexCount == 0) return;
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(run.indexCount), GL_UNSIGNED_INT,
                   reinterpret_cast<const void*>(uintptr_t{run.firstIndex} * sizeof(uint32_t)));
}

void ModelArrays::unbindArrays() {
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

std::vector<uint32_t> polygonEdges(const ZeltoModel& model) {
    std::vector<uint64_t> pairs;  // lower index in the high half, so sorting groups repeats
    for (const ZeltoFace& face : model.faces()) {
        int32_t n = face.count();
        for (int32_t k = 0; k < (n == 2 ? 1 : n); ++k) {
            if (!face.drawsEdge(k)) continue;
            uint64_t i = face.corner(k).vertex, j = face.corner((k + 1) % n).vertex;
            pairs.push_back(std::min(i, j) << 32 | std::max(i, j));
        }
    }
    std::sort(pairs.begin(), pairs.end());
    pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
    std::vector<uint32_t> edges;
    edges.reserve(pairs.size() * 2);
    for (uint64_t pair : pairs) {
        edges.push_back(static_cast<uint32_t>(pair >> 32));
        edges.push_back(static_cast<uint32_t>(pair));
    }
    return edges;
}
