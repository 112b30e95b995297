#include "book_session.h"

#include "book_file.h"
#include "book_location.h"
#include "book_size_limit.h"
#include "form_rules.h"
#include "local_time.h"

#include <new>

namespace qor {

BookSession::BookSession(std::filesystem::path bookPath) : m_bookPath(std::move(bookPath))
{
    // The mark hears of a change before any view of the rows, so a view that redraws on the
    // change finds the mark already where its contact went.
    m_store.addObserver(&m_mark);
}

BookSession::~BookSession()
{
    m_store.removeObserver(&m_mark);
}

LoadReport BookSession::load()
{
    LoadReport report;
    // Each record reaches its row as the form's exchange reads it back.
    const ContactRecord initial = form;
    const auto stage = [&](std::string_view bytes) {
        return readBookRecords(bytes, initial, [this, &report](ContactRecord& record) {
            report.fieldTooLong = passThroughForm(record).has_value() || report.fieldTooLong;
            m_store.stageAtTop(record);
        });
    };
    bool staged = false;
    {
        const BookBytes file = readBookFileWithin(m_bookPath, largestReadableBook());
        m_bookStamp = stampOf(file, m_bookPath);
        report.reason = file.error;
        if (file.status == ReadStatus::Unreadable)
            report.refusal = BookRefusal::Unreadable;
        else if (file.status == ReadStatus::TooBig)
            report.refusal = BookRefusal::TooBig;
        if (file.status == ReadStatus::Read) {
            try {
                const BookReading reading = stage(file.bytes());
                staged = true;
                m_bookEncoding = reading.encoding;
                if (!reading.isBook)
                    report.refusal = BookRefusal::NotABook;
            } catch (const std::bad_alloc&) {
                m_store.discardStaged();
                report.fieldTooLong = false;
                report.refusal = BookRefusal::TooBig;
                report.reason = "there was not enough memory to read it";
            }
        }
    }
    // A book that could not be read opens as a missing one: one contact, the form's.
    if (!staged)
        stage({});
    m_store.insertStagedAtTop();
    showRow(0);

    if (report.refusal) {
        m_refusedBook = m_bookPath.filename().string() + " was left unchanged when the window opened ("
            + (*report.refusal == BookRefusal::NotABook ? std::string("not a QOR contact book") : report.reason)
            + ")";
    }
    return report;
}

bool BookSession::add()
{
    flattenLineEnds(form);
    m_store.insertAtTop(form);
    return true;
}

bool BookSession::update()
{
    if (!m_mark.isSet())
        return false;
    flattenLineEnds(form);
    m_store.setRecord(m_mark.row(), form);
    return true;
}

bool BookSession::remove()
{
    if (!m_mark.isSet())
        return false;
    m_store.removeRowAt(m_mark.row());
    return true;
}

void BookSession::clearForm()
{
    form.clear();
}

void BookSession::showRow(int row)
{
    if (m_store.hasRow(row))
        m_store.copyRecord(row, form);
}

FormattedBook BookSession::formatList() const
{
    return formatBook(static_cast<std::size_t>(m_store.rowCount()),
                      [this, record = ContactRecord{}](std::size_t row) mutable -> const ContactRecord& {
                          m_store.copyRecord(static_cast<int>(row), record);
                          return record;
                      },
                      m_bookEncoding);
}

SaveResult BookSession::save(SaveMode mode)
{
    m_pending.reset();
    // Running out of memory anywhere in a save (the text of the book, the check of the file on
    // disk) leaves the book as it was.
    try {
        return writeSafely(mode);
    } catch (const std::bad_alloc&) {
        m_pending.reset();
        return fail("there is not enough memory to write the book; it is left as it was", {}, mode);
    }
}

SaveResult BookSession::writeSafely(SaveMode mode)
{
    FormattedBook book = formatList();
    if (!m_refusedBook.empty())
        return fail(m_refusedBook, book.bytes, mode);

    if (!stampOnDisk(m_bookPath).sameContentAs(m_bookStamp)) {
        // Another window or program changed the book: neither side is lost unless the user
        // chooses so, and nobody is there to choose in an unattended save.
        const std::filesystem::path beside = conflictCopyPath(m_bookPath, localTimeNow());
        if (mode == SaveMode::Unattended)
            return writeBeside(book.bytes, beside);
        m_pending = std::move(book);
        m_pendingBeside = beside;
        return {SaveOutcome::Conflict, {}, beside};
    }
    return writeOver(book, mode);
}

SaveResult BookSession::answerConflict(ConflictChoice choice)
{
    if (!m_pending)
        return {SaveOutcome::Failed, "no save is waiting for an answer", {}};
    const FormattedBook book = std::move(*m_pending);
    m_pending.reset();
    switch (choice) {
    case ConflictChoice::GoBack:
        return {SaveOutcome::WentBack, {}, {}};
    case ConflictChoice::SaveBeside:
        return writeBeside(book.bytes, m_pendingBeside); // the file the question named
    case ConflictChoice::Overwrite:
        break;
    }
    return writeOver(book, SaveMode::Attended);
}

SaveResult BookSession::writeOver(const FormattedBook& book, SaveMode mode)
{
    const WriteResult written = replaceFileSafely(m_bookPath, book.bytes);
    if (!written.ok)
        return fail(written.error, book.bytes, mode);
    m_bookEncoding = book.encoding;
    m_bookStamp = stampOfWritten(book.bytes, m_bookPath);
    return {SaveOutcome::Saved, {}, {}};
}

SaveResult BookSession::writeBeside(std::string_view bytes, const std::filesystem::path& beside)
{
    const WriteResult written = writeNewFile(beside, bytes);
    if (written.ok)
        return {SaveOutcome::SavedBeside, {}, beside};
    return {SaveOutcome::Failed, written.error, {}};
}

SaveResult BookSession::fail(const std::string& reason, std::string_view bytes, SaveMode mode)
{
    // Nobody can put it right now: the list goes beside the book rather than nowhere.
    if (mode == SaveMode::Unattended && m_store.rowCount() > 0 && !bytes.empty()) {
        SaveResult beside = writeBeside(bytes, conflictCopyPath(m_bookPath, localTimeNow()));
        if (beside.outcome == SaveOutcome::SavedBeside)
            return beside;
    }
    return {SaveOutcome::Failed, reason, {}};
}

SaveResult BookSession::saveBeside()
{
    m_pending.reset();
    try {
        if (m_store.rowCount() == 0)
            return {SaveOutcome::Failed, "the list is empty", {}};
        return writeBeside(formatList().bytes, conflictCopyPath(m_bookPath, localTimeNow()));
    } catch (const std::bad_alloc&) {
        return {SaveOutcome::Failed, "there is not enough memory to write the list", {}};
    }
}

} // namespace qor
