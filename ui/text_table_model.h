// A table of display texts behind a list view: the column titles and, per row, the text of every
// cell as last shown, with two marks a cell may carry: an error (drawn in the palette's error
// colour) and a done share (drawn as a bar under the text, read through kShareRole). The farm's
// list models derive from it and fill it from the farm records; a cell is rewritten (and the view
// told) only when its text changes, so a redraw touches only what changed. It holds texts only,
// never farm state.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <vector>

class TextTableModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    // The done share of a cell, 0..1, or no value where no bar is drawn.
    static constexpr int kShareRole = Qt::UserRole + 1;

    explicit TextTableModel(QStringList titles, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // An edited label is always refused: the cell keeps its text.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    QString cell(int row, int column) const;
    // Grows the table with empty rows, or drops the rows from `rows` on.
    void setRows(int rows);
    void setCell(int row, int column, const QString& text);
    void setCellError(int row, int column, bool error);
    bool cellError(int row, int column) const;
    // share < 0: no bar.
    void setCellShare(int row, int column, double share);
    // Lets the operator start editing column 0 (the edit is then refused).
    void setLabelsEditable(bool editable) { labelsEditable_ = editable; }

  private:
    struct Cell {
        QString text;
        bool error = false;
        double share = -1;
    };
    Cell* at(int row, int column);
    const Cell* at(int row, int column) const;
    void changed(int row, int column, int role);

    QStringList titles_;
    std::vector<std::vector<Cell>> rows_;
    bool labelsEditable_ = false;
};
