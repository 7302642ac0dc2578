// A face's OpenGL calls, kept in the drawing layer so that tools that never draw need no OpenGL.

#include "ZeltoFace.h"
#include "RenderGL.h"
#include "ZeltoModel.h"

void ZeltoFace::drawFace(const ZeltoModel& model) const { drawFace(model.posed()); }

void ZeltoFace::drawFace(const PoseView& pose) const {
    glBegin(GL_POLYGON);
    for (int32_t i = 0; i < _count; ++i) {
        const GLfloat uv[2] = {_uv[i].x, _uv[i].y};
        glTexCoord2fv(uv);
        GLKVector3 n = pose.cornerNormal(*this, i);
        const GLfloat negated[3] = {-n.x, -n.y, -n.z};
        glNormal3fv(negated);
        const GLKVector3& p = pose.position(_vertex[i]);
        const GLfloat position[3] = {p.x, p.y, p.z};
        glVertex3fv(position);
    }
    glEnd();
}
