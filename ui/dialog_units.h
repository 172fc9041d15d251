// Dialog units: the program's forms are laid out in the units of a Windows dialog template, a
// quarter of the font's average character width across and an eighth of its height down, so the
// layout grows with the font. DialogUnits converts them for the platform's default UI font and
// places child widgets at their template rectangles.
#pragma once

#include <QFont>
#include <QRect>

class QWidget;

class DialogUnits {
  public:
    explicit DialogUnits(const QFont& font);

    int x(int units) const;
    int y(int units) const;
    QRect rect(int left, int top, int width, int height) const;
    // Moves and sizes widget to the template rectangle and shows it.
    void place(QWidget* widget, int left, int top, int width, int height) const;
    // A width in pixels designed for the 8-point MS Sans Serif (average width 6 pixels), scaled
    // to this font, so list columns keep the room their titles were given.
    int scaledPixels(int pixels) const;

  private:
    double baseX_;  // average character width in pixels
    double baseY_;  // line height in pixels
};
