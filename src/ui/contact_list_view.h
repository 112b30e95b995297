#pragma once

#include <QTableView>

namespace qor {

class ContactFilter;
class ContactTable;
class ListMark;

// The contact list (control 1001): a report-style view of the ContactTable with full-row,
// single selection, no sorting and no in-place editing. It shows the table through a
// ContactFilter, which shows every row until find puts a query on.
//
// The user's clicks and keys set the session's selection mark (ListMark): the table row the
// user last marked, which follows its contact as rows come and go and whatever find shows.
//
// Only the marked row is ever highlighted, and only while the list has the focus, as a list
// that does not keep its selection visible shows it: after a delete, the row that moves into
// the deleted one's place is not the mark and is not highlighted.
class ContactListView : public QTableView {
    Q_OBJECT
public:
    explicit ContactListView(QWidget* parent = nullptr);

    void setContactTable(ContactTable* table, ListMark* mark);
    ContactTable* contactTable() const { return m_table; }
    ContactFilter& filter() const { return *m_filter; }

    int selectionMark() const;
    // Marks table row `row` as a click on it would, and scrolls it into view when shown.
    void markRow(int row);
    // Whether the row shown at `shownRow` is drawn highlighted.
    bool isHighlighted(int shownRow) const;

    // Sizes every column to the larger of its widest text and its heading; the last column
    // reaches at least to the list's right edge.
    void autosizeColumns();

    // The width of column `column`'s heading text.
    int headingWidth(int column) const;

signals:
    // A left click of the mouse in the list's rows area (not on a heading).
    void clicked();
    // A key moved the mark (arrows, Page Up/Down, Home/End, typing a name's first letters).
    void markedByKey();
    // Enter or Return in the list.
    void entered();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void markShown(const QModelIndex& shown);
    void selectOnlyTheHighlight();

    ContactTable* m_table = nullptr;
    ContactFilter* m_filter = nullptr;
    ListMark* m_mark = nullptr;
    bool m_userMarking = false;
    bool m_leftPressed = false;
};

} // namespace qor
