// The window's Import... and Export... commands: file dialogs around the core's readers and
// writers.
#include "contact_transfer.h"

#include "book_dialog.h"
#include "message_box.h"

#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>
#include <QProgressDialog>
#include <QThread>
#include <array>
#include <memory>

namespace qor {

namespace {

std::filesystem::path pathOf(const QString& fileName) { return std::filesystem::path(fileName.toStdU16String()); }

QString fileNameOf(const std::filesystem::path& path) { return QString::fromStdU16String(path.u16string()); }

// How long an import runs before it shows its progress: a small file shows none.
constexpr int kImportProgressDelayMs = 400;
// The most of an import's account a box shows.
constexpr qsizetype kLongestShownAccount = 2000;

constexpr std::array<ExportChoice, 6> kExportChoices{{
    {ExchangeFormat::VCard4, "vCard 4.0 (*.vcf)", "vcf"},
    {ExchangeFormat::VCard3, "vCard 3.0 (*.vcf)", "vcf"},
    {ExchangeFormat::QorCsv, "QOR CSV (*.csv)", "csv"},
    {ExchangeFormat::GoogleCsv, "Google CSV (*.csv)", "csv"},
    {ExchangeFormat::OutlookCsv, "Outlook CSV (*.csv)", "csv"},
    {ExchangeFormat::ICalendar, "Calendar of birthdays and anniversaries (*.ics)", "ics"},
}};

// The choice whose filter is `filter`; vCard 4.0 for any other.
const ExportChoice& choiceOf(const QString& filter)
{
    for (const ExportChoice& choice : kExportChoices)
        if (filter == QLatin1String(choice.filter))
            return choice;
    return kExportChoices.front();
}

ExportTarget chooseWithDialog(BookDialog& window)
{
    const std::unique_ptr<QFileDialog> dialog = makeExportDialog(window);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return {};
    return {dialog->selectedFiles().first(), dialog->selectedNameFilter()};
}

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

std::span<const ExportChoice> exportChoices() { return kExportChoices; }

ExchangeFormat exportFormatFor(const QString& fileName, const QString& filter)
{
    const ExportChoice& chosen = choiceOf(filter);
    const auto byName = formatForFileName(fileName.toStdString());
    if (!byName || QFileInfo(fileName).suffix().compare(QLatin1String(chosen.suffix), Qt::CaseInsensitive) == 0)
        return chosen.format;
    return *byName;
}

std::unique_ptr<QFileDialog> makeExportDialog(BookDialog& window)
{
    auto dialog = std::make_unique<QFileDialog>(&window, QStringLiteral("Export"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    QStringList filters;
    for (const ExportChoice& choice : kExportChoices)
        filters << QLatin1String(choice.filter);
    dialog->setNameFilters(filters);
    const QFileInfo book(fileNameOf(window.bookPath()));
    dialog->setDirectory(book.absolutePath());
    QFileDialog* shown = dialog.get();
    const auto propose = [shown, base = book.completeBaseName()](const QString& filter) {
        const QString suffix = QLatin1String(choiceOf(filter).suffix);
        shown->setDefaultSuffix(suffix);
        // The name typed so far, or the book's, with the format's suffix. With no name typed
        // the dialog's selection is its folder.
        const QFileInfo typed(shown->selectedFiles().value(0));
        const QString name = typed.isDir() || typed.completeBaseName().isEmpty() ? base : typed.completeBaseName();
        shown->selectFile(name + QLatin1Char('.') + suffix);
    };
    QObject::connect(shown, &QFileDialog::filterSelected, shown, propose);
    dialog->selectNameFilter(filters.first());
    propose(filters.first());
    useWindowFont(*dialog, &window);
    return dialog;
}

QString exportedText(std::size_t contacts, const QString& fileName)
{
    return QStringLiteral("Wrote %1 %2 to %3")
        .arg(QLocale(QLocale::English).toString(qulonglong(contacts)),
             contacts == 1 ? QStringLiteral("contact") : QStringLiteral("contacts"),
             QDir::toNativeSeparators(fileName));
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
    const QString title = QStringLiteral("Import");
    if (!outcome.ok)
        tellInBox(&window, QMessageBox::Warning, message, {}, title);
    else if (!message.isEmpty())
        tellInBox(&window, QMessageBox::Information,
                  QStringLiteral("Imported %1 contacts. %2.").arg(outcome.count).arg(message), {}, title);
}

void exportCommand(BookDialog& window, const ExportFileChooser& choose)
{
    const ExportTarget target = choose ? choose(window) : chooseWithDialog(window);
    if (target.fileName.isEmpty())
        return;
    QString fileName = target.fileName;
    if (!formatForFileName(fileName.toStdString()))
        fileName += QLatin1Char('.') + QLatin1String(choiceOf(target.filter).suffix);
    const TransferOutcome outcome = exportList(window, pathOf(fileName), exportFormatFor(fileName, target.filter));
    const QString title = QStringLiteral("Export");
    if (!outcome.ok)
        tellInBox(&window, QMessageBox::Warning,
                  QStringLiteral("%1 could not be written.\n%2")
                      .arg(fileNameOf(pathOf(fileName).filename()), QString::fromStdString(outcome.message)),
                  {}, title);
    else
        tellInBox(&window, QMessageBox::Information, exportedText(outcome.count, fileName), {}, title);
}

} // namespace qor
