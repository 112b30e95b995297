#include "list_transfer.h"

#include "book_file.h"
#include "book_session.h"
#include "book_size_limit.h"
#include "known_contacts.h"

#include <new>
#include <system_error>

namespace qor {

std::string pathText(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

ImportReading readImportFile(const std::filesystem::path& file)
{
    ImportReading reading;
    TransferOutcome& outcome = reading.outcome;
    // A file too big for this machine is refused from its size, before it is read: reading
    // it would run out of memory.
    const BookBytes bytes = readFileWithin(file, largestReadableBook());
    if (bytes.status != ReadStatus::Read) {
        if (bytes.status == ReadStatus::Missing)
            outcome.message = pathText(file) + ": no such file";
        else if (bytes.status == ReadStatus::TooBig)
            outcome.message = pathText(file.filename()) + " is too big to import (" + bytes.error
                + "). Nothing was imported.";
        else
            outcome.message = bytes.error;
        return reading;
    }
    try {
        ImportResult imported = importContacts(bytes.bytes());
        if (!imported.ok) {
            outcome.message = pathText(file.filename()) + ", line " + std::to_string(imported.errorLine) + ": "
                + imported.error + ". Nothing was imported.";
            return reading;
        }
        outcome.message = importMessage(imported);
        for (const UnplacedAccount::Entry& e : imported.undecoded.entries())
            outcome.undecoded += e.count;
        outcome.count = imported.contacts.size();
        reading.contacts = std::move(imported.contacts);
        outcome.ok = true;
    } catch (const std::bad_alloc&) {
        reading = ImportReading{};
        reading.outcome.message = tooBigToImport(file);
    }
    return reading;
}

std::size_t dropContactsInList(const ContactStore& store, std::vector<ContactRecord>& contacts)
{
    return removeContactsInBook(contacts, static_cast<std::size_t>(store.rowCount()),
                                [&store](std::size_t row, ContactTexts& texts) {
                                    store.texts(static_cast<int>(row), texts);
                                });
}

std::string tooBigToImport(const std::filesystem::path& file)
{
    return pathText(file.filename()) + " is too big to import with the memory this computer has. Nothing was imported.";
}

TransferOutcome putImportInList(BookSession& session, ImportReading&& reading, const std::filesystem::path& file)
{
    if (!reading.outcome.ok)
        return reading.outcome;
    TransferOutcome& read = reading.outcome;
    try {
        read.alreadyInBook = dropContactsInList(session.store(), reading.contacts);
        if (read.alreadyInBook > 0) {
            read.count = reading.contacts.size();
            read.message = std::to_string(read.alreadyInBook)
                + (read.alreadyInBook == 1 ? " contact was" : " contacts were") + " already in the book"
                + (read.message.empty() ? "" : "; " + read.message);
        }
        session.insertImported(std::move(reading.contacts)); // the last that may fail
    } catch (const std::bad_alloc&) {
        // Contacts that were read but do not fit in the list as well: the list is as it was.
        TransferOutcome outcome;
        outcome.message = tooBigToImport(file);
        return outcome;
    }
    return reading.outcome;
}

TransferOutcome importIntoList(BookSession& session, const std::filesystem::path& file)
{
    return putImportInList(session, readImportFile(file), file);
}

TransferOutcome exportList(const BookSession& session, const std::filesystem::path& file, ExchangeFormat format)
{
    TransferOutcome outcome;
    std::error_code ec;
    if (std::filesystem::equivalent(file, session.bookPath(), ec) && !ec) {
        outcome.message = pathText(file) + " is the book itself; export to another file.";
        return outcome;
    }
    const WriteResult written = replaceFileSafely(file, exportList(session.store(), format));
    outcome.ok = written.ok;
    outcome.count = static_cast<std::size_t>(session.store().rowCount());
    outcome.message = written.error;
    return outcome;
}

std::string exportList(const ContactStore& store, ExchangeFormat format)
{
    ContactRows rows{static_cast<std::size_t>(store.rowCount()),
                     [&store, record = ContactRecord{}](std::size_t i) mutable -> const ContactRecord& {
                         store.copyRecord(static_cast<int>(i), record);
                         return record;
                     },
                     0};
    for (int row = 0; row < store.rowCount(); ++row)
        for (std::size_t c = 0; c < kFieldCount; ++c)
            *rows.textBytes += store.text(row, c).size();
    return exportContacts(rows, format);
}

} // namespace qor
