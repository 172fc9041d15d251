// The fixed layouts of the farm view and the dialogs, checked in the platform's default font:
// every control lies inside its form, no two controls overlap, and every text fits its control.
// With KESTRUN_SCREENSHOT_DIR set, the dialogs are also saved as pictures for the README.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTest>
#include <QTreeView>

#include "screenshots.h"
#include "ui/configure_dlg.h"
#include "ui/dialog_units.h"
#include "ui/form_controls.h"
#include "ui/last_frame_pane.h"
#include "ui/name_node_dlg.h"
#include "ui/shell_dialogs.h"
#include "ui_support.h"

namespace {

std::string nameOf(const QWidget* w) {
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) {
        return "button \"" + b->text().toStdString() + "\"";
    }
    if (auto* l = qobject_cast<const QLabel*>(w)) {
        return "text \"" + l->text().toStdString() + "\"";
    }
    return w->metaObject()->className() + (" " + w->objectName().toStdString());
}

// Where a control's text does not fit it.
std::string textProblem(const QWidget* w) {
    if (auto* b = qobject_cast<const QAbstractButton*>(w); b != nullptr && !b->text().isEmpty()) {
        QSize text = b->fontMetrics().size(Qt::TextShowMnemonic, b->text());
        if (text.width() + 8 > b->width() || text.height() > b->height()) {
            return "does not fit its text";
        }
    }
    if (auto* l = qobject_cast<const QLabel*>(w); l != nullptr && l->pixmap().isNull()) {
        int needed = l->wordWrap() ? l->heightForWidth(l->width()) : l->sizeHint().height();
        int widest = 0;
        for (const QString& word : l->text().split(' ', Qt::SkipEmptyParts)) {
            widest = std::max(widest, l->fontMetrics().horizontalAdvance(word));
        }
        if (needed > l->height() || widest > l->width() ||
            (!l->wordWrap() && l->sizeHint().width() > l->width())) {
            return "does not fit its text";
        }
    }
    return {};
}

// Every layout fault among the controls placed directly on container.
std::vector<std::string> layoutProblems(QWidget* container) {
    std::vector<QWidget*> controls;
    for (QWidget* w : container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (w->isVisibleTo(container) && !w->isWindow()) {
            controls.push_back(w);
        }
    }
    std::vector<std::string> problems;
    for (QWidget* w : controls) {
        if (!container->rect().contains(w->geometry())) {
            problems.push_back(nameOf(w) + " reaches beyond its form");
        }
        if (std::string p = textProblem(w); !p.empty()) {
            problems.push_back(nameOf(w) + " " + p);
        }
    }
    for (size_t i = 0; i < controls.size(); ++i) {
        for (size_t j = i + 1; j < controls.size(); ++j) {
            bool frame = qobject_cast<GroupFrame*>(controls[i]) != nullptr ||
                         qobject_cast<GroupFrame*>(controls[j]) != nullptr;
            if (!frame && controls[i]->geometry().intersects(controls[j]->geometry())) {
                problems.push_back(nameOf(controls[i]) + " overlaps " + nameOf(controls[j]));
            }
        }
    }
    return problems;
}

using Problems = std::vector<std::string>;

// The panes of the farm view: the Farm Status, Log, Last Frame and Queue Status groups.
std::vector<QWidget*> panes(CKestrunMFCView* view) {
    std::vector<QWidget*> all;
    for (QSplitter* splitter : {topRow(*view), halves(*view)}) {
        for (int i = 0; i < splitter->count(); ++i) {
            if (qobject_cast<QSplitter*>(splitter->widget(i)) == nullptr) {
                all.push_back(splitter->widget(i));
            }
        }
    }
    return all;
}

Problems paneProblems(CKestrunMFCView* view) {
    Problems all;
    for (QWidget* pane : panes(view)) {
        if (pane->findChild<LastFramePane*>() != nullptr &&
            pane->width() < pane->sizeHint().width()) {
            continue;  // the Last Frame group, closed or narrow: its picture only scales down
        }
        for (const std::string& p : layoutProblems(pane)) {
            all.push_back(p);
        }
    }
    return all;
}

// The window at the size it starts with on a screen of that size (7/8 by 4/5 of it).
void resizeAsStartedOn(CMainFrame* frame, QSize screen) {
    frame->resize(screen.width() * 7 / 8, screen.height() * 4 / 5);
    QApplication::processEvents();
}

