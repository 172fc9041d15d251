// The window's alert for a farm event: a beep and a freedesktop notification posted over the
// session D-Bus. Where there is no session bus the notification is silently left out; the call
// is sent without waiting for an answer, so a slow notification daemon cannot hold the window.
#pragma once

#include <string>

void alertDesktop(const std::string& event, const std::string& text);
