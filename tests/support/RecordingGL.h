#pragma once

// A stand-in for the OpenGL and GLU entry points the scene and drawing layers call.
// Each call is recorded with its arguments so tests can assert exact sequences, values
// and signs. Integer and enum arguments go to `enums`, float arguments to `values`.
// An array draw records the triangles it draws: for every index, the element's texture
// coordinates, normal and position, as immediate mode would send them.

#include <string>
#include <vector>

#include "RenderGL.h"

struct GLCall {
    std::string name;
    std::vector<GLenum> enums;
    std::vector<GLfloat> values;
};

// The calls since the last clear.
std::vector<GLCall>& recordedGLCalls();
void clearRecordedGLCalls();
// What glGetIntegerv answers for GL_MAX_TEXTURE_SIZE (default 16384).
void setRecordedMaxTextureSize(GLint size);
// Texture names handed out so far are forgotten; the next is 1 again.
void resetRecordedTextureNames();
// Makes the next glBufferData or glTexImage2D raise `error` (glGetError gives it once),
// as a driver out of memory would.
void failNextRecordedUpload(GLenum error);
