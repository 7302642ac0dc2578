#pragma once

#include <optional>

#include "GLKMath.h"
#include "ObjectDisplay.h"

class ZeltoOpenGLView;

// The View menu's choices that outlast a run, kept in the application's settings.
namespace ViewPreferences {

// How documents read for compatibility show their objects: as the modeller shows them
// until the user chooses otherwise. Strictly read documents always start as stored.
DisplayChoice displayForCompatibleDocuments();
void setDisplayForCompatibleDocuments(DisplayChoice choice);

// The grid, the axes, the background (none: as specified) and edge smoothing a window
// starts with: shown, shown, none and off until chosen otherwise. Each is remembered on
// its own, as it is chosen.
void restoreLook(ZeltoOpenGLView* view);
enum class Look { Grid, Axes, Antialiasing };
void remember(Look look, bool on);
void rememberBackground(const std::optional<Color>& colour);

}  // namespace ViewPreferences