// Every control of the view can be brought into view, and then lies wholly inside it.
Problems outOfReach(CKestrunMFCView* view) {
    Problems problems;
    std::vector<QWidget*> controls;
    for (QAbstractButton* b : view->findChildren<QAbstractButton*>()) {
        controls.push_back(b);
    }
    controls.push_back(farmList(*view));
    controls.push_back(queueList(*view));
    controls.push_back(logPane(*view));
    for (QWidget* w : controls) {
        QPoint centre = w->mapTo(view->widget(), w->rect().center());
        view->ensureVisible(centre.x(), centre.y(), w->width() / 2 + 1, w->height() / 2 + 1);
        QApplication::processEvents();
        QRect at(w->mapTo(view->viewport(), QPoint(0, 0)), w->size());
        bool small =
            w->width() <= view->viewport()->width() && w->height() <= view->viewport()->height();
        if (small && !view->viewport()->rect().contains(at)) {
            problems.push_back(
                nameOf(w) + " cannot be brought into view: " + std::to_string(at.x()) + "," +
                std::to_string(at.y()) + " " + std::to_string(at.width()) + "x" +
                std::to_string(at.height()) + " in " + std::to_string(view->viewport()->width()) +
                "x" + std::to_string(view->viewport()->height()));
        }
    }
    return problems;
}

// Each edge of a within one pixel of b's: dialog units round where the splitter meets them.
bool nearly(QRect a, QRect b) {
    return std::abs(a.left() - b.left()) <= 1 && std::abs(a.top() - b.top()) <= 1 &&
           std::abs(a.right() - b.right()) <= 1 && std::abs(a.bottom() - b.bottom()) <= 1;
}

// A control's place on the form, in dialog units' pixels.
QRect onForm(CKestrunMFCView* view, QWidget* w) {
    return QRect(w->mapTo(view->widget(), QPoint(0, 0)), w->size());
}

