#include "ui/window_memory.h"
#include "ui/qt_text.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {
const char* const kGeometry = "Window/Geometry";
// The panes and columns under keys of their own: those of the "Window" group were saved by a
// layout that gave the node rows and columns less room, and are not restored.
const char* const kHalves = "Panes/Halves";
const char* const kTopRow = "Panes/TopRow";
const char* const kFarmColumns = "Panes/FarmColumns";
const char* const kQueueColumns = "Panes/QueueColumns";
}  // namespace

QString windowMemoryPath(const std::string& settingsFile) {
    QFileInfo ini(qtext(settingsFile));
    return ini.dir().filePath("KestrunWindow.ini");
}

WindowMemory loadWindowMemory(const QString& path) {
    WindowMemory m;
    if (!QFileInfo(path).isFile()) {
        return m;
    }
    QSettings file(path, QSettings::IniFormat);
    m.geometry = file.value(kGeometry).toByteArray();
    m.halves = file.value(kHalves).toByteArray();
    m.topRow = file.value(kTopRow).toByteArray();
    m.farmColumns = file.value(kFarmColumns).toByteArray();
    m.queueColumns = file.value(kQueueColumns).toByteArray();
    return m;
}

bool saveWindowMemory(const QString& path, const WindowMemory& m) {
    QSettings file(path, QSettings::IniFormat);
    file.setValue(kGeometry, m.geometry);
    file.setValue(kHalves, m.halves);
    file.setValue(kTopRow, m.topRow);
    file.setValue(kFarmColumns, m.farmColumns);
    file.setValue(kQueueColumns, m.queueColumns);
    file.sync();
    return file.status() == QSettings::NoError;
}
