#include "ZeltoFace.h"

#include "ZeltoVertex.h"

static_assert(sizeof(ZeltoFace) == 104, "a face is stored without padding");

ZeltoFace ZeltoFace::faceWithMaterial(const ZeltoMaterial* material, ZeltoVertex* vertex0,
                                      ZeltoVertex* vertex1, ZeltoVertex* vertex2,
                                      ZeltoVertex* vertex3, float u0, float v0, float u1, float v1,
                                      float u2, float v2, float u3, float v3) {
    if (!vertex2) return initVertex2WithMaterial(material, vertex0, vertex1, {u0, v0}, {u1, v1});
    if (!vertex3)
        return initVertex3WithMaterial(material, vertex0, vertex1, vertex2, {u0, v0}, {u1, v1},
                                       {u2, v2});
    return initVertex4WithMaterial(material, vertex0, vertex1, vertex2, vertex3, {u0, v0},
                                   {u1, v1}, {u2, v2}, {u3, v3});
}

ZeltoFace ZeltoFace::initVertex2WithMaterial(const ZeltoMaterial* material, ZeltoVertex* v0,
                                             ZeltoVertex* v1, GLKVector2 uv0, GLKVector2 uv1) {
    ZeltoFace face;
    face._count = 2;
    face._material = material;
    face.setCorner(0, v0, uv0);
    face.setCorner(1, v1, uv1);
    return face;
}

ZeltoFace ZeltoFace::initVertex3WithMaterial(const ZeltoMaterial* material, ZeltoVertex* v0,
                                             ZeltoVertex* v1, ZeltoVertex* v2, GLKVector2 uv0,
                                             GLKVector2 uv1, GLKVector2 uv2) {
    ZeltoFace face = initVertex2WithMaterial(material, v0, v1, uv0, uv1);
    face._count = 3;
    face.setCorner(2, v2, uv2);
    return face;
}

ZeltoFace ZeltoFace::initVertex4WithMaterial(const ZeltoMaterial* material, ZeltoVertex* v0,
                                             ZeltoVertex* v1, ZeltoVertex* v2, ZeltoVertex* v3,
                                             GLKVector2 uv0, GLKVector2 uv1, GLKVector2 uv2,
                                             GLKVector2 uv3) {
    ZeltoFace face = initVertex3WithMaterial(material, v0, v1, v2, uv0, uv1, uv2);
    face._count = 4;
    face.setCorner(3, v3, uv3);
    return face;
}

GLKVector3 ZeltoFace::cornerNormal(int32_t i) const {
    uint32_t link = _normal[i];
    if (link == ZeltoCorner::kNormalFlat || link == ZeltoCorner::kNormalUnset || !_owner)
        return faceNormal();
    return _owner->normals[link].normal;
}
