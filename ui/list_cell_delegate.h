// How the farm view's lists draw their cells beyond the plain text: a cell with a done share
// (TextTableModel::kShareRole) is drawn as a progress bar as tall as its row with its text over
// it, and a cell too narrow for its text shows the whole text as its tooltip.
#pragma once

#include <QStyledItemDelegate>

class ListCellDelegate : public QStyledItemDelegate {
    Q_OBJECT

  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
    // True when the cell's text does not fit its width in the view.
    static bool textIsCut(const QAbstractItemView* view, const QModelIndex& index);
    // The bar's rectangle in a cell of that rectangle, for a share 0..1 (1: the whole bar).
    static QRect barRect(const QRect& cell, double share);
    // The done part's colour: the highlight tinted into the base, or in a selected row the
    // highlighted text's colour tinted into the highlight.
    static QColor barColour(const QPalette& palette, bool selected);
};
