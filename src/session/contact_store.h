#pragma once

#include "contact_record.h"
#include "search_index.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace qor {

// Told of every change to a ContactStore's rows, before and after it, so that a view of the
// rows (a Qt model, a list mark, a Win32 list view) stays in step without holding contacts.
class StoreObserver {
public:
    virtual ~StoreObserver() = default;
    virtual void rowsAboutToBeInserted(int /*first*/, int /*last*/) {}
    virtual void rowsInserted(int /*first*/, int /*last*/) {}
    virtual void rowsAboutToBeRemoved(int /*first*/, int /*last*/) {}
    virtual void rowsRemoved(int /*first*/, int /*last*/) {}
    virtual void rowChanged(int /*row*/) {}
};

// The contact list's rows: the only place contacts are held while the program runs. Row 0 is
// on top; each row holds 34 texts in column order. New rows go in at row 0; nothing sorts.
//
// The store also knows how wide its texts are. Each cell's width is measured once, when the
// cell is set, and each column keeps the widest and how many cells are that wide; a column is
// measured again from the cached widths only when the last of its widest cells was changed or
// deleted. So sizing the columns after an add
// or an update costs 34 measurements, not 34 times the number of rows.
class ContactStore {
public:
    using Measure = std::function<int(std::string_view utf8)>;

    ContactStore();
    ~ContactStore();
    ContactStore(const ContactStore&) = delete;
    ContactStore& operator=(const ContactStore&) = delete;

    // How cell widths are measured (by a front end's font); re-measures every cell.
    void setMeasure(Measure measure);

    // Observers are told in the order they were added; an observer must outlive the store or
    // be removed first.
    void addObserver(StoreObserver* observer);
    void removeObserver(StoreObserver* observer);

    int rowCount() const { return static_cast<int>(m_rows.size()); }
    bool hasRow(int row) const { return row >= 0 && row < rowCount(); }
    ContactRecord record(int row) const;
    // Puts row `row` into `into`, reusing its strings' memory.
    void copyRecord(int row, ContactRecord& into) const;
    // Column `column`'s text of row `row`, valid until that row changes or goes.
    std::string_view text(int row, std::size_t column) const
    {
        return m_rows[static_cast<std::size_t>(row)]->text(column);
    }
    // Every text of row `row` at once, valid until that row changes or goes: what a pass over
    // the whole list (a save, a check for contacts already there) takes of each row.
    void texts(int row, std::array<std::string_view, kFieldCount>& out) const
    {
        const Row& r = *m_rows[static_cast<std::size_t>(row)];
        const char* const all = r.texts();
        std::uint32_t begin = 0;
        for (std::size_t c = 0; c < kFieldCount; ++c) {
            out[c] = std::string_view(all + begin, r.ends[c] - begin);
            begin = r.ends[c];
        }
    }
    // The fields of row `row` whose text was read from Windows-1252 bytes (see ContactRecord).
    std::bitset<kFieldCount> windows1252Fields(int row) const
    {
        return m_rows[static_cast<std::size_t>(row)]->windows1252Fields;
    }

    void insertAtTop(const ContactRecord& record);
    // Inserts `records` so that the last of them ends up at row 0, in one step. All or
    // nothing: when memory runs out (std::bad_alloc) the list is as it was and `records` too.
    void insertAllAtTop(std::vector<ContactRecord>&& records);
    // The same in two steps, for records that arrive one at a time: each staged record will
    // stand above the ones staged before it, and all go in at once.
    void stageAtTop(const ContactRecord& record);
    // Throws std::bad_alloc, with the list as it was and the records still staged, only
    // before anything is told of the insertion.
    void insertStagedAtTop();
    // Drops the staged records, as when a load fails part-way.
    void discardStaged();
    // Overwrites row `row`; a row that does not exist changes nothing.
    void setRecord(int row, const ContactRecord& record);
    // Removes row `row`; a row that does not exist changes nothing.
    void removeRowAt(int row);
    // Puts `record` in as row `row` (0 to rowCount()), moving the rows from there down; any
    // other row changes nothing. What undoing a delete needs.
    void insertAt(int row, const ContactRecord& record);
    // Removes the top `count` rows in one step (all of them when there are fewer). What undoing
    // an import needs.
    void removeTopRows(int count);

