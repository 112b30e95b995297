// Opening the book: reading it into the list's rows.
#include "book_session.h"

#include "book_size_limit.h"
#include "book_stamp.h"
#include "book_stream.h"
#include "form_rules.h"

#include <new>

namespace qor {

LoadReport BookSession::load()
{
    LoadReport report;
    // Each record reaches its row as the form's exchange reads it back.
    const ContactRecord initial = form;
    const auto commit = [this, &report](ContactRecord& record) {
        if (const auto longField = passThroughForm(record)) {
            ++report.longFieldContacts;
            if (!report.firstLongField)
                report.firstLongField = longField;
        }
        m_store.stageAtTop(record);
    };
    const auto outOfMemory = [this, &report] {
        m_store.discardStaged();
        report.longFieldContacts = 0;
        report.firstLongField.reset();
        report.refusal = BookRefusal::TooBig;
        report.reason = "there was not enough memory to read it";
    };
    bool staged = false;
    {
        // The book is read a piece at a time, each piece hashed for the stamp and read into
        // rows while it is still in the processor's caches: the book's bytes are never held
        // whole, which for a big book cost more (fresh memory, a second pass) than reading them.
        ByteHash hash;
        bool blank = true;
        BookRecordStream stream(initial, commit);
        BookBytes file;
        bool enoughMemory = true;
        try {
            file = readBookFileInPiecesWithin(m_bookPath, largestReadableBook(), [&](std::string_view piece) {
                hash.add(piece);
                blank = blank && piece.find_first_not_of(" \t\r\n\v\f") == std::string_view::npos;
                stream.feed(piece);
            });
        } catch (const std::bad_alloc&) {
            enoughMemory = false;
        }
        if (!enoughMemory) {
            outOfMemory();
        } else {
            m_bookStamp = stampOfPieces(file, hash.value(), m_bookPath);
            report.reason = file.error;
            report.missing = file.status == ReadStatus::Missing;
            if (file.status == ReadStatus::Unreadable)
                report.refusal = BookRefusal::Unreadable;
            else if (file.status == ReadStatus::TooBig)
                report.refusal = BookRefusal::TooBig;
            report.blank = file.status != ReadStatus::Read || blank;
            if (file.status != ReadStatus::Read) {
                // What was read before the read failed is not the book.
                m_store.discardStaged();
                report.longFieldContacts = 0;
                report.firstLongField.reset();
            } else {
                try {
                    const BookReading reading = stream.finish();
                    staged = true;
                    m_bookEncoding = reading.encoding;
                    m_unreadLines = reading.unreadLines;
                    if (!reading.isBook)
                        report.refusal = BookRefusal::NotABook;
                } catch (const std::bad_alloc&) {
                    outOfMemory();
                }
            }
        }
    }
    // A book that could not be read opens as a missing one: one contact, the form's.
    if (!staged)
        readBookRecords({}, initial, commit);
    m_store.insertStagedAtTop();
    m_changes.count = 0;
    showRow(0);

    if (report.refusal) {
        m_refusedBook = m_bookPath.filename().string() + " was left unchanged when the window opened ("
            + (*report.refusal == BookRefusal::NotABook ? std::string("not a QOR contact book") : report.reason)
            + ")";
    }
    return report;
}

} // namespace qor
