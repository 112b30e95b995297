// The window's Import... and Export... commands: file dialogs around the core's readers and
// writers.
#include "contact_transfer.h"

#include "book_dialog.h"

#include <QEventLoop>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <QThread>
#include <memory>

namespace qor {

namespace {

std::filesystem::path pathOf(const QString& fileName) { return std::filesystem::path(fileName.toStdU16String()); }

QString fileNameOf(const std::filesystem::path& path) { return QString::fromStdU16String(path.u16string()); }

// How long an import runs before it shows its progress: a small file shows none.
constexpr int kImportProgressDelayMs = 400;
// The most of an import's account a box shows.
constexpr qsizetype kLongestShownAccount = 2000;

} // namespace

TransferOutcome importIntoList(BookDialog& window, const std::filesystem::path& file)
{
    window.readForm();
    // The file is read on a thread of its own, which touches no list: a big file neither
    // freezes the window nor keeps a signal from saving the list, and Cancel leaves the list
    // as it was. The thread's result is shared, so a cancelled reading may finish on its own.
    auto reading = std::make_shared<ImportReading>();
    QThread* reader = QThread::create([reading, file] { *reading = readImportFile(file); });
    QProgressDialog progress(QStringLiteral("Importing %1...").arg(fileNameOf(file.filename())),
                             QStringLiteral("Cancel"), 0, 0, &window);
    progress.setObjectName(QStringLiteral("importProgress"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(kImportProgressDelayMs);
    QEventLoop loop;
    QObject::connect(reader, &QThread::finished, &loop, &QEventLoop::quit);
    QObject::connect(&progress, &QProgressDialog::canceled, &loop, &QEventLoop::quit);
    QObject::connect(&progress, &QDialog::rejected, &loop, &QEventLoop::quit);
    QObject::connect(&window, &QDialog::finished, &loop, &QEventLoop::quit); // a signal ended it
    reader->start();
    loop.exec();
    if (!reader->isFinished() || window.hasEndedUnattended()) {
        QObject::connect(reader, &QThread::finished, reader, &QObject::deleteLater);
        if (reader->isFinished())
            reader->deleteLater();
        TransferOutcome cancelled;
        cancelled.message = "The import was cancelled. Nothing was imported.";
        return cancelled;
    }
    reader->wait();
    delete reader;
    progress.reset();
    const TransferOutcome outcome = putImportInList(window.session(), std::move(*reading), file);
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
    if (window.hasEndedUnattended())
        return; // a signal ended the window while the file was read: nobody is there to tell
    // The account of what found no field can name a million kinds; a box shows its beginning.
    QString message = QString::fromStdString(outcome.message);
    if (message.size() > kLongestShownAccount)
        message = message.left(kLongestShownAccount) + QStringLiteral("...");
    if (!outcome.ok)
        QMessageBox::warning(&window, QStringLiteral("Import"), message);
    else if (!message.isEmpty())
        QMessageBox::information(&window, QStringLiteral("Import"),
                                 QStringLiteral("Imported %1 contacts. %2.").arg(outcome.count).arg(message));
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
