#include "ui/message_boxes.h"

#include <QDesktopServices>
#include <QDir>
#include <QUrl>
#include <QWidget>

QMessageBox::StandardButton stopBox(QWidget* parent, const QString& caption, const QString& text,
                                    QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton defaultButton) {
    QMessageBox box(QMessageBox::Critical, caption, text, buttons, boxParent(parent));
    box.setDefaultButton(defaultButton);
    int answer = box.exec();
    return static_cast<QMessageBox::StandardButton>(answer);
}

QWidget* boxParent(QWidget* window) {
    return window != nullptr && window->isVisible() ? window : nullptr;
}

void openOrSay(QWidget* parent, const QString& path) {
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(path))) {
        return;
    }
    QMessageBox box(QMessageBox::Information, kAppTitle,
                    "No application on this desktop opens " + QDir::toNativeSeparators(path) + ".",
                    QMessageBox::Ok, boxParent(parent));
    box.setInformativeText(
        "Open the file with a program of your choice, or set a default "
        "application for its type (xdg-mime).");
    box.exec();
}
