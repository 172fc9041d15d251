#include "ui/text_table_model.h"

#include <QBrush>
#include <QGuiApplication>

#include "ui/palette_colours.h"

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
    const Cell* c = at(index.row(), index.column());
    if (c == nullptr) {
        return {};
    }
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        return c->text;
    }
    if (role == Qt::ForegroundRole && c->error) {
        return QBrush(errorColour(QGuiApplication::palette()));
    }
    if (role == kShareRole && c->share >= 0) {
        return c->share;
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

TextTableModel::Cell* TextTableModel::at(int row, int column) {
    if (row < 0 || row >= static_cast<int>(rows_.size()) || column < 0 ||
        column >= titles_.size()) {
        return nullptr;
    }
    return &rows_[row][column];
}

const TextTableModel::Cell* TextTableModel::at(int row, int column) const {
    return const_cast<TextTableModel*>(this)->at(row, column);
}

QString TextTableModel::cell(int row, int column) const {
    const Cell* c = at(row, column);
    return c != nullptr ? c->text : QString();
}

bool TextTableModel::cellError(int row, int column) const {
    const Cell* c = at(row, column);
    return c != nullptr && c->error;
}

void TextTableModel::setRows(int rows) {
    int have = static_cast<int>(rows_.size());
    if (rows > have) {
        beginInsertRows({}, have, rows - 1);
        rows_.resize(rows, std::vector<Cell>(titles_.size()));
        endInsertRows();
    } else if (rows < have) {
        beginRemoveRows({}, rows, have - 1);
        rows_.resize(rows);
        endRemoveRows();
    }
}

void TextTableModel::changed(int row, int column, int role) {
    QModelIndex i = index(row, column);
    emit dataChanged(i, i, {role});
}

void TextTableModel::setCell(int row, int column, const QString& text) {
    Cell* c = at(row, column);
    if (c != nullptr && c->text != text) {
        c->text = text;
        changed(row, column, Qt::DisplayRole);
    }
}

void TextTableModel::setCellError(int row, int column, bool error) {
    Cell* c = at(row, column);
    if (c != nullptr && c->error != error) {
        c->error = error;
        changed(row, column, Qt::ForegroundRole);
    }
}

void TextTableModel::setCellShare(int row, int column, double share) {
    Cell* c = at(row, column);
    share = share < 0 ? -1 : share;
    if (c != nullptr && c->share != share) {
        c->share = share;
        changed(row, column, kShareRole);
    }
}
