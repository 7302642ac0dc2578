#pragma once

#include <cstdint>

#include "GLKMath.h"

class PoseView;
class ZeltoMaterial;
class ZeltoModel;

// One corner of a face: its vertex (a position in its model's vertex list), texture
// coordinates, and which normal it draws with once its model has grouped normals: a
// position in the model's shared normals, or one of the two marks below.
struct ZeltoCorner {
    static constexpr uint32_t kNormalUnset = UINT32_MAX;     // not grouped (yet)
    static constexpr uint32_t kNormalFlat = UINT32_MAX - 1;  // the face's own normal

    uint32_t vertex = 0;
    GLKVector2 uv;
    uint32_t normal = kNormalUnset;
};

// A polygon of two, three or four corners with a material. A face is a value: it
// names its vertices and normals by their positions in its model's lists, and points
// at its material, which the scene owns. Copying a face copies all of it.
//
// A face may also be one of the triangles a larger polygon is split into; those
// pieces follow one another in their model, and know which of their sides are the
// polygon's own edges.
class ZeltoFace {
public:
    static constexpr uint32_t kNoVertex = UINT32_MAX;

    // Two corners when vertex2 is absent (vertex3 then ignored), three when only
    // vertex3 is absent, else four. Vertices are positions in the model's vertex list.
    static ZeltoFace faceWithMaterial(const ZeltoMaterial* material, uint32_t vertex0, uint32_t vertex1,
                                      uint32_t vertex2, uint32_t vertex3, float u0, float v0, float u1,
                                      float v1, float u2, float v2, float u3, float v3);
    // One triangle of a polygon split into several: `innerSides` has bit k set when the
    // side from corner k to the next lies inside the polygon; `continues` when the
    // triangle before it in its model is a piece of the same polygon.
    static ZeltoFace pieceOfPolygon(const ZeltoMaterial* material, const uint32_t vertices[3],
                                    const GLKVector2 uvs[3], uint8_t innerSides, bool continues);

    // Sends the polygon in immediate mode: per corner its texture coordinates, its
    // normal negated, and its vertex's posed position, in the model's own pose. The face
    // must be the model's own, at the position it was given there. Allocates nothing.
    void drawFace(const ZeltoModel& model) const;
    // The same in a pose of the face's model.
    void drawFace(const PoseView& pose) const;

    const ZeltoMaterial* material() const { return _material; }
    int32_t count() const { return _count; }
    ZeltoCorner corner(int32_t i) const { return {_vertex[i], _uv[i], _normal[i]}; }
    // Where the face is in its model's face list, which holds its normal.
    uint32_t position() const { return _position; }
    // Whether the side from corner i to the next is an edge of the polygon the face
    // stands for (a wireframe draws it).
    bool drawsEdge(int32_t i) const { return i >= 0 && i < _count && !(_innerSides & (1u << i)); }
    bool continuesPolygon() const { return _continues; }

private:
    friend class ZeltoModel;

    uint32_t _vertex[4] = {kNoVertex, kNoVertex, kNoVertex, kNoVertex};
    GLKVector2 _uv[4] = {};
    uint32_t _normal[4] = {ZeltoCorner::kNormalUnset, ZeltoCorner::kNormalUnset, ZeltoCorner::kNormalUnset,
                           ZeltoCorner::kNormalUnset};
    const ZeltoMaterial* _material = nullptr;
    uint32_t _position = 0;
    uint8_t _count = 0;
    uint8_t _innerSides = 0;
    bool _continues = false;
};
