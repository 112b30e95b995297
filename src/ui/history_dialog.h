#pragma once

#include "contact_record.h"
#include "state_contacts.h"

#include <QDialog>
#include <QString>
#include <filesystem>
#include <string>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;
class QTreeWidget;

namespace qor {

class BookDialog;

// "History": the states of the book that its saves left, newest first, each with the time it
// was saved, its number of contacts and what that save changed; beside it, the contacts
// of the state selected. "Restore this contact" puts the contact selected there back on top of
// the window's list; "Restore the whole book" makes the window's list that state and closes
// the dialog. Both are changes of the list like any other: Undo takes them back, and only the
// next Save or close writes them. A history that cannot be read is told of in the dialog. The
// dialog is meant to run modally over the window.
class HistoryDialog : public QDialog {
    Q_OBJECT
public:
    explicit HistoryDialog(BookDialog& window);

    QTreeWidget& stateList() const { return *m_states; }
    QListWidget& contactList() const { return *m_contacts; }
    QPushButton& restoreContactButton() const { return *m_restoreContact; }
    QPushButton& restoreBookButton() const { return *m_restoreBook; }
    // What the line under the lists says: why nothing can be shown, or what was restored.
    QString statusText() const;

    void restoreSelectedContact();
    void restoreWholeBook();

private:
    void listStates();
    void showSelectedState();
    void enableButtons();

    BookDialog& m_window;
    QTreeWidget* m_states = nullptr;
    QListWidget* m_contacts = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_restoreContact = nullptr;
    QPushButton* m_restoreBook = nullptr;
    // The selected state's contacts, as m_contacts lists them; m_stateShown when they could be
    // read (a state of no contacts is shown too).
    std::vector<ContactRecord> m_shownRows;
    bool m_stateShown = false;
};

// The menu item that opens the dialog.
inline constexpr const char* kHistoryItemText = "&History...";

} // namespace qor
