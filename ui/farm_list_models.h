// The models of the farm view's two lists. FarmListModel shows the node table, one row per node
// 1..No_Of_Nodes; QueueListModel shows the scene table in table order, one row per entry
// 1..sceneCount. Beside the texts of the records, the node rows show each node's last frame time
// and frames rendered this run (a stuck node's status marked in the error colour), and the
// scene rows each live scene's ETA, from the farm's statistics. update() redraws from the records:
// rows are added or dropped to match the table and each cell is rewritten only when its text
// changed.
#pragma once

#include <QStringList>
#include <cstdint>
#include <vector>

#include "ui/text_table_model.h"

struct Farm;

class FarmListModel : public TextTableModel {
    Q_OBJECT

  public:
    explicit FarmListModel(QObject* parent = nullptr);
    // nowTick: the millisecond tick the elapsed times are measured to.
    void update(const Farm& farm, uint32_t nowTick);
    // Column widths in pixels for the 8-point template font.
    static const int kWidths[];
    // Per column, the widest texts it may show beside those of its rows now: every status with
    // the stuck mark, the longest times and counts.
    static std::vector<QStringList> sampleTexts();
};

class QueueListModel : public TextTableModel {
    Q_OBJECT

  public:
    explicit QueueListModel(QObject* parent = nullptr);
    void update(const Farm& farm);
    static const int kWidths[];
};
