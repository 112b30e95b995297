// Opening the window on a book. The window loads a book in one pass through the core reader
// and the form's exchange rules; these tests hold that fast load to what pushing every line
// through the form's real controls gives, and check what a user sees of a book's bytes.
#include "book_list.h"
#include "contact_list_view.h"
#include "contact_table.h"
#include "book_size_limit.h"
#include "field_table.h"
#include "text_encoding.h"
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
void loadThroughTheControls(BookDialog& w, std::string bytes)
{
    w.readForm();
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF"))
        bytes = utf16ToUtf8(bytes.substr(2), bytes[0] == '\xFE');
    else if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.erase(0, 3);
    const bool eachValueAlone = !isValidUtf8(bytes);
    bool pending = false;
    int added = 0;
    const auto readLine = [&](std::string line) {
        while (!line.empty() && std::string_view(" \t\v\f").find(line.back()) != std::string_view::npos)
            line.pop_back();
        const std::size_t eq = line.find('=');
        const auto field = fieldForKey(line.substr(0, eq));
        if (field) {
            if (*field == F::SURNAME && pending) {
                w.showForm();
                w.addContact();
                ++added;
                w.formRecord.clear(); // a record starts empty
            }
            pending = true;
            const std::string value = eq == std::string::npos ? std::string() : line.substr(eq + 1);
            const bool legacy = eachValueAlone && !isValidUtf8(value);
            w.formRecord[*field] = legacy ? windows1252ToUtf8(value) : value;
            w.formRecord.windows1252Fields.set(columnOf(*field), legacy);
        }
        w.showForm();
    };
    std::string line;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n') {
            line += bytes[i];
            continue;
        }
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        readLine(line);
        line.clear();
    }
    if (!line.empty())
        readLine(line);
    if (pending || added == 0)
        w.addContact();
    w.showForm();
}

// Hand-made books of the kinds people and other programs write: short records, lines that end
// in CR LF, LF or CR alone, a last line without a line end, byte-order marks, UTF-16, values
// holding '=', and lines a legacy program added in Windows-1252.
std::string randomBook(QRandomGenerator& random)
{
    static const char* const values[] = {"", "Smith", "bl", "BLUE", "6", "1", "3", "ju", "19", "x",
                                         "5 ft 6'", "Jos\xC3\xA9", "a=b=c", "  lead", "trail  ", "\t",
                                         "4 ft 1", "dark", "Personality", "200", "M\xFCller", "caf\xE9=\x80"};
    constexpr int kValues = 22;
    static const char* const oddKeys[] = {"surname", " SURNAME", "SURNAME ", "CREATOR", "", "NOTE", "Hair"};
    static const char* const lineEnds[] = {"\r\n", "\r\n", "\n", "\r"};
    const auto& fields = fieldTable();
    std::string book;
    const int lines = random.bounded(0, 160);
    for (int i = 0; i < lines; ++i) {
        const int kind = random.bounded(0, 100);
        std::string text;
        if (kind < 8) {
            text = "SURNAME=" + std::string(values[random.bounded(0, kValues)]);
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
                                                           : values[random.bounded(0, kValues)];
            text = std::string(info.key) + "=" + value;
        }
        book += text + lineEnds[random.bounded(0, 4)];
    }
    if (random.bounded(0, 3) == 0)
        book += "ANYEAR=1999"; // no line end
    const int form = random.bounded(0, 10);
    if (form == 0)
        book.insert(0, "\xEF\xBB\xBF");
    if (form == 1 || form == 2)
        book = (form == 1 ? "\xFF\xFE" : "\xFE\xFF") + utf8ToUtf16(windows1252ToUtf8(book), form == 2);
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

} // namespace

class BookLoadTest : public QObject {
    Q_OBJECT
private slots:
    void fastLoad_givesWhatTheControlsGiveLineByLine()
    {
        QRandomGenerator random(2026);
        int rows = 0, messages = 0, marked = 0;
        for (int round = 0; round < 60; ++round) {
            const std::string book = randomBook(random);
            WindowHarness fast(book, true);

            WindowHarness slow; // no book: start from an empty list and form
            slow.window().store().removeRowAt(0);
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
            // The fast load tells of over-long fields once; texts from the book never make the
            // controls' read tell of them.
            QVERIFY(fast.counts().fieldTooLong <= 1);
            QCOMPARE(slow.counts().fieldTooLong, 0);
            for (int c = 0; c < 34; ++c)
                QCOMPARE(fast.window().columnWidthFor(c), slow.window().columnWidthFor(c));
            rows += a.rowCount();
            for (int r = 0; r < a.rowCount(); ++r)
                marked += a.record(r).windows1252Fields.any();
            messages += fast.counts().fieldTooLong;
        }
        // The books exercised what they are meant to.
        QVERIFY(rows > 200);
        QVERIFY(messages > 10);
        QVERIFY(marked > 10);
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
        h.clickButton(kOkButton);
        const std::string book = h.readBook();
        QCOMPARE(book.size(), std::size_t(351));
        QCOMPARE(book, emptyRecordBook(1));
    }

