#include "ui/list_cell_delegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>

#include "ui/text_table_model.h"

namespace {
// The bar stands this far inside its cell, above, below and at either end.
constexpr int kBarInset = 2;
// How much of the highlight colour the done part mixes into the list's base, in percent: light
// enough for the text drawn over it to stay readable.
constexpr int kBarTint = 40;
// Room the style keeps on either side of a cell's text.
constexpr int kTextMargins = 8;

QColor mixed(const QColor& over, const QColor& under, int percent) {
    auto mix = [percent](int a, int b) { return (a * percent + b * (100 - percent)) / 100; };
    return QColor(mix(over.red(), under.red()), mix(over.green(), under.green()),
                  mix(over.blue(), under.blue()));
}

}  // namespace

QRect ListCellDelegate::barRect(const QRect& cell, double share) {
    QRect bar = cell.adjusted(kBarInset, kBarInset, -kBarInset, -kBarInset);
    bar.setWidth(static_cast<int>(bar.width() * std::clamp(share, 0.0, 1.0)));
    return bar;
}

QColor ListCellDelegate::barColour(const QPalette& palette, bool selected) {
    // The active colours: the lists paint their inactive highlight as their base.
    QColor highlight = palette.color(QPalette::Active, QPalette::Highlight);
    if (selected) {
        return mixed(palette.color(QPalette::Active, QPalette::HighlightedText), highlight,
                     kBarTint);
    }
    return mixed(highlight, palette.color(QPalette::Active, QPalette::Base), kBarTint);
}

void ListCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    QVariant share = index.data(TextTableModel::kShareRole);
    if (!share.isValid()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    // A progress bar as tall as the row, with the cell's text over it: the background, the
    // bar, then the text on a transparent cell.
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QWidget* widget = item.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &item, painter, widget);
    bool selected = (item.state & QStyle::State_Selected) != 0;
    QRect whole = barRect(item.rect, 1.0);
    painter->fillRect(barRect(item.rect, share.toDouble()), barColour(item.palette, selected));
    painter->setPen(
        item.palette.color(QPalette::Active, selected ? QPalette::HighlightedText : QPalette::Mid));
    painter->drawRect(whole.adjusted(0, 0, -1, -1));
    QStyleOptionViewItem text = item;
    text.backgroundBrush = Qt::NoBrush;
    text.state &= ~QStyle::State_Selected;
    text.state &= ~QStyle::State_HasFocus;
    text.palette.setColor(
        QPalette::Text, item.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    style->drawControl(QStyle::CE_ItemViewItem, &text, painter, widget);
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
