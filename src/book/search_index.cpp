#include "search_index.h"

#include "search_fold.h"

#include <algorithm>
#include <iterator>

namespace qor {

namespace {
std::string searchTextOfRow(std::size_t row, const SearchIndex::TextOf& text)
{
    std::string folded;
    appendSearchText([&](std::size_t column) { return text(row, column); }, folded);
    folded.shrink_to_fit();
    return folded;
}
} // namespace

void SearchIndex::build(std::size_t rows, const TextOf& text)
{
    std::vector<std::string> texts;
    texts.reserve(rows);
    for (std::size_t r = 0; r < rows; ++r)
        texts.push_back(searchTextOfRow(r, text));
    m_texts = std::move(texts);
}

void SearchIndex::insertAtTop(const ContactRecord& record)
{
    m_texts.insert(m_texts.begin(), searchTextOf(record));
}

void SearchIndex::insertAtTop(std::size_t count, const TextOf& text)
{
    std::vector<std::string> texts;
    texts.reserve(count + m_texts.size());
    for (std::size_t r = 0; r < count; ++r)
        texts.push_back(searchTextOfRow(r, text));
    std::move(m_texts.begin(), m_texts.end(), std::back_inserter(texts));
    m_texts = std::move(texts);
}

void SearchIndex::replace(int row, const ContactRecord& record)
{
    if (row >= 0 && static_cast<std::size_t>(row) < m_texts.size())
        m_texts[static_cast<std::size_t>(row)] = searchTextOf(record);
}

void SearchIndex::remove(int row)
{
    if (row >= 0 && static_cast<std::size_t>(row) < m_texts.size())
        m_texts.erase(m_texts.begin() + row);
}

bool SearchIndex::matches(int row, std::string_view foldedQuery) const
{
    return row >= 0 && static_cast<std::size_t>(row) < m_texts.size()
           && searchTextMatches(m_texts[static_cast<std::size_t>(row)], foldedQuery);
}

std::vector<int> SearchIndex::matchingRows(std::string_view foldedQuery) const
{
    std::vector<int> rows;
    for (std::size_t r = 0; r < m_texts.size(); ++r)
        if (searchTextMatches(m_texts[r], foldedQuery))
            rows.push_back(static_cast<int>(r));
    return rows;
}

void SearchIndex::keepMatching(std::vector<int>& rows, std::string_view foldedQuery) const
{
    std::erase_if(rows, [&](int row) { return !matches(row, foldedQuery); });
}

} // namespace qor
