#include "contact_store.h"

#include "huge_pages.h"
#include "search_fold.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <limits>
#include <new>

namespace qor {

ContactStore::ContactStore() : m_measure([](std::string_view) { return 0; }) {}

ContactStore::~ContactStore() = default;

void ContactStore::setMeasure(Measure measure)
{
    m_measure = std::move(measure);
    m_widest.fill(0);
    m_widestCount.fill(0);
    m_stale.fill(false);
    for (auto& row : m_rows) {
        for (std::size_t c = 0; c < kFieldCount; ++c)
            row->widths[c] = m_measure(row->text(c));
        widen(*row);
    }
}

void ContactStore::addObserver(StoreObserver* observer)
{
    m_observers.push_back(observer);
}

void ContactStore::removeObserver(StoreObserver* observer)
{
    std::erase(m_observers, observer);
}

void ContactStore::RowDeleter::operator()(Row* row) const
{
    const bool pooled = row->pooled;
    row->~Row();
    if (!pooled)
        ::operator delete(static_cast<void*>(row));
}

void* ContactStore::allocateFromPool(std::size_t size)
{
    constexpr std::size_t kBlock = std::size_t{4} << 20;
    size = (size + alignof(Row) - 1) & ~(alignof(Row) - 1);
    if (m_pool.empty() || m_poolSize - m_poolUsed < size) {
        m_poolSize = std::max(kBlock, size);
        m_pool.push_back(std::make_unique_for_overwrite<char[]>(m_poolSize));
        adviseHugePages(m_pool.back().get(), m_poolSize);
        m_poolUsed = 0;
    }
    void* at = m_pool.back().get() + m_poolUsed;
    m_poolUsed += size;
    return at;
}

ContactStore::RowPtr ContactStore::makeRow(const ContactRecord& record, bool pooled)
{
    std::size_t total = 0;
    for (const std::string& text : record.texts)
        total += text.size();
    if (total > std::numeric_limits<std::uint32_t>::max())
        throw std::bad_alloc();
    const std::size_t size = sizeof(Row) + total;
    RowPtr row(new (pooled ? allocateFromPool(size) : ::operator new(size)) Row);
    row->pooled = pooled;
    row->windows1252Fields = record.windows1252Fields;
    char* out = row->texts();
    std::size_t end = 0;
    for (std::size_t c = 0; c < kFieldCount; ++c) {
        const std::string& text = record[c];
        if (!text.empty())
            std::memcpy(out + end, text.data(), text.size());
        end += text.size();
        row->ends[c] = static_cast<std::uint32_t>(end);
        row->widths[c] = text.empty() ? 0 : m_measure(text);
    }
    return row;
}

ContactRecord ContactStore::record(int rowIndex) const
{
    ContactRecord record;
    copyRecord(rowIndex, record);
    return record;
}

void ContactStore::copyRecord(int rowIndex, ContactRecord& into) const
{
    const Row& row = *m_rows[static_cast<std::size_t>(rowIndex)];
    for (std::size_t c = 0; c < kFieldCount; ++c)
        into[c].assign(row.text(c));
    into.windows1252Fields = row.windows1252Fields;
}

void ContactStore::widen(const Row& row)
{
    for (std::size_t c = 0; c < kFieldCount; ++c) {
        if (row.widths[c] > m_widest[c]) {
            m_widest[c] = row.widths[c];
            m_widestCount[c] = 1;
        } else if (row.widths[c] == m_widest[c]) {
            ++m_widestCount[c];
        }
    }
}

void ContactStore::narrow(const Row& row)
{
    // Only when the last of the widest cells goes must the column be scanned again.
    for (std::size_t c = 0; c < kFieldCount; ++c)
        if (!m_stale[c] && row.widths[c] == m_widest[c] && m_widest[c] > 0 && --m_widestCount[c] <= 0)
            m_stale[c] = true;
}

void ContactStore::insertAtTop(const ContactRecord& record)
{
    auto row = makeRow(record);
    widen(*row);
    tell([](StoreObserver& o) { o.rowsAboutToBeInserted(0, 0); });
    m_rows.insert(m_rows.begin(), std::move(row));
    if (m_searchReady)
        m_search.insertAtTop(record);
    tell([](StoreObserver& o) { o.rowsInserted(0, 0); });
}

void ContactStore::insertAllAtTop(std::vector<ContactRecord>&& records)
{
    try {
        for (const ContactRecord& record : records)
            stageAtTop(record);
        insertStagedAtTop();
    } catch (const std::bad_alloc&) {
        discardStaged();
        throw;
    }
    std::vector<ContactRecord>().swap(records);
}

void ContactStore::stageAtTop(const ContactRecord& record)
{
    m_staged.push_back(makeRow(record, true));
    widen(*m_staged.back());
}

void ContactStore::discardStaged()
{
    m_staged.clear();
    m_stale.fill(true);
    // Give back the blocks when no row stands in them: a load that ran out of memory needs it.
    if (std::none_of(m_rows.begin(), m_rows.end(), [](const RowPtr& row) { return row->pooled; })) {
        m_pool.clear();
        m_poolUsed = m_poolSize = 0;
    }
}

void ContactStore::insertStagedAtTop()
{
    if (m_staged.empty())
        return;
    // What may run out of memory comes first, while the list and its observers are as they
    // were; the search index takes the new texts all or none. The last staged goes on top.
    m_staged.reserve(m_staged.size() + m_rows.size());
    if (m_searchReady)
        m_search.insertAtTop(m_staged.size(), [this](std::size_t row, std::string& out) {
            appendSearchTextOf(*m_staged[m_staged.size() - 1 - row], out);
        });
    std::reverse(m_staged.begin(), m_staged.end());
    const int last = static_cast<int>(m_staged.size()) - 1;
    tell([last](StoreObserver& o) { o.rowsAboutToBeInserted(0, last); });
    std::move(m_rows.begin(), m_rows.end(), std::back_inserter(m_staged));
    m_rows = std::move(m_staged);
    m_staged.clear();
    tell([last](StoreObserver& o) { o.rowsInserted(0, last); });
}

void ContactStore::setRecord(int rowIndex, const ContactRecord& record)
{
    if (!hasRow(rowIndex))
        return;
    RowPtr& row = m_rows[static_cast<std::size_t>(rowIndex)];
    RowPtr fresh = makeRow(record);
    narrow(*row);
    row = std::move(fresh);
    widen(*row);
    if (m_searchReady)
        m_search.replace(rowIndex, record);
    tell([rowIndex](StoreObserver& o) { o.rowChanged(rowIndex); });
}

void ContactStore::removeRowAt(int rowIndex)
{
    if (hasRow(rowIndex))
        removeRows(rowIndex, 1);
}

void ContactStore::removeTopRows(int count)
{
    removeRows(0, std::min(count, rowCount()));
}

void ContactStore::removeRows(int first, int count)
{
    if (count <= 0)
        return;
    const int last = first + count - 1;
    const auto from = m_rows.begin() + first;
    for (auto it = from; it != from + count; ++it)
        narrow(**it);
    tell([first, last](StoreObserver& o) { o.rowsAboutToBeRemoved(first, last); });
    m_rows.erase(from, from + count);
    if (m_searchReady)
        m_search.removeRows(first, count);
    tell([first, last](StoreObserver& o) { o.rowsRemoved(first, last); });
}

void ContactStore::insertAt(int rowIndex, const ContactRecord& record)
{
    if (rowIndex < 0 || rowIndex > rowCount())
        return;
    auto row = makeRow(record);
    widen(*row);
    tell([rowIndex](StoreObserver& o) { o.rowsAboutToBeInserted(rowIndex, rowIndex); });
    m_rows.insert(m_rows.begin() + rowIndex, std::move(row));
    if (m_searchReady)
        m_search.insertAt(rowIndex, record);
    tell([rowIndex](StoreObserver& o) { o.rowsInserted(rowIndex, rowIndex); });
}

void ContactStore::remeasureColumn(std::size_t column) const
{
    int widest = 0;
    int count = 0;
    for (const auto& row : m_rows) {
        const int width = row->widths[column];
        if (width > widest) {
            widest = width;
            count = 0;
        }
        count += width == widest ? 1 : 0;
    }
    m_widest[column] = widest;
    m_widestCount[column] = count;
    m_stale[column] = false;
}

int ContactStore::contentWidth(int column) const
{
    const auto c = static_cast<std::size_t>(column);
    if (m_stale[c])
        remeasureColumn(c);
    return m_widest[c];
}

void ContactStore::appendSearchTextOf(const Row& row, std::string& out)
{
    appendSearchText([&row](std::size_t column) { return row.text(column); }, out);
}

const SearchIndex& ContactStore::searchIndex()
{
    if (!m_searchReady) {
        m_search.build(m_rows.size(), [this](std::size_t row, std::string& out) { appendSearchTextOf(*m_rows[row], out); });
        m_searchReady = true;
    }
    return m_search;
}

} // namespace qor
