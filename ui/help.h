// Help: the operator's manual, docs/MANUAL.md, opened with the desktop's default application.
// It is looked for where an installation puts it, then in the source tree the program was built
// in; failing both, the copy built into the program is written to the user's cache folder.
#pragma once

#include <QString>

class QWidget;

// Opens the manual; when that fails, a box tells the operator why.
void openManual(QWidget* parent);
