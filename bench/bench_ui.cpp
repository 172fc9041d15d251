// Benchmarks of the farm view's redraws at full tables (299 scenes of 3000 frames, 30 nodes) on
// the offscreen Qt platform: refreshQueueList and refreshFarmList of the real view, with nothing
// changed and with one row changed, each followed by the event processing that paints what
// changed. Beside each, the plain way: a list model whose every cell is formatted and rewritten
// at every redraw. "cells" counts the cells a redraw set (dataChanged signals).
#include <QAbstractTableModel>
#include <QApplication>
#include <QTreeView>
#include <memory>
#include <string>
#include <vector>

#include "bench_farm.h"
#include "farm/view_texts.h"
#include "platform/fixed_text.h"
#include "platform/posix_file_system.h"
#include "ui/farm_controller.h"
#include "ui/farm_list_models.h"
#include "ui/kestrun_view.h"
#include "ui/qt_text.h"

namespace {

constexpr int kScenes = 299;
constexpr int kNodes = 30;
constexpr uint32_t kNow = 3600000;
// The scene and frame the "one row changed" redraws change.
constexpr int kChangedScene = 150;
constexpr int kChangedNode = 15;

// A list model that holds its texts and rewrites every cell it is given, changed or not.
class RewritingModel : public QAbstractTableModel {
  public:
    explicit RewritingModel(int columns) : columns_(columns) {}
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(rows_.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : columns_;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || role != Qt::DisplayRole) {
            return {};
        }
        return rows_[index.row()][index.column()];
    }
    void setRows(int rows) {
        int have = static_cast<int>(rows_.size());
        if (rows > have) {
            beginInsertRows({}, have, rows - 1);
            rows_.resize(rows, std::vector<QString>(columns_));
            endInsertRows();
        } else if (rows < have) {
            beginRemoveRows({}, rows, have - 1);
            rows_.resize(rows);
            endRemoveRows();
        }
    }
    void setCell(int row, int column, const QString& text) {
        rows_[row][column] = text;
        QModelIndex at = index(row, column);
        emit dataChanged(at, at, {Qt::DisplayRole});
    }

  private:
    int columns_;
    std::vector<std::vector<QString>> rows_;
};

void plainRefreshQueueList(RewritingModel& model, const FarmState& s) {
    model.setRows(s.sceneCount);
    for (int k = 1; k <= s.sceneCount; ++k) {
        const SceneEntry& e = s.scenes[k];
        int row = k - 1;
        model.setCell(row, 0, qtext(textOf(e.fileName)));
        model.setCell(row, 1, QString::number(e.firstFrame));
        model.setCell(row, 2, QString::number(e.lastFrame));
        model.setCell(row, 3, QString::number(e.frameStep));
        model.setCell(row, 4, qtext(sceneProgressText(e)));
        model.setCell(row, 5, qtext(textOf(e.imageSize)));
        model.setCell(row, 6, qtext(antialiasText(e.antialias)));
        model.setCell(row, 7, qtext(softFilterText(e.filterType)));
        model.setCell(row, 8, QString::number(e.segmentMemory) + " Meg");
        model.setCell(row, 9, QString::number(e.blurPercent) + "%");
        model.setCell(row, 10, qtext(textOf(e.outputPath)));
    }
}

void plainRefreshFarmList(RewritingModel& model, const Farm& farm, uint32_t now) {
    const FarmState& s = farm.state;
    int nodes = farm.settings.No_Of_Nodes;
    model.setRows(nodes);
    for (int i = 1; i <= nodes; ++i) {
        const NodeSlot& n = s.nodes[i];
        int row = i - 1;
        model.setCell(row, 0, qtext(nodeLabel(i, textOf(n.name))));
        model.setCell(row, 1, qtext(nodeStatusText(n.state)));
        model.setCell(row, 2, qtext(elapsedText(now - n.commandTick)));
        bool holdsScene = n.state == Loading || n.state == Rendering || n.state == WLoadFirst;
        int k = holdsScene ? findScene(s, n.sceneId) : 0;
        if (!holdsScene) {
            model.setCell(row, 3, " ");
            model.setCell(row, 4, " ");
        } else if (k != 0) {
            model.setCell(row, 3, qtext(textOf(s.scenes[k].fileName)));
            model.setCell(row, 4, QString::number(n.frame));
        }
    }
}

// 299 live scenes of frames 0..2999, every other frame's image present; 30 nodes rendering.
void fillFarm(Farm& farm) {
    FarmState& s = farm.state;
    farm.settings.No_Of_Nodes = kNodes;
    s.sceneCount = kScenes;
    for (int k = 1; k <= kScenes; ++k) {
        SceneEntry& e = s.scenes[k];
        e.position = k;
        e.sceneId = k;
        copyText(e.fileName, "scene" + std::to_string(k) + ".lws");
        e.firstFrame = 0;
        e.lastFrame = kFrameMapSize - 1;
        e.frameStep = 1;
        for (int f = 0; f < kFrameMapSize; ++f) {
            e.frameMap[f] = f % 2 == 0 ? kFramePresent : kFrameMissing;
        }
        copyText(e.outputPath, "/farm/images/scene" + std::to_string(k) + "/shot0000.TGA");
        copyText(e.imageSize, " 640 480");
        e.antialias = 2;
        e.segmentMemory = 8;
        e.blurPercent = 50;
    }
    for (int i = 1; i <= kNodes; ++i) {
        NodeSlot& n = s.nodes[i];
        copyText(n.name, "PC_" + std::to_string(i));
        n.state = Rendering;
        n.sceneId = i;
        n.frame = 2 * i + 1;
        n.commandTick = kNow - 1000 * static_cast<uint32_t>(i);
    }
}

