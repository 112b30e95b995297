// A change of many rows at once: a merge, a restore of the whole book, a reload, and their undo.
#include "contact_store.h"

#include <algorithm>
#include <cassert>

namespace qor {

namespace {

// Beyond this many runs of adjacent rows, the whole list is put in again at once: each run
// moves every row below it.
constexpr std::size_t kMostRuns = 64;
// Beyond this many new rows the search texts are made again on the next find rather than
// moved row by row.
constexpr std::size_t kMostRowsIndexedOneByOne = 32;

template <typename Row>
std::size_t runsOf(const std::vector<Row>& rows, int (*rowOf)(const Row&))
{
    std::size_t runs = 0;
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (i == 0 || rowOf(rows[i]) != rowOf(rows[i - 1]) + 1)
            ++runs;
    return runs;
}

int plainRow(const int& row) { return row; }
int addedRow(const ContactStore::AddedRow& added) { return added.row; }

} // namespace

void ContactStore::editRows(const std::vector<int>& removed, const std::vector<AddedRow>& added)
{
    if (removed.empty() && added.empty())
        return;
    if (m_searchReady && added.size() > kMostRowsIndexedOneByOne) {
        m_search.clear();
        m_searchReady = false;
    }
    if (runsOf(removed, plainRow) + runsOf(added, addedRow) > kMostRuns) {
        rebuildRows(removed, added);
        return;
    }
    // The removed runs from the bottom up, so the rows above each stay where they are; then the
    // added runs from the top down, each at its final row.
    for (std::size_t end = removed.size(); end > 0;) {
        std::size_t begin = end - 1;
        while (begin > 0 && removed[begin - 1] + 1 == removed[begin])
            --begin;
        removeRows(removed[begin], static_cast<int>(end - begin));
        end = begin;
    }
    for (std::size_t begin = 0; begin < added.size();) {
        std::size_t end = begin + 1;
        while (end < added.size() && added[end].row == added[end - 1].row + 1)
            ++end;
        insertRun(added[begin].row, added.data() + begin, added.data() + end);
        begin = end;
    }
}

void ContactStore::insertRun(int first, const AddedRow* begin, const AddedRow* end)
{
    std::vector<RowPtr> fresh;
    fresh.reserve(static_cast<std::size_t>(end - begin));
    for (const AddedRow* added = begin; added != end; ++added) {
        fresh.push_back(makeRow(*added->record));
        widen(*fresh.back());
    }
    const int last = first + static_cast<int>(fresh.size()) - 1;
    tell([first, last](StoreObserver& o) { o.rowsAboutToBeInserted(first, last); });
    m_rows.insert(m_rows.begin() + first, std::make_move_iterator(fresh.begin()), std::make_move_iterator(fresh.end()));
    if (m_searchReady)
        for (const AddedRow* added = begin; added != end; ++added)
            m_search.insertAt(added->row, *added->record);
    tell([first, last](StoreObserver& o) { o.rowsInserted(first, last); });
}

void ContactStore::rebuildRows(const std::vector<int>& removed, const std::vector<AddedRow>& added)
{
    // The new rows are made first: running out of memory leaves the list as it was.
    std::vector<RowPtr> fresh;
    fresh.reserve(added.size());
    for (const AddedRow& row : added)
        fresh.push_back(makeRow(*row.record));
    std::vector<RowPtr> rows;
    rows.reserve(m_rows.size() - removed.size() + added.size());

    const int oldLast = rowCount() - 1;
    if (oldLast >= 0)
        tell([oldLast](StoreObserver& o) { o.rowsAboutToBeRemoved(0, oldLast); });
    std::vector<RowPtr> old = std::move(m_rows);
    m_rows.clear();
    if (m_searchReady) {
        m_search.clear();
        m_searchReady = false;
    }
    if (oldLast >= 0)
        tell([oldLast](StoreObserver& o) { o.rowsRemoved(0, oldLast); });

    auto gone = removed.begin();
    auto comes = added.begin();
    auto freshRow = fresh.begin();
    for (std::size_t from = 0; from <= old.size(); ++from) {
        // Every added row that belongs above the next kept row goes in first.
        while (comes != added.end() && comes->row == static_cast<int>(rows.size())) {
            rows.push_back(std::move(*freshRow++));
            ++comes;
        }
        if (from == old.size())
            break;
        if (gone != removed.end() && *gone == static_cast<int>(from)) {
            ++gone;
            continue;
        }
        rows.push_back(std::move(old[from]));
    }
    assert(comes == added.end());
    m_stale.fill(true); // each column's widest is found again from the rows' widths
    const int newLast = static_cast<int>(rows.size()) - 1;
    if (newLast < 0)
        return;
    tell([newLast](StoreObserver& o) { o.rowsAboutToBeInserted(0, newLast); });
    m_rows = std::move(rows);
    tell([newLast](StoreObserver& o) { o.rowsInserted(0, newLast); });
    old.clear();
}

} // namespace qor
