// kestrun: the desktop controller. Its one option of its own is --web-port N (the web monitor's
// port for this run); beyond it Qt's (--help, --version, -platform ...); a file named on the
// command line is accepted as the document and not read.
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
    QCommandLineOption webPort("web-port",
                               "Serve the web monitor on port N (0: not at all) instead of "
                               "[Web_Monitor] Port.",
                               "N");
    parser.addOption(webPort);
    parser.addPositionalArgument("file", "A scene file to open as the document (not read).",
                                 "[file]");
    parser.process(qapp);
    int port = -1;
    if (parser.isSet(webPort)) {
        bool ok = false;
        port = parser.value(webPort).toInt(&ok);
        if (!ok || port < 0 || port > 65535) {
            qCritical("kestrun: --web-port takes a port from 0 to 65535");
            return 1;
        }
    }

    FileSystem fs;
    Clock clock;
    CKestrunMFCApp app(qapp, fs, clock, defaultSettingsPath());
    app.setWebPort(port);
    return app.run();
}
