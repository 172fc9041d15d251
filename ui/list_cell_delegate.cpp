#include "ui/list_cell_delegate.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>

#include "ui/text_table_model.h"

namespace {
// The bar's height: a fifth of the row, at least 3 pixels.
constexpr int kBarDivisor = 5;
constexpr int kBarMinimum = 3;
// Room the style keeps on either side of a cell's text.
constexpr int kTextMargins = 8;
}  // namespace

QRect ListCellDelegate::barRect(const QRect& cell, double share) {
    int height = std::max(kBarMinimum, cell.height() / kBarDivisor);
    int width = static_cast<int>((cell.width() - 2) * std::clamp(share, 0.0, 1.0));
    return QRect(cell.left() + 1, cell.bottom() - height, width, height);
}

void ListCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    QStyledItemDelegate::paint(painter, option, index);
    QVariant share = index.data(TextTableModel::kShareRole);
    if (!share.isValid()) {
        return;
    }
    bool selected = (option.state & QStyle::State_Selected) != 0;
    // The active colours: the lists paint their inactive highlight as their base, which would
    // hide the bar whenever the list has no focus.
    QColor bar = option.palette.color(QPalette::Active,
                                      selected ? QPalette::HighlightedText : QPalette::Highlight);
    painter->fillRect(barRect(option.rect, share.toDouble()), bar);
}

bool ListCellDelegate::textIsCut(const QAbstractItemView* view, const QModelIndex& index) {
    QString text = index.data(Qt::DisplayRole).toString();
    int needed = view->fontMetrics().horizontalAdvance(text) + kTextMargins;
    return !text.trimmed().isEmpty() && needed > view->visualRect(index).width();
}

bool ListCellDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                 const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (event->type() != QEvent::ToolTip || !index.isValid()) {
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    }
    if (textIsCut(view, index)) {
        QToolTip::showText(event->globalPos(), index.data(Qt::DisplayRole).toString(), view,
                           view->visualRect(index));
    } else {
        QToolTip::hideText();
    }
    return true;
}
