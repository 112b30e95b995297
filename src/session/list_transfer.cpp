#include "list_transfer.h"

#include "book_file.h"
#include "book_session.h"

#include <system_error>

namespace qor {

std::string pathText(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

TransferOutcome importIntoList(BookSession& session, const std::filesystem::path& file)
{
    TransferOutcome outcome;
    const BookBytes bytes = readBookFile(file);
    if (bytes.status != ReadStatus::Read) {
        outcome.message = bytes.status == ReadStatus::Missing ? pathText(file) + ": no such file" : bytes.error;
        return outcome;
    }
    ImportResult imported = importContacts(bytes.bytes());
    if (!imported.ok) {
        outcome.message = pathText(file.filename()) + ", line " + std::to_string(imported.errorLine) + ": "
            + imported.error + ". Nothing was imported.";
        return outcome;
    }
    outcome.ok = true;
    outcome.count = imported.contacts.size();
    outcome.message = imported.unplaced.describe();
    session.insertImported(std::move(imported.contacts));
    return outcome;
}

TransferOutcome exportList(const BookSession& session, const std::filesystem::path& file, ExchangeFormat format)
{
    TransferOutcome outcome;
    std::error_code ec;
    if (std::filesystem::equivalent(file, session.bookPath(), ec) && !ec) {
        outcome.message = pathText(file) + " is the book itself; export to another file.";
        return outcome;
    }
    const ContactStore& store = session.store();
    ContactRecord record;
    const ContactRows rows{static_cast<std::size_t>(store.rowCount()),
                           [&store, &record](std::size_t i) -> const ContactRecord& {
                               store.copyRecord(static_cast<int>(i), record);
                               return record;
                           }};
    const WriteResult written = replaceFileSafely(file, exportContacts(rows, format));
    outcome.ok = written.ok;
    outcome.count = rows.count;
    outcome.message = written.error;
    return outcome;
}

} // namespace qor
