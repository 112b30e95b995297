// Opening the window on a book. The window loads a book in one pass through the core reader
// and the form's exchange rules; these tests hold that fast load to what pushing every line
// through the form's real controls gives, and check what a user sees of a book's bytes.
#include "book_list.h"
#include "contact_list_view.h"
#include "contact_table.h"
#include "field_table.h"
#include "window_harness.h"

#include <QDir>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <QFileInfo>
#include <QHeaderView>
#include <QRandomGenerator>
#include <QTest>

using namespace qor;
using namespace qor::test;
using F = ContactField;

namespace {

// The load as the form itself would do it: one line at a time, the pending record in
// formRecord shown in the controls after every line, and every record committed by the Add
// operation, which reads it back from the controls.
void loadThroughTheControls(BookDialog& w, const std::string& bytes)
{
    w.readForm();
    std::size_t index = 0;
    std::string line;
    for (char byte : bytes) {
        line += byte;
        if (byte != '\n')
            continue;
        std::size_t end = line.size();
        while (end > 0 && std::string_view(" \t\n\v\f\r").find(line[end - 1]) != std::string_view::npos)
            --end;
        const std::string trimmed = line.substr(0, end);
        line.clear();
        const std::size_t eq = trimmed.find('=');
        const std::string key = trimmed.substr(0, eq);
        std::string value;
        if (eq != std::string::npos)
            for (char c : trimmed.substr(eq + 1))
                if (c != '=')
                    value += c;
        if (key == "SURNAME") {
            if (index >= 6) {
                w.showForm();
                w.addContact();
                w.formRecord.clear(); // a record starts empty
            }
            w.formRecord[F::SURNAME] = value;
        } else if (auto field = fieldForKey(key)) {
            w.formRecord[*field] = value;
        }
        w.showForm();
        ++index;
    }
    w.addContact();
    w.showForm();
}

// Hand-made books of the kinds people and other programs write.
std::string randomBook(QRandomGenerator& random)
{
    static const char* const values[] = {"", "Smith", "bl", "BLUE", "6", "1", "3", "ju", "19", "x",
                                         "5 ft 6'", "Jos\xC3\xA9", "a=b=c", "  lead", "trail  ", "\t",
                                         "4 ft 1", "dark", "Personality", "200"};
    static const char* const oddKeys[] = {"surname", " SURNAME", "SURNAME ", "CREATOR", "", "NOTE", "Hair"};
    const auto& fields = fieldTable();
    std::string book;
    const int lines = random.bounded(0, 160);
    for (int i = 0; i < lines; ++i) {
        const int kind = random.bounded(0, 100);
        std::string text;
        if (kind < 8) {
            text = "SURNAME=" + std::string(values[random.bounded(0, 20)]);
        } else if (kind < 12) {
            text = std::string(oddKeys[random.bounded(0, 7)]) + "=odd";
        } else if (kind < 15) {
            text = "";
        } else if (kind < 17) {
            text = "CREATOR=QOR 1.0";
        } else if (kind < 19) {
            text = "SURNAME"; // no '='
        } else {
            const FieldInfo& info = fields[std::size_t(random.bounded(0, int(kFieldCount)))];
            std::string value = random.bounded(0, 30) == 0 ? std::string(256 + random.bounded(0, 60), 'L')
                                                           : values[random.bounded(0, 20)];
            text = std::string(info.key) + "=" + value;
        }
        book += text + (random.bounded(0, 4) == 0 ? "\n" : "\r\n");
    }
    if (random.bounded(0, 3) == 0)
        book += "ANYEAR=1999"; // no line end
    return book;
}

QStringList formContents(WindowHarness& h)
{
    QStringList shown;
    for (const FieldInfo& info : fieldTable())
        if (info.kind != ControlKind::None)
            shown << h.shown(info.field);
    return shown;
}

std::string oneRecordBook(const std::string& surname, const std::string& hair = "")
{
    std::string text = "CREATOR=QOR 1.0\r\n";
    for (const FieldInfo& info : fieldTable()) {
        std::string value = info.field == F::SURNAME ? surname : info.field == F::HAIR ? hair : "";
        text += std::string(info.key) + "=" + value + "\r\n";
    }
    return text;
}

} // namespace

