// The window's Import... and Export... commands: file dialogs around the core's readers and
// writers.
#include "contact_transfer.h"

#include "book_dialog.h"
#include "book_file.h"
#include "contact_table.h"

#include <QFileDialog>
#include <QMessageBox>
#include <algorithm>
#include <system_error>

namespace qor {

namespace {

std::filesystem::path pathOf(const QString& fileName) { return std::filesystem::path(fileName.toStdU16String()); }

QString fileNameOf(const std::filesystem::path& path) { return QString::fromStdU16String(path.u16string()); }

// The path as UTF-8, for a message (path::string() may fail on Windows).
std::string shown(const std::filesystem::path& path) { return fileNameOf(path).toStdString(); }

} // namespace

TransferOutcome importIntoList(BookDialog& window, const std::filesystem::path& file)
{
    TransferOutcome outcome;
    const BookBytes bytes = readBookFile(file);
    if (bytes.status != ReadStatus::Read) {
        outcome.message = bytes.status == ReadStatus::Missing ? shown(file) + ": no such file" : bytes.error;
        return outcome;
    }
    ImportResult imported = importContacts(bytes.bytes());
    if (!imported.ok) {
        outcome.message = shown(file.filename()) + ", line " + std::to_string(imported.errorLine) + ": "
            + imported.error + ". Nothing was imported.";
        return outcome;
    }
    window.readForm();
    outcome.ok = true;
    outcome.count = imported.contacts.size();
    outcome.message = imported.unplaced.describe();
    // insertAllAtTop puts the last record on top; the file's first contact belongs there.
    std::reverse(imported.contacts.begin(), imported.contacts.end());
    window.table().insertAllAtTop(std::move(imported.contacts));
    window.autosizeColumns();
    window.showForm();
    return outcome;
}

TransferOutcome exportList(BookDialog& window, const std::filesystem::path& file, ExchangeFormat format)
{
    TransferOutcome outcome;
    std::error_code ec;
    if (std::filesystem::equivalent(file, window.bookPath(), ec) && !ec) {
        outcome.message = shown(file) + " is the book itself; export to another file.";
        return outcome;
    }
    const ContactTable& table = window.table();
    ContactRecord record;
    const ContactRows rows{static_cast<std::size_t>(table.rowCount()),
                           [&table, &record](std::size_t i) -> const ContactRecord& {
                               table.copyRecord(static_cast<int>(i), record);
                               return record;
                           }};
    const WriteResult written = replaceFileSafely(file, exportContacts(rows, format));
    outcome.ok = written.ok;
    outcome.count = rows.count;
    outcome.message = written.error;
    return outcome;
}

ExchangeFormat exportFormatFor(const QString& fileName, const QString& filter)
{
    if (const auto byName = formatForFileName(fileName.toStdString()))
        return *byName;
    return filter == QLatin1String(kCsvFilter) ? ExchangeFormat::QorCsv : ExchangeFormat::VCard4;
}

void importCommand(BookDialog& window)
{
    const QString filters = QStringLiteral("%1;;%2").arg(QLatin1String(kVCardFilter), QLatin1String(kCsvFilter));
    const QString fileName = QFileDialog::getOpenFileName(&window, QStringLiteral("Import"), QString(), filters);
    if (fileName.isEmpty())
        return;
    const TransferOutcome outcome = importIntoList(window, pathOf(fileName));
    if (!outcome.ok)
        QMessageBox::warning(&window, QStringLiteral("Import"), QString::fromStdString(outcome.message));
    else if (!outcome.message.empty())
        QMessageBox::information(&window, QStringLiteral("Import"),
                                 QStringLiteral("Imported %1 contacts. %2.")
                                     .arg(outcome.count)
                                     .arg(QString::fromStdString(outcome.message)));
}

void exportCommand(BookDialog& window)
{
    const QString filters = QStringLiteral("%1;;%2").arg(QLatin1String(kVCardFilter), QLatin1String(kCsvFilter));
    QString filter;
    QString fileName = QFileDialog::getSaveFileName(&window, QStringLiteral("Export"), QString(), filters, &filter);
    if (fileName.isEmpty())
        return;
    if (!formatForFileName(fileName.toStdString()))
        fileName += filter == QLatin1String(kCsvFilter) ? QStringLiteral(".csv") : QStringLiteral(".vcf");
    const TransferOutcome outcome = exportList(window, pathOf(fileName), exportFormatFor(fileName, filter));
    if (!outcome.ok)
        QMessageBox::warning(&window, QStringLiteral("Export"),
                             QStringLiteral("%1 could not be written.\n%2")
                                 .arg(fileNameOf(pathOf(fileName).filename()), QString::fromStdString(outcome.message)));
}

} // namespace qor
