// Loading the book into the list when the window opens, and writing the list back.
#include "book_dialog.h"

#include "book_file.h"
#include "book_size_limit.h"
#include "book_text.h"
#include "contact_list_view.h"
#include "contact_table.h"
#include "form_rules.h"
#include "user_messages.h"

#include <new>
#include <optional>

namespace qor {

void BookDialog::loadBook()
{
    readForm();
    setWindowTitle(QStringLiteral("QOR: qor.qor"));

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

bool BookDialog::saveBook()
{
    readForm();
    WriteResult written;
    if (!m_refusedBook.empty()) {
        written.error = m_refusedBook;
    } else try {
        const FormattedBook book = formatBook(
            static_cast<std::size_t>(m_table->rowCount()),
            [this, record = ContactRecord{}](std::size_t row) mutable -> const ContactRecord& {
                m_table->copyRecord(static_cast<int>(row), record);
                return record;
            },
            m_bookEncoding);
        written = replaceFileSafely(m_bookPath, book.bytes);
        if (written.ok)
            m_bookEncoding = book.encoding;
    } catch (const std::bad_alloc&) {
        written = {false, "there is not enough memory to write the book; it is left as it was"};
    }
    if (!written.ok)
        m_messages->saveFailed(this, QString::fromStdString(written.error));
    return written.ok;
}

} // namespace qor
