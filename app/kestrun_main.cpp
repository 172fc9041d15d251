// kestrun: the desktop controller. Its one option of its own is --web-port N (the web monitor's
// port for this run); beyond it Qt's (--help, --version, -platform ...); a file named on the
// command line is accepted as the document and not read. --help and --version are answered
// before the window system is opened, so they work on a machine without a display.
#include <QApplication>
#include <QCommandLineParser>

#include "platform/clock.h"
#include "platform/posix_file_system.h"
#include "settings/settings_file.h"
#include "ui/kestrun_app.h"

namespace {

void describeCommandLine(QCommandLineParser& parser) {
    parser.setApplicationDescription("Controller for a farm of LightWave ScreamerNet nodes.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({"web-port",
                      "Serve the web monitor on port N (0: not at all) instead of "
                      "[Web_Monitor] Port.",
                      "N"});
    parser.addPositionalArgument("file", "A scene file to open as the document (not read).",
                                 "[file]");
}

// Prints the help or the version and ends the process when either is asked for. Qt's own
// options (-platform ...) are not known here and are left for the window's parse.
void answerHelpAndVersion(int argc, char** argv) {
    QCoreApplication core(argc, argv);
    QCommandLineParser parser;
    describeCommandLine(parser);
    parser.parse(QCoreApplication::arguments());
    if (parser.isSet("version")) {
        parser.showVersion();
    }
    if (parser.isSet("help")) {
        parser.showHelp();
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication::setApplicationName("Kestrun");
    QApplication::setApplicationVersion(KESTRUN_VERSION);
    answerHelpAndVersion(argc, argv);
    QApplication qapp(argc, argv);
    QGuiApplication::setDesktopFileName("org.kestrun.Kestrun");
    QCommandLineParser parser;
    describeCommandLine(parser);
    parser.process(qapp);
    int port = -1;
    if (parser.isSet("web-port")) {
        bool ok = false;
        port = parser.value("web-port").toInt(&ok);
        if (!ok || port < 0 || port > 65535) {
            qCritical("kestrun: --web-port takes a port from 0 to 65535");
            return 1;
        }
    }

    PosixFileSystem fs;
    Clock clock;
    CKestrunMFCApp app(qapp, fs, clock, defaultSettingsPath());
    app.setWebPort(port);
    return app.run();
}