    // Makes the list another in one change: the rows `removed` (ascending rows of the list as
    // it is) go, then `added` come in, each at its row of the list as it will be (ascending).
    // Runs of adjacent rows go and come as one range; an edit of many scattered runs takes the
    // whole list out and puts the new one in, so no edit costs more than a few passes over it.
    struct AddedRow {
        int row = 0;
        const ContactRecord* record = nullptr;
    };
    void editRows(const std::vector<int>& removed, const std::vector<AddedRow>& added);

    // The widest cell of `column`, as the measure gives it; 0 for an empty store.
    int contentWidth(int column) const;

    // The rows' search texts. They are made on the first call, so that opening a book does
    // not pay for a find that may never come, and from then on kept in step with every row.
    const SearchIndex& searchIndex();
    bool hasSearchIndex() const { return m_searchReady; }

private:
    // A row is one block of memory: where each text ends, each text's width, then the 34 texts
    // one after another. A big book holds mostly short texts, and 34 separate strings, or even
    // one string beside the row, cost more in memory and allocations than the texts do.
    struct Row {
        // 32 bits: in a big book of short texts the ends were a third of a row's memory. A row
        // whose texts pass 4 GiB is refused as memory that cannot be had (makeRow).
        std::array<std::uint32_t, kFieldCount> ends{};
        std::array<int, kFieldCount> widths{};
        std::bitset<kFieldCount> windows1252Fields; // see ContactRecord
        bool pooled = false; // carved from m_pool rather than allocated alone
        const char* texts() const { return reinterpret_cast<const char*>(this + 1); }
        char* texts() { return reinterpret_cast<char*>(this + 1); }
        std::string_view text(std::size_t column) const
        {
            const std::size_t begin = column == 0 ? 0 : ends[column - 1];
            return std::string_view(texts() + begin, ends[column] - begin);
        }
    };
    struct RowDeleter {
        void operator()(Row* row) const;
    };
    using RowPtr = std::unique_ptr<Row, RowDeleter>;
    RowPtr makeRow(const ContactRecord& record, bool pooled = false);
    void removeRows(int first, int count);
    void insertRun(int first, const AddedRow* begin, const AddedRow* end);
    void rebuildRows(const std::vector<int>& removed, const std::vector<AddedRow>& added);
    void* allocateFromPool(std::size_t size);
    void widen(const Row& row);
    void narrow(const Row& row);
    static void appendSearchTextOf(const Row& row, std::string& out);
    void remeasureColumn(std::size_t column) const;
    template <typename Call> void tell(Call call)
    {
        for (StoreObserver* observer : m_observers)
            call(*observer);
    }

    // Rows staged in bulk are carved from large blocks: a hundred thousand small allocations
    // cost more than reading the book. A pooled row that is deleted or replaced leaves its
    // space unused until the store goes.
    std::vector<std::unique_ptr<char[]>> m_pool;
    std::size_t m_poolUsed = 0;
    std::size_t m_poolSize = 0;
    // Declared after the pool, so that the rows go before the blocks they stand in.
    std::vector<RowPtr> m_rows;
    std::vector<RowPtr> m_staged; // bottom first
    std::vector<StoreObserver*> m_observers;
    Measure m_measure;
    SearchIndex m_search;
    bool m_searchReady = false;
    mutable std::array<int, kFieldCount> m_widest{};
    mutable std::array<int, kFieldCount> m_widestCount{}; // how many cells are that wide
    mutable std::array<bool, kFieldCount> m_stale{}; // the widest cell has gone: scan again
};

} // namespace qor
