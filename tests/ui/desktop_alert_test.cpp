// The window's desktop alert: a Notify call reaches a notification server listening on a
// private session bus the test starts, and without a session bus the alert is left out at once.
// A process keeps the session bus Qt first connected to (or failed to), so each case runs in a
// fresh process of its own (a death test in the threadsafe style).
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <cstdio>
#include <cstdlib>

#include "temp_dir.h"
#include "ui/desktop_alert.h"
#include "ui_support.h"

namespace {

// What a desktop's notification daemon offers: the one method the alert calls.
class NotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

  public:
    QStringList received;

  public slots:
    uint Notify(const QString& appName, uint replacesId, const QString& icon,
                const QString& summary, const QString& body, const QStringList& actions,
                const QVariantMap& hints, int timeoutMs) {
        Q_UNUSED(replacesId);
        Q_UNUSED(icon);
        Q_UNUSED(actions);
        Q_UNUSED(hints);
        received << appName + "|" + summary + "|" + body + "|" + QString::number(timeoutMs);
        return static_cast<uint>(received.size());
    }
};

// dbus-daemon on a session bus of its own, ended with the object.
class PrivateSessionBus {
  public:
    PrivateSessionBus() {
        daemon_.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
        if (daemon_.waitForStarted(5000) && daemon_.waitForReadyRead(5000)) {
            address = QString::fromUtf8(daemon_.readLine().trimmed());
        }
    }
    ~PrivateSessionBus() {
        daemon_.kill();
        daemon_.waitForFinished(5000);
    }
    QString address;

  private:
    QProcess daemon_;
};

// Posts the alert with a server listening on a private bus; gives the process's exit status.
int alertOnAPrivateBus() {
    ensureApp();
    PrivateSessionBus bus;
    if (bus.address.isEmpty()) {
        std::fprintf(stderr, "dbus-daemon gave no address\n");
        return 2;
    }
    QDBusConnection listener = QDBusConnection::connectToBus(bus.address, "listener");
    NotificationServer server;
    bool registered = listener.registerObject("/org/freedesktop/Notifications", &server,
                                              QDBusConnection::ExportAllSlots) &&
                      listener.registerService("org.freedesktop.Notifications");
    if (!registered) {
        std::fprintf(stderr, "the listener could not register: %s\n",
                     qPrintable(listener.lastError().message()));
        return 3;
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address.toUtf8());
    alertDesktop("node-stuck", "PC_1");
    // The bus delivers one connection's calls in the order sent, so once a marker sent after the
    // alert has arrived, any second call the alert made has arrived before it.
    QDBusMessage marker = QDBusMessage::createMethodCall("org.freedesktop.Notifications",
                                                         "/org/freedesktop/Notifications",
                                                         "org.freedesktop.Notifications", "Notify");
    marker << QString("marker") << 0u << QString() << QString() << QString() << QStringList()
           << QVariantMap() << 0;
    QDBusConnection::sessionBus().send(marker);
    bool arrived = QTest::qWaitFor(
        [&] { return !server.received.isEmpty() && server.received.last().startsWith("marker|"); },
        10000);
    std::fprintf(stderr, "received %s\n", qPrintable(server.received.join(";")));
    return arrived && server.received.size() == 2 ? 0 : 1;
}

// Posts two alerts with no session bus anywhere; gives the process's exit status.
int alertWithoutABus(const std::string& emptyFolder) {
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    qunsetenv("DISPLAY");  // no X server to start a bus for us either
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(emptyFolder));
    ensureApp();
    QElapsedTimer timer;
    timer.start();
    alertDesktop("scene-failed", "shot.lws");
    alertDesktop("queue-done", "shot.lws");
    std::fprintf(stderr, "took %lld ms\n", static_cast<long long>(timer.elapsed()));
    return timer.elapsed() < 2000 ? 0 : 1;
}

class DesktopAlert : public testing::Test {
  protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(DesktopAlert, PostsANotificationWithTheEventAndItsText) {
    if (QStandardPaths::findExecutable("dbus-daemon").isEmpty()) {
        GTEST_SKIP() << "dbus-daemon is not installed (scripts/install-deps.sh installs it)";
    }
    EXPECT_EXIT(std::_Exit(alertOnAPrivateBus()), testing::ExitedWithCode(0),
                "received Kestrun\\|Kestrun: node-stuck\\|PC_1\\|10000");
}

TEST_F(DesktopAlert, WithoutASessionBusItIsLeftOutAtOnce) {
    TempDir runtime;
    EXPECT_EXIT(std::_Exit(alertWithoutABus(runtime.path())), testing::ExitedWithCode(0), "took");
}

}  // namespace

#include "desktop_alert_test.moc"
