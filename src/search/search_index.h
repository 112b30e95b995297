#pragma once

#include "contact_record.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qor {

// The search texts of a list of contacts (searchTextOf), one a row, in the list's row order,
// so that find folds each contact once and not once a keystroke. Whoever owns the rows keeps
// it in step: every insert, replace and remove of a row is done here too.
//
// Row numbers are ints, as the list's are; a row number out of range changes nothing and
// matches nothing.
class SearchIndex {
public:
    // Appends the search text of row `row` to `out` (appendSearchText does it from a row's
    // 34 texts).
    using AppendRow = std::function<void(std::size_t row, std::string& out)>;

    // Builds the texts of `rows` rows: from `twoThreadsFrom` rows on, the second half on a
    // thread of its own (appendRow must allow that), since folding a million contacts took
    // longer than a user waits for the find field. Tests give a small `twoThreadsFrom`.
    static constexpr std::size_t kTwoThreadsFrom = 50000;
    void build(std::size_t rows, const AppendRow& appendRow, std::size_t twoThreadsFrom = kTwoThreadsFrom);
    void clear();
    std::size_t size() const { return m_texts.size(); }

    void insertAtTop(const ContactRecord& record);
    // Inserts `count` rows at the top, appendRow(r) giving the text of new row r.
    void insertAtTop(std::size_t count, const AppendRow& appendRow);
    // Inserts the text of `record` as row `row` (0 to size()).
    void insertAt(int row, const ContactRecord& record);
    void replace(int row, const ContactRecord& record);
    void remove(int row);
    // Removes rows first .. first + count - 1.
    void removeRows(int first, int count);

    // Whether row `row` holds `foldedQuery` (a query folded with foldForSearch).
    bool matches(int row, std::string_view foldedQuery) const;
    // Every row that holds `foldedQuery`, in ascending order.
    std::vector<int> matchingRows(std::string_view foldedQuery) const;
    // Keeps those of `rows` that hold `foldedQuery`, in their order: a longer query only
    // needs the rows the shorter one kept.
    void keepMatching(std::vector<int>& rows, std::string_view foldedQuery) const;

private:
    // Copies `text` into the blocks and returns where it now stands.
    std::string_view store(std::string_view text);
    std::vector<std::string_view> textsOf(std::size_t count, const AppendRow& appendRow);
    void compactIfMostlyUnused();

    // The texts stand one after another in large blocks, in row order as built: 100,000 small
    // allocations would cost as much as folding the texts, and scanning them in order reads
    // memory in order. A text that is replaced or removed leaves its bytes unused until the
    // unused bytes outweigh the used ones; then the texts are copied into fresh blocks.
    std::vector<std::string_view> m_texts; // by row
    std::vector<std::unique_ptr<char[]>> m_blocks;
    std::size_t m_blockUsed = 0;
    std::size_t m_blockSize = 0;
    std::size_t m_stored = 0; // bytes in the blocks, used or not
    std::size_t m_live = 0;   // bytes of the texts in m_texts
};

} // namespace qor
