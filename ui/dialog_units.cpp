#include "ui/dialog_units.h"

#include <QFontMetricsF>
#include <QWidget>
#include <cmath>

namespace {
// Windows measures the average width over the 52 Latin letters.
constexpr const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr double kTemplateFontBaseX = 6.0;
}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
    QFontMetricsF metrics(font);
    baseX_ = metrics.horizontalAdvance(QString::fromLatin1(kAlphabet)) / 52.0;
    baseY_ = metrics.height();
}

int DialogUnits::x(int units) const {
    return static_cast<int>(std::lround(units * baseX_ / 4));
}

int DialogUnits::y(int units) const {
    return static_cast<int>(std::lround(units * baseY_ / 8));
}

QRect DialogUnits::rect(int left, int top, int width, int height) const {
    int l = x(left);
    int t = y(top);
    return QRect(l, t, x(left + width) - l, y(top + height) - t);
}

void DialogUnits::place(QWidget* widget, int left, int top, int width, int height) const {
    widget->setGeometry(rect(left, top, width, height));
    widget->show();
}

int DialogUnits::scaledPixels(int pixels) const {
    return static_cast<int>(std::lround(pixels * baseX_ / kTemplateFontBaseX));
}
