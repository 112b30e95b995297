#pragma once

#include <utility>
#include <vector>

namespace qor {

// The rows find shows: store rows in ascending order, kept in step with the store's changes by
// every view that filters (the Qt window's and the Win32 window's lists). A contact that comes
// in or is rewritten while find filters is shown, found or not: the user sees what they added.

// Where store row `row` stands among `rows`, -1 when it is not shown.
int positionOfRow(const std::vector<int>& rows, int row);
// Store rows first..last went in: the rows below move down and the new ones are shown.
void showInsertedRows(std::vector<int>& rows, int first, int last);
// Store rows first..last went: they leave `rows`, and the rows below move up. Returns the
// positions [from, to) they stood at.
std::pair<int, int> dropRemovedRows(std::vector<int>& rows, int first, int last);
// Shows store row `row` too; returns where it now stands.
int showRow(std::vector<int>& rows, int row);

} // namespace qor
