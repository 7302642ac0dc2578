#pragma once

// The OpenGL entry points the scene layer calls. The layer does not link an OpenGL
// library itself: the application links the system's, and tests link a recording one.

#include <GL/gl.h>
