// A material's OpenGL calls, kept in the drawing layer so that tools that never draw need no OpenGL.

#include "RenderGL.h"
#include "ZeltoMaterial.h"

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
