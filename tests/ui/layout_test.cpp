// The fixed layouts of the farm view and the dialogs, checked in the platform's default font:
// every control lies inside its form, no two controls overlap, and every text fits its control.
// With KESTRUN_SCREENSHOT_DIR set, the dialogs are also saved as pictures for the README.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QScrollBar>
#include <QTest>

#include "screenshots.h"
#include "ui/configure_dlg.h"
#include "ui/form_controls.h"
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

TEST(Layout, FarmViewFormHasRoomForEveryControl) {
    WindowFixture w;
    w.start();
    EXPECT_EQ(layoutProblems(w.view->widget()), Problems());
}

TEST(Layout, FarmViewIsFixedAndScrollsInASmallWindow) {
    WindowFixture w;
    w.start();
    w.frame->show();
    QSize form = w.view->widget()->size();
    w.frame->resize(400, 300);
    QApplication::processEvents();
    EXPECT_EQ(w.view->widget()->size(), form);
    EXPECT_GT(w.view->horizontalScrollBar()->maximum(), 0);
    EXPECT_GT(w.view->verticalScrollBar()->maximum(), 0);
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
    CNotConfiguredDlg notConfigured;
    notConfigured.show();
    EXPECT_EQ(layoutProblems(&notConfigured), Problems());
    CNameNodeDlg nameNode("PC_1");
    nameNode.show();
    EXPECT_EQ(layoutProblems(&nameNode), Problems());
}

}  // namespace
