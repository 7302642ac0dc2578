#pragma once

#include <cstdint>

#include "GLKMath.h"
#include "ZeltoNormal.h"

class ZeltoMaterial;
struct ZeltoVertex;

// One corner of a face, as read back from it. `normal` says which normal the corner
// draws with once its model has grouped normals: a position in the model's shared
// normals, or one of the two marks below.
struct ZeltoCorner {
    static constexpr uint32_t kNormalUnset = UINT32_MAX;   // not grouped (yet)
    static constexpr uint32_t kNormalFlat = UINT32_MAX - 1;  // the face's own normal

    ZeltoVertex* vertex = nullptr;
    GLKVector2 uv;
    uint32_t normal = kNormalUnset;
};

// Where the faces of a model find their normals: the model's face normal slots (one
// per face, by position in its face list) and its shared normals.
struct ZeltoFaceNormals {
    const GLKVector3* faceNormals = nullptr;
    const ZeltoNormal* normals = nullptr;
};

// A polygon of two, three or four corners with a material. Faces point at their
// model's vertices and at the scene's materials without owning them. Once a model
// owns a face, the face also knows its position in the model's face list and where
// the model keeps its normals.
//
// A big model holds millions of faces that only setup and drawing read, so the corners
// are stored field by field, without padding: 104 bytes a face.
class ZeltoFace {
public:
    // Two corners when vertex2 is absent (vertex3 then ignored), three when only
    // vertex3 is absent, else four.
    static ZeltoFace faceWithMaterial(const ZeltoMaterial* material, ZeltoVertex* vertex0,
                                      ZeltoVertex* vertex1, ZeltoVertex* vertex2,
                                      ZeltoVertex* vertex3, float u0, float v0, float u1, float v1,
                                      float u2, float v2, float u3, float v3);
    static ZeltoFace initVertex2WithMaterial(const ZeltoMaterial* material, ZeltoVertex* v0,
                                             ZeltoVertex* v1, GLKVector2 uv0, GLKVector2 uv1);
    static ZeltoFace initVertex3WithMaterial(const ZeltoMaterial* material, ZeltoVertex* v0,
                                             ZeltoVertex* v1, ZeltoVertex* v2, GLKVector2 uv0,
                                             GLKVector2 uv1, GLKVector2 uv2);
    static ZeltoFace initVertex4WithMaterial(const ZeltoMaterial* material, ZeltoVertex* v0,
                                             ZeltoVertex* v1, ZeltoVertex* v2, ZeltoVertex* v3,
                                             GLKVector2 uv0, GLKVector2 uv1, GLKVector2 uv2,
                                             GLKVector2 uv3);

    // Sends the polygon in immediate mode: per corner its texture coordinates, its
    // normal negated, and its vertex's posed position. Allocates nothing.
    void drawFace() const;

    const ZeltoMaterial* material() const { return _material; }
    int32_t count() const { return _count; }
    ZeltoCorner corner(int32_t i) const { return {_vertex[i], _uv[i], _normal[i]}; }
    // The face's unit normal; (0, 0, 0) until its model computes it, and for ever for
    // a two-corner face.
    GLKVector3 faceNormal() const { return _owner ? _owner->faceNormals[_position] : GLKVector3{}; }
    // The normal corner i draws with, before negation.
    GLKVector3 cornerNormal(int32_t i) const;
    // Whether the side from corner i to the next is an edge of the polygon the face
    // stands for (a wireframe draws it).
    bool drawsEdge(int32_t i) const { return i >= 0 && i < _count; }

private:
    friend class ZeltoModel;

    void setCorner(int32_t i, ZeltoVertex* vertex, GLKVector2 uv) {
        _vertex[i] = vertex;
        _uv[i] = uv;
    }

    ZeltoVertex* _vertex[4] = {};
    GLKVector2 _uv[4] = {};
    uint32_t _normal[4] = {ZeltoCorner::kNormalUnset, ZeltoCorner::kNormalUnset,
                           ZeltoCorner::kNormalUnset, ZeltoCorner::kNormalUnset};
    const ZeltoMaterial* _material = nullptr;
    const ZeltoFaceNormals* _owner = nullptr;  // the owning model's normals
    uint32_t _position = 0;                    // in the owning model's face list
    int32_t _count = 0;
};
