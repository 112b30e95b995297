// Changes that make the list another list: a restore from the book's history, a reload.
#include "book_session.h"

#include "book_file.h"
#include "book_size_limit.h"
#include "book_text.h"
#include "form_rules.h"
#include "list_edit.h"
#include "list_rows.h"
#include "list_transfer.h"

#include <algorithm>

namespace qor {

bool BookSession::restoreContact(const ContactRecord& contact)
{
    form = contact;
    flattenLineEnds(form);
    m_store.insertAtTop(form);
    if (m_keepUndoSteps)
        m_undo.record(UndoStep{UndoStep::Kind::Add, "Restore \"" + listNameOf(form) + "\"", 0, {}, form, {}, {}});
    m_mark.set(0);
    return true;
}

void BookSession::becomeList(std::vector<ContactRecord>&& rows, std::string name)
{
    for (ContactRecord& contact : rows)
        flattenLineEnds(contact);
    changeList(editTowards(m_store, rows), std::move(name));
}

void BookSession::changeList(ListEdit&& edit, std::string name, bool show)
{
    applyEdit(m_store, edit, true);
    if (m_keepUndoSteps && !edit.empty()) {
        UndoStep step{UndoStep::Kind::Replace, std::move(name), 0, {}, {}, {}, std::move(edit)};
        m_undo.record(std::move(step));
    }
    if (show) {
        m_mark.clear();
        showRow(0);
    }
}

ReloadResult BookSession::reloadFromDisk()
{
    ReloadResult result;
    const BookBytes file = readBookFileWithin(m_bookPath, largestReadableBook());
    if (file.status != ReadStatus::Read && file.status != ReadStatus::Missing) {
        result.error = file.error;
        return result;
    }
    ListOfBook list = listOfBook(file.bytes());
    if (!list.reading.isBook) {
        result.error = pathText(m_bookPath) + " is not a QOR contact book";
        return result;
    }
    result.contacts = list.rows.size();
    becomeList(std::move(list.rows), "Reload from disk");
    m_bookStamp = stampOf(file, m_bookPath);
    m_bookStampFromLoad = true;
    m_bookEncoding = list.reading.encoding;
    m_unreadLines = list.reading.unreadLines;
    m_refusedBook.clear(); // the list holds the book as it is now, whole
    result.ok = true;
    return result;
}

} // namespace qor
