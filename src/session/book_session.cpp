#include "book_session.h"

#include "book_file.h"
#include "book_history.h"
#include "book_location.h"
#include "book_size_limit.h"
#include "form_rules.h"
#include "list_transfer.h"
#include "date_rules.h"
#include "rescue_folder.h"

#include <algorithm>
#include <new>

namespace qor {

BookSession::BookSession(std::filesystem::path bookPath) : m_bookPath(std::move(bookPath))
{
    // The mark hears of a change before any view of the rows, so a view that redraws on the
    // change finds the mark already where its contact went.
    m_store.addObserver(&m_mark);
    m_store.addObserver(&m_changes);
}

BookSession::~BookSession()
{
    m_store.removeObserver(&m_changes);
    m_store.removeObserver(&m_mark);
}

BookLock::State BookSession::lockBook(std::chrono::milliseconds wait)
{
    m_lock = wait.count() > 0 ? BookLock::acquire(m_bookPath, wait) : BookLock::tryAcquire(m_bookPath);
    // The temporary files a killed save left go only while no writer is at work: a command
    // may be saving the book right now.
    if (m_lock.held()) {
        BookLock writer = BookLock::tryAcquire(m_bookPath, BookLock::Kind::Writer);
        if (writer.held())
            removeLeftoverTemporaries(m_bookPath);
    }
    return m_lock.state();
}

bool BookSession::add()
{
    flattenLineEnds(form);
    m_store.insertAtTop(form);
    UndoStep step{UndoStep::Kind::Add, "Add \"" + listNameOf(form) + "\"", 0, {}, form, {}, {}};
    if (m_keepUndoSteps)
        m_undo.record(std::move(step));
    return true;
}

bool BookSession::update()
{
    if (!m_mark.isSet())
        return false;
    flattenLineEnds(form);
    const int row = m_mark.row();
    UndoStep step{UndoStep::Kind::Update, "Update \"" + listNameOf(form) + "\"", row, m_store.record(row), form, {}, {}};
    m_store.setRecord(row, form);
    if (m_keepUndoSteps)
        m_undo.record(std::move(step));
    return true;
}

bool BookSession::remove()
{
    if (!m_mark.isSet())
        return false;
    const int row = m_mark.row();
    ContactRecord removed = m_store.record(row);
    UndoStep step{UndoStep::Kind::Delete, "Delete \"" + listNameOf(removed) + "\"", row, std::move(removed), {}, {}, {}};
    m_store.removeRowAt(row);
    if (m_keepUndoSteps)
        m_undo.record(std::move(step));
    return true;
}

bool BookSession::undo()
{
    const UndoneChange change = m_undo.undo(m_store);
    showUndone(change);
    return change.done;
}

bool BookSession::redo()
{
    const UndoneChange change = m_undo.redo(m_store);
    showUndone(change);
    return change.done;
}

void BookSession::showUndone(const UndoneChange& change)
{
    if (!change.done || !m_store.hasRow(change.row))
        return;
    m_mark.set(change.row);
    showRow(change.row);
}

void BookSession::insertImported(std::vector<ContactRecord>&& contacts)
{
    // The readers already leave no line end in a value; the list's own door checks again, so
    // that no reader or command, today's or a later one, can forge a line in the book.
    for (ContactRecord& contact : contacts)
        flattenLineEnds(contact);
    UndoStep step{UndoStep::Kind::Import,
                  "Import (" + std::to_string(contacts.size()) + (contacts.size() == 1 ? " contact)" : " contacts)"),
                  0, {}, {}, {}, {}};
    if (m_keepUndoSteps)
        step.rows = contacts;
    // insertAllAtTop puts the last record on top; the first belongs there.
    std::reverse(contacts.begin(), contacts.end());
    m_store.insertAllAtTop(std::move(contacts));
    if (m_keepUndoSteps)
        m_undo.record(std::move(step));
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
                      [this](std::size_t row, BookRowTexts& texts) {
                          const int at = static_cast<int>(row);
                          m_store.texts(at, texts.texts);
                          texts.windows1252Fields = m_store.windows1252Fields(at);
                      },
                      m_bookEncoding);
}

