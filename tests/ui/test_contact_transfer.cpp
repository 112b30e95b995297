// Import... and Export... in the window: contacts on top of the list like Add, the whole list
// out, faults (a damaged file, one too big for this machine) leaving everything as it was.
#include "book_size_limit.h"
#include "contact_table.h"
#include "contact_transfer.h"
#include "window_harness.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QTest>
#include <filesystem>
#include <fstream>

using namespace qor;
using namespace qor::test;
using F = ContactField;

namespace {

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string besideBook(WindowHarness& h, const char* name)
{
    return (std::filesystem::path(h.bookPath()).parent_path() / name).string();
}

QStringList surnames(const ContactTable& table)
{
    QStringList names;
    for (int r = 0; r < table.rowCount(); ++r)
        names << QString::fromStdString(table.record(r)[F::SURNAME]);
    return names;
}

const std::string kTwoCards = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:First;;;;\r\nURL:http://x\r\nEND:VCARD\r\n"
                              "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Second;;;;\r\nEND:VCARD\r\n";

} // namespace

class ContactTransferTest : public QObject {
    Q_OBJECT
private slots:
    void import_putsTheFilesContactsOnTopInFileOrder_andTheNextSaveWritesThem()
    {
        WindowHarness h(bookOf({"Old1", "Old2"}));
        const std::string before = h.readBook();
        const std::string cards = besideBook(h, "in.vcf");
        writeFile(cards, kTwoCards);

        const TransferOutcome outcome = importIntoList(h.window(), cards);
        QVERIFY(outcome.ok);
        QCOMPARE(outcome.count, std::size_t(2));
        QCOMPARE(QString::fromStdString(outcome.message), QStringLiteral("1 URL was not imported"));
        QCOMPARE(surnames(h.window().table()),
                 QStringList({QStringLiteral("First"), QStringLiteral("Second"), QStringLiteral("Old2"),
                              QStringLiteral("Old1")}));
        QCOMPARE(h.readBook(), before); // like Add: written by the next Save

        h.clickButton(1029);
        QCOMPARE(h.readBook(), bookOf({"First", "Second", "Old2", "Old1"}));
    }

    void import_ofADamagedFile_leavesTheListAndFormAsTheyWere()
    {
        WindowHarness h(bookOf({"Keep"}));
        h.put(F::FIRSTNAME, QStringLiteral("typed"));
        const std::string cards = besideBook(h, "bad.vcf");
        writeFile(cards, "BEGIN:VCARD\r\nN:A;;;;\r\nEND:VCARD\r\nBEGIN:VCARD\r\nN:B;;;;\r\n");

        const TransferOutcome outcome = importIntoList(h.window(), cards);
        QVERIFY(!outcome.ok);
        QVERIFY2(outcome.message.find("bad.vcf, line 4") != std::string::npos, outcome.message.c_str());
        QCOMPARE(surnames(h.window().table()), QStringList({QStringLiteral("Keep")}));
        QCOMPARE(h.shown(F::FIRSTNAME), QStringLiteral("typed"));

        QVERIFY(!importIntoList(h.window(), besideBook(h, "missing.vcf")).ok);
        QCOMPARE(h.window().table().rowCount(), 1);

        // A file too big for this machine (a hole, so the disk holds none of it) is refused from
        // its size, before it is read: reading it once ran out of memory and ended the window.
        const std::string big = besideBook(h, "big.vcf");
        writeFile(big, "BEGIN:VCARD\r\n");
        std::filesystem::resize_file(big, largestReadableBook() + 1);
        QElapsedTimer clock;
        clock.start();
        const TransferOutcome tooBig = importIntoList(h.window(), big);
        QVERIFY(clock.elapsed() < 10000);
        QVERIFY(!tooBig.ok);
        QVERIFY2(tooBig.message.starts_with("big.vcf is too big to import (the file is "), tooBig.message.c_str());
        QVERIFY(tooBig.message.ends_with("). Nothing was imported."));
        QCOMPARE(surnames(h.window().table()), QStringList({QStringLiteral("Keep")}));
        QCOMPARE(h.shown(F::FIRSTNAME), QStringLiteral("typed"));
    }

    void import_ofABigFile_letsTheWindowCancelOrEndAndLeavesTheListAsItWas()
    {
        // The file is read on a thread of its own: the window's loop runs meanwhile, so Cancel
        // works and a signal's end saves the list as it was.
        std::string cards;
        for (int i = 0; i < 20000; ++i)
            cards += "BEGIN:VCARD\r\nVERSION:4.0\r\nN:Many" + std::to_string(i) + ";;;;\r\nEND:VCARD\r\n";
        for (const bool end : {false, true}) {
            WindowHarness h(bookOf({"A", "B"}));
            h.show();
            const std::string file = besideBook(h, "many.vcf");
            writeFile(file, cards);
            QTimer::singleShot(0, &h.window(), [&h, end] {
                if (end) {
                    h.window().endUnattended();
                    return;
                }
                auto* progress = h.window().findChild<QProgressDialog*>(QStringLiteral("importProgress"));
                QVERIFY(progress);
                auto* cancel = progress->findChild<QPushButton*>();
                QVERIFY(cancel);
                cancel->click();
            });
            const TransferOutcome outcome = importIntoList(h.window(), file);
            QVERIFY(!outcome.ok);
            QVERIFY(QString::fromStdString(outcome.message).contains(QStringLiteral("cancelled")));
            QCOMPARE(surnames(h.window().table()), QStringList({QStringLiteral("B"), QStringLiteral("A")}));
            QCOMPARE(h.window().hasEndedUnattended(), end);
            if (end)
                QCOMPARE(h.readBook(), bookOf({"B", "A"}));
        }
        // Left alone, the same file comes in whole.
        WindowHarness h(bookOf({"A"}));
        const std::string file = besideBook(h, "many.vcf");
        writeFile(file, cards);
        QVERIFY(importIntoList(h.window(), file).ok);
        QCOMPARE(h.window().table().rowCount(), 20001);
    }

