// Helpers for the window's tests: the one QApplication (offscreen unless a platform is named),
// a farm window on a FarmFixture's folders, finding controls by their text, and answering the
// modal boxes and dialogs the code under test opens.
#pragma once

#include <QByteArray>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>

#include "farm_fixture.h"
#include "ui/farm_controller.h"
#include "ui/kestrun_view.h"
#include "ui/main_frame.h"

// The child widget of that object name, found as an operator finds a control by its caption;
// a missing one fails the test.
template <typename W>
W* named(const QObject& parent, const char* name) {
    W* found = parent.findChild<W*>(name);
    if (found == nullptr) {
        throw std::runtime_error(std::string("no widget named ") + name);
    }
    return found;
}

class LastFramePane;
class QPlainTextEdit;
class QSplitter;
class QTreeView;
class TextTableModel;

// The view's controls and the texts its lists show, found by their object names.
QTreeView* farmList(const CKestrunMFCView& view);
QTreeView* queueList(const CKestrunMFCView& view);
QPlainTextEdit* logPane(const CKestrunMFCView& view);
LastFramePane* lastFrame(const CKestrunMFCView& view);
// The splitter between the farm half and the queue half, and the one between the farm list,
// the log and the last frame.
QSplitter* halves(const CKestrunMFCView& view);
QSplitter* topRow(const CKestrunMFCView& view);
const TextTableModel& farmModel(const CKestrunMFCView& view);
const TextTableModel& queueModel(const CKestrunMFCView& view);

class QAbstractButton;
class QPushButton;
class QWidget;

void ensureApp();

// Readable QString and QStringList values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& texts, std::ostream* out) {
    *out << '{' << texts.join("\", \"").toStdString() << '}';
}

// The main window over a controller of the fixture's settings file, its farm started, ticks run
// by hand.
struct WindowFixture {
    // fs: the file system the window's farm uses, the fixture's own when none is given.
    explicit WindowFixture(FarmFixtureOptions options = {}, FileSystem* fs = nullptr);
    ~WindowFixture();

    void start();  // the controller's start, then its timers are stopped
    void showAndActivate();
    Farm& farm() { return controller->farm(); }
    // Row texts of a list column.
    QStringList column(const TextTableModel& model, int column) const;

    FarmFixture fx;
    std::unique_ptr<FarmController> controller;
    std::unique_ptr<CMainFrame> frame;
    CKestrunMFCView* view = nullptr;
};

// Drags the handle before the splitter's widget `index` by `by` pixels with the mouse, as the
// operator does.
void dragHandle(QSplitter* splitter, int index, QPoint by);

QPushButton* findButton(QWidget* root, const QString& text);
QAction* findAction(QWidget* root, const QString& text);

// The next modal widget that opens is handed to `handle` (which must close it), from inside its
// own event loop. Gives up after timeoutMs.
void onNextModal(std::function<void(QWidget*)> handle, int timeoutMs = 10000);
// What the next message box showed, after it was answered with `button`.
struct BoxSeen {
    bool shown = false;
    QString title;
    QString text;
    QString informativeText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};
std::shared_ptr<BoxSeen> answerNextBox(QMessageBox::StandardButton button);

// Takes the place of the desktop while it exists: PATH names only a folder holding an
// `xdg-open` that records each file it is asked to open and ends with exitCode (with a reason
// on its error output when that is not 0), as xdg-open does on a desktop with no application
// for the file.
class DesktopStandIn {
  public:
    explicit DesktopStandIn(int exitCode = 0);
    ~DesktopStandIn();
    // The files asked for so far, in order.
    QStringList opened() const;
    // Waits until `count` files were asked for; false after timeoutMs.
    bool waitOpened(int count, int timeoutMs = 10000) const;

  private:
    TempDir dir_;
    QByteArray path_;
};

// PATH names only an empty folder while it exists: a desktop platform finds no program (no
// xdg-open) to open a file with. The offscreen platform opens nothing in any case; this keeps
// the tests that need a failing desktop true on a real one (xcb under Xvfb) too.
class NoProgramsOnPath {
  public:
    NoProgramsOnPath();
    ~NoProgramsOnPath();

  private:
    TempDir empty_;
    QByteArray path_;
};

// Nothing on the desktop opens a file while it exists: there is no xdg-open, or (withLauncher)
// one that finds no application and says why only on its error output.
struct NoApplicationOpens {
    explicit NoApplicationOpens(bool withLauncher) {
        if (withLauncher) {
            failing.emplace(3);
        } else {
            noPrograms.emplace();
        }
    }
    std::optional<NoProgramsOnPath> noPrograms;
    std::optional<DesktopStandIn> failing;
};
