#include "contact_list.h"

#include "field_table.h"
#include "found_rows.h"
#include "wide_text.h"

#include <algorithm>

namespace qor {

namespace {
// What a report list's header adds to a heading's text: its margins and divider.
constexpr int kHeadingMargins = 16;
} // namespace

ContactList::ContactList(HWND list, ContactStore& store, ListMark& mark) : m_list(list), m_store(store), m_mark(mark)
{
    for (const FieldInfo& info : fieldTable()) {
        std::wstring heading = toWide(info.heading);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_FMT;
        column.fmt = LVCFMT_LEFT;
        column.pszText = heading.data();
        SendMessageW(m_list, LVM_INSERTCOLUMNW, columnOf(info.field), reinterpret_cast<LPARAM>(&column));
    }
    // Full-row selection is the list's only extended style.
    SendMessageW(m_list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
    m_store.addObserver(this);
}

ContactList::~ContactList() { m_store.removeObserver(this); }

int ContactList::shownCount() const
{
    return m_shown.filtering ? static_cast<int>(m_shown.rows.size()) : m_store.rowCount();
}

int ContactList::storeRow(int row) const
{
    if (row < 0 || row >= shownCount())
        return -1;
    return m_shown.filtering ? m_shown.rows[static_cast<std::size_t>(row)] : row;
}

int ContactList::listRow(int row) const
{
    if (!m_store.hasRow(row))
        return -1;
    if (!m_shown.filtering)
        return row;
    return positionOfRow(m_shown.rows, row);
}

void ContactList::autosizeColumns()
{
    SendMessageW(m_list, WM_SETREDRAW, FALSE, 0);
    RECT client{};
    GetClientRect(m_list, &client);
    int left = 0;
    for (const FieldInfo& info : fieldTable()) {
        const int column = static_cast<int>(columnOf(info.field));
        const std::wstring heading = toWide(info.heading);
        const int headingWidth =
            static_cast<int>(SendMessageW(m_list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(heading.c_str())))
            + kHeadingMargins;
        int width = std::max(m_store.contentWidth(column), headingWidth);
        if (column + 1 == static_cast<int>(kFieldCount))
            width = std::max(width, static_cast<int>(client.right) - left); // the last reaches the edge
        SendMessageW(m_list, LVM_SETCOLUMNWIDTH, column, MAKELPARAM(std::min(width, 0x7FFF), 0));
        left += width;
    }
    SendMessageW(m_list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(m_list, nullptr, TRUE);
}

bool ContactList::notify(const NMHDR& header, LRESULT& result)
{
    switch (header.code) {
    case LVN_GETDISPINFOW: {
        LVITEMW& item = reinterpret_cast<NMLVDISPINFOW&>(const_cast<NMHDR&>(header)).item;
        const int row = storeRow(item.iItem);
        if ((item.mask & LVIF_TEXT) && item.cchTextMax > 0) {
            m_cell = row >= 0 && item.iSubItem >= 0 && item.iSubItem < static_cast<int>(kFieldCount)
                       ? toWide(m_store.text(row, static_cast<std::size_t>(item.iSubItem)))
                       : std::wstring();
            const std::size_t room = static_cast<std::size_t>(item.cchTextMax) - 1;
            const std::size_t length = std::min(m_cell.size(), room);
            std::copy_n(m_cell.data(), length, item.pszText);
            item.pszText[length] = L'\0';
        }
        result = 0;
        return true;
    }
    case LVN_ITEMCHANGED: {
        // The user marked a row with the mouse or the keys.
        const auto& changed = reinterpret_cast<const NMLISTVIEW&>(header);
        if (!m_settingSelection && changed.iItem >= 0 && (changed.uNewState & LVIS_SELECTED))
            takeSelectionMark();
        result = 0;
        return true;
    }
    default:
        return false;
    }
}

void ContactList::takeSelectionMark()
{
    const int row = static_cast<int>(SendMessageW(m_list, LVM_GETSELECTIONMARK, 0, 0));
    if (row >= 0)
        m_mark.set(storeRow(row));
}

void ContactList::showMark()
{
    m_settingSelection = true;
    LVITEMW none{};
    none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(m_list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    const int row = listRow(m_mark.row());
    if (row >= 0) {
        LVITEMW marked{};
        marked.state = marked.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(m_list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&marked));
        SendMessageW(m_list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    }
    SendMessageW(m_list, LVM_SETSELECTIONMARK, 0, row);
    m_settingSelection = false;
}

void ContactList::filter(std::string_view query)
{
    m_shown = m_query.query(query, m_store, m_shown);
    m_queryText.assign(query);
    rowsChanged();
}

void ContactList::rowsChanged()
{
    SendMessageW(m_list, LVM_SETITEMCOUNT, static_cast<WPARAM>(shownCount()), LVSICF_NOINVALIDATEALL);
    InvalidateRect(m_list, nullptr, TRUE);
    showMark();
}

void ContactList::rowsInserted(int first, int last)
{
    m_query.forget(); // its rows no longer stand where they did
    if (m_shown.filtering)
        showInsertedRows(m_shown.rows, first, last);
    rowsChanged();
}

void ContactList::rowsRemoved(int first, int last)
{
    m_query.forget();
    if (m_shown.filtering)
        dropRemovedRows(m_shown.rows, first, last);
    rowsChanged();
}

void ContactList::rowChanged(int row)
{
    m_query.forget();
    if (m_shown.filtering && listRow(row) < 0) {
        showRow(m_shown.rows, row); // Update rewrote a hidden contact: show it, as Add shows a new one
        rowsChanged();
        return;
    }
    const int shown = listRow(row);
    SendMessageW(m_list, LVM_REDRAWITEMS, static_cast<WPARAM>(shown), static_cast<LPARAM>(shown));
}

} // namespace qor
