// The width a list's columns need: each column's header and every cell it shows whole, and the
// texts it may come to show (the widest of a column's possible texts), so that a column does
// not widen later under the operator's eyes.
#pragma once

#include <QStringList>
#include <vector>

class QTreeView;

// One need per column of the list's model, in pixels; samples[c] (where given) holds texts
// column c may show besides its cells' current ones.
std::vector<int> columnNeeds(const QTreeView* list, const std::vector<QStringList>& samples);
