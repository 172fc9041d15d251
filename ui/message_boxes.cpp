#include "ui/message_boxes.h"

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
