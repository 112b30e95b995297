// Every save of the book goes into its history: the session's side of it.
#include "book_session.h"

#include "date_rules.h"

#include <ctime>

namespace qor {

BookStamp BookSession::stampOnDiskBeforeSave()
{
    BookBytes onDisk = readBookFile(m_bookPath);
    // A book that cannot be held whole now (memory running out) is still checked, a piece at a
    // time: the check must not take a want of memory for a change by someone else.
    if (onDisk.status != ReadStatus::Read && onDisk.status != ReadStatus::Missing)
        return stampOnDisk(m_bookPath);
    const BookStamp stamp = stampOf(onDisk, m_bookPath);
    if (m_keepHistory && onDisk.status == ReadStatus::Read)
        m_history.bookFound(m_bookPath, std::move(onDisk), stamp.hash, std::time(nullptr));
    return stamp;
}

void BookSession::recordInHistory(const BookBefore& before, std::string_view written, SaveResult& saved)
{
    // The book is already saved: whatever happens to its history is told, not a failed save.
    const HistoryNote note = m_history.record(m_bookPath, before, written, std::time(nullptr), localTimeNow());
    saved.historyError = note.error;
    saved.historySetAside = note.setAside;
}

} // namespace qor
