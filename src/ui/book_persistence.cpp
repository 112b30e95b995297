// Loading the book into the list when the window opens, and writing the list back.
#include "book_dialog.h"

#include "book_file.h"
#include "book_text.h"
#include "contact_list_view.h"
#include "contact_table.h"
#include "form_rules.h"
#include "user_messages.h"

namespace qor {

void BookDialog::loadBook()
{
    readForm();
    setWindowTitle(QStringLiteral("QOR: ") + QString::fromStdU16String(m_bookPath.filename().u16string()));

    // Each record reaches its row as the form's exchange reads it back; a record with a field
    // over the limit brings the length message once.
    int overLong = 0;
    {
        const BookBytes file = readBookFile(m_bookPath);
        // A book that is there but could not be read whole must not be replaced by what little
        // was read: saving refuses until the window is opened on a readable book.
        m_bookUnreadable = file.status == ReadStatus::Unreadable;
        const std::string_view bytes = file.status == ReadStatus::Read ? file.bytes() : std::string_view();
        m_bookEncoding = readBookRecords(bytes, formRecord, [this, &overLong](ContactRecord& record) {
            overLong += passThroughForm(record).has_value();
            m_table->stageAtTop(record);
        });
    }
    m_table->insertStagedAtTop();
    autosizeColumns();
    showContact(0);
    showForm();
    for (int i = 0; i < overLong; ++i)
        m_messages->fieldTooLong(this);
}

bool BookDialog::saveBook()
{
    readForm();
    WriteResult written;
    if (m_bookUnreadable) {
        written.error = "the book could not be read when the window opened, so it is not replaced";
    } else {
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
    }
    if (!written.ok)
        m_messages->saveFailed(this, QString::fromStdString(written.error));
    return written.ok;
}

} // namespace qor
