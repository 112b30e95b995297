#include "book_export.h"

#include "book_session.h"
#include "list_transfer.h"

namespace qor {

BookExport exportBook(const std::filesystem::path& book, ExchangeFormat format)
{
    BookExport result;
    BookSession session(book);
    session.keepUndoSteps(false);
    const LoadReport loaded = session.load();
    if (loaded.missing)
        return result;
    if (loaded.refusal) {
        result.status = ReadStatus::Unreadable;
        result.error = *loaded.refusal == BookRefusal::NotABook
            ? pathText(book) + " is not a QOR contact book; it is left unchanged"
            : loaded.reason;
        return result;
    }
    result.status = ReadStatus::Read;
    result.text = exportList(session.store(), format);
    result.contacts = static_cast<std::size_t>(session.store().rowCount());
    return result;
}

} // namespace qor
