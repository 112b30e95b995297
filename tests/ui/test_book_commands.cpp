// The window's commands and its life: opening, every button, the list click, and closing,
// which always writes the book.
#include "contact_list_view.h"
#include "contact_table.h"
#include "field_table.h"
#include "help_page.h"
#include "window_harness.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QDir>
#include <QFileInfo>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>

using namespace qor;
using namespace qor::test;
using F = ContactField;

namespace {

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QOR_UNDER_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define QOR_UNDER_ASAN 1
#endif

// The process's virtual size, in bytes.
rlim_t virtualSize()
{
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word)
        if (word == "VmSize:") {
            rlim_t kb = 0;
            status >> kb;
            return kb * 1024;
        }
    return 0;
}

// Lets the process take only `spare` more bytes of address space while it lives, so that a
// larger allocation throws std::bad_alloc as on a machine out of memory.
class AddressSpaceLimit {
public:
    explicit AddressSpaceLimit(rlim_t spare)
    {
        getrlimit(RLIMIT_AS, &saved_);
        rlimit tight = saved_;
        tight.rlim_cur = virtualSize() + spare;
        setrlimit(RLIMIT_AS, &tight);
    }
    ~AddressSpaceLimit() { setrlimit(RLIMIT_AS, &saved_); }

private:
    rlimit saved_{};
};

// A book whose COMMENTS line holds `size` NUL bytes, stored as a hole so the disk holds none.
// Returns the file's size.
std::uintmax_t writeBookWithHugeComment(const std::string& path, std::uintmax_t size)
{
    const std::string head = "CREATOR=QOR 1.0\r\nSURNAME=Huge\r\nCOMMENTS=";
    std::ofstream(path, std::ios::binary) << head;
    std::filesystem::resize_file(path, head.size() + size);
    return head.size() + size;
}


// Catches the help page's address instead of starting a browser.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

} // namespace

class BookCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void opening_putsTheFocusInSurnameAndLoadsTheBook()
    {
        WindowHarness h(bookOf({"First", "Second"}));
        h.show();
        QCOMPARE(QApplication::focusWidget(), h.edit(F::SURNAME));
        QCOMPARE(h.window().windowTitle(), QStringLiteral("QOR: qor.qor"));
        QCOMPARE(h.window().table().rowCount(), 2);
        QCOMPARE(h.edit(F::SURNAME)->text(), QStringLiteral("Second")); // row 0
    }

    void missingBook_givesOneEmptyContactAndNoMessage()
    {
        WindowHarness h;
        QCOMPARE(h.window().table().rowCount(), 1);
        QCOMPARE(h.window().table().record(0), ContactRecord{});
        QCOMPARE(h.counts().fieldTooLong + h.counts().saveFailed, 0);
    }

    void enterInAField_closesThroughOkAndWritesTheBook()
    {
        for (bool inCombo : {false, true}) {
            WindowHarness h(bookOf({"A"}));
            h.show();
            h.put(F::SURNAME, QStringLiteral("B"));
            h.clickButton(1026);
            QWidget* target = inCombo ? static_cast<QWidget*>(h.combo(F::HAIR)->lineEdit()) : h.edit(F::EMAIL);
            target->setFocus();
            QTest::keyClick(target, Qt::Key_Return);
            QVERIFY2(!h.window().isVisible(), inCombo ? "combo" : "edit");
            QCOMPARE(h.window().result(), int(QDialog::Accepted));
            const std::string book = h.readBook();
            QVERIFY(book.find("SURNAME=B\r\n") < book.find("SURNAME=A\r\n"));
        }
    }

    void escape_writesTheBookExactlyAsOkDoes()
    {
        std::string viaOk, viaEscape;
        for (bool escape : {false, true}) {
            WindowHarness h(bookOf({"A", "B"}));
            h.show();
            h.put(F::SURNAME, QStringLiteral("C"));
            h.clickButton(1026);
            if (escape)
                QTest::keyClick(h.edit(F::SURNAME), Qt::Key_Escape);
            else
                h.clickButton(1);
            QVERIFY(!h.window().isVisible());
            (escape ? viaEscape : viaOk) = h.readBook();
        }
        QCOMPARE(viaEscape, viaOk);
        QVERIFY(viaOk.find("SURNAME=C") < viaOk.find("SURNAME=B"));
        QVERIFY(viaOk.find("SURNAME=B") < viaOk.find("SURNAME=A")); // a load and a save reverse the order
    }

    void closeBox_writesTheBookToo()
    {
        WindowHarness h(bookOf({"A"}));
        h.show();
        h.put(F::SURNAME, QStringLiteral("B"));
        h.clickButton(1026);
        h.window().close();
        QVERIFY(!h.window().isVisible());
        QVERIFY(h.readBook().find("SURNAME=B") != std::string::npos);
    }

    void typedButNeverAdded_isNotWrittenOnClose()
    {
        WindowHarness h(bookOf({"A"}));
        h.show();
        h.put(F::SURNAME, QStringLiteral("Typed"));
        h.clickButton(1);
        QCOMPARE(h.readBook(), bookOf({"A"}));
    }

    void listClick_replacesWhatWasTypedWithTheRow()
    {
        WindowHarness h(bookOf({"A", "B"}));
        h.show();
        h.put(F::SURNAME, QStringLiteral("typed"));
        h.clickRow(1);
        QCOMPARE(h.edit(F::SURNAME)->text(), QStringLiteral("A"));
    }

    void listClick_onlyAMouseClickShowsARow()
    {
        WindowHarness h(bookOf({"A", "B", "C"}));
        h.show();
        ContactListView& list = h.window().list();
        // A click in the empty part of the list before any row was marked shows nothing.
        h.put(F::SURNAME, QStringLiteral("typed"));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(5, list.viewport()->height() - 3));
        QCOMPARE(h.edit(F::SURNAME)->text(), QStringLiteral("typed"));
        // A right click marks, but shows nothing.
        const QPoint row2 = list.visualRect(list.model()->index(2, 0)).center();
        QTest::mouseClick(list.viewport(), Qt::RightButton, {}, row2);
        QCOMPARE(h.edit(F::SURNAME)->text(), QStringLiteral("typed"));
        // Moving with the keyboard marks, but shows nothing.
        h.clickRow(0);
        QCOMPARE(h.edit(F::SURNAME)->text(), QStringLiteral("C"));
        QTest::keyClick(&list, Qt::Key_Down);
        QCOMPARE(list.selectionMark(), 1);
        QCOMPARE(h.edit(F::SURNAME)->text(), QStringLiteral("C"));
    }

    void clearThenUpdate_emptiesTheMarkedRowRatingIncluded()
    {
        std::string book = bookOf({"A"});
        book.replace(book.find("RATING="), 7, "RATING=4");
        WindowHarness h(book);
        h.show();
        h.clickRow(0);
        h.clickButton(1035);
        for (std::size_t c = 0; c < kFieldCount; ++c)
            QVERIFY(h.window().formRecord[c].empty());
        h.clickButton(1027);
        QCOMPARE(h.window().table().record(0), ContactRecord{});
        QCOMPARE(h.window().table().rowCount(), 1);
    }

    void save_writesTheBookAndKeepsWhatTheFormShows()
    {
        WindowHarness h(bookOf({"A", "B"}));
        h.show();
        h.put(F::SURNAME, QStringLiteral("Typed, not added"));
        h.put(F::HAIR, QStringLiteral("Red"));
        h.clickButton(1029);
        QCOMPARE(h.readBook(), bookOf({"B", "A"}));
        QCOMPARE(h.edit(F::SURNAME)->text(), QStringLiteral("Typed, not added"));
        QCOMPARE(h.shown(F::HAIR), QStringLiteral("Red"));
        QCOMPARE(h.counts().saveFailed, 0);
    }

    void overLongField_showsTheMessageTwiceAndTheCommandRunsAnyway()
    {
        WindowHarness h(bookOf({"A"}));
        h.show();
        h.put(F::COMMENTS, QString(300, QLatin1Char('c')));
        h.clickButton(1026);
        QCOMPARE(h.counts().fieldTooLong, 2);
        QCOMPARE(h.window().table().rowCount(), 2);
        QCOMPARE(h.window().table().record(0)[F::COMMENTS].size(), std::size_t(300));
    }

    void help_opensThePageAndChangesNoRow()
    {
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "open");
        WindowHarness h(bookOf({"A", "B"}));
        h.show();
        h.put(F::SURNAME, QStringLiteral("typed"));
        h.clickButton(57670);
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QCOMPARE(catcher.opened.size(), 1);
        QCOMPARE(catcher.opened.first().path(), QStringLiteral("/qor/help.htm"));
        QCOMPARE(catcher.opened.first().scheme(), QStringLiteral("http"));
        QCOMPARE(h.edit(F::SURNAME)->text(), QStringLiteral("typed"));
        QCOMPARE(h.window().table().rowCount(), 2);
    }

    void readOnlyBook_closingAsksAndKeepsTheWindowAndTheBook()
    {
        WindowHarness h(bookOf({"A"}));
        h.show();
        std::filesystem::permissions(h.bookPath(), std::filesystem::perms::owner_read);
        h.put(F::SURNAME, QStringLiteral("B"));
        h.clickButton(1026);
        h.clickButton(1);
        QCOMPARE(h.counts().saveFailed, 1);
        QCOMPARE(h.counts().closeQuestions, 1);
        QVERIFY(h.counts().saveFailureReason.contains(QStringLiteral("read-only")));
        QVERIFY(h.window().isVisible());
        QCOMPARE(h.readBook(), bookOf({"A"}));

        // The user accepts losing the changes.
        h.counts().closeAnswer = true;
        QTest::keyClick(h.edit(F::SURNAME), Qt::Key_Escape);
        QVERIFY(!h.window().isVisible());
        QCOMPARE(h.readBook(), bookOf({"A"}));
        std::filesystem::permissions(h.bookPath(), std::filesystem::perms::owner_all);
    }

    void fullDisk_showsTheBoxAndLeavesTheOldBook()
    {
        // A file-size limit stands in for a full disk: the new book cannot be written whole.
        const std::string old = bookOf({"Old"});
        WindowHarness h(old);
        h.show();
        h.put(F::COMMENTS, QString(200, QLatin1Char('c')));
        for (int i = 0; i < 20; ++i)
            h.clickButton(1026);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = 1000;
        setrlimit(RLIMIT_FSIZE, &small);
        h.clickButton(1029);
        setrlimit(RLIMIT_FSIZE, &saved);
        QCOMPARE(h.counts().saveFailed, 1);
        QCOMPARE(h.readBook(), old);
        QCOMPARE(QDir(QFileInfo(QString::fromStdString(h.bookPath())).path()).entryList(QDir::Files).size(), 1);
    }

    void outOfMemoryWhileLoading_opensEmptyWithABoxAndLeavesTheBook()
    {
#ifdef QOR_UNDER_ASAN
        QSKIP("the address sanitizer reserves the address space this test limits");
#endif
        WindowHarness probe;
        const std::string path = probe.bookPath() + ".huge";
        const std::uintmax_t fileSize = writeBookWithHugeComment(path, std::uintmax_t(120) << 20);
        auto messages = std::make_shared<RecordingMessages::Counts>();
        messages->closeAnswer = true;
        {
            std::unique_ptr<BookDialog> w;
            {
                // Room for the file's bytes, not for a second copy of the comment.
                AddressSpaceLimit limit(rlim_t(200) << 20);
                w = std::make_unique<BookDialog>(path, std::make_unique<RecordingMessages>(messages));
            }
            QCOMPARE(messages->refusals, std::vector<BookRefusal>{BookRefusal::TooBig});
            QCOMPARE(w->table().rowCount(), 1);
            QCOMPARE(w->table().record(0), ContactRecord{});
            QVERIFY(!w->saveBook());
            w->reject();
        }
        QCOMPARE(messages->closeQuestions, 1);
        QCOMPARE(std::filesystem::file_size(path), fileSize);
    }

    void outOfMemoryWhileSaving_showsTheBoxAndKeepsTheWindowAndTheBook()
    {
#ifdef QOR_UNDER_ASAN
        QSKIP("the address sanitizer reserves the address space this test limits");
#endif
        WindowHarness h;
        const std::uintmax_t size = std::uintmax_t(12) << 20;
        writeBookWithHugeComment(h.bookPath(), size);
        const std::string before = h.readBook();
        auto messages = std::make_shared<RecordingMessages::Counts>();
        BookDialog w(h.bookPath(), std::make_unique<RecordingMessages>(messages));
        QVERIFY(messages->refusals.empty());
        QCOMPARE(w.table().record(0)[F::COMMENTS].size(), std::size_t(size));
        {
            AddressSpaceLimit limit(rlim_t(4) << 20);
            QVERIFY(!w.saveBook());
        }
        QCOMPARE(messages->saveFailed, 1);
        QVERIFY(messages->saveFailureReason.contains(QStringLiteral("memory")));
        QCOMPARE(w.table().rowCount(), 1);
        QCOMPARE(w.table().record(0)[F::COMMENTS].size(), std::size_t(size));
        QVERIFY(h.readBook() == before);
        // With memory again, the same window saves.
        QVERIFY(w.saveBook());
        QVERIFY(h.readBook() != before);
    }

    void saveFailure_showsTheRealErrorBox()
    {
        // The box itself: "Save to File" under "Error Writing File", with only an OK button.
        QString caption, text;
        int buttons = 0;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            caption = box->windowTitle();
            text = box->text();
            buttons = int(box->buttons().size());
            box->accept();
        });
        UserMessages().saveFailed(nullptr);
        QCOMPARE(caption, QStringLiteral("Error Writing File"));
        QCOMPARE(text, QStringLiteral("Save to File"));
        QCOMPARE(buttons, 1);
    }
};

QTEST_MAIN(BookCommandsTest)
#include "test_book_commands.moc"
