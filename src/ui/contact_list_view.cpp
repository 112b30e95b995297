#include "contact_list_view.h"

#include "contact_table.h"

#include <QHeaderView>
#include <QMouseEvent>

namespace qor {

ContactListView::ContactListView(QWidget* parent) : QTableView(parent)
{
    setSelectionBehavior(SelectRows);
    setSelectionMode(SingleSelection);
    setEditTriggers(NoEditTriggers);
    setSortingEnabled(false);
    setShowGrid(false);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setHorizontalScrollMode(ScrollPerPixel);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 2);
    QHeaderView* header = horizontalHeader();
    header->setSectionsClickable(false);
    header->setSectionsMovable(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setHighlightSections(false);
}

void ContactListView::setContactTable(ContactTable* table)
{
    m_table = table;
    setModel(table);
}

void ContactListView::markRow(int row)
{
    if (!m_table || !m_table->hasRow(row))
        return;
    const QModelIndex index = m_table->index(row, 0);
    m_mark = index;
    setCurrentIndex(index);
    scrollTo(index);
}

void ContactListView::mousePressEvent(QMouseEvent* event)
{
    m_leftPressed = event->button() == Qt::LeftButton;
    QTableView::mousePressEvent(event);
    // The row under the pointer is marked even when it is already the view's current row,
    // which after a delete is a row the user never marked.
    const QModelIndex clicked = indexAt(event->position().toPoint());
    if (clicked.isValid())
        m_mark = clicked.sibling(clicked.row(), 0);
}

void ContactListView::mouseReleaseEvent(QMouseEvent* event)
{
    QTableView::mouseReleaseEvent(event);
    const bool leftClick = m_leftPressed && event->button() == Qt::LeftButton;
    m_leftPressed = false;
    if (leftClick && viewport()->rect().contains(event->position().toPoint()))
        emit clicked();
}

void ContactListView::keyPressEvent(QKeyEvent* event)
{
    m_userMarking = true;
    QTableView::keyPressEvent(event);
    m_userMarking = false;
}

void ContactListView::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    // Only the user's keys mark a row here (clicks are marked on press); the view's own moves
    // of its current index, when it takes the focus or rows come and go, leave the mark alone.
    if (m_userMarking && current.isValid())
        m_mark = current.sibling(current.row(), 0);
}

int ContactListView::headingWidth(int column) const
{
    return horizontalHeader()->sectionSizeHint(column);
}

void ContactListView::autosizeColumns()
{
    if (!m_table)
        return;
    const int columns = m_table->columnCount();
    QHeaderView* header = horizontalHeader();
    setUpdatesEnabled(false);
    int used = 0;
    for (int c = 0; c < columns; ++c) {
        int width = std::max(m_table->contentWidth(c), headingWidth(c));
        if (c == columns - 1)
            width = std::max(width, viewport()->width() - used);
        header->resizeSection(c, width);
        used += width;
    }
    setUpdatesEnabled(true);
    viewport()->update();
}

} // namespace qor
