#include "ui/anchored_pane.h"

AnchoredPane::AnchoredPane(const DialogUnits& du, QRect rect, int shrinkHeight, int shrinkWidth,
                           QWidget* parent)
    : QWidget(parent), du_(du) {
    QRect at = du.rect(rect.x(), rect.y(), rect.width(), rect.height());
    origin_ = at.topLeft();
    templateSize_ = at.size();
    setMinimumSize(templateSize_.width() - du.x(shrinkWidth),
                   templateSize_.height() - du.y(shrinkHeight));
}

void AnchoredPane::add(QWidget* widget, int l, int t, int w, int h, unsigned anchors) {
    widget->setParent(this);
    Placed p{widget, du_.rect(l, t, w, h).translated(-origin_), anchors};
    placed_.push_back(p);
    place(p);
    widget->show();
}

void AnchoredPane::place(const Placed& p) const {
    int dx = width() - templateSize_.width();
    int dy = height() - templateSize_.height();
    QRect at = p.at;
    if ((p.anchors & kGrowWidth) != 0) {
        at.setWidth(at.width() + dx);
    }
    if ((p.anchors & kGrowHeight) != 0) {
        at.setHeight(at.height() + dy);
    }
    if ((p.anchors & kFollowBottom) != 0) {
        at.translate(0, dy);
    }
    p.widget->setGeometry(at);
}

void AnchoredPane::resizeEvent(QResizeEvent*) {
    for (const Placed& p : placed_) {
        place(p);
    }
}
