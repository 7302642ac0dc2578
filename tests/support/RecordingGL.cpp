#include "RecordingGL.h"

std::vector<GLCall>& recordedGLCalls() {
    static std::vector<GLCall> calls;
    return calls;
}

void clearRecordedGLCalls() { recordedGLCalls().clear(); }

namespace {
void record(const char* name, std::vector<GLenum> enums, const GLfloat* values, int count) {
    recordedGLCalls().push_back(GLCall{name, std::move(enums), std::vector<GLfloat>(values, values + count)});
}
}  // namespace

extern "C" {
void GLAPIENTRY glBegin(GLenum mode) { record("glBegin", {mode}, nullptr, 0); }
void GLAPIENTRY glEnd(void) { record("glEnd", {}, nullptr, 0); }
void GLAPIENTRY glTexCoord2fv(const GLfloat* v) { record("glTexCoord2fv", {}, v, 2); }
void GLAPIENTRY glNormal3fv(const GLfloat* v) { record("glNormal3fv", {}, v, 3); }
void GLAPIENTRY glVertex3fv(const GLfloat* v) { record("glVertex3fv", {}, v, 3); }
void GLAPIENTRY glMaterialfv(GLenum face, GLenum pname, const GLfloat* params) {
    record("glMaterialfv", {face, pname}, params, 4);
}
void GLAPIENTRY glMaterialf(GLenum face, GLenum pname, GLfloat param) {
    record("glMaterialf", {face, pname}, &param, 1);
}
}
