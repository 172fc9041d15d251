#include "ui_support.h"
#include "ui/last_frame_pane.h"
#include "ui/text_table_model.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QWidget>

void ensureApp() {
    static int argc = 1;
    static char name[] = "test_ui";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance() == nullptr) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        new QApplication(argc, argv);
    }
}

WindowFixture::WindowFixture(FarmFixtureOptions options, FileSystem* fs) : fx(std::move(options)) {
    ensureApp();
    controller =
        std::make_unique<FarmController>(fs != nullptr ? *fs : fx.fs, fx.clock, fx.settingsFile);
    frame = std::make_unique<CMainFrame>(*controller);
    view = frame->view();
}

WindowFixture::~WindowFixture() {
    frame.reset();
    QApplication::processEvents();
}

void WindowFixture::start() {
    controller->start();
    controller->farmTimer().stop();
    controller->lookTimer().stop();
}

void WindowFixture::showAndActivate() {
    frame->show();
    frame->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(frame.get()));
}

QStringList WindowFixture::column(const TextTableModel& model, int column) const {
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row) {
        texts << model.cell(row, column);
    }
    return texts;
}

void dragHandle(QSplitter* splitter, int index, QPoint by) {
    QSplitterHandle* handle = splitter->handle(index);
    QPoint grip = handle->rect().center();
    auto send = [handle](QEvent::Type type, QPoint at, Qt::MouseButton button) {
        QMouseEvent event(type, at, handle->mapToGlobal(at), button,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, {});
        QApplication::sendEvent(handle, &event);
    };
    send(QEvent::MouseButtonPress, grip, Qt::LeftButton);
    send(QEvent::MouseMove, grip + by, Qt::NoButton);
    send(QEvent::MouseButtonRelease, grip + by, Qt::LeftButton);
    QApplication::processEvents();
}

QPushButton* findButton(QWidget* root, const QString& text) {
    for (QPushButton* button : root->findChildren<QPushButton*>()) {
        if (QString(button->text()).remove('&') == text) {
            return button;
        }
    }
    ADD_FAILURE() << "no button " << text.toStdString();
    return nullptr;
}

QAction* findAction(QWidget* root, const QString& text) {
    for (QAction* action : root->findChildren<QAction*>()) {
        if (action->text() == text) {
            return action;
        }
    }
    ADD_FAILURE() << "no menu item " << text.toStdString();
    return nullptr;
}

void onNextModal(std::function<void(QWidget*)> handle, int timeoutMs) {
    auto* poll = new QTimer;
    auto waited = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, handle, waited, timeoutMs] {
        QWidget* modal = QApplication::activeModalWidget();
        *waited += 10;
        if (modal != nullptr && modal->isVisible()) {
            poll->stop();
            poll->deleteLater();
            handle(modal);
        } else if (*waited > timeoutMs) {
            poll->stop();
            poll->deleteLater();
            ADD_FAILURE() << "no modal window opened";
        }
    });
    poll->start(10);
}

std::shared_ptr<BoxSeen> answerNextBox(QMessageBox::StandardButton button) {
    auto seen = std::make_shared<BoxSeen>();
    onNextModal([seen, button](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr) {
            ADD_FAILURE() << "a " << modal->metaObject()->className() << " opened, not a box";
            modal->close();
            return;
        }
        seen->shown = true;
        seen->title = box->windowTitle();
        seen->text = box->text();
        seen->informativeText = box->informativeText();
        seen->icon = box->icon();
        seen->defaultButton = box->standardButton(box->defaultButton());
        QAbstractButton* answer = box->button(button);
        if (answer == nullptr) {
            ADD_FAILURE() << "the box has no such button: " << box->text().toStdString();
            box->done(0);
            return;
        }
        answer->click();
    });
    return seen;
}

DesktopStandIn::DesktopStandIn(int exitCode) : path_(qgetenv("PATH")) {
    std::string script = "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + dir_.file("opened.txt") + "'\n";
    if (exitCode != 0) {
        script += "echo \"xdg-open: no method available for opening '$1'\" >&2\n";
    }
    script += "exit " + std::to_string(exitCode) + "\n";
    std::string launcher = dir_.file("xdg-open");
    writeText(launcher, script);
    QFile::setPermissions(QString::fromStdString(launcher),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("PATH", QByteArray::fromStdString(dir_.path()));
}

DesktopStandIn::~DesktopStandIn() {
    qputenv("PATH", path_);
}

QStringList DesktopStandIn::opened() const {
    std::string record = dir_.file("opened.txt");
    if (!fileExists(record)) {
        return {};
    }
    return QString::fromStdString(readText(record)).split('\n', Qt::SkipEmptyParts);
}

bool DesktopStandIn::waitOpened(int count, int timeoutMs) const {
    return QTest::qWaitFor([&] { return opened().size() >= count; }, timeoutMs);
}

NoProgramsOnPath::NoProgramsOnPath() : path_(qgetenv("PATH")) {
    qputenv("PATH", QByteArray::fromStdString(empty_.path()));
}

NoProgramsOnPath::~NoProgramsOnPath() {
    qputenv("PATH", path_);
}

QTreeView* farmList(const CKestrunMFCView& view) {
    return named<QTreeView>(view, "farmStatusList");
}

QTreeView* queueList(const CKestrunMFCView& view) {
    return named<QTreeView>(view, "queueStatusList");
}

QPlainTextEdit* logPane(const CKestrunMFCView& view) {
    return named<QPlainTextEdit>(view, "logPane");
}

LastFramePane* lastFrame(const CKestrunMFCView& view) {
    return named<LastFramePane>(view, "lastFramePane");
}

QSplitter* halves(const CKestrunMFCView& view) {
    return named<QSplitter>(view, "halves");
}

QSplitter* topRow(const CKestrunMFCView& view) {
    return named<QSplitter>(view, "topRow");
}

const TextTableModel& farmModel(const CKestrunMFCView& view) {
    return *qobject_cast<const TextTableModel*>(farmList(view)->model());
}

const TextTableModel& queueModel(const CKestrunMFCView& view) {
    return *qobject_cast<const TextTableModel*>(queueList(view)->model());
}
