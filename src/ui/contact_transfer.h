#pragma once

#include "contact_exchange.h"
#include "list_transfer.h"

#include <QString>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>

class QFileDialog;

namespace qor {

class BookDialog;

// Puts the contacts of `file` on top of the list, the file's first contact at row 0, as Add
// would: they are written by the next Save or close. A file with a fault changes nothing.
TransferOutcome importIntoList(BookDialog& window, const std::filesystem::path& file);

// Writes the whole list, top to bottom, to `file` in `format`, replacing it safely. Refuses
// the book itself.
TransferOutcome exportList(BookDialog& window, const std::filesystem::path& file, ExchangeFormat format);

// The Import dialog's filters: the reader tells the kind of file from its content.
inline constexpr const char* kVCardFilter = "vCard (*.vcf)";
inline constexpr const char* kCsvFilter = "CSV (*.csv)";

// A format Export offers: its file dialog's filter and the suffix of its files.
struct ExportChoice {
    ExchangeFormat format;
    const char* filter;
    const char* suffix;
};
// Every format the list can be written in, vCard 4.0 first.
std::span<const ExportChoice> exportChoices();
// The format of an export to `fileName` with `filter` chosen: the filter's, unless the name's
// suffix asks for another kind of file (".csv" with a vCard filter gives QOR CSV).
ExchangeFormat exportFormatFor(const QString& fileName, const QString& filter);

// Export's file dialog: offers every format and proposes the book's name with the chosen
// format's suffix ("qor.vcf") in the book's folder; choosing another format changes the suffix.
std::unique_ptr<QFileDialog> makeExportDialog(BookDialog& window);

// What Export tells once it wrote the file: "Wrote 1,234 contacts to /home/ann/qor.vcf".
QString exportedText(std::size_t contacts, const QString& fileName);

// The file and filter chosen in Export's file dialog; no file when the user cancelled.
struct ExportTarget {
    QString fileName;
    QString filter;
};
using ExportFileChooser = std::function<ExportTarget(BookDialog& window)>;

// The menu commands: a file dialog, the transfer, and a box for a fault, for what found no
// field, or for what was written. Tests give Export a chooser instead of its file dialog.
void importCommand(BookDialog& window);
void exportCommand(BookDialog& window, const ExportFileChooser& choose = {});

} // namespace qor
