#pragma once

#include "contact_store.h"
#include "find_query.h"
#include "list_mark.h"

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <string_view>

namespace qor {

// The window's list (control 1001), a virtual report list view: it holds no text of its own and
// asks for a cell's text as it paints one, so opening a hundred thousand contacts costs the
// store's load and nothing more. The store tells it of every change to the rows; the mark is
// the session's, which follows its contact when rows go in or out above it (a virtual list's
// own selection stays on its index), and the list's selection is kept on it.
//
// While find filters, the list shows only the rows the query found, in store order: a row of
// the list is then an index into those rows.
class ContactList : public StoreObserver {
public:
    ContactList(HWND list, ContactStore& store, ListMark& mark);
    ~ContactList() override;
    ContactList(const ContactList&) = delete;
    ContactList& operator=(const ContactList&) = delete;

    HWND handle() const { return m_list; }

    // The widest text of each column, or its heading if that is wider.
    void autosizeColumns();
    // Answers the list's notifications: a cell's text, a row the user marked. True when handled.
    bool notify(const NMHDR& header, LRESULT& result);
    // Selects the session's marked row (or nothing) and brings it into view.
    void showMark();
    // Marks the row the list's selection mark names, as a click does.
    void takeSelectionMark();

    // Find: shows only the rows `query` finds (every row for an empty one).
    void filter(std::string_view query);
    bool filtering() const { return m_shown.filtering; }
    // The store row of the list's row `row`, -1 for none.
    int storeRow(int row) const;
    // The list's row of store row `row`, -1 when find hides it.
    int listRow(int row) const;

    // StoreObserver: the list's count and paint follow the store.
    void rowsInserted(int first, int last) override;
    void rowsRemoved(int first, int last) override;
    void rowChanged(int row) override;

private:
    void rowsChanged();
    int shownCount() const;

    HWND m_list;
    ContactStore& m_store;
    ListMark& m_mark;
    FindQuery m_query;
    FindQuery::Shown m_shown;
    std::string m_queryText;
    std::wstring m_cell; // the text of the cell the list last asked for
    bool m_settingSelection = false;
};

} // namespace qor
