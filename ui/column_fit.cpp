#include "ui/column_fit.h"

#include <QHeaderView>
#include <QStyle>
#include <QTreeView>
#include <algorithm>

std::vector<int> columnNeeds(const QTreeView* list, const std::vector<QStringList>& samples) {
    const QAbstractItemModel* model = list->model();
    QFontMetrics metrics = list->fontMetrics();
    // The style keeps a margin on either side of a cell's text, and one pixel more.
    int margins = 2 * (list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 2);
    std::vector<int> needs;
    for (int c = 0; c < model->columnCount(); ++c) {
        int widest = 0;
        for (int r = 0; r < model->rowCount(); ++r) {
            widest =
                std::max(widest, metrics.horizontalAdvance(model->index(r, c).data().toString()));
        }
        if (c < static_cast<int>(samples.size())) {
            for (const QString& text : samples[c]) {
                widest = std::max(widest, metrics.horizontalAdvance(text));
            }
        }
        needs.push_back(std::max(list->header()->sectionSizeHint(c), widest + margins));
    }
    return needs;
}
