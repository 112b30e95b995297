#pragma once

class QModelIndex;
class QPainter;
class QStyleOptionViewItem;
class QTableView;

namespace qor {

// Draws a list's keyboard focus: a dotted frame around the whole current row while the list has
// the focus, so that a user who tabs into the list sees where its keys act, whether or not a
// row is marked. The style's own focus frame would go around one cell, and only after a key
// moved the focus. Called as each cell of the row is painted; each draws its part of the frame.
void paintRowFocusFrame(QPainter& painter, const QStyleOptionViewItem& cell, const QModelIndex& index,
                        const QTableView& view);

} // namespace qor
