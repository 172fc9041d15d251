#include "ui/message_boxes.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QUrl>
#include <QWidget>

QMessageBox::StandardButton stopBox(QWidget* parent, const QString& caption, const QString& text,
                                    QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton defaultButton) {
    QMessageBox box(QMessageBox::Critical, caption, text, buttons, boxParent(parent));
    box.setDefaultButton(defaultButton);
    int answer = box.exec();
    return static_cast<QMessageBox::StandardButton>(answer);
}

QWidget* boxParent(QWidget* window) {
    return window != nullptr && window->isVisible() ? window : nullptr;
}

namespace {

void sayNoApplication(QWidget* parent, const QString& path, const QString& why) {
    QMessageBox box(QMessageBox::Information, kAppTitle,
                    "No application on this desktop opens " + QDir::toNativeSeparators(path) + ".",
                    QMessageBox::Ok, boxParent(parent));
    QString advice =
        "Open the file with a program of your choice, or set a default application for its "
        "type (xdg-mime).";
    box.setInformativeText(why.isEmpty() ? advice : why + "\n\n" + advice);
    box.exec();
}

}  // namespace

void openOrSay(QWidget* parent, const QString& path) {
    QString launcher = QStandardPaths::findExecutable("xdg-open");
    if (launcher.isEmpty()) {
        if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path))) {
            sayNoApplication(parent, path, {});
        }
        return;
    }
    // Owned by the application, so that it outlives a window closed before it ends. Its error
    // output goes to a file, not a pipe: an editor it starts and that outlives it keeps a place
    // to write to.
    auto* process = new QProcess(QCoreApplication::instance());
    auto* errors = new QTemporaryFile(process);
    if (errors->open()) {
        process->setStandardErrorFile(errors->fileName());
    }
    process->setStandardOutputFile(QProcess::nullDevice());
    QPointer<QWidget> owner(parent);
    auto fail = [process, errors, owner, path] {
        errors->seek(0);
        QString why = QString::fromLocal8Bit(errors->readAll()).trimmed();
        process->deleteLater();
        sayNoApplication(owner, path, why);
    };
    QObject::connect(process, &QProcess::finished, process,
                     [process, fail](int code, QProcess::ExitStatus status) {
                         if (status == QProcess::NormalExit && code == 0) {
                             process->deleteLater();
                             return;
                         }
                         fail();
                     });
    QObject::connect(process, &QProcess::errorOccurred, process, [fail](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) {
            fail();
        }
    });
    process->start(launcher, {path});
}
