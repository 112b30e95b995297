#include "contact_table.h"

#include "field_table.h"
#include "huge_pages.h"
#include "search_fold.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <iterator>

namespace qor {

namespace {
// A cell shows at most this many characters; the row keeps its whole text.
constexpr qsizetype kMaxShownChars = 8192;
} // namespace

ContactTable::ContactTable(QObject* parent)
    : QAbstractTableModel(parent), m_measure([](std::string_view) { return 0; })
{
}

ContactTable::~ContactTable() = default;

void ContactTable::setMeasure(Measure measure)
{
    m_measure = std::move(measure);
    m_widest.fill(0);
    m_stale.fill(false);
    for (auto& row : m_rows) {
        for (std::size_t c = 0; c < kFieldCount; ++c)
            row->widths[c] = m_measure(row->text(c));
        widen(*row);
    }
}

void ContactTable::RowDeleter::operator()(Row* row) const
{
    const bool pooled = row->pooled;
    row->~Row();
    if (!pooled)
        ::operator delete(static_cast<void*>(row));
}

void* ContactTable::allocateFromPool(std::size_t size)
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

ContactTable::RowPtr ContactTable::makeRow(const ContactRecord& record, bool pooled)
{
    std::size_t total = 0;
    for (const std::string& text : record.texts)
        total += text.size();
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
        row->ends[c] = end;
        row->widths[c] = text.empty() ? 0 : m_measure(text);
    }
    return row;
}

ContactRecord ContactTable::record(int rowIndex) const
{
    ContactRecord record;
    copyRecord(rowIndex, record);
    return record;
}

void ContactTable::copyRecord(int rowIndex, ContactRecord& into) const
{
    const Row& row = *m_rows[static_cast<std::size_t>(rowIndex)];
    for (std::size_t c = 0; c < kFieldCount; ++c)
        into[c].assign(row.text(c));
    into.windows1252Fields = row.windows1252Fields;
}

void ContactTable::widen(const Row& row)
{
    for (std::size_t c = 0; c < kFieldCount; ++c)
        m_widest[c] = std::max(m_widest[c], row.widths[c]);
}

void ContactTable::insertAtTop(const ContactRecord& record)
{
    auto row = makeRow(record);
    widen(*row);
    beginInsertRows({}, 0, 0);
    m_rows.insert(m_rows.begin(), std::move(row));
    if (m_searchReady)
        m_search.insertAtTop(record);
    endInsertRows();
}

void ContactTable::insertAllAtTop(std::vector<ContactRecord>&& records)
{
    for (const ContactRecord& record : records)
        stageAtTop(record);
    std::vector<ContactRecord>().swap(records);
    insertStagedAtTop();
}

void ContactTable::stageAtTop(const ContactRecord& record)
{
    m_staged.push_back(makeRow(record, true));
    widen(*m_staged.back());
}

void ContactTable::discardStaged()
{
    m_staged.clear();
    m_stale.fill(true);
    // Give back the blocks when no row stands in them: a load that ran out of memory needs it.
    if (std::none_of(m_rows.begin(), m_rows.end(), [](const RowPtr& row) { return row->pooled; })) {
        m_pool.clear();
        m_poolUsed = m_poolSize = 0;
    }
}

void ContactTable::insertStagedAtTop()
{
    if (m_staged.empty())
        return;
    std::reverse(m_staged.begin(), m_staged.end());
    beginInsertRows({}, 0, static_cast<int>(m_staged.size()) - 1);
    if (m_searchReady)
        m_search.insertAtTop(m_staged.size(), [this](std::size_t row, std::string& out) {
            appendSearchTextOf(*m_staged[row], out);
        });
    m_staged.reserve(m_staged.size() + m_rows.size());
    std::move(m_rows.begin(), m_rows.end(), std::back_inserter(m_staged));
    m_rows = std::move(m_staged);
    m_staged.clear();
    endInsertRows();
}

void ContactTable::setRecord(int rowIndex, const ContactRecord& record)
{
    if (!hasRow(rowIndex))
        return;
    RowPtr& row = m_rows[static_cast<std::size_t>(rowIndex)];
    RowPtr fresh = makeRow(record);
    for (std::size_t c = 0; c < kFieldCount; ++c)
        if (row->widths[c] == m_widest[c] && fresh->widths[c] < m_widest[c])
            m_stale[c] = true;
    row = std::move(fresh);
    widen(*row);
    if (m_searchReady)
        m_search.replace(rowIndex, record);
    emit dataChanged(index(rowIndex, 0), index(rowIndex, static_cast<int>(kFieldCount) - 1));
}

void ContactTable::removeRowAt(int rowIndex)
{
    if (!hasRow(rowIndex))
        return;
    const Row& row = *m_rows[static_cast<std::size_t>(rowIndex)];
    for (std::size_t c = 0; c < kFieldCount; ++c)
        if (row.widths[c] == m_widest[c] && m_widest[c] > 0)
            m_stale[c] = true;
    beginRemoveRows({}, rowIndex, rowIndex);
    m_rows.erase(m_rows.begin() + rowIndex);
    if (m_searchReady)
        m_search.remove(rowIndex);
    endRemoveRows();
}

void ContactTable::remeasureColumn(std::size_t column) const
{
    int widest = 0;
    for (const auto& row : m_rows)
        widest = std::max(widest, row->widths[column]);
    m_widest[column] = widest;
    m_stale[column] = false;
}

int ContactTable::contentWidth(int column) const
{
    const auto c = static_cast<std::size_t>(column);
    if (m_stale[c])
        remeasureColumn(c);
    return m_widest[c];
}

void ContactTable::appendSearchTextOf(const Row& row, std::string& out)
{
    appendSearchText([&row](std::size_t column) { return row.text(column); }, out);
}

const SearchIndex& ContactTable::searchIndex()
{
    if (!m_searchReady) {
        m_search.build(m_rows.size(), [this](std::size_t row, std::string& out) { appendSearchTextOf(*m_rows[row], out); });
        m_searchReady = true;
    }
    return m_search;
}

int ContactTable::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rowCount();
}

int ContactTable::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(kFieldCount);
}

QVariant ContactTable::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || !hasRow(index.row()))
        return {};
    const std::string_view text = this->text(index.row(), static_cast<std::size_t>(index.column()));
    QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(
                                                       std::min<std::size_t>(text.size(), 4 * kMaxShownChars)));
    if (shown.size() > kMaxShownChars)
        shown.truncate(kMaxShownChars);
    return shown;
}

QVariant ContactTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= static_cast<int>(kFieldCount))
        return {};
    if (role == Qt::DisplayRole) {
        const auto heading = fieldTable()[static_cast<std::size_t>(section)].heading;
        return QString::fromUtf8(heading.data(), static_cast<qsizetype>(heading.size()));
    }
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags ContactTable::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

} // namespace qor
