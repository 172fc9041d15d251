#include "ui/lock_keys.h"

#include <QDir>
#include <QFile>

namespace {

bool anyLedOn(const QDir& leds, const QString& suffix) {
    for (const QString& name : leds.entryList({"*::" + suffix}, QDir::Dirs | QDir::System)) {
        QFile brightness(leds.filePath(name + "/brightness"));
        if (brightness.open(QIODevice::ReadOnly) && brightness.readAll().trimmed().toInt() > 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

LockKeys readLockKeys() {
    QDir leds("/sys/class/leds");
    if (!leds.exists()) {
        return {};
    }
    return {anyLedOn(leds, "capslock"), anyLedOn(leds, "numlock"), anyLedOn(leds, "scrolllock")};
}
