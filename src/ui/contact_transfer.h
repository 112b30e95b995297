#pragma once

#include "contact_exchange.h"
#include "list_transfer.h"

#include <QString>
#include <filesystem>
#include <string>

namespace qor {

class BookDialog;

// Puts the contacts of `file` on top of the list, the file's first contact at row 0, as Add
// would: they are written by the next Save or close. A file with a fault changes nothing.
TransferOutcome importIntoList(BookDialog& window, const std::filesystem::path& file);

// Writes the whole list, top to bottom, to `file` in `format`, replacing it safely. Refuses
// the book itself.
TransferOutcome exportList(BookDialog& window, const std::filesystem::path& file, ExchangeFormat format);

// The file dialogs' filters, and the format a chosen filter or file name gives.
inline constexpr const char* kVCardFilter = "vCard (*.vcf)";
inline constexpr const char* kCsvFilter = "CSV (*.csv)";
ExchangeFormat exportFormatFor(const QString& fileName, const QString& filter);

// The menu commands: a file dialog, the transfer, and a box for a fault or for what found no
// field.
void importCommand(BookDialog& window);
void exportCommand(BookDialog& window);

} // namespace qor
