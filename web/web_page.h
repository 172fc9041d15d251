// The monitor's one page: HTML, style and script in one text, built into the program from
// web/page.html.
#pragma once

#include <string_view>

std::string_view monitorPage();
