#include "ZeltoMaterial.h"

#include "ZeltoGL.h"

ZeltoMaterial ZeltoMaterial::materialWithName(std::string_view name, float colorR, float colorG,
                                              float colorB, float colorA, float diffuse,
                                              float ambient, float emissive, float specular,
                                              float power, std::string_view textureName) {
    ZeltoMaterial material;
    material._name = name;
    material._color = {colorR, colorG, colorB, colorA};
    material._diffuse = diffuse;
    material._ambient = ambient;
    material._emissive = emissive;
    material._specular = specular;
    material._power = power;
    material._textureName = textureName;
    return material;
}

void ZeltoMaterial::apply() const {
    const auto [r, g, b, a] = _color;
    const GLfloat diffuse[] = {r * _diffuse, g * _diffuse, b * _diffuse, a};
    const GLfloat ambient[] = {r * _ambient, g * _ambient, b * _ambient, a};
    const GLfloat specular[] = {_specular, _specular, _specular, a};
    const GLfloat emission[] = {r * _emissive, g * _emissive, b * _emissive, a};
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, emission);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, _power);
}
