// The window's Import... and Export... commands: file dialogs around the core's readers and
// writers.
#include "contact_transfer.h"

#include "book_dialog.h"

#include <QFileDialog>
#include <QMessageBox>

namespace qor {

namespace {

std::filesystem::path pathOf(const QString& fileName) { return std::filesystem::path(fileName.toStdU16String()); }

QString fileNameOf(const std::filesystem::path& path) { return QString::fromStdU16String(path.u16string()); }

} // namespace

TransferOutcome importIntoList(BookDialog& window, const std::filesystem::path& file)
{
    window.readForm();
    const TransferOutcome outcome = importIntoList(window.session(), file);
    if (outcome.ok) {
        window.autosizeColumns();
        window.showForm();
    }
    return outcome;
}

TransferOutcome exportList(BookDialog& window, const std::filesystem::path& file, ExchangeFormat format)
{
    return exportList(window.session(), file, format);
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
