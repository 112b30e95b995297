#pragma once

#include "contact_exchange.h"

#include <filesystem>
#include <string>

namespace qor {

class BookSession;

// What an import into the list or an export of it did, for the front end to report.
struct TransferOutcome {
    bool ok = false;
    std::size_t count = 0; // contacts imported or exported
    std::string message;   // the fault, or what found no field
};

// Puts the contacts of `file` on top of the list, the file's first contact at row 0, as Add
// would: they are written by the next save, and no value holds a line end (each became a
// space). A file with a fault changes nothing.
TransferOutcome importIntoList(BookSession& session, const std::filesystem::path& file);

// Writes the whole list, top to bottom, to `file` in `format`, replacing it safely. Refuses
// the book itself.
TransferOutcome exportList(const BookSession& session, const std::filesystem::path& file, ExchangeFormat format);

// A path as UTF-8, for a message.
std::string pathText(const std::filesystem::path& path);

} // namespace qor
