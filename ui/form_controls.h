// Small builders for the controls of the program's dialog-template forms: static texts, push
// buttons and pictures, each created on its parent at a rectangle in dialog units.
#pragma once

#include <QString>

#include <QWidget>

class DialogUnits;
class QLabel;
class QPushButton;
class QWidget;

// A group box as a dialog template draws it: an etched frame whose top line runs through the
// middle of its title, so that controls placed just below the title stay inside the frame.
class GroupFrame : public QWidget {
    Q_OBJECT

  public:
    GroupFrame(const QString& title, QWidget* parent);
    QString title() const { return title_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString title_;
};

GroupFrame* addGroup(QWidget* parent, const DialogUnits& du, const QString& title, int l, int t,
                     int w, int h);
// A static text, top-left aligned. One with room for two lines or more wraps its words; a
// one-line text is widened to its text when the font needs more room than the template gave.
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
