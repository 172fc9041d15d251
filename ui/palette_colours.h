// The colours the window draws beyond the palette's own roles, taken from the palette so that
// they stay readable on a light and on a dark theme.
#pragma once

#include <QColor>
#include <QPalette>

// The text colour of a failure: a red that stands out against the palette's base colour.
QColor errorColour(const QPalette& palette);
// True when the palette's base colour (the lists' background) is dark.
bool darkPalette(const QPalette& palette);
