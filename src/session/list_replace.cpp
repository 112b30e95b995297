// Changes that make the list another list: a restore from the book's history, a reload.
#include "book_session.h"

#include "book_file.h"
#include "book_size_limit.h"
#include "book_text.h"
#include "form_rules.h"
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
    UndoStep step{UndoStep::Kind::Replace, std::move(name), 0, {}, {}, {}, {}};
    if (m_keepUndoSteps) {
        for (int row = 0; row < m_store.rowCount(); ++row)
            step.replaced.push_back(m_store.record(row));
        step.rows = rows;
    }
    m_store.removeTopRows(m_store.rowCount());
    std::reverse(rows.begin(), rows.end());
    m_store.insertAllAtTop(std::move(rows));
    if (m_keepUndoSteps)
        m_undo.record(std::move(step));
    showRow(0);
}

ReloadResult BookSession::reloadFromDisk()
{
    ReloadResult result;
    const BookBytes file = readBookFileWithin(m_bookPath, largestReadableBook());
    if (file.status != ReadStatus::Read && file.status != ReadStatus::Missing) {
        result.error = file.error;
        return result;
    }
    // Each record as the form's exchange gives it back, as opening the window reads them.
    std::vector<ContactRecord> rows;
    const BookReading reading = readBookRecords(file.bytes(), ContactRecord{}, [&rows](ContactRecord& record) {
        passThroughForm(record);
        rows.push_back(record);
    });
    if (!reading.isBook) {
        result.error = pathText(m_bookPath) + " is not a QOR contact book";
        return result;
    }
    result.contacts = rows.size();
    std::reverse(rows.begin(), rows.end()); // the file's last contact on top
    becomeList(std::move(rows), "Reload from disk");
    m_bookStamp = stampOf(file, m_bookPath);
    m_bookEncoding = reading.encoding;
    m_unreadLines = reading.unreadLines;
    result.ok = true;
    return result;
}

} // namespace qor
