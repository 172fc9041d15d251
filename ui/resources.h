// The program's built-in resources (ui/resources.qrc: the bitmap and the manual). The library is
// static, so the resource data is registered explicitly before first use.
#pragma once

void initResources();
