#include "ui/form_controls.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "ui/dialog_units.h"

QLabel* addStaticText(QWidget* parent, const DialogUnits& du, const QString& text, int l, int t,
                      int w, int h) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    du.place(label, l, t, w, h);
    return label;
}

QLabel* addCaption(QWidget* parent, const DialogUnits& du, const QString& text, int l, int t) {
    auto* label = new QLabel(text, parent);
    label->move(du.x(l), du.y(t));
    label->adjustSize();
    label->show();
    return label;
}

QPushButton* addPushButton(QWidget* parent, const DialogUnits& du, const QString& text, int l,
                           int t, int w, int h) {
    auto* button = new QPushButton(text, parent);
    du.place(button, l, t, w, h);
    return button;
}

QLabel* addPicture(QWidget* parent, const DialogUnits& du, PictureStyle style, int l, int t, int w,
                   int h) {
    auto* picture = new QLabel(parent);
    QPixmap bitmap(":/kestrun/kestrun.png");
    picture->setPixmap(bitmap);
    picture->setObjectName("programBitmap");
    if (style == PictureStyle::SunkenOwnSize) {
        picture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        int frame = picture->frameWidth() * 2;
        picture->setGeometry(du.x(l), du.y(t), bitmap.width() + frame, bitmap.height() + frame);
        picture->show();
    } else {
        picture->setAlignment(Qt::AlignCenter);
        du.place(picture, l, t, w, h);
    }
    return picture;
}
