#pragma once

// The OpenGL and GLU entry points the drawing layer calls. It links no OpenGL library
// itself: programs link the system's, tests a recording one.

// Buffer objects (OpenGL 1.5) are declared only with the prototypes asked for.
#ifndef GL_GLEXT_PROTOTYPES
#define GL_GLEXT_PROTOTYPES 1
#endif
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>
