#include "ui/form_controls.h"

#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <algorithm>

#include "ui/dialog_units.h"
#include "ui/resources.h"

namespace {
// Height in dialog units from which a static text has room for a second line.
constexpr int kTwoLines = 16;
}  // namespace

GroupFrame::GroupFrame(const QString& title, QWidget* parent) : QWidget(parent), title_(title) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void GroupFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QFontMetrics metrics = fontMetrics();
    QRect frame = rect().adjusted(0, metrics.height() / 2, -2, -2);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(frame);
    painter.setPen(palette().color(QPalette::Light));
    painter.drawRect(frame.translated(1, 1));
    QRect text(metrics.averageCharWidth() * 3 / 2, 0,
               metrics.horizontalAdvance(title_) + metrics.averageCharWidth(), metrics.height());
    painter.fillRect(text, palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(text, Qt::AlignCenter, title_);
}

GroupFrame* addGroup(QWidget* parent, const DialogUnits& du, const QString& title, int l, int t,
                     int w, int h) {
    auto* group = new GroupFrame(title, parent);
    du.place(group, l, t, w, h);
    group->lower();  // beneath the controls it frames, whenever they were made
    return group;
}

QLabel* addStaticText(QWidget* parent, const DialogUnits& du, const QString& text, int l, int t,
                      int w, int h) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QRect at = du.rect(l, t, w, h);
    if (h < kTwoLines) {
        // A one-line text keeps to one line and gets the width its text needs in this font.
        at.setWidth(std::max(at.width(), label->sizeHint().width()));
    } else {
        label->setWordWrap(true);
    }
    label->setGeometry(at);
    label->show();
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
    initResources();
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
