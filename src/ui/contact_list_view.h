#pragma once

#include <QPersistentModelIndex>
#include <QTableView>

namespace qor {

class ContactTable;

// The contact list (control 1001): a report-style view of the ContactTable with full-row,
// single selection, no sorting and no in-place editing.
//
// It keeps the selection mark: the row the user last marked with the mouse or the keyboard,
// -1 before any. The mark follows its contact when rows are inserted or removed above it, and
// is -1 again when its row is deleted.
class ContactListView : public QTableView {
    Q_OBJECT
public:
    explicit ContactListView(QWidget* parent = nullptr);

    void setContactTable(ContactTable* table);
    ContactTable* contactTable() const { return m_table; }

    int selectionMark() const { return m_mark.isValid() ? m_mark.row() : -1; }
    // Marks row `row` as the user's click would, selects it and scrolls it into view; a row that
    // does not exist changes nothing.
    void markRow(int row);

    // Sizes every column to the larger of its widest text and its heading; the last column
    // reaches at least to the list's right edge.
    void autosizeColumns();

    // The width of column `column`'s heading text.
    int headingWidth(int column) const;

signals:
    // A left click of the mouse in the list's rows area (not on a heading).
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    ContactTable* m_table = nullptr;
    QPersistentModelIndex m_mark;
    bool m_userMarking = false;
    bool m_leftPressed = false;
};

} // namespace qor
