#include "ui/text_table_model.h"

#include <QBrush>
#include <QColor>

TextTableModel::TextTableModel(QStringList titles, QObject* parent)
    : QAbstractTableModel(parent), titles_(std::move(titles)) {}

int TextTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TextTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(titles_.size());
}

QVariant TextTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        return cell(index.row(), index.column());
    }
    if (role == Qt::ForegroundRole && textColor_.isValid()) {
        return QBrush(textColor_);
    }
    return {};
}

QVariant TextTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < titles_.size()) {
        return titles_[section];
    }
    if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags TextTableModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (labelsEditable_ && index.column() == 0) {
        f |= Qt::ItemIsEditable;
    }
    return f;
}

bool TextTableModel::setData(const QModelIndex&, const QVariant&, int) {
    return false;
}

QString TextTableModel::cell(int row, int column) const {
    if (row < 0 || row >= static_cast<int>(rows_.size()) || column < 0 ||
        column >= titles_.size()) {
        return {};
    }
    return rows_[row][column];
}

void TextTableModel::setRows(int rows) {
    int have = static_cast<int>(rows_.size());
    if (rows > have) {
        beginInsertRows({}, have, rows - 1);
        rows_.resize(rows, std::vector<QString>(titles_.size()));
        endInsertRows();
    } else if (rows < have) {
        beginRemoveRows({}, rows, have - 1);
        rows_.resize(rows);
        endRemoveRows();
    }
}

void TextTableModel::setCell(int row, int column, const QString& text) {
    if (row < 0 || row >= static_cast<int>(rows_.size()) || column < 0 ||
        column >= titles_.size() || rows_[row][column] == text) {
        return;
    }
    rows_[row][column] = text;
    QModelIndex at = index(row, column);
    emit dataChanged(at, at, {Qt::DisplayRole});
}