class BookLoadTest : public QObject {
    Q_OBJECT
private slots:
    void fastLoad_givesWhatTheControlsGiveLineByLine()
    {
        QRandomGenerator random(2026);
        int rows = 0, messages = 0;
        for (int round = 0; round < 60; ++round) {
            const std::string book = randomBook(random);
            WindowHarness fast(book, true);

            WindowHarness slow; // no book: start from an empty list and form
            slow.window().table().removeRowAt(0);
            slow.window().formRecord.clear();
            slow.window().showForm();
            loadThroughTheControls(slow.window(), book);

            const ContactTable& a = fast.window().table();
            const ContactTable& b = slow.window().table();
            QCOMPARE(a.rowCount(), b.rowCount());
            for (int r = 0; r < a.rowCount(); ++r)
                QVERIFY2(a.record(r) == b.record(r), qPrintable(QStringLiteral("round %1 row %2").arg(round).arg(r)));
            QCOMPARE(formContents(fast), formContents(slow));
            QCOMPARE(fast.window().formRecord, slow.window().formRecord);
            QCOMPARE(fast.counts().fieldTooLong, slow.counts().fieldTooLong);
            for (int c = 0; c < 34; ++c)
                QCOMPARE(fast.window().columnWidthFor(c), slow.window().columnWidthFor(c));
            rows += a.rowCount();
            messages += fast.counts().fieldTooLong;
        }
        // The books exercised what they are meant to.
        QVERIFY(rows > 200);
        QVERIFY(messages > 10);
    }

    // The command line's export lists a book without a window; it must list what the window shows.
    void bookList_givesTheRowsTheWindowShowsAfterOpening()
    {
        QRandomGenerator random(13);
        for (int round = 0; round < 40; ++round) {
            const std::string book = randomBook(random);
            WindowHarness h(book, true);
            const BookList list = readBookList(h.bookPath());
            const ContactTable& shown = h.window().table();
            QCOMPARE(qsizetype(list.rows.size()), qsizetype(shown.rowCount()));
            for (int r = 0; r < shown.rowCount(); ++r)
                QVERIFY2(list.rows[std::size_t(r)] == shown.record(r), qPrintable(QStringLiteral("round %1 row %2").arg(round).arg(r)));
            QCOMPARE(list.hasRecords, book.find('\n') != std::string::npos);
        }
        WindowHarness missing;
        const BookList none = readBookList(missing.bookPath());
        QCOMPARE(none.status, ReadStatus::Missing);
        QCOMPARE(none.rows.size(), std::size_t(1));
        QVERIFY(!none.hasRecords);
    }

    void anotherBook_namesItsFileInTheCaption()
    {
        QTemporaryDir dir;
        BookDialog window(dir.filePath(QStringLiteral("friends.qor")).toStdString());
        QCOMPARE(window.windowTitle(), QStringLiteral("QOR: friends.qor"));
    }

    void emptyBook_openedAndClosed_gives351Bytes()
    {
        WindowHarness h(std::string(), true);
        QCOMPARE(h.window().table().rowCount(), 1);
        h.clickButton(1);
        const std::string book = h.readBook();
        QCOMPARE(book.size(), std::size_t(351));
        QCOMPARE(book, emptyRecordBook(1));
    }

    void comboPrefix_reachesTheRowAsTheEntry()
    {
        WindowHarness h(oneRecordBook("Smith", "bl"));
        QCOMPARE(h.window().table().record(0)[F::HAIR], std::string("Black"));
        h.clickButton(1029);
        QVERIFY(h.readBook().find("HAIR=Black\r\n") != std::string::npos);
    }

    void overLongFields_bringTheMessageOncePerRecordAndStayWhole()
    {
        std::string book = oneRecordBook("A") + "\r\n" + oneRecordBook("B").substr(17);
        const std::string longText(300, 'q');
        for (std::size_t at = 0; (at = book.find("COMMENTS=", at)) != std::string::npos; at += 9)
            book.insert(at + 9, longText);
        WindowHarness h(book);
        QCOMPARE(h.counts().fieldTooLong, 2);
        QCOMPARE(h.window().table().rowCount(), 2);
        QCOMPARE(h.window().table().record(1)[F::COMMENTS], longText);
        QCOMPARE(h.edit(F::COMMENTS)->text().size(), 300);
    }

