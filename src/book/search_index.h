#pragma once

#include "contact_record.h"

#include <cstddef>
#include <functional>
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
    using TextOf = std::function<std::string_view(std::size_t row, std::size_t column)>;

    // Builds the texts of `rows` rows, row r's column c being text(r, c).
    void build(std::size_t rows, const TextOf& text);
    void clear() { std::vector<std::string>().swap(m_texts); }
    std::size_t size() const { return m_texts.size(); }

    void insertAtTop(const ContactRecord& record);
    // Inserts `count` rows at the top, row r's column c being text(r, c) for r < count.
    void insertAtTop(std::size_t count, const TextOf& text);
    void replace(int row, const ContactRecord& record);
    void remove(int row);

    // Whether row `row` holds `foldedQuery` (a query folded with foldForSearch).
    bool matches(int row, std::string_view foldedQuery) const;
    // Every row that holds `foldedQuery`, in ascending order.
    std::vector<int> matchingRows(std::string_view foldedQuery) const;
    // Keeps those of `rows` that hold `foldedQuery`, in their order: a longer query only
    // needs the rows the shorter one kept.
    void keepMatching(std::vector<int>& rows, std::string_view foldedQuery) const;

private:
    std::vector<std::string> m_texts;
};

} // namespace qor
