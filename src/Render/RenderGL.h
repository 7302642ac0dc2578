#pragma once

// The OpenGL and GLU entry points the drawing layer calls. Like the scene layer, it links
// no OpenGL library itself: programs link the system's, tests a recording one.

#include <GL/gl.h>
#include <GL/glu.h>
