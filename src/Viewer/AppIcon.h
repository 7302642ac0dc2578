#pragma once

#include <QIcon>

// Zelto's icon, painted: the same lit solid over a grid as the installed SVG, so the
// windows have it without an SVG image plugin.
QIcon zeltoIcon();
