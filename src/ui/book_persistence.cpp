// Loading the book into the list when the window opens, and writing the list back.
#include "book_dialog.h"

#include "book_file.h"
#include "book_location.h"
#include "book_stamp.h"
#include "book_size_limit.h"
#include "book_text.h"
#include "contact_list_view.h"
#include "contact_table.h"
#include "form_rules.h"
#include "user_messages.h"

#include <QDateTime>
#include <QScopedValueRollback>
#include <new>
#include <optional>

namespace qor {

void BookDialog::loadBook()
{
    readForm();
    setWindowTitle(QStringLiteral("QOR: ") + QString::fromStdU16String(m_bookPath.filename().u16string()));

    // Each record reaches its row as the form's exchange reads it back.
    const ContactRecord initial = formRecord;
    bool overLong = false;
    const auto stage = [&](std::string_view bytes) {
        return readBookRecords(bytes, initial, [this, &overLong](ContactRecord& record) {
            overLong = passThroughForm(record).has_value() || overLong;
            m_table->stageAtTop(record);
        });
    };
    std::optional<BookRefusal> refusal;
    std::string reason;
    bool staged = false;
    {
        const BookBytes file = readBookFileWithin(m_bookPath, largestReadableBook());
        m_bookStamp = stampOf(file, m_bookPath);
        reason = file.error;
        if (file.status == ReadStatus::Unreadable)
            refusal = BookRefusal::Unreadable;
        else if (file.status == ReadStatus::TooBig)
            refusal = BookRefusal::TooBig;
        if (file.status == ReadStatus::Read) {
            try {
                const BookReading reading = stage(file.bytes());
                staged = true;
                m_bookEncoding = reading.encoding;
                if (!reading.isBook)
                    refusal = BookRefusal::NotABook;
            } catch (const std::bad_alloc&) {
                m_table->discardStaged();
                overLong = false;
                refusal = BookRefusal::TooBig;
                reason = "there was not enough memory to read it";
            }
        }
    }
    // A book that could not be read opens as a missing one: one contact, the form's.
    if (!staged)
        stage({});
    m_table->insertStagedAtTop();
    autosizeColumns();
    showContact(0);
    showForm();

    // A book that is there but was not read whole must not be replaced by what little was read.
    const QString fileName = QString::fromStdString(m_bookPath.filename().string());
    if (refusal) {
        m_refusedBook = fileName.toStdString() + " was left unchanged when the window opened ("
            + (*refusal == BookRefusal::NotABook ? std::string("not a QOR contact book") : reason) + ")";
        m_messages->bookRefused(this, *refusal, fileName, QString::fromStdString(reason));
    }
    // However many fields are over the limit, the user is told once.
    if (overLong)
        m_messages->fieldTooLong(this);
}

namespace {

std::tm localNow()
{
    const QDateTime now = QDateTime::currentDateTime();
    std::tm t{};
    t.tm_year = now.date().year() - 1900;
    t.tm_mon = now.date().month() - 1;
    t.tm_mday = now.date().day();
    t.tm_hour = now.time().hour();
    t.tm_min = now.time().minute();
    t.tm_sec = now.time().second();
    return t;
}

QString nameOf(const std::filesystem::path& path) { return QString::fromStdString(path.filename().string()); }

} // namespace

BookDialog::SaveOutcome BookDialog::saveBook()
{
    const QScopedValueRollback saving(m_saving, true);
    // Running out of memory anywhere in a save (the text of the book, the check of the file on
    // disk) leaves the book as it was and the window open.
    try {
        return writeBook();
    } catch (const std::bad_alloc&) {
        return failSave("there is not enough memory to write the book; it is left as it was", {});
    }
}

BookDialog::SaveOutcome BookDialog::writeBook()
{
    // An unattended save writes the list as it stands; reading the form could bring up a box.
    if (!m_unattended)
        readForm();
    const FormattedBook book = formatBook(
        static_cast<std::size_t>(m_table->rowCount()),
        [this, record = ContactRecord{}](std::size_t row) mutable -> const ContactRecord& {
            m_table->copyRecord(static_cast<int>(row), record);
            return record;
        },
        m_bookEncoding);
    if (!m_refusedBook.empty())
        return failSave(m_refusedBook, book.bytes);

    if (!stampOnDisk(m_bookPath).sameContentAs(m_bookStamp)) {
        // Another window or program changed the book: neither side is lost unless the user
        // chooses so, and nobody is there to choose in an unattended end.
        const std::filesystem::path beside = conflictCopyPath(m_bookPath, localNow());
        ConflictChoice choice = ConflictChoice::SaveBeside;
        if (!m_unattended)
            choice = m_messages->bookChanged(this, nameOf(beside));
        if (m_unattended) // the end came while the box was open
            choice = ConflictChoice::SaveBeside;
        if (choice == ConflictChoice::GoBack)
            return SaveOutcome::WentBack;
        if (choice == ConflictChoice::SaveBeside)
            return saveBeside(book.bytes, beside); // the file the box named
    }

    const WriteResult written = replaceFileSafely(m_bookPath, book.bytes);
    if (!written.ok)
        return failSave(written.error, book.bytes);
    m_bookEncoding = book.encoding;
    m_bookStamp = stampOfWritten(book.bytes, m_bookPath);
    return SaveOutcome::Saved;
}

BookDialog::SaveOutcome BookDialog::saveBeside(std::string_view bytes, const std::filesystem::path& beside)
{
    const WriteResult written = writeNewFile(beside, bytes);
    if (written.ok)
        return SaveOutcome::SavedBeside;
    if (!m_unattended)
        m_messages->saveFailed(this, QString::fromStdString(written.error));
    return SaveOutcome::Failed;
}

BookDialog::SaveOutcome BookDialog::failSave(const std::string& reason, std::string_view bytes)
{
    if (!m_unattended)
        m_messages->saveFailed(this, QString::fromStdString(reason));
    // Nobody can put it right now: the list goes beside the book rather than nowhere.
    if (m_unattended && m_table->rowCount() > 0 && !bytes.empty()
        && saveBeside(bytes, conflictCopyPath(m_bookPath, localNow())) == SaveOutcome::SavedBeside)
        return SaveOutcome::SavedBeside;
    return SaveOutcome::Failed;
}

} // namespace qor
