// The program's message boxes: the stop-icon box of the farm's errors and questions, under the
// application's title or a caption of its own. Each runs modally (a nested event loop) and gives
// the button the operator chose.
#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

// The application's title, the caption of the boxes the farm raises.
inline const QString kAppTitle = QStringLiteral("KestrunMFC");

QMessageBox::StandardButton stopBox(QWidget* parent, const QString& caption, const QString& text,
                                    QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton defaultButton);
// A box's parent: the given window while it is shown, otherwise none (a box raised before the
// main window appears stands on its own).
QWidget* boxParent(QWidget* window);
// Opens the file in the desktop's application for it; when none opens it, says so in a box
// that names the file, so that a command never does nothing visible. With xdg-open on PATH the
// file is handed to it without waiting, and the box comes when it ends in failure (it prints
// why on its error output, which the box shows, and nothing on the screen); without it, Qt's
// own way to the desktop is tried.
void openOrSay(QWidget* parent, const QString& path);
