#pragma once

// A stand-in for the few OpenGL entry points the scene layer calls. Each call is
// recorded with its arguments so tests can assert exact sequences, values and signs.

#include <string>
#include <vector>

#include "ZeltoGL.h"

struct GLCall {
    std::string name;
    std::vector<GLenum> enums;
    std::vector<GLfloat> values;
};

// The calls since the last clear.
std::vector<GLCall>& recordedGLCalls();
void clearRecordedGLCalls();
