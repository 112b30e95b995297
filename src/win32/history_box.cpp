// History: the states of the book its saves left, newest first, with the time of each save, its
// contacts and what it changed; beside them the contacts of the state selected. "Restore this
// contact" puts that contact back on top of the list, "Restore the whole book" makes the list
// that state and closes the box; both are changes of the list that Undo takes back, and only the
// next Save or close writes them.
#include "book_window.h"

#include "book_history.h"
#include "state_contacts.h"
#include "undo_steps.h"
#include "wide_text.h"
#include "window_box_ids.h"

#include <ctime>

namespace qor {

namespace {

constexpr int kHistoryBox = QOR_HISTORY_BOX;
constexpr int kStateList = QOR_STATE_LIST;
constexpr int kContactList = QOR_STATE_CONTACT_LIST;
constexpr int kStatus = QOR_HISTORY_STATUS;
constexpr int kRestoreContactButton = QOR_RESTORE_CONTACT_BUTTON;
constexpr int kRestoreBookButton = QOR_RESTORE_BOOK_BUTTON;

std::string savedText(std::int64_t time)
{
    const std::time_t when = static_cast<std::time_t>(time);
    std::tm local{};
    localtime_s(&local, &when);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::string shownName(const ContactRecord& contact)
{
    const std::string name = listNameOf(contact);
    return name.empty() ? "(no name)" : name;
}

} // namespace

struct BookWindow::HistoryBox {
    BookWindow& window;
    HWND box = nullptr;
    HistoryListing listing;
    std::vector<ContactRecord> shown; // the contacts of the state selected
    bool stateShown = false;

    void say(const std::string& text) { SetDlgItemTextW(box, kStatus, toWide(text).c_str()); }
    int selected(int list) const { return static_cast<int>(SendDlgItemMessageW(box, list, LB_GETCURSEL, 0, 0)); }

    void listStates()
    {
        listing = listHistory(window.m_session->bookPath());
        if (!listing.ok)
            say("The book's history cannot be read: " + listing.error + ".");
        else if (listing.states.empty())
            say("The book has no saved states yet: its history begins with its first save.");
        for (const HistoryState& state : listing.states) {
            const std::string line = savedText(state.facts.time) + "    " + std::to_string(state.facts.contacts)
                                   + " contacts    " + stateChangesText(state.facts);
            SendDlgItemMessageW(box, kStateList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(toWide(line).c_str()));
        }
        if (!listing.states.empty())
            SendDlgItemMessageW(box, kStateList, LB_SETCURSEL, 0, 0);
        showState();
    }

    void showState()
    {
        SendDlgItemMessageW(box, kContactList, LB_RESETCONTENT, 0, 0);
        shown.clear();
        stateShown = false;
        const int state = selected(kStateList);
        if (state >= 0 && static_cast<std::size_t>(state) < listing.states.size()) {
            StateContacts contacts =
                contactsOfState(window.m_session->bookPath(), listing.states[static_cast<std::size_t>(state)].number);
            if (contacts.error.empty()) {
                say({});
                shown = std::move(contacts.rows);
                stateShown = true;
                for (const ContactRecord& contact : shown)
                    SendDlgItemMessageW(box, kContactList, LB_ADDSTRING, 0,
                                        reinterpret_cast<LPARAM>(toWide(shownName(contact)).c_str()));
                SendDlgItemMessageW(box, kContactList, LB_SETCURSEL, 0, 0);
            } else {
                say("This state cannot be shown: " + contacts.error + ".");
            }
        }
        enableButtons();
    }

    void enableButtons()
    {
        const int contact = selected(kContactList);
        EnableWindow(GetDlgItem(box, kRestoreContactButton),
                     contact >= 0 && static_cast<std::size_t>(contact) < shown.size());
        EnableWindow(GetDlgItem(box, kRestoreBookButton), stateShown);
    }

    void restoreContact()
    {
        const int contact = selected(kContactList);
        if (contact < 0 || static_cast<std::size_t>(contact) >= shown.size())
            return;
        const ContactRecord& chosen = shown[static_cast<std::size_t>(contact)];
        window.readForm();
        window.m_session->restoreContact(chosen);
        window.showListChange();
        say(shownName(chosen) + " is back on top of the list.");
    }

    void restoreBook()
    {
        if (!stateShown)
            return;
        window.readForm();
        window.m_session->becomeList(std::move(shown), "Restore the whole book");
        window.showListChange();
        EndDialog(box, IDOK);
    }

    static INT_PTR CALLBACK proc(HWND box, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_INITDIALOG) {
            auto* self = reinterpret_cast<HistoryBox*>(lParam);
            SetWindowLongPtrW(box, DWLP_USER, lParam);
            self->box = box;
            self->listStates();
            return TRUE;
        }
        auto* self = reinterpret_cast<HistoryBox*>(GetWindowLongPtrW(box, DWLP_USER));
        if (!self || message != WM_COMMAND)
            return FALSE;
        switch (LOWORD(wParam)) {
        case kStateList:
            if (HIWORD(wParam) == LBN_SELCHANGE)
                self->showState();
            return TRUE;
        case kContactList:
            if (HIWORD(wParam) == LBN_SELCHANGE)
                self->enableButtons();
            return TRUE;
        case kRestoreContactButton:
            self->restoreContact();
            return TRUE;
        case kRestoreBookButton:
            self->restoreBook();
            return TRUE;
        case IDOK:
        case IDCANCEL:
            EndDialog(box, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
        }
    }
};

void BookWindow::showHistory()
{
    readForm();
    HistoryBox history{*this, nullptr, {}, {}, false};
    DialogBoxParamW(m_instance, MAKEINTRESOURCEW(kHistoryBox), m_window, &HistoryBox::proc,
                    reinterpret_cast<LPARAM>(&history));
    showForm();
}

} // namespace qor
