#include "contact_table.h"

#include "field_table.h"

#include <algorithm>

namespace qor {

namespace {
// A cell shows at most this many characters; the row keeps its whole text.
constexpr qsizetype kMaxShownChars = 8192;
} // namespace

ContactTable::ContactTable(ContactStore& store, QObject* parent) : QAbstractTableModel(parent), m_store(store)
{
    m_store.addObserver(this);
}

ContactTable::~ContactTable()
{
    m_store.removeObserver(this);
}

void ContactTable::rowChanged(int row)
{
    emit dataChanged(index(row, 0), index(row, static_cast<int>(kFieldCount) - 1));
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
    const std::string_view text = m_store.text(index.row(), static_cast<std::size_t>(index.column()));
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
