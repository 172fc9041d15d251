#include "ui/farm_list_models.h"

#include <algorithm>

#include "engine/farm_stats.h"
#include "farm/farm.h"
#include "farm/view_texts.h"
#include "platform/fixed_text.h"
#include "ui/last_frame_watch.h"
#include "ui/qt_text.h"

const int FarmListModel::kWidths[] = {60, 70, 80, 100, 70, 70, 60};

namespace {
// The Status column's mark of a node that shows no progress.
const char* const kStuckMark = " (stuck)";
}  // namespace

std::vector<QStringList> FarmListModel::sampleTexts() {
    QStringList statuses;
    for (int32_t state = Offline; state <= Retired; ++state) {
        statuses << qtext(nodeStatusText(state) + kStuckMark);
    }
    // Node, Status, Elapsed Time, Scene File, Frame No, Last Frame, Rendered.
    return {{},      statuses, {"00:00:00"},
            {},      {"2999"}, {qtext(durationText(99 * 3600000 + 3599000))},
            {"9999"}};
}
const int QueueListModel::kWidths[] = {100, 34, 34, 34, 94, 70, 54, 37, 59, 34, 291, 60};

FarmListModel::FarmListModel(QObject* parent)
    : TextTableModel(
          {"Node", "Status", "Elapsed Time", "Scene File", "Frame No", "Last Frame", "Rendered"},
          parent) {
    setLabelsEditable(true);
}

void FarmListModel::update(const Farm& farm, uint32_t nowTick) {
    const FarmState& s = farm.state;
    int nodes = std::clamp(farm.settings.No_Of_Nodes, 0, kMaxNodes);
    setRows(nodes);
    for (int i = 1; i <= nodes; ++i) {
        const NodeSlot& n = s.nodes[i];
        int row = i - 1;
        setCell(row, 0, qtext(nodeLabel(i, textOf(n.name))));
        NodeFigures figures = nodeFigures(farm, i);
        std::string status = nodeStatusText(n.state);
        setCell(row, 1, qtext(figures.stuck ? status + kStuckMark : status));
        setCellError(row, 1, figures.stuck);
        setCell(row, 2, qtext(elapsedText(nowTick - n.commandTick)));
        setCell(row, 5, figures.lastMs == 0 ? QString() : qtext(durationText(figures.lastMs)));
        setCell(row, 6, QString::number(figures.framesThisRun));
        if (!nodeHoldsFrame(n.state)) {
            setCell(row, 3, " ");
            setCell(row, 4, " ");
            continue;
        }
        int k = findScene(s, n.sceneId);
        if (k >= 1 && k <= s.sceneCount) {
            setCell(row, 3, qtext(textOf(s.scenes[k].fileName)));
            setCell(row, 4, QString::number(n.frame));
        }
    }
}

QueueListModel::QueueListModel(QObject* parent)
    : TextTableModel({"Scene File", "First", "Last", "Step", "Progress", "Image Size", "AA", "Soft",
                      "Seg Size", "Blur", "Save Path", "ETA"},
                     parent) {}

void QueueListModel::update(const Farm& farm) {
    const FarmState& s = farm.state;
    int scenes = std::clamp(s.sceneCount, 0, kMaxScenes);
    setRows(scenes);
    for (int k = 1; k <= scenes; ++k) {
        const SceneEntry& e = s.scenes[k];
        int row = k - 1;
        setCell(row, 0, qtext(textOf(e.fileName)));
        setCell(row, 1, QString::number(e.firstFrame));
        setCell(row, 2, QString::number(e.lastFrame));
        setCell(row, 3, QString::number(e.frameStep));
        setCell(row, 4, qtext(sceneProgressText(e)));
        setCellError(row, 4, sceneFailed(e));
        setCellShare(row, 4, sceneDoneShare(e));
        setCell(row, 5, qtext(textOf(e.imageSize)));
        setCell(row, 6, qtext(antialiasText(e.antialias)));
        setCell(row, 7, qtext(softFilterText(e.filterType)));
        setCell(row, 8, QString::number(e.segmentMemory) + " Meg");
        setCell(row, 9, QString::number(e.blurPercent) + "%");
        setCell(row, 10, qtext(oneLine(textOf(e.outputPath))));
        setCell(row, 11, e.position >= 1 ? qtext(durationText(sceneFigures(farm, k).etaMs)) : "");
    }
}
