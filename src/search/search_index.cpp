#include "search_index.h"

#include "huge_pages.h"
#include "search_fold.h"

#include <algorithm>
#include <cstring>
#include <future>
#include <iterator>
#include <system_error>

namespace qor {

namespace {
constexpr std::size_t kBlockSize = std::size_t{4} << 20;
} // namespace

std::string_view SearchIndex::store(std::string_view text)
{
    if (text.empty())
        return {};
    if (m_blocks.empty() || m_blockSize - m_blockUsed < text.size()) {
        m_blockSize = std::max(kBlockSize, text.size());
        m_blocks.push_back(std::make_unique_for_overwrite<char[]>(m_blockSize));
        adviseHugePages(m_blocks.back().get(), m_blockSize);
        m_blockUsed = 0;
    }
    char* at = m_blocks.back().get() + m_blockUsed;
    std::memcpy(at, text.data(), text.size());
    m_blockUsed += text.size();
    m_stored += text.size();
    m_live += text.size();
    return {at, text.size()};
}

std::vector<std::string_view> SearchIndex::textsOf(std::size_t count, const AppendRow& appendRow)
{
    std::vector<std::string_view> texts;
    texts.reserve(count + m_texts.size());
    std::string scratch;
    for (std::size_t r = 0; r < count; ++r) {
        scratch.clear();
        appendRow(r, scratch);
        texts.push_back(store(scratch));
    }
    return texts;
}

void SearchIndex::clear()
{
    std::vector<std::string_view>().swap(m_texts);
    m_blocks.clear();
    m_blockUsed = m_blockSize = m_stored = m_live = 0;
}

void SearchIndex::build(std::size_t rows, const AppendRow& appendRow, std::size_t twoThreadsFrom)
{
    clear();
    if (rows < twoThreadsFrom || rows < 2) {
        m_texts = textsOf(rows, appendRow);
        return;
    }
    // The second half goes into blocks of its own, which this index then takes over.
    const std::size_t half = rows / 2;
    SearchIndex second;
    std::vector<std::string_view> secondTexts;
    const auto foldSecond = [&] {
        secondTexts = second.textsOf(rows - half, [&](std::size_t r, std::string& out) { appendRow(half + r, out); });
    };
    std::future<void> other;
    try {
        other = std::async(std::launch::async, foldSecond);
    } catch (const std::system_error&) {
        foldSecond();
    }
    std::vector<std::string_view> texts = textsOf(half, appendRow);
    if (other.valid())
        other.get();
    texts.insert(texts.end(), secondTexts.begin(), secondTexts.end());
    m_texts = std::move(texts);
    std::move(second.m_blocks.begin(), second.m_blocks.end(), std::back_inserter(m_blocks));
    if (!second.m_blocks.empty()) {
        m_blockUsed = second.m_blockUsed;
        m_blockSize = second.m_blockSize;
    }
    m_stored += second.m_stored;
    m_live += second.m_live;
}

void SearchIndex::insertAtTop(const ContactRecord& record)
{
    m_texts.insert(m_texts.begin(), store(searchTextOf(record)));
}

void SearchIndex::insertAtTop(std::size_t count, const AppendRow& appendRow)
{
    std::vector<std::string_view> texts = textsOf(count, appendRow);
    texts.insert(texts.end(), m_texts.begin(), m_texts.end());
    m_texts = std::move(texts);
}

void SearchIndex::replace(int row, const ContactRecord& record)
{
    if (row < 0 || static_cast<std::size_t>(row) >= m_texts.size())
        return;
    std::string_view& text = m_texts[static_cast<std::size_t>(row)];
    m_live -= text.size();
    text = store(searchTextOf(record));
    compactIfMostlyUnused();
}

void SearchIndex::insertAt(int row, const ContactRecord& record)
{
    if (row < 0 || static_cast<std::size_t>(row) > m_texts.size())
        return;
    const std::string_view text = store(searchTextOf(record));
    m_texts.insert(m_texts.begin() + row, text);
}

void SearchIndex::remove(int row)
{
    removeRows(row, 1);
}

void SearchIndex::removeRows(int first, int count)
{
    if (first < 0 || count <= 0 || static_cast<std::size_t>(first) + static_cast<std::size_t>(count) > m_texts.size())
        return;
    const auto from = m_texts.begin() + first;
    for (auto it = from; it != from + count; ++it)
        m_live -= it->size();
    m_texts.erase(from, from + count);
    compactIfMostlyUnused();
}

void SearchIndex::compactIfMostlyUnused()
{
    if (m_stored - m_live <= std::max(m_live, kBlockSize))
        return;
    std::vector<std::string_view> old = std::move(m_texts);
    std::vector<std::unique_ptr<char[]>> oldBlocks = std::move(m_blocks);
    m_blocks.clear();
    m_blockUsed = m_blockSize = m_stored = m_live = 0;
    m_texts.clear();
    m_texts.reserve(old.size());
    for (const std::string_view text : old)
        m_texts.push_back(store(text));
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