    void comboPrefix_reachesTheRowAsTheEntry()
    {
        WindowHarness h(oneRecordBook("Smith", "bl"));
        QCOMPARE(h.window().table().record(0)[F::HAIR], std::string("Black"));
        h.clickButton(kSaveButton);
        QVERIFY(h.readBook().find("HAIR=Black\r\n") != std::string::npos);
    }

    void overLongFields_bringTheMessageOncePerLoadAndStayWhole()
    {
        std::string book = bookOf(std::vector<std::string>(300, "Long"));
        const std::string longText(300, 'q');
        for (std::size_t at = 0; (at = book.find("COMMENTS=", at)) != std::string::npos; at += 9)
            book.insert(at + 9, longText);
        WindowHarness h(book);
        QCOMPARE(h.counts().fieldTooLong, 1);
        QCOMPARE(h.counts().longFieldContacts, std::size_t(300));
        QCOMPARE(h.counts().longFieldName, QStringLiteral("Comments"));
        QCOMPARE(h.window().table().rowCount(), 300);
        QCOMPARE(h.window().table().record(1)[F::COMMENTS], longText);
        QCOMPARE(h.edit(F::COMMENTS)->text().size(), 300);
        // What came from the book raises no message again when Save or closing reads the form,
        // and is written whole.
        h.show();
        h.clickButton(kSaveButton);
        h.clickRow(5);
        h.clickButton(kOkButton);
        QCOMPARE(h.counts().fieldTooLong, 1);
        QVERIFY(!h.window().isVisible());
        const std::string saved = h.readBook();
        QCOMPARE(std::count(saved.begin(), saved.end(), 'q'), std::ptrdiff_t(300 * 300));
    }

    void windows1252Book_showsJoseAndComesBackByteForByte()
    {
        const std::string book = oneRecordBook("Jos\xE9", "Red");
        WindowHarness h(book);
        QCOMPARE(h.edit(F::SURNAME)->text(), QStringLiteral("Jos\u00E9"));
        h.clickButton(kOkButton);
        QCOMPARE(h.readBook(), book);
    }

    void utf8Book_showsJoseAndComesBackByteForByte()
    {
        const std::string book = oneRecordBook("Jos\xC3\xA9", "Red");
        WindowHarness h(book);
        QCOMPARE(h.edit(F::SURNAME)->text(), QStringLiteral("Jos\u00E9"));
        h.clickButton(kOkButton);
        QCOMPARE(h.readBook(), book);
    }

    void windows1252Book_editedWithACharacterItCannotHold_isWrittenAsUtf8AndKeepsItsOldBytes()
    {
        WindowHarness h(oneRecordBook("Jos\xE9"));
        h.show();
        h.clickRow(0);
        h.put(F::NICKNAME, QStringLiteral("\u4E2D"));
        h.clickButton(kUpdateButton);
        h.clickButton(kOkButton);
        const std::string book = h.readBook();
        QVERIFY(book.find("SURNAME=Jos\xE9\r\n") != std::string::npos);
        QVERIFY(book.find("NICKNAME=\xE4\xB8\xAD\r\n") != std::string::npos);
        WindowHarness again(book);
        QCOMPARE(again.edit(F::SURNAME)->text(), QStringLiteral("Jos\u00E9"));
        QCOMPARE(again.edit(F::NICKNAME)->text(), QStringLiteral("\u4E2D"));
    }

    void utf8BookWithALegacyLine_showsEveryFieldAndNeverTurnsItIntoMojibake()
    {
        // A legacy program added a contact in Windows-1252 to a UTF-8 book.
        const std::string mueller = oneRecordBook("M\xC3\xBCller");
        const std::string book = mueller + "\r\n" + oneRecordBook("Jos\xE9", "Red").substr(17);
        WindowHarness h(book);
        h.show();
        QCOMPARE(h.window().table().rowCount(), 2);
        QCOMPARE(h.edit(F::SURNAME)->text(), QStringLiteral("Jos\u00E9"));
        h.clickRow(1);
        QCOMPARE(h.edit(F::SURNAME)->text(), QStringLiteral("M\u00FCller"));

        // Unchanged, the book comes back byte for byte (in the reversed order of a load).
        h.clickButton(1029);
        const std::string saved = h.readBook();
        QCOMPARE(saved, oneRecordBook("Jos\xE9", "Red") + "\r\n" + mueller.substr(17));

        // The legacy contact goes; Müller stays UTF-8, however often the book is saved.
        h.clickRow(0);
        h.clickButton(1028);
        h.clickButton(1029);
        h.clickButton(1029);
        QCOMPARE(h.readBook(), mueller);

        // An edited legacy field is written in UTF-8.
        WindowHarness e(book);
        e.show();
        e.clickRow(0);
        e.put(F::SURNAME, QStringLiteral("Jos\u00E9 Mar\u00EDa"));
        e.clickButton(1027);
        e.clickButton(1);
        QVERIFY(e.readBook().find("SURNAME=Jos\xC3\xA9 Mar\xC3\xAD" "a\r\n") != std::string::npos);
        QVERIFY(e.readBook().find("SURNAME=M\xC3\xBCller\r\n") != std::string::npos);
    }
};

QTEST_MAIN(BookLoadTest)
#include "test_book_load.moc"