SaveResult BookSession::save(SaveMode mode)
{
    m_conflictPending = false;
    m_pendingMerge.reset();
    // Running out of memory anywhere in a save (the text of the book, the check of the file on
    // disk, the merge) leaves the book as it was.
    try {
        return writeSafely(mode);
    } catch (const std::bad_alloc&) {
        m_pendingMerge.reset();
        return fail("there is not enough memory to write the book; it is left as it was", {}, mode);
    }
}

BookSession::WriterTurn BookSession::takeWriterTurn()
{
    WriterTurn turn;
    if (m_writerLock.held())
        return turn;
    turn.lock = BookLock::acquire(m_bookPath, kWriterWait, BookLock::Kind::Writer);
    // A folder that takes no lock file says nothing of other writers: the check of the book's
    // bytes below still stands between them.
    turn.busy = turn.lock.state() == BookLock::State::HeldElsewhere;
    return turn;
}

BookLock::State BookSession::holdWriterTurn(std::chrono::milliseconds wait)
{
    m_writerLock = BookLock::acquire(m_bookPath, wait, BookLock::Kind::Writer);
    return m_writerLock.state();
}

SaveResult BookSession::writeSafely(SaveMode mode)
{
    // The list's text first: what may run out of memory fails before anything else is done.
    FormattedBook book = formatList();
    if (!m_refusedBook.empty())
        return fail(m_refusedBook, book.bytes, mode);
    const WriterTurn turn = takeWriterTurn();
    if (turn.busy)
        return fail("another QOR kept the book busy for " + std::to_string(kWriterWait.count() / 1000)
                        + " seconds; nothing was saved, try again",
                    book.bytes, mode);

    if (!stampOnDiskBeforeSave().sameContentAs(m_bookStamp)) {
        // Another window or program changed the book: both sides are merged, or, when the file
        // is no longer a book to merge with, neither is lost unless the user chooses so.
        std::optional<PendingMerge> merge = planMergeWithDisk();
        if (merge && mode == SaveMode::Unattended) {
            book = FormattedBook{};
            return mergeAndWrite(std::move(*merge), mode);
        }
        const std::filesystem::path beside = conflictCopyPath(m_bookPath, localTimeNow());
        if (mode == SaveMode::Unattended)
            return writeBeside(book.bytes, beside);
        SaveResult conflict = SaveResult::of(SaveOutcome::Conflict, {}, beside);
        if (merge) {
            conflict.canMerge = true;
            conflict.account = merge->plan.account;
            conflict.mergeBaseUnknown = merge->baseUnknown;
        }
        m_conflictPending = true;
        m_pendingBeside = beside;
        m_pendingMerge = std::move(merge);
        return conflict;
    }
    return writeOver(book, mode, true);
}

SaveResult BookSession::answerConflict(ConflictChoice choice)
{
    if (!m_conflictPending)
        return SaveResult::of(SaveOutcome::Failed, "no save is waiting for an answer");
    m_conflictPending = false;
    std::optional<PendingMerge> merge = std::move(m_pendingMerge);
    m_pendingMerge.reset();
    try {
        switch (choice) {
        case ConflictChoice::GoBack:
            return SaveResult::of(SaveOutcome::WentBack);
        case ConflictChoice::SaveBeside:
            return writeBeside(formatList().bytes, m_pendingBeside); // the file the question named
        case ConflictChoice::Overwrite:
        case ConflictChoice::Merge:
            break;
        }
        const WriterTurn turn = takeWriterTurn();
        if (turn.busy)
            return SaveResult::of(SaveOutcome::Failed, "another QOR kept the book busy; nothing was saved, try again");
        if (choice == ConflictChoice::Overwrite)
            return writeOver(formatList(), SaveMode::Attended, false);
        // The book may have changed again while the question was open: merge with what is there.
        if (!merge || !stampOnDisk(m_bookPath).sameContentAs(merge->theirsStamp))
            merge = planMergeWithDisk();
        if (!merge)
            return SaveResult::of(SaveOutcome::Failed, pathText(m_bookPath) + " is no longer a book this list can merge with");
        return mergeAndWrite(std::move(*merge), SaveMode::Attended);
    } catch (const std::bad_alloc&) {
        return SaveResult::of(SaveOutcome::Failed, "there is not enough memory to write the book; it is left as it was");
    }
}

