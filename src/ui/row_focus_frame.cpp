#include "row_focus_frame.h"

#include <QPainter>
#include <QStyleOptionViewItem>
#include <QTableView>

namespace qor {

void paintRowFocusFrame(QPainter& painter, const QStyleOptionViewItem& cell, const QModelIndex& index,
                        const QTableView& view)
{
    const QModelIndex current = view.currentIndex();
    if (!view.hasFocus() || !current.isValid() || current.row() != index.row())
        return;
    const int last = view.model()->columnCount() - 1;
    const int left = view.columnViewportPosition(0);
    const int right = view.columnViewportPosition(last) + view.columnWidth(last) - 1;
    const QRect row(QPoint(left, cell.rect.top()), QPoint(right, cell.rect.bottom()));
    const bool selected = cell.state.testFlag(QStyle::State_Selected);
    QPen pen(cell.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    pen.setStyle(Qt::DotLine);
    pen.setCosmetic(true);
    painter.save();
    painter.setClipRect(cell.rect, Qt::IntersectClip);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(row.adjusted(0, 0, -1, -1));
    painter.restore();
}

} // namespace qor
