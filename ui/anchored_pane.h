// A pane of the farm view that keeps the dialog template's layout and grows with the window.
// Each control is placed at its template rectangle (in dialog units, measured from the form's
// corner like the template's own numbers) and carries anchors: a control that grows takes the
// pane's extra width or height, one pinned to the bottom moves down with the pane's lower edge.
// At the template size every control sits exactly where the template puts it.
#pragma once

#include <QRect>
#include <QWidget>
#include <vector>

#include "ui/dialog_units.h"

enum Anchor : unsigned {
    kFixed = 0,
    kGrowWidth = 1,
    kGrowHeight = 2,
    kGrow = kGrowWidth | kGrowHeight,
    kFollowBottom = 4,
};

class AnchoredPane : public QWidget {
    Q_OBJECT

  public:
    // rect: the pane's place on the template, in dialog units. shrinkHeight, shrinkWidth: how
    // far below its template height and width the pane may become (its growing controls shrink
    // by as much).
    AnchoredPane(const DialogUnits& du, QRect rect, int shrinkHeight = 0, int shrinkWidth = 0,
                 QWidget* parent = nullptr);

    // Makes widget a child of the pane at its template rectangle l, t, w, h (form units).
    void add(QWidget* widget, int l, int t, int w, int h, unsigned anchors);
    QSize sizeHint() const override { return templateSize_; }
    QSize minimumSizeHint() const override { return minimumSize(); }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    struct Placed {
        QWidget* widget;
        QRect at;  // pixels, relative to the pane, at the template size
        unsigned anchors;
    };
    void place(const Placed& p) const;

    DialogUnits du_;
    QPoint origin_;  // the pane's corner on the form, in pixels
    QSize templateSize_;
    std::vector<Placed> placed_;
};