SaveResult BookSession::writeOver(const FormattedBook& book, SaveMode mode, bool checked)
{
    SaveResult saved = SaveResult::of(SaveOutcome::Saved);
    if (m_unreadLines > 0) {
        saved = keepBookAsItWas();
        if (saved.outcome == SaveOutcome::Failed)
            return fail(saved.error, book.bytes, mode);
    }
    // For the history, after the write: the book last written needs no reading again.
    const std::optional<std::uint64_t> onDisk =
        checked && m_bookStamp.status == ReadStatus::Read ? std::optional(m_bookStamp.hash) : std::nullopt;
    const BookBefore before = m_keepHistory ? m_history.bookBefore(m_bookPath, onDisk, book.bytes) : BookBefore{};
    const WriteResult written = replaceFileSafely(m_bookPath, book.bytes);
    if (!written.ok)
        return fail(written.error, book.bytes, mode);
    if (m_keepHistory)
        recordInHistory(before, book.bytes, saved);
    m_bookEncoding = book.encoding;
    m_bookStamp = stampOfWritten(book.bytes, m_bookPath);
    m_bookStampFromLoad = false;
    m_unreadLines = 0; // told once; the book now holds only what it says
    return saved;
}

SaveResult BookSession::keepBookAsItWas()
{
    // A file that only looks like a book (a shell profile with one EMAIL= line) or a book
    // with notes of the user's own would lose those lines for good: its bytes go beside it
    // before it is replaced.
    const BookBytes old = readBookFile(m_bookPath);
    if (old.status == ReadStatus::Missing)
        return SaveResult::of(SaveOutcome::Saved);
    if (old.status != ReadStatus::Read)
        return SaveResult::of(SaveOutcome::Failed, "the book as it was could not be kept (" + old.error + ")");
    const std::filesystem::path kept = copyBesidePath(m_bookPath, "before", localTimeNow());
    const WriteResult written = writeNewFile(kept, old.bytes());
    if (!written.ok)
        return SaveResult::of(SaveOutcome::Failed, "the book as it was could not be kept (" + written.error + ")");
    SaveResult saved = SaveResult::of(SaveOutcome::Saved);
    saved.unreadLines = m_unreadLines;
    saved.keptOld = kept;
    return saved;
}

SaveResult BookSession::writeBeside(std::string_view bytes, const std::filesystem::path& beside)
{
    const WriteResult written = writeNewFile(beside, bytes);
    if (written.ok)
        return SaveResult::of(SaveOutcome::SavedBeside, {}, beside);
    // The book's folder takes no new file (read-only, full, gone): the copy must still land
    // somewhere, or a signal while a box is open loses the list.
    std::filesystem::path rescued;
    if (!writeRescueCopy(beside.filename(), bytes, rescued).ok)
        return SaveResult::of(SaveOutcome::Failed, written.error);
    SaveResult result = SaveResult::of(SaveOutcome::SavedBeside, {}, rescued);
    result.rescued = true;
    return result;
}

SaveResult BookSession::fail(const std::string& reason, std::string_view bytes, SaveMode mode)
{
    // Nobody can put it right now: the list goes beside the book rather than nowhere.
    if (mode == SaveMode::Unattended && m_store.rowCount() > 0 && !bytes.empty()) {
        SaveResult beside = writeBeside(bytes, conflictCopyPath(m_bookPath, localTimeNow()));
        if (beside.outcome == SaveOutcome::SavedBeside)
            return beside;
    }
    return SaveResult::of(SaveOutcome::Failed, reason);
}

SaveResult BookSession::saveBeside()
{
    m_conflictPending = false;
    m_pendingMerge.reset();
    try {
        if (m_store.rowCount() == 0)
            return SaveResult::of(SaveOutcome::Failed, "the list is empty");
        return writeBeside(formatList().bytes, conflictCopyPath(m_bookPath, localTimeNow()));
    } catch (const std::bad_alloc&) {
        return SaveResult::of(SaveOutcome::Failed, "there is not enough memory to write the list");
    }
}

} // namespace qor
