#include "ui/help.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "ui/message_boxes.h"
#include "ui/resources.h"

namespace {

const QString kManualResource = QStringLiteral(":/kestrun/MANUAL.md");

// The program's folder and each folder above it: <dir>/docs/MANUAL.md is the source tree's copy
// when the build folder lies inside it.
QString sourceTreeManual(QDir dir) {
    do {
        QString candidate = dir.filePath("docs/MANUAL.md");
        if (QFileInfo::exists(candidate)) {
            return candidate;
        }
    } while (dir.cdUp());
    return {};
}

QString cachedManual() {
    initResources();
    QString folder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        return {};
    }
    QString path = QDir(folder).filePath("MANUAL.md");
    QFile::remove(path);
    if (!QFile::copy(kManualResource, path)) {
        return {};
    }
    QFile::setPermissions(
        path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    return path;
}

// The manual's full path; empty only when no copy can be found or written.
QString manualPath() {
    QDir programDir(QCoreApplication::applicationDirPath());
    QString installed = programDir.filePath("../share/doc/kestrun/MANUAL.md");
    if (QFileInfo::exists(installed)) {
        return QFileInfo(installed).canonicalFilePath();
    }
    QString source = sourceTreeManual(programDir);
    return source.isEmpty() ? cachedManual() : source;
}

}  // namespace

void openManual(QWidget* parent) {
    QString path = manualPath();
    if (path.isEmpty()) {
        QMessageBox::information(boxParent(parent), kAppTitle,
                                 "The manual (MANUAL.md) could not be found or unpacked.");
        return;
    }
    openOrSay(parent, path);
}
