#pragma once

#include "contact_exchange.h"

#include <filesystem>
#include <string>
#include <vector>

namespace qor {

class BookSession;
class ContactStore;

// What an import into the list or an export of it did, for the front end to report.
struct TransferOutcome {
    bool ok = false;
    std::size_t count = 0;         // contacts imported or exported
    std::string message;           // the fault, or what was left out (see importMessage)
    std::size_t undecoded = 0;     // imported values whose charset was not decoded (kept as bytes)
    std::size_t alreadyInBook = 0; // contacts of the file the list held already, not imported
};

// Puts the contacts of `file` on top of the list, the file's first contact at row 0, as one
// change (undone as one): they are written by the next save, and no value holds a line end
// (each became a space). A contact equal in all 34 fields to one the list holds is not put in
// again, and counted ("3 contacts were already in the book"). A file with a fault, one too big
// for this machine, or contacts that do not fit in its memory change nothing.
TransferOutcome importIntoList(BookSession& session, const std::filesystem::path& file);

// The same in two halves, so that a front end can read a big file on a thread of its own and
// keep its window alive (and cancel): what reading the file found, which touches no list...
struct ImportReading {
    TransferOutcome outcome; // ok, count and the account, or the fault
    std::vector<ContactRecord> contacts;
};
ImportReading readImportFile(const std::filesystem::path& file);
// ...and putting it on top of the list (`file` names it in a message).
TransferOutcome putImportInList(BookSession& session, ImportReading&& reading, const std::filesystem::path& file);

// Takes out of `contacts` every contact equal in all 34 fields to one of the list, and says how
// many: importing a file twice does not double the book.
std::size_t dropContactsInList(const ContactStore& store, std::vector<ContactRecord>& contacts);

// The message for a file whose contacts do not fit in this machine's memory.
std::string tooBigToImport(const std::filesystem::path& file);

// Writes the whole list, top to bottom, to `file` in `format`, replacing it safely. Refuses
// the book itself.
TransferOutcome exportList(const BookSession& session, const std::filesystem::path& file, ExchangeFormat format);
// The text of that export. The rows are copied one at a time into one record, so the list is
// never held a second time as separate strings (a hundred thousand contacts are 3.4 million).
std::string exportList(const ContactStore& store, ExchangeFormat format);

// A path as UTF-8, for a message.
std::string pathText(const std::filesystem::path& path);

} // namespace qor
