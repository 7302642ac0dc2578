#include "RecordingGL.h"

#include <GL/glu.h>

#include <cstring>
#include <initializer_list>
#include <map>
#include <utility>

namespace {

GLint gMaxTextureSize = 16384;
GLuint gNextTexture = 1;
const GLfloat* gInterleaved = nullptr;  // GL_T2F_N3F_V3F elements of the last glInterleavedArrays
// Positions alone, from glVertexPointer: drawn from instead of gInterleaved when set last.
const unsigned char* gPositions = nullptr;
GLsizei gPositionStride = 0;

// Buffer objects: their contents by name, and what is bound to the two targets.
GLuint gNextBuffer = 1;
std::map<GLuint, std::vector<unsigned char>> gBuffers;
GLuint gArrayBuffer = 0;
GLuint gElementBuffer = 0;

GLuint& bindingOf(GLenum target) { return target == GL_ARRAY_BUFFER ? gArrayBuffer : gElementBuffer; }

// A pointer argument: an offset into the bound buffer when one is bound.
const void* resolve(GLuint buffer, const void* pointer) {
    if (!buffer) return pointer;
    return gBuffers[buffer].data() + reinterpret_cast<uintptr_t>(pointer);
}

void record(const char* name, std::vector<GLenum> enums, const GLfloat* values, int count) {
    recordedGLCalls().push_back(
        GLCall{name, std::move(enums), std::vector<GLfloat>(values, values + count)});
}

void recordFloats(const char* name, std::vector<GLenum> enums, std::initializer_list<GLfloat> values) {
    recordedGLCalls().push_back(GLCall{name, std::move(enums), std::vector<GLfloat>(values)});
}

}  // namespace

std::vector<GLCall>& recordedGLCalls() {
    static std::vector<GLCall> calls;
    return calls;
}

void clearRecordedGLCalls() { recordedGLCalls().clear(); }
namespace {
GLenum gNextError = GL_NO_ERROR;
GLenum gUploadError = GL_NO_ERROR;  // what the next upload raises
void upload() {
    if (gUploadError != GL_NO_ERROR) gNextError = std::exchange(gUploadError, GL_NO_ERROR);
}
}  // namespace
void failNextRecordedUpload(GLenum error) { gUploadError = error; }
void setRecordedMaxTextureSize(GLint size) { gMaxTextureSize = size; }
void resetRecordedTextureNames() { gNextTexture = 1; }

extern "C" {
GLenum GLAPIENTRY glGetError(void) { return std::exchange(gNextError, GL_NO_ERROR); }
// Immediate mode and materials.
void GLAPIENTRY glBegin(GLenum mode) { record("glBegin", {mode}, nullptr, 0); }
void GLAPIENTRY glEnd(void) { record("glEnd", {}, nullptr, 0); }
void GLAPIENTRY glTexCoord2fv(const GLfloat* v) { record("glTexCoord2fv", {}, v, 2); }
void GLAPIENTRY glNormal3fv(const GLfloat* v) { record("glNormal3fv", {}, v, 3); }
void GLAPIENTRY glVertex3fv(const GLfloat* v) { record("glVertex3fv", {}, v, 3); }
void GLAPIENTRY glNormal3f(GLfloat x, GLfloat y, GLfloat z) { recordFloats("glNormal3f", {}, {x, y, z}); }
void GLAPIENTRY glColor3f(GLfloat r, GLfloat g, GLfloat b) { recordFloats("glColor3f", {}, {r, g, b}); }
void GLAPIENTRY glVertex3f(GLfloat x, GLfloat y, GLfloat z) { recordFloats("glVertex3f", {}, {x, y, z}); }
void GLAPIENTRY glMaterialfv(GLenum face, GLenum pname, const GLfloat* params) {
    record("glMaterialfv", {face, pname}, params, 4);
}
void GLAPIENTRY glMaterialf(GLenum face, GLenum pname, GLfloat param) {
    record("glMaterialf", {face, pname}, &param, 1);
}

// Fixed state and lights.
void GLAPIENTRY glShadeModel(GLenum mode) { record("glShadeModel", {mode}, nullptr, 0); }
void GLAPIENTRY glClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
    recordFloats("glClearColor", {}, {r, g, b, a});
}
void GLAPIENTRY glClearDepth(GLclampd depth) {
    recordFloats("glClearDepth", {}, {static_cast<GLfloat>(depth)});
}
void GLAPIENTRY glDepthFunc(GLenum func) { record("glDepthFunc", {func}, nullptr, 0); }
void GLAPIENTRY glEnable(GLenum cap) { record("glEnable", {cap}, nullptr, 0); }
void GLAPIENTRY glDisable(GLenum cap) { record("glDisable", {cap}, nullptr, 0); }
void GLAPIENTRY glCullFace(GLenum mode) { record("glCullFace", {mode}, nullptr, 0); }
void GLAPIENTRY glBlendFunc(GLenum s, GLenum d) { record("glBlendFunc", {s, d}, nullptr, 0); }
void GLAPIENTRY glBlendFuncSeparate(GLenum s, GLenum d, GLenum sa, GLenum da) {
    record("glBlendFuncSeparate", {s, d, sa, da}, nullptr, 0);
}
void GLAPIENTRY glLightfv(GLenum light, GLenum pname, const GLfloat* params) {
    record("glLightfv", {light, pname}, params, 4);
}
void GLAPIENTRY glClear(GLbitfield mask) { record("glClear", {mask}, nullptr, 0); }
void GLAPIENTRY glViewport(GLint x, GLint y, GLsizei w, GLsizei h) {
    record("glViewport", {GLenum(x), GLenum(y), GLenum(w), GLenum(h)}, nullptr, 0);
}

