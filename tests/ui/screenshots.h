// Screenshots for the documentation: when KESTRUN_SCREENSHOT_DIR is set (see
// tests/ui/take_screenshots.sh), saveScreenshot writes the widget's picture there as a PNG.
#pragma once

#include <QString>

class QWidget;

void saveScreenshot(QWidget* widget, const QString& fileName);
