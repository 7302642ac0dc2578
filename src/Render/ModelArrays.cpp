#include "ModelArrays.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "ZeltoModel.h"

namespace {

constexpr uint32_t kNone = UINT32_MAX;
constexpr uint32_t kMostLooked = 16;  // elements of one vertex looked at for one to share

bool sameBits(GLKVector2 a, GLKVector2 b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

ModelArrays::ModelArrays(const ZeltoModel& model, const MQAProgress* progress) {
    std::span<const ZeltoFace> faces = model.faces();
    const size_t vertexCount = model.vertices().size();

    size_t corners = 0, triangles = 0;
    for (const ZeltoFace& face : faces) {
        corners += static_cast<size_t>(face.count());
        if (face.count() >= 3) triangles += static_cast<size_t>(face.count() - 2);
    }
    _elements.reserve(corners);
    _sources.reserve(corners);
    _indices.reserve(triangles * 3);

    // Elements of one vertex that may be shared, chained from the vertex: a corner with
    // the same shared normal and texture coordinates reuses the element.
    std::vector<uint32_t> firstOfVertex(vertexCount, kNone);
    std::vector<uint32_t> nextOfElement;
    nextOfElement.reserve(corners);

    auto elementFor = [&](uint32_t faceIndex, int32_t cornerIndex) {
        const ZeltoCorner corner = faces[faceIndex].corner(cornerIndex);
        size_t vertex = corner.vertex;
        bool shareable = corner.normal != ZeltoCorner::kNormalFlat && corner.normal != ZeltoCorner::kNormalUnset;
        if (shareable) {
            // Only the latest few elements are looked at: a vertex that hundreds of faces
            // meet at with as many normals or texture coordinates takes no longer to lay out
            // than the faces themselves; it shares fewer of its elements.
            uint32_t looked = 0;
            for (uint32_t e = firstOfVertex[vertex]; e != kNone && looked++ < kMostLooked; e = nextOfElement[e]) {
                const ZeltoCorner other = faces[_sources[e].face].corner(static_cast<int32_t>(_sources[e].corner));
                if (other.normal == corner.normal && sameBits(other.uv, corner.uv)) return e;
            }
        }
        uint32_t element = static_cast<uint32_t>(_elements.size());
        _elements.push_back(Element{corner.uv.x, corner.uv.y, 0, 0, 0, 0, 0, 0});
        _sources.push_back(Source{faceIndex, static_cast<uint32_t>(cornerIndex)});
        nextOfElement.push_back(kNone);
        if (shareable) {
            nextOfElement[element] = firstOfVertex[vertex];
            firstOfVertex[vertex] = element;
        }
        return element;
    };

    for (uint32_t f = 0; f < faces.size(); ++f) {
        if ((f & 0xFFFF) == 0 && progress && progress->isCancelled()) throw MQACancelled();
        const ZeltoFace& face = faces[f];
        if (_runs.empty() || _runs.back().material != face.material())
            _runs.push_back(Run{face.material(), static_cast<uint32_t>(_indices.size()), 0});
        if (face.count() < 3) continue;
        std::array<uint32_t, 4> element{};
        for (int32_t k = 0; k < face.count(); ++k) element[k] = elementFor(f, k);
        for (int32_t k = 1; k + 1 < face.count(); ++k) {
            _indices.push_back(element[k]);
            _indices.push_back(element[k + 1]);
            _indices.push_back(element[0]);
        }
        _runs.back().indexCount = static_cast<uint32_t>(_indices.size()) - _runs.back().firstIndex;
    }
    _elements.shrink_to_fit();
    _sources.shrink_to_fit();
}

void ModelArrays::refill(const ZeltoModel& model) {
    const std::vector<ZeltoFace>& faces = model.faces();
    const std::vector<ZeltoVertex>& vertices = model.vertices();
    for (size_t e = 0; e < _elements.size(); ++e) {
        const ZeltoFace& face = faces[_sources[e].face];
        int32_t k = static_cast<int32_t>(_sources[e].corner);
        GLKVector3 n = model.cornerNormal(face, k);
        const GLKVector3& p = vertices[face.corner(k).vertex].affinePos;
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
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(_indices.size() * sizeof(uint32_t)),
                     _indices.data(), GL_STATIC_DRAW);
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