// Display lists.
void GLAPIENTRY glNewList(GLuint list, GLenum mode) { record("glNewList", {list, mode}, nullptr, 0); }
void GLAPIENTRY glEndList(void) { record("glEndList", {}, nullptr, 0); }
void GLAPIENTRY glCallList(GLuint list) { record("glCallList", {list}, nullptr, 0); }

// Matrices.
void GLAPIENTRY glMatrixMode(GLenum mode) { record("glMatrixMode", {mode}, nullptr, 0); }
void GLAPIENTRY glLoadIdentity(void) { record("glLoadIdentity", {}, nullptr, 0); }
void GLAPIENTRY glPushMatrix(void) { record("glPushMatrix", {}, nullptr, 0); }
void GLAPIENTRY glPopMatrix(void) { record("glPopMatrix", {}, nullptr, 0); }
void GLAPIENTRY glTranslatef(GLfloat x, GLfloat y, GLfloat z) { recordFloats("glTranslatef", {}, {x, y, z}); }
void GLAPIENTRY glRotatef(GLfloat a, GLfloat x, GLfloat y, GLfloat z) {
    recordFloats("glRotatef", {}, {a, x, y, z});
}
void GLAPIENTRY glMultMatrixf(const GLfloat* m) { record("glMultMatrixf", {}, m, 16); }
void GLAPIENTRY glScalef(GLfloat x, GLfloat y, GLfloat z) { recordFloats("glScalef", {}, {x, y, z}); }
void GLAPIENTRY glFrontFace(GLenum mode) { record("glFrontFace", {mode}, nullptr, 0); }
void GLAPIENTRY glPolygonOffset(GLfloat factor, GLfloat units) { recordFloats("glPolygonOffset", {}, {factor, units}); }
void GLAPIENTRY glLightModeli(GLenum pname, GLint param) {
    record("glLightModeli", {pname, GLenum(param)}, nullptr, 0);
}
void GLAPIENTRY gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
    recordFloats("gluPerspective", {},
                 {GLfloat(fovy), GLfloat(aspect), GLfloat(zNear), GLfloat(zFar)});
}

