// Changes that make the list what the book held: a contact or a whole state from the book's
// history, and the book as it is on disk now.
#include "book_dialog.h"

#include "user_messages.h"

namespace qor {

void BookDialog::restoreContact(const ContactRecord& contact)
{
    readForm();
    m_session->restoreContact(contact);
    showListChange();
}

void BookDialog::restoreWholeBook(std::vector<ContactRecord>&& rows)
{
    replaceList(std::move(rows), "Restore the whole book");
}

void BookDialog::replaceList(std::vector<ContactRecord>&& rows, const std::string& name)
{
    readForm();
    m_session->becomeList(std::move(rows), name);
    showListChange();
}

void BookDialog::reloadFromDisk()
{
    readForm();
    const ReloadResult reloaded = m_session->reloadFromDisk();
    if (!reloaded.ok) {
        m_messages->reloadFailed(this, QString::fromStdString(reloaded.error));
        return;
    }
    showListChange();
}

} // namespace qor
