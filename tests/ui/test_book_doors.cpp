// Every writer of the book shares the window's path to it: its turn among the writers, a fresh
// read of the book, the merge, the safe save. Tried with the real program as child processes, as
// users run it.
#include "book_dialog.h"
#include "book_list.h"
#include "window_harness.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <fstream>
#include <memory>
#include <vector>

using namespace qor;
using namespace qor::test;
using F = ContactField;

namespace {

constexpr int kPatienceMs = 120000;

std::string card(const std::string& surname)
{
    return "BEGIN:VCARD\r\nVERSION:4.0\r\nN:" + surname + ";;;;\r\nEND:VCARD\r\n";
}

void writeBytes(const QString& path, const std::string& bytes)
{
    std::ofstream(path.toStdString(), std::ios::binary) << bytes;
}

std::vector<std::string> surnamesIn(const QString& book)
{
    std::vector<std::string> names;
    for (const ContactRecord& row : readBookList(book.toStdString()).rows)
        names.push_back(row[F::SURNAME]);
    return names;
}

std::unique_ptr<QProcess> startImport(const QString& file, const QString& book)
{
    auto process = std::make_unique<QProcess>();
    process->start(QStringLiteral(QOR_EXECUTABLE), {QStringLiteral("--import"), file, book});
    return process;
}

} // namespace

class BookDoorsTest : public QObject {
    Q_OBJECT
private slots:
    void importsAtOnce_neverLoseAContact()
    {
        // Each import waits for the one before it to save, then reads the book again.
        QTemporaryDir dir;
        const QString book = dir.filePath(QStringLiteral("qor.qor"));
        std::vector<std::string> surnames(20000);
        for (std::size_t i = 0; i < surnames.size(); ++i)
            surnames[i] = "Old" + std::to_string(i);
        writeBytes(book, bookOf(surnames));
        constexpr int kImports = 6;
        std::vector<std::unique_ptr<QProcess>> imports;
        for (int i = 0; i < kImports; ++i) {
            const QString file = dir.filePath(QStringLiteral("in%1.vcf").arg(i));
            writeBytes(file, card("New" + std::to_string(i)));
            imports.push_back(startImport(file, book));
        }
        for (auto& import : imports) {
            QVERIFY(import->waitForFinished(kPatienceMs));
            QCOMPARE(import->exitCode(), 0);
        }
        const std::vector<std::string> after = surnamesIn(book);
        QCOMPARE(after.size(), surnames.size() + kImports);
        for (int i = 0; i < kImports; ++i)
            QVERIFY2(std::count(after.begin(), after.end(), "New" + std::to_string(i)) == 1, qPrintable(QString::number(i)));
    }

    void twoWindowsAndAnImport_endWithEveryContactInAnyOrderAndNoSecondFile()
    {
        for (const bool firstClosesFirst : {true, false}) {
            WindowHarness h(bookOf({"A", "B"}));
            auto secondCounts = std::make_shared<RecordingMessages::Counts>();
            std::unique_ptr<BookDialog> second = h.secondWindow(secondCounts);
            h.show();
            h.put(F::SURNAME, QStringLiteral("One"));
            h.clickButton(kAddButton);
            second->formRecord[F::SURNAME] = "Two";
            second->showForm();
            second->add();

            // The import does not wait for the windows to close: their saves merge it in.
            const QString book = QString::fromStdString(h.bookPath());
            QTemporaryDir cards;
            const QString file = cards.filePath(QStringLiteral("in.vcf"));
            writeBytes(file, card("New"));
            const auto import = startImport(file, book);
            QVERIFY(import->waitForFinished(kPatienceMs));
            QCOMPARE(import->exitCode(), 0);

            const auto closeFirst = [&] { h.clickButton(kOkButton); };
            const auto closeSecond = [&] { second->done(QDialog::Accepted); };
            if (firstClosesFirst) {
                closeFirst();
                closeSecond();
            } else {
                closeSecond();
                closeFirst();
            }
            std::vector<std::string> after = surnamesIn(book);
            std::sort(after.begin(), after.end());
            QCOMPARE(after, (std::vector<std::string>{"A", "B", "New", "One", "Two"}));
            QCOMPARE(h.counts().bookChanged + secondCounts->bookChanged, 2); // each window was asked once
            QCOMPARE(h.counts().saveFailed + secondCounts->saveFailed, 0);
            QVERIFY2(besideTheBook(h).isEmpty(), qPrintable(besideTheBook(h).join(u' ')));
        }
    }
};

QTEST_MAIN(BookDoorsTest)
#include "test_book_doors.moc"
