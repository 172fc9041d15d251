#include "ui/palette_colours.h"

namespace {
// Lightness (0..255) below which a background counts as dark.
constexpr int kDarkBelow = 128;
}  // namespace

bool darkPalette(const QPalette& palette) {
    return palette.color(QPalette::Base).lightness() < kDarkBelow;
}

QColor errorColour(const QPalette& palette) {
    return darkPalette(palette) ? QColor(255, 120, 110) : QColor(190, 20, 20);
}
