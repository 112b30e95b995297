// Every save of the book goes into its history: the session's side of it.
#include "book_session.h"

#include "book_stamp.h"
#include "date_rules.h"
#include "history_delta.h"

#include <ctime>
#include <new>

namespace qor {

BookStamp BookSession::stampOnDiskBeforeSave()
{
    // The book is read a piece at a time, each piece hashed and, for the history, cut into its
    // pieces' keys: a big book is never held whole (fresh memory the size of the book, which
    // cost more than reading it). The keys are wanted only when the history does not know the
    // book already (a session's first save).
    constexpr std::size_t kPiece = 1024 * 1024;
    ByteHash hash;
    PieceKeyCutter cutter;
    bool cutting = m_keepHistory && !m_history.knowsBook(m_bookStamp.hash);
    const BookBytes onDisk = readBookFileInPieces(m_bookPath, kPiece, [&](std::string_view piece) {
        hash.add(piece);
        if (cutting) {
            try {
                cutter.add(piece);
            } catch (const std::bad_alloc&) {
                cutting = false; // the history reads the book again for itself
                cutter = {};
            }
        }
    });
    const BookStamp stamp = stampOfPieces(onDisk, hash.value(), m_bookPath);
    if (!m_keepHistory || onDisk.status != ReadStatus::Read)
        return stamp;
    if (cutting || m_history.knowsBook(stamp.hash))
        m_history.bookFound(m_bookPath, cutter.keys(), stamp.hash, std::time(nullptr));
    else if (BookBytes found = readBookFile(m_bookPath); found.status == ReadStatus::Read && stampOf(found, m_bookPath).sameContentAs(stamp))
        m_history.bookFound(m_bookPath, std::move(found), stamp.hash, std::time(nullptr)); // changed since read
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
