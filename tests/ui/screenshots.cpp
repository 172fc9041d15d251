#include "screenshots.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QWidget>

void saveScreenshot(QWidget* widget, const QString& fileName) {
    QString folder = qEnvironmentVariable("KESTRUN_SCREENSHOT_DIR");
    if (folder.isEmpty()) {
        return;
    }
    QApplication::processEvents();
    QPixmap picture = widget->grab();
    EXPECT_TRUE(picture.save(QDir(folder).filePath(fileName))) << fileName.toStdString();
}
