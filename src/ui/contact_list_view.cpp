#include "contact_list_view.h"

#include "contact_filter.h"
#include "contact_table.h"
#include "list_mark.h"
#include "row_focus_frame.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyledItemDelegate>

namespace qor {

namespace {
// Draws a cell highlighted exactly when its row is the list's mark and the list has the focus,
// whatever the view's own selection holds.
class MarkDelegate : public QStyledItemDelegate {
public:
    explicit MarkDelegate(ContactListView& list) : QStyledItemDelegate(&list), m_list(list) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem cell(option);
        const bool marked = m_list.isHighlighted(index.row());
        cell.state.setFlag(QStyle::State_Selected, marked);
        cell.state.setFlag(QStyle::State_HasFocus, false); // the row's frame shows the focus
        QStyledItemDelegate::paint(painter, cell, index);
        paintRowFocusFrame(*painter, cell, index, m_list);
    }

private:
    ContactListView& m_list;
};
} // namespace

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
    setItemDelegate(new MarkDelegate(*this));
}

void ContactListView::setContactTable(ContactTable* table, ListMark* mark)
{
    m_table = table;
    m_mark = mark;
    m_filter = new ContactFilter(*table, this);
    setModel(m_filter);
    // After the view's and the selection's own handling, which may select a neighbour of a
    // deleted row.
    connect(m_filter, &QAbstractItemModel::rowsInserted, this, &ContactListView::selectOnlyTheHighlight);
    connect(m_filter, &QAbstractItemModel::rowsRemoved, this, &ContactListView::selectOnlyTheHighlight);
    connect(m_filter, &QAbstractItemModel::layoutChanged, this, &ContactListView::selectOnlyTheHighlight);
}

void ContactListView::selectOnlyTheHighlight()
{
    // The style paints a selected row's background itself, so the view's selection is kept
    // to the highlighted row: the mark, while the list has the focus.
    QItemSelectionModel* selection = selectionModel();
    const int shown = hasFocus() ? m_filter->shownRow(selectionMark()) : -1;
    if (shown < 0) {
        if (selection->hasSelection())
            selection->clearSelection();
    } else {
        const QItemSelection row(m_filter->index(shown, 0), m_filter->index(shown, m_filter->columnCount() - 1));
        if (selection->selection() != row)
            selection->select(row, QItemSelectionModel::ClearAndSelect);
    }
    viewport()->update();
}

void ContactListView::markShown(const QModelIndex& shown)
{
    const int row = m_filter->tableRow(shown.row());
    if (row >= 0)
        m_mark->set(row);
    selectOnlyTheHighlight();
}

void ContactListView::markRow(int row)
{
    if (!m_table->hasRow(row))
        return;
    m_mark->set(row);
    const int shown = m_filter->shownRow(row);
    if (shown >= 0) {
        const QModelIndex index = m_filter->index(shown, 0);
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        scrollTo(index);
    }
    selectOnlyTheHighlight();
}

bool ContactListView::isHighlighted(int shownRow) const
{
    return hasFocus() && m_mark->isSet() && m_filter->tableRow(shownRow) == m_mark->row();
}

int ContactListView::selectionMark() const
{
    return m_mark ? m_mark->row() : -1;
}

void ContactListView::focusInEvent(QFocusEvent* event)
{
    QTableView::focusInEvent(event);
    selectOnlyTheHighlight();
}

void ContactListView::focusOutEvent(QFocusEvent* event)
{
    QTableView::focusOutEvent(event);
    selectOnlyTheHighlight();
}

void ContactListView::mousePressEvent(QMouseEvent* event)
{
    m_leftPressed = event->button() == Qt::LeftButton;
    QTableView::mousePressEvent(event);
    // The row under the pointer is marked even when it is already the view's current row,
    // which after a delete is a row the user never marked.
    const QModelIndex clicked = indexAt(event->position().toPoint());
    if (clicked.isValid())
        markShown(clicked);
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
    // Enter shows the marked contact; it is not the window's OK.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        emit entered();
        return;
    }
    const int markBefore = selectionMark();
    m_userMarking = true;
    QTableView::keyPressEvent(event);
    m_userMarking = false;
    // A move key at the end of the list leaves the current row where it is, but the row the
    // user lands on is marked all the same, even when it was current without being marked.
    bool moveKey = false;
    switch (event->key()) {
    case Qt::Key_Up: case Qt::Key_Down: case Qt::Key_PageUp: case Qt::Key_PageDown:
    case Qt::Key_Home: case Qt::Key_End:
        moveKey = true;
        if (currentIndex().isValid())
            markShown(currentIndex());
        break;
    default:
        break;
    }
    // Whatever the key marked is shown in the form, as a click shows it: the commands work on
    // the marked row, which the user must see.
    if (selectionMark() >= 0 && (moveKey || selectionMark() != markBefore))
        emit markedByKey();
}

void ContactListView::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    // Only the user's keys mark a row here (clicks are marked on press); the view's own moves
    // of its current index, when it takes the focus or rows come and go, leave the mark alone.
    if (m_userMarking && current.isValid())
        markShown(current);
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
