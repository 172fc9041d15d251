// What the window remembers between starts: its size and place, the splitters between its panes
// and the column widths of its two lists. They live in "KestrunWindow.ini" beside the settings
// file, a file of the window's own: the operator's settings file is never written for them. A
// missing or unreadable file gives nothing remembered, and the window starts as on a first run.
#pragma once

#include <QByteArray>
#include <QString>
#include <string>

struct WindowMemory {
    QByteArray geometry;
    QByteArray halves;  // the splitter between the farm half and the queue half
    QByteArray topRow;  // the splitter between the farm list, the log and the last frame
    QByteArray farmColumns;
    QByteArray queueColumns;
};

// "KestrunWindow.ini" in the folder of the settings file.
QString windowMemoryPath(const std::string& settingsFile);
WindowMemory loadWindowMemory(const QString& path);
// False when the file could not be written.
bool saveWindowMemory(const QString& path, const WindowMemory& memory);