    void windows1252Book_showsJoseAndComesBackByteForByte()
    {
        const std::string book = oneRecordBook("Jos\xE9", "Red");
        WindowHarness h(book);
        QCOMPARE(h.edit(F::SURNAME)->text(), QStringLiteral("Jos\u00E9"));
        h.clickButton(1);
        QCOMPARE(h.readBook(), book);
    }

    void utf8Book_showsJoseAndComesBackByteForByte()
    {
        const std::string book = oneRecordBook("Jos\xC3\xA9", "Red");
        WindowHarness h(book);
        QCOMPARE(h.edit(F::SURNAME)->text(), QStringLiteral("Jos\u00E9"));
        h.clickButton(1);
        QCOMPARE(h.readBook(), book);
    }

    void windows1252Book_editedWithACharacterItCannotHold_isWrittenAsUtf8()
    {
        WindowHarness h(oneRecordBook("Jos\xE9"));
        h.show();
        h.clickRow(0);
        h.put(F::NICKNAME, QStringLiteral("\u4E2D"));
        h.clickButton(1027);
        h.clickButton(1);
        const std::string book = h.readBook();
        QVERIFY(book.find("SURNAME=Jos\xC3\xA9\r\n") != std::string::npos);
        QVERIFY(book.find("NICKNAME=\xE4\xB8\xAD\r\n") != std::string::npos);
    }

    void unreadableBook_isNeverReplaced()
    {
        // A folder where the book should be: the window opens with an empty contact, and
        // closing it fails to save rather than touch what is there.
        WindowHarness probe;
        const QString folder = QString::fromStdString(probe.bookPath()) + QStringLiteral(".d");
        QVERIFY(QDir().mkpath(folder));
        auto messages = std::make_shared<RecordingMessages::Counts>();
        messages->closeAnswer = true;
        {
            BookDialog w(folder.toStdString(), std::make_unique<RecordingMessages>(messages));
            QCOMPARE(w.table().rowCount(), 1);
            w.accept();
        }
        QCOMPARE(messages->saveFailed, 1);
        QVERIFY(QFileInfo(folder).isDir());
    }

    void namedPipe_opensWithoutWaitingAndIsNeverWrittenTo()
    {
        WindowHarness probe;
        const std::string pipe = probe.bookPath() + ".pipe";
        QCOMPARE(::mkfifo(pipe.c_str(), 0600), 0);
        auto messages = std::make_shared<RecordingMessages::Counts>();
        messages->closeAnswer = true;
        {
            BookDialog w(pipe, std::make_unique<RecordingMessages>(messages));
            QCOMPARE(w.table().rowCount(), 1);
            w.reject();
        }
        QCOMPARE(messages->saveFailed, 1);
        struct stat st {};
        QCOMPARE(::stat(pipe.c_str(), &st), 0);
        QVERIFY(S_ISFIFO(st.st_mode));
    }

    void symbolicLink_isReadThroughAndStillALinkAfterSaving()
    {
        // People link their book into a synced folder.
        WindowHarness probe;
        const std::filesystem::path folder = std::filesystem::path(probe.bookPath()).parent_path();
        std::filesystem::create_directory(folder / "synced");
        const std::filesystem::path target = folder / "synced" / "book.qor";
        const std::filesystem::path link = folder / "linked.qor";
        {
            std::ofstream out(target, std::ios::binary);
            out << oneRecordBook("Linked");
        }
        std::filesystem::create_symlink("synced/book.qor", link);
        {
            BookDialog w(link, std::make_unique<RecordingMessages>(std::make_shared<RecordingMessages::Counts>()));
            QCOMPARE(w.table().record(0)[F::SURNAME], std::string("Linked"));
            w.formRecord[F::SURNAME] = "Added";
            w.showForm();
            w.add();
            w.accept();
        }
        QVERIFY(std::filesystem::is_symlink(link));
        std::ifstream in(target, std::ios::binary);
        const std::string written{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        QVERIFY(written.find("SURNAME=Added\r\n") < written.find("SURNAME=Linked\r\n"));
    }
};

QTEST_MAIN(BookLoadTest)
#include "test_book_load.moc"
