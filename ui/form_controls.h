// Small builders for the controls of the program's dialog-template forms: static texts, push
// buttons and pictures, each created on its parent at a rectangle in dialog units.
#pragma once

#include <QString>

class DialogUnits;
class QLabel;
class QPushButton;
class QWidget;

// A static text; word-wrapped, top-left aligned, as a Windows static text control.
QLabel* addStaticText(QWidget* parent, const DialogUnits& du, const QString& text, int l, int t,
                      int w, int h);
// A static text as wide as its text, at left, top.
QLabel* addCaption(QWidget* parent, const DialogUnits& du, const QString& text, int l, int t);
QPushButton* addPushButton(QWidget* parent, const DialogUnits& du, const QString& text, int l,
                           int t, int w, int h);
// The program's bitmap: at its own size with a sunken frame, or centred in the rectangle.
enum class PictureStyle { SunkenOwnSize, Centred };
QLabel* addPicture(QWidget* parent, const DialogUnits& du, PictureStyle style, int l, int t, int w,
                   int h);
