#include "contact_filter.h"

#include "contact_table.h"
#include "found_rows.h"

#include <algorithm>

namespace qor {

ContactFilter::ContactFilter(ContactTable& table, QObject* parent) : QAbstractTableModel(parent), m_table(table)
{
    connect(&table, &QAbstractItemModel::rowsAboutToBeInserted, this,
            [this](const QModelIndex&, int first, int last) { tableRowsAboutToBeInserted(first, last); });
    connect(&table, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { tableRowsInserted(first, last); });
    connect(&table, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex&, int first, int last) { tableRowsAboutToBeRemoved(first, last); });
    connect(&table, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex&, int first, int last) { tableRowsRemoved(first, last); });
    connect(&table, &QAbstractItemModel::dataChanged, this, &ContactFilter::tableDataChanged);
}

void ContactFilter::setQuery(std::string_view utf8)
{
    FindQuery::Shown shown = m_query.query(utf8, m_table.store(), {m_filtering, m_rows});
    if (shown.filtering || m_filtering)
        showRows(std::move(shown.rows), shown.filtering);
}

void ContactFilter::showRows(std::vector<int> rows, bool filtering)
{
    // One layout change rather than a reset: a reset would make the header forget the
    // columns' widths. The vertical hint tells the horizontal header that its columns stay.
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> tableRows;
    tableRows.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& index : before)
        tableRows.push_back(tableRow(index.row()));
    m_rows = std::move(rows);
    m_filtering = filtering;
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
        const int shown = shownRow(tableRows[static_cast<std::size_t>(i)]);
        after << (shown < 0 ? QModelIndex() : index(shown, before[i].column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    emit countsChanged();
}

int ContactFilter::shownCount() const
{
    return m_filtering ? static_cast<int>(m_rows.size()) : m_table.rowCount();
}

int ContactFilter::tableRow(int shownRow) const
{
    if (shownRow < 0 || shownRow >= shownCount())
        return -1;
    return m_filtering ? m_rows[static_cast<std::size_t>(shownRow)] : shownRow;
}

int ContactFilter::shownRow(int row) const
{
    if (!m_filtering)
        return m_table.hasRow(row) ? row : -1;
    return positionOfRow(m_rows, row);
}

void ContactFilter::tableRowsAboutToBeInserted(int first, int last)
{
    m_query.forget(); // its rows no longer stand where they did
    if (!m_filtering) {
        beginInsertRows({}, first, last);
        return;
    }
    // New rows are shown: Add's contact appears even when it does not match.
    const int at = static_cast<int>(std::lower_bound(m_rows.begin(), m_rows.end(), first) - m_rows.begin());
    beginInsertRows({}, at, at + last - first);
}

void ContactFilter::tableRowsInserted(int first, int last)
{
    if (m_filtering)
        showInsertedRows(m_rows, first, last);
    endInsertRows();
    emit countsChanged();
}

void ContactFilter::tableRowsAboutToBeRemoved(int first, int last)
{
    m_query.forget(); // its rows no longer stand where they did
    if (!m_filtering) {
        beginRemoveRows({}, first, last);
        m_removing = true;
        return;
    }
    const auto from = std::lower_bound(m_rows.begin(), m_rows.end(), first);
    const auto to = std::upper_bound(from, m_rows.end(), last);
    if (from != to) {
        beginRemoveRows({}, static_cast<int>(from - m_rows.begin()), static_cast<int>(to - m_rows.begin()) - 1);
        m_removing = true;
    }
}

void ContactFilter::tableRowsRemoved(int first, int last)
{
    if (m_filtering)
        dropRemovedRows(m_rows, first, last);
    if (m_removing)
        endRemoveRows();
    m_removing = false;
    emit countsChanged();
}

void ContactFilter::tableDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight)
{
    m_query.forget(); // its rows no longer stand where they did
    if (!m_filtering) {
        emit dataChanged(index(topLeft.row(), topLeft.column()), index(bottomRight.row(), bottomRight.column()));
        return;
    }
    for (int row = topLeft.row(); row <= bottomRight.row(); ++row) {
        const int shown = shownRow(row);
        if (shown >= 0) {
            emit dataChanged(index(shown, topLeft.column()), index(shown, bottomRight.column()));
            continue;
        }
        // Update rewrote a hidden contact: show it, as Add shows a new one.
        const int position = static_cast<int>(std::lower_bound(m_rows.begin(), m_rows.end(), row) - m_rows.begin());
        beginInsertRows({}, position, position);
        showRow(m_rows, row);
        endInsertRows();
        emit countsChanged();
    }
}

int ContactFilter::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : shownCount();
}

int ContactFilter::columnCount(const QModelIndex& parent) const
{
    return m_table.columnCount(parent);
}

QVariant ContactFilter::data(const QModelIndex& index, int role) const
{
    const int row = index.isValid() ? tableRow(index.row()) : -1;
    return row < 0 ? QVariant() : m_table.data(m_table.index(row, index.column()), role);
}

QVariant ContactFilter::headerData(int section, Qt::Orientation orientation, int role) const
{
    return m_table.headerData(section, orientation, role);
}

Qt::ItemFlags ContactFilter::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

} // namespace qor
