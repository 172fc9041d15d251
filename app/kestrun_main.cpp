// kestrun: the desktop controller. No options of its own beyond Qt's (--help, --version,
// -platform ...); a file named on the command line is accepted as the document and not read.
#include <QApplication>
#include <QCommandLineParser>

#include "platform/clock.h"
#include "platform/file_system.h"
#include "settings/settings_file.h"
#include "ui/kestrun_app.h"

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    QApplication::setApplicationName("Kestrun");
    QApplication::setApplicationVersion("Beta 0.91");
    QCommandLineParser parser;
    parser.setApplicationDescription("Controller for a farm of LightWave ScreamerNet nodes.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument("file", "A scene file to open as the document (not read).",
                                 "[file]");
    parser.process(qapp);

    FileSystem fs;
    Clock clock;
    CKestrunMFCApp app(qapp, fs, clock, defaultSettingsPath());
    return app.run();
}