TEST(Layout, AtTheTemplateSizeEveryControlIsWhereTheTemplatePutsIt) {
    WindowFixture w;
    w.start();
    w.frame->show();
    DialogUnits du(QApplication::font());
    QSize form = du.rect(0, 0, 586, 336).size();
    for (int i = 0; i < 3 && w.view->viewport()->size() != form; ++i) {
        // A scroll bar that goes away gives the viewport its room back: try again.
        w.frame->resize(w.frame->size() + form - w.view->viewport()->size());
        QApplication::processEvents();
    }
    ASSERT_EQ(w.view->viewport()->size(), form);
    EXPECT_EQ(w.view->horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(w.view->verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(onForm(w.view, findButton(w.view, "GO !")), du.rect(10, 17, 49, 41));
    EXPECT_EQ(onForm(w.view, findButton(w.view, "Retire")), du.rect(10, 115, 50, 13));
    // The node list is as wide as its columns need, the log and the last frame share the rest.
    QRect nodes = onForm(w.view, farmList(*w.view));
    EXPECT_EQ(QRect(nodes.topLeft(), du.rect(65, 15, 255, 115).size()), du.rect(65, 15, 255, 115));
    EXPECT_GE(nodes.width(), du.rect(65, 15, 255, 115).width());
    EXPECT_TRUE(nearly(onForm(w.view, findButton(w.view, "Scan Scene")), du.rect(11, 308, 51, 15)));
    EXPECT_TRUE(nearly(onForm(w.view, findButton(w.view, "Remove")), du.rect(453, 308, 55, 15)));
    QRect queue = onForm(w.view, queueList(*w.view));
    EXPECT_TRUE(nearly(QRect(queue.topLeft(), du.rect(10, 150, 560, 155).size()),
                       du.rect(10, 150, 560, 155)));
    EXPECT_GT(lastFrame(*w.view)->width(), 0);  // its group is open
    EXPECT_EQ(paneProblems(w.view), Problems());
}

// The node list keeps the height its three rows need (the template's at least); the queue
// list and the log take what a larger window gains.
TEST(Layout, OnLargerScreensTheQueueAndTheLogGrowAndNothingScrolls) {
    WindowFixture w;
    w.start();
    w.frame->show();
    DialogUnits du(QApplication::font());
    int queueHeight = 0;
    for (QSize screen : {QSize(1280, 1024), QSize(1920, 1080), QSize(2560, 1440)}) {
        SCOPED_TRACE(std::to_string(screen.width()) + "x" + std::to_string(screen.height()));
        resizeAsStartedOn(w.frame.get(), screen);
        EXPECT_EQ(w.view->horizontalScrollBar()->maximum(), 0);
        EXPECT_EQ(w.view->verticalScrollBar()->maximum(), 0);
        EXPECT_EQ(w.view->widget()->size(), w.view->viewport()->size());
        EXPECT_EQ(paneProblems(w.view), Problems());
        EXPECT_EQ(farmList(*w.view)->height(), du.rect(65, 15, 255, 115).height());
        EXPECT_GT(queueList(*w.view)->width(), du.x(560));
        EXPECT_GT(lastFrame(*w.view)->width(), 0);
        // The log stays beside the farm list, the queue below both.
        QRect farm = onForm(w.view, farmList(*w.view));
        QRect log = onForm(w.view, logPane(*w.view));
        EXPECT_EQ(farm.top(), log.top());
        EXPECT_GT(log.left(), farm.right());
        EXPECT_GT(onForm(w.view, queueList(*w.view)).top(), farm.bottom());
        EXPECT_GT(queueList(*w.view)->height(), queueHeight);
        queueHeight = queueList(*w.view)->height();
    }
}

TEST(Layout, SmallScreensAndDoubleScalingKeepEveryControlInReach) {
    WindowFixture w;
    w.start();
    w.frame->show();
    // 800x600, and a 1920x1080 screen at 200 % (960x540 in the window's own pixels).
    for (QSize screen : {QSize(800, 600), QSize(960, 540)}) {
        SCOPED_TRACE(std::to_string(screen.width()) + "x" + std::to_string(screen.height()));
        resizeAsStartedOn(w.frame.get(), screen);
        EXPECT_EQ(paneProblems(w.view), Problems());
        EXPECT_EQ(outOfReach(w.view), Problems());
    }
    // At 800x600 the queue shrinks so that its buttons show without scrolling down.
    w.frame->resize(800, 600);
    QApplication::processEvents();
    w.view->verticalScrollBar()->setValue(0);
    QPushButton* scan = findButton(w.view, "Scan Scene");
    QRect at(scan->mapTo(w.view->viewport(), QPoint(0, 0)), scan->size());
    EXPECT_LE(at.bottom(), w.view->viewport()->height()) << w.view->verticalScrollBar()->maximum();
}

TEST(Layout, TheSplittersMoveTheHalvesAndTheColumns) {
    WindowFixture w;
    w.start();
    w.frame->show();
    resizeAsStartedOn(w.frame.get(), QSize(1920, 1080));
    int farmHeight = farmList(*w.view)->height();
    dragHandle(halves(*w.view), 1, QPoint(0, 100));
    EXPECT_EQ(farmList(*w.view)->height(), farmHeight + 100);
    EXPECT_EQ(paneProblems(w.view), Problems());
    // The split the operator chose stays when the window changes size.
    w.frame->resize(w.frame->size() + QSize(0, 50));
    QApplication::processEvents();
    EXPECT_EQ(farmList(*w.view)->height(), farmHeight + 100);
}

TEST(Layout, ConfigureDialogHasRoomForEveryControl) {
    FarmFixtureOptions options;
    options.iniExtra = "[Path_Map]\r\nNode_Path1=Q:\\\r\nLocal_Path1=/srv/farm\r\n";
    WindowFixture w(options);
    w.start();
    w.frame->show();
    CConfigureDlg dialog(w.farm(), w.frame.get());
    dialog.show();
    EXPECT_EQ(layoutProblems(&dialog), Problems());
    saveScreenshot(&dialog, "configure.png");
    dialog.reject();
}

TEST(Layout, ShellDialogsHaveRoomForEveryControl) {
    ensureApp();
    CAboutDlg about;
    about.show();
    EXPECT_EQ(layoutProblems(&about), Problems());
    saveScreenshot(&about, "about.png");
    CNotConfiguredDlg notConfigured("/home/operator/.config/Kestrun.ini");
    notConfigured.show();
    EXPECT_EQ(layoutProblems(&notConfigured), Problems());
    CNameNodeDlg nameNode("PC_1");
    nameNode.show();
    EXPECT_EQ(layoutProblems(&nameNode), Problems());
}

}  // namespace
