#include "ZeltoFace.h"

static_assert(sizeof(ZeltoFace) == 80, "a face is stored without padding");

ZeltoFace ZeltoFace::faceWithMaterial(const ZeltoMaterial* material, uint32_t vertex0, uint32_t vertex1,
                                      uint32_t vertex2, uint32_t vertex3, float u0, float v0, float u1,
                                      float v1, float u2, float v2, float u3, float v3) {
    ZeltoFace face;
    face._material = material;
    face._count = vertex2 == kNoVertex ? 2 : vertex3 == kNoVertex ? 3 : 4;
    const uint32_t vertices[4] = {vertex0, vertex1, vertex2, vertex3};
    const GLKVector2 uvs[4] = {{u0, v0}, {u1, v1}, {u2, v2}, {u3, v3}};
    for (int i = 0; i < face._count; ++i) {
        face._vertex[i] = vertices[i];
        face._uv[i] = uvs[i];
    }
    return face;
}

ZeltoFace ZeltoFace::pieceOfPolygon(const ZeltoMaterial* material, const uint32_t vertices[3],
                                    const GLKVector2 uvs[3], uint8_t innerSides, bool continues) {
    ZeltoFace face = faceWithMaterial(material, vertices[0], vertices[1], vertices[2], kNoVertex, uvs[0].x,
                                      uvs[0].y, uvs[1].x, uvs[1].y, uvs[2].x, uvs[2].y, 0, 0);
    face._innerSides = innerSides;
    face._continues = continues;
    return face;
}