// Textures.
void GLAPIENTRY glGenTextures(GLsizei n, GLuint* names) {
    for (GLsizei i = 0; i < n; ++i) names[i] = gNextTexture++;
    record("glGenTextures", {GLenum(n)}, nullptr, 0);
}
void GLAPIENTRY glDeleteTextures(GLsizei n, const GLuint* names) {
    std::vector<GLenum> enums{GLenum(n)};
    for (GLsizei i = 0; i < n; ++i) enums.push_back(names[i]);
    record("glDeleteTextures", std::move(enums), nullptr, 0);
}
void GLAPIENTRY glBindTexture(GLenum target, GLuint name) {
    record("glBindTexture", {target, name}, nullptr, 0);
}
void GLAPIENTRY glTexEnvi(GLenum target, GLenum pname, GLint param) {
    record("glTexEnvi", {target, pname, GLenum(param)}, nullptr, 0);
}
void GLAPIENTRY glTexParameteri(GLenum target, GLenum pname, GLint param) {
    record("glTexParameteri", {target, pname, GLenum(param)}, nullptr, 0);
}
void GLAPIENTRY glPixelStorei(GLenum pname, GLint param) {
    record("glPixelStorei", {pname, GLenum(param)}, nullptr, 0);
}
// Records the size and format, and the first pixel's four bytes as values.
void GLAPIENTRY glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width,
                             GLsizei height, GLint border, GLenum format, GLenum type,
                             const GLvoid* pixels) {
    upload();
    const auto* bytes = static_cast<const unsigned char*>(pixels);
    recordFloats("glTexImage2D",
                 {target, GLenum(level), GLenum(internalFormat), GLenum(width), GLenum(height),
                  GLenum(border), format, type},
                 {GLfloat(bytes[0]), GLfloat(bytes[1]), GLfloat(bytes[2]), GLfloat(bytes[3])});
}
void GLAPIENTRY glGetIntegerv(GLenum pname, GLint* params) {
    *params = pname == GL_MAX_TEXTURE_SIZE ? gMaxTextureSize : 0;
}

// Buffer objects.
void GLAPIENTRY glGenBuffers(GLsizei n, GLuint* names) {
    for (GLsizei i = 0; i < n; ++i) names[i] = gNextBuffer++;
    record("glGenBuffers", {GLenum(n)}, nullptr, 0);
}
void GLAPIENTRY glDeleteBuffers(GLsizei n, const GLuint* names) {
    std::vector<GLenum> enums{GLenum(n)};
    for (GLsizei i = 0; i < n; ++i) {
        enums.push_back(names[i]);
        gBuffers.erase(names[i]);
    }
    record("glDeleteBuffers", std::move(enums), nullptr, 0);
}
void GLAPIENTRY glBindBuffer(GLenum target, GLuint buffer) {
    bindingOf(target) = buffer;
    record("glBindBuffer", {target, buffer}, nullptr, 0);
}
void GLAPIENTRY glBufferData(GLenum target, GLsizeiptr size, const void* data, GLenum usage) {
    upload();
    auto& bytes = gBuffers[bindingOf(target)];
    bytes.assign(static_cast<const unsigned char*>(data), static_cast<const unsigned char*>(data) + size);
    record("glBufferData", {target, GLenum(size), usage}, nullptr, 0);
}
void GLAPIENTRY glBufferSubData(GLenum target, GLintptr offset, GLsizeiptr size, const void* data) {
    auto& bytes = gBuffers[bindingOf(target)];
    std::memcpy(bytes.data() + offset, data, static_cast<size_t>(size));
    record("glBufferSubData", {target, GLenum(offset), GLenum(size)}, nullptr, 0);
}

// Arrays.
void GLAPIENTRY glInterleavedArrays(GLenum format, GLsizei stride, const GLvoid* pointer) {
    gInterleaved = static_cast<const GLfloat*>(resolve(gArrayBuffer, pointer));
    gPositions = nullptr;
    record("glInterleavedArrays", {format, GLenum(stride)}, nullptr, 0);
}
void GLAPIENTRY glVertexPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer) {
    gPositions = static_cast<const unsigned char*>(resolve(gArrayBuffer, pointer));
    gPositionStride = stride;
    record("glVertexPointer", {GLenum(size), type, GLenum(stride)}, nullptr, 0);
}
// Records each element drawn: its eight interleaved values, or its position.
void GLAPIENTRY glDrawElements(GLenum mode, GLsizei count, GLenum type, const GLvoid* indices) {
    std::vector<GLfloat> corners;
    const auto* index = static_cast<const GLuint*>(resolve(gElementBuffer, indices));
    for (GLsizei i = 0; i < count; ++i) {
        if (gPositions) {
            const auto* p = reinterpret_cast<const GLfloat*>(gPositions + size_t{index[i]} * size_t(gPositionStride));
            corners.insert(corners.end(), p, p + 3);
            continue;
        }
        const GLfloat* element = gInterleaved + size_t{index[i]} * 8;
        corners.insert(corners.end(), element, element + 8);
    }
    recordedGLCalls().push_back(GLCall{"glDrawElements", {mode, GLenum(count), type}, std::move(corners)});
}
void GLAPIENTRY glEnableClientState(GLenum array) { record("glEnableClientState", {array}, nullptr, 0); }
void GLAPIENTRY glDisableClientState(GLenum array) {
    record("glDisableClientState", {array}, nullptr, 0);
}
}