// The real view with its lists shown, and a plain list of the same size beside it.
struct Views {
    Views() : controller(fs, clock, "/nonexistent/Kestrun.ini"), view(controller) {
        clock.tick = kNow;
        fillFarm(controller.farm());
        view.resize(1200, 800);
        view.show();
        view.refreshQueueList();
        view.refreshFarmList();
        plainQueue.setModel(&plainQueueModel);
        plainQueue.resize(view.findChild<QTreeView*>("queueStatusList")->size());
        plainQueue.show();
        plainFarm.setModel(&plainFarmModel);
        plainFarm.resize(view.findChild<QTreeView*>("farmStatusList")->size());
        plainFarm.show();
        QApplication::processEvents();
    }
    PosixFileSystem fs;
    ManualClock clock;
    FarmController controller;
    CKestrunMFCView view;
    RewritingModel plainQueueModel{11};
    RewritingModel plainFarmModel{5};
    QTreeView plainQueue;
    QTreeView plainFarm;
};

// Made on first use and dropped before the application object goes.
std::unique_ptr<Views>& viewsSlot() {
    static std::unique_ptr<Views> v;
    return v;
}

Views& views() {
    std::unique_ptr<Views>& v = viewsSlot();
    if (!v) {
        v = std::make_unique<Views>();
    }
    return *v;
}

// Counts the cells a model reports changed while it lives.
class CellCounter {
  public:
    explicit CellCounter(const QAbstractItemModel& model) {
        connection_ =
            QObject::connect(&model, &QAbstractItemModel::dataChanged, [this] { ++cells_; });
    }
    ~CellCounter() { QObject::disconnect(connection_); }
    double cells() const { return static_cast<double>(cells_); }

  private:
    QMetaObject::Connection connection_;
    long cells_ = 0;
};

enum class Change { None, OneRow };

// One change between redraws: a frame of one scene toggles between done and missing (its
// Progress cell changes), or one node toggles between Rendering and Loaded (three cells).
void makeChange(Farm& farm, Change change, bool queue, bool& flip) {
    if (change == Change::None) {
        return;
    }
    flip = !flip;
    if (queue) {
        farm.state.scenes[kChangedScene].frameMap[1] = flip ? kFramePresent : kFrameMissing;
    } else {
        farm.state.nodes[kChangedNode].state = flip ? Loaded : Rendering;
    }
}

void benchQueueList(benchmark::State& st, Way way, Change change) {
    Views& v = views();
    Farm& farm = v.controller.farm();
    const QAbstractItemModel& model =
        way == Way::Farm ? *v.view.findChild<QTreeView*>("queueStatusList")->model()
                         : v.plainQueueModel;
    bool flip = false;
    CellCounter counter(model);
    for (auto _ : st) {
        makeChange(farm, change, true, flip);
        if (way == Way::Farm) {
            v.view.refreshQueueList();
        } else {
            plainRefreshQueueList(v.plainQueueModel, farm.state);
        }
        QApplication::processEvents();
    }
    st.counters["cells"] = benchmark::Counter(counter.cells(), benchmark::Counter::kAvgIterations);
}

void benchFarmList(benchmark::State& st, Way way, Change change) {
    Views& v = views();
    Farm& farm = v.controller.farm();
    const QAbstractItemModel& model = way == Way::Farm
                                          ? *v.view.findChild<QTreeView*>("farmStatusList")->model()
                                          : v.plainFarmModel;
    bool flip = false;
    CellCounter counter(model);
    for (auto _ : st) {
        makeChange(farm, change, false, flip);
        if (way == Way::Farm) {
            v.view.refreshFarmList();
        } else {
            plainRefreshFarmList(v.plainFarmModel, farm, kNow);
        }
        QApplication::processEvents();
    }
    farm.state.nodes[kChangedNode].state = Rendering;
    st.counters["cells"] = benchmark::Counter(counter.cells(), benchmark::Counter::kAvgIterations);
}

void registerRedraws() {
    struct Case {
        const char* name;
        Change change;
    };
    for (Case c : {Case{"unchanged", Change::None}, Case{"one_row_changed", Change::OneRow}}) {
        for (Way way : {Way::Farm, Way::Plain}) {
            std::string plain = way == Way::Plain ? "/plain" : "";
            benchmark::RegisterBenchmark(
                ("refreshQueueList/scenes:299/" + std::string(c.name) + plain).c_str(),
                [=](benchmark::State& st) { benchQueueList(st, way, c.change); })
                ->Unit(benchmark::kMillisecond)
                ->MinTime(0.2);
            benchmark::RegisterBenchmark(
                ("refreshFarmList/nodes:30/" + std::string(c.name) + plain).c_str(),
                [=](benchmark::State& st) { benchFarmList(st, way, c.change); })
                ->Unit(benchmark::kMillisecond)
                ->MinTime(0.2);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    registerRedraws();
    benchmark::RunSpecifiedBenchmarks();
    viewsSlot().reset();
    benchmark::Shutdown();
    return 0;
}
