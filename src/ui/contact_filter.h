#pragma once

#include "find_query.h"

#include <QAbstractTableModel>
#include <string>
#include <string_view>
#include <vector>

namespace qor {

class ContactTable;

// What the contact list shows of the ContactTable: every row, or while a query is on, the rows
// whose search text holds it, in the table's order. Nothing is copied: a shown row is a row
// number into the table.
//
// Why not QSortFilterProxyModel: its fixed-string filter tests every cell of every row on each
// keystroke, about a second over 100,000 contacts, and knows nothing of accents. Here each
// contact is folded once (ContactStore::searchIndex), a query that extends the last one only
// tests the rows the last one kept, and a new list of row numbers replaces the old in one
// layout change, which keeps the columns' widths. Deleting what was typed goes back to rows
// already found. Which rows a query shows is FindQuery's to say; this model keeps them in
// step with the table and tells the view.
//
// A contact that Add inserts or Update rewrites is shown whether or not it matches, so the
// user sees what the command did; the next change of the query tests it like any other.
class ContactFilter : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ContactFilter(ContactTable& table, QObject* parent = nullptr);

    // Shows the rows that match `utf8`; an empty query (or one that folds to nothing) shows
    // every row.
    void setQuery(std::string_view utf8);
    bool filtering() const { return m_filtering; }
    int shownCount() const;

    // The table row shown at `shownRow`, -1 if there is none.
    int tableRow(int shownRow) const;
    // Where table row `row` is shown, -1 if it is hidden or does not exist.
    int shownRow(int row) const;

    // QAbstractTableModel
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    // The number of shown rows or of all rows may have changed.
    void countsChanged();

private:
    void showRows(std::vector<int> rows, bool filtering);
    void tableRowsAboutToBeInserted(int first, int last);
    void tableRowsInserted(int first, int last);
    void tableRowsAboutToBeRemoved(int first, int last);
    void tableRowsRemoved(int first, int last);
    void tableDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight);

    ContactTable& m_table;
    bool m_filtering = false;
    FindQuery m_query;
    std::vector<int> m_rows; // the shown table rows, ascending, while filtering
    bool m_removing = false; // a removal of shown rows is under way
};

} // namespace qor
