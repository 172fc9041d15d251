#include "ui/shell_dialogs.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "ui/dialog_units.h"
#include "ui/form_controls.h"

namespace {

void setUpDialog(QDialog* dialog, const DialogUnits& du, const QString& title, int w, int h) {
    dialog->setWindowTitle(title);
    dialog->setModal(true);
    dialog->setFixedSize(du.rect(0, 0, w, h).size());
}

void addOkButton(QDialog* dialog, const DialogUnits& du, const QString& text, int l, int t, int w,
                 int h) {
    QPushButton* ok = addPushButton(dialog, du, text, l, t, w, h);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    DialogUnits du(QApplication::font());
    setUpDialog(this, du, "About Kestrun", 348, 102);
    addPicture(this, du, PictureStyle::SunkenOwnSize, 7, 7, 33, 31);
    addStaticText(this, du, "Kestrun Version  BETA 0.91", 51, 14, 119, 8);
    addOkButton(this, du, "I am grateful", 226, 16, 101, 30);
    addStaticText(this, du,
                  "This program will control up to 30 Lightwave Screamernet nodes. Please read "
                  "the documentation.",
                  52, 55, 251, 16);
    addStaticText(this, du, "Lightwave is a trademark of NewTek inc.", 13, 80, 187, 9);
}

CNotConfiguredDlg::CNotConfiguredDlg(const QString& settingsPath, QWidget* parent)
    : QDialog(parent) {
    DialogUnits du(QApplication::font());
    // A long settings path widens the dialog, as one line cannot wrap inside a path.
    QString path = QDir::toNativeSeparators(settingsPath);
    int pathWidth = fontMetrics().horizontalAdvance(path) * 4 / std::max(1, du.x(4));
    int extra = std::max(0, pathWidth - 254);
    setUpDialog(this, du, "Kestrun - is not configured", 356 + extra, 118);
    addOkButton(this, du, "OK", 292 + extra, 7, 57, 21);
    addStaticText(this, du, "Kestrun could not find a correctly configured Kestrun.ini at", 90, 13,
                  197, 27);
    QLabel* where = addStaticText(this, du, path, 90, 41, 254 + extra, 9);
    where->setObjectName("settingsPath");
    where->setTextInteractionFlags(Qt::TextSelectableByMouse);
    addPicture(this, du, PictureStyle::Centred, 16, 13, 54, 49);
    addStaticText(this, du,
                  "The program needs the location of a directory to use as a scene file queue,  "
                  "the location of your ScreamerNet command directory and the location of your "
                  "LW.CFG file.    ",
                  88, 75, 190, 28);
    addStaticText(this, du,
                  "We suggest that you configure the program by editing that file. Follow the "
                  "instructions in the manual (Help Topics).",
                  89, 52, 254, 22);
}