    void export_writesTheWholeListTopToBottom_andImportsBackEqual()
    {
        WindowHarness h(bookOf({"C", "B", "A"}));
        h.put(F::FIRSTNAME, QStringLiteral("Ann ; , \\ = : \u00E9"));
        h.clickButton(1026); // Add: a fourth contact on top
        for (const char* name : {"out.vcf", "out.csv"}) {
            const std::string file = besideBook(h, name);
            const TransferOutcome outcome = exportList(h.window(), file, *formatForFileName(name));
            QVERIFY2(outcome.ok, outcome.message.c_str());
            QCOMPARE(outcome.count, std::size_t(4));

            WindowHarness other;
            other.window().store().removeRowAt(0);
            QVERIFY(importIntoList(other.window(), file).ok);
            QCOMPARE(other.window().table().rowCount(), 4);
            for (int r = 0; r < 4; ++r)
                QVERIFY(other.window().table().record(r) == h.window().table().record(r));
        }
    }

    void export_overTheBookItself_isRefusedAndTheBookIsUntouched()
    {
        WindowHarness h(bookOf({"Mine"}));
        const std::string before = h.readBook();
        const TransferOutcome outcome = exportList(h.window(), h.bookPath(), ExchangeFormat::VCard4);
        QVERIFY(!outcome.ok);
        QCOMPARE(h.readBook(), before);
    }

    void exportFormat_comesFromTheChosenFilterUnlessTheNameAsksForAnother()
    {
        const auto filter = [](std::size_t i) { return QLatin1String(exportChoices()[i].filter); };
        const struct {
            const char* name;
            std::size_t filter;
            ExchangeFormat format;
        } cases[] = {
            {"a.VCF", 1, ExchangeFormat::VCard3}, {"a.csv", 3, ExchangeFormat::GoogleCsv},
            {"a", 4, ExchangeFormat::OutlookCsv}, {"a.csv", 1, ExchangeFormat::QorCsv},
            {"a.ics", 0, ExchangeFormat::ICalendar},
        };
        for (const auto& c : cases)
            QVERIFY2(exportFormatFor(QString::fromUtf8(c.name), filter(c.filter)) == c.format, c.name);
    }

    void exportDialog_proposesTheBooksNameWithTheChosenFormatsSuffix()
    {
        WindowHarness h(bookOf({"A"}));
        const std::unique_ptr<QFileDialog> dialog = makeExportDialog(h.window());
        QCOMPARE(dialog->nameFilters().size(), qsizetype(exportChoices().size()));
        QCOMPARE(dialog->directory().absolutePath(), QDir(h.folder()).absolutePath());
        QCOMPARE(QFileInfo(dialog->selectedFiles().value(0)).fileName(), QStringLiteral("qor.vcf"));
        for (const auto& [filter, name] : {std::pair{2, "qor.csv"}, std::pair{5, "qor.ics"}, std::pair{1, "qor.vcf"}}) {
            dialog->selectNameFilter(dialog->nameFilters()[filter]);
            emit dialog->filterSelected(dialog->nameFilters()[filter]);
            QCOMPARE(QFileInfo(dialog->selectedFiles().value(0)).fileName(), QString::fromUtf8(name));
        }
        dialog->selectFile(QStringLiteral("friends.vcf")); // typed by the user: the name stays
        emit dialog->filterSelected(dialog->nameFilters()[3]);
        QCOMPARE(QFileInfo(dialog->selectedFiles().value(0)).fileName(), QStringLiteral("friends.csv"));
        QCOMPARE(dialog->font(), h.window().font());
    }

    void export_writesTheChosenFormatAndSaysHowManyContactsWentWhere()
    {
        std::vector<std::string> names(1234);
        for (std::size_t i = 0; i < names.size(); ++i)
            names[i] = "Name" + std::to_string(i);
        WindowHarness h(bookOf(names));
        const QString file = h.folder() + QStringLiteral("/friends"); // the format gives the suffix
        QString told;
        whenABoxOpens([&](QMessageBox& box) { told = box.text(); });
        exportCommand(h.window(), [&](BookDialog&) { return ExportTarget{file, QStringLiteral("Google CSV (*.csv)")}; });
        QCOMPARE(told, QStringLiteral("Wrote 1,234 contacts to %1.csv").arg(QDir::toNativeSeparators(file)));
        const std::string written = readFile(file + QStringLiteral(".csv"));
        QVERIFY(written.find("Name,Given Name,Family Name,") != std::string::npos); // Google's columns
        QCOMPARE(std::count(written.begin(), written.end(), '\n'), 1235);
        QCOMPARE(exportedText(1, QStringLiteral("a.vcf")), QStringLiteral("Wrote 1 contact to a.vcf"));

        // Cancelled: nothing is written, nothing is said.
        exportCommand(h.window(), [](BookDialog&) { return ExportTarget{}; });
        QCOMPARE(QDir(h.folder()).entryList({QStringLiteral("friends*")}, QDir::Files).size(), 1);
    }
};

QTEST_MAIN(ContactTransferTest)
#include "test_contact_transfer.moc"
