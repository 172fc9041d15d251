#include "ui/desktop_alert.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace {

constexpr int kShowMs = 10000;

void postNotification(const QString& summary, const QString& body) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.Notifications",
                                                       "/org/freedesktop/Notifications",
                                                       "org.freedesktop.Notifications", "Notify");
    call << QString("Kestrun") << 0u << QString() << summary << body << QStringList()
         << QVariantMap() << kShowMs;
    bus.send(call);
}

}  // namespace

void alertDesktop(const std::string& event, const std::string& text) {
    QApplication::beep();
    postNotification("Kestrun: " + QString::fromStdString(event), QString::fromStdString(text));
}
