// Every writer of the book shares the window's path to it: the lock, a fresh read of the book,
// the safe save. Tried with the real program as child processes, as users run it.
#include "book_dialog.h"
#include "book_list.h"
#include "window_harness.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
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

    void importWhileAWindowHoldsTheBook_isRefusedAndTheBookIsUntouched()
    {
        WindowHarness h(bookOf({"A", "B"}));
        const QString book = QString::fromStdString(h.bookPath());
        const QString file = h.folder() + QStringLiteral("/in.vcf");
        writeBytes(file, card("New"));
        const auto import = startImport(file, book);
        QVERIFY(import->waitForFinished(kPatienceMs));
        QCOMPARE(import->exitCode(), 1);
        QVERIFY(import->readAllStandardError().contains("open in another QOR window"));
        QCOMPARE(h.readBook(), bookOf({"A", "B"}));
        // The window's own save goes ahead; nothing was lost, for nothing was imported.
        h.clickButton(kOkButton);
        QCOMPARE(surnamesIn(book), (std::vector<std::string>{"A", "B"}));
    }
};

QTEST_MAIN(BookDoorsTest)
#include "test_book_doors.moc"
