// Saving from the window when the book cannot take it: read-only, a full disk, a link to
// nothing, too little memory, and the box that says why.
#include "contact_filter.h"
#include "contact_list_view.h"
#include "contact_table.h"
#include "field_table.h"
#include "find_bar.h"
#include "help_page.h"
#include "signal_saver.h"
#include "window_harness.h"

#include <QApplication>
#include <QDesktopServices>
#include <QAbstractButton>
#include <QPushButton>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QFileInfo>
#include <csignal>
#include <filesystem>
#include <vector>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>

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

} // namespace

class BookSavingTest : public QObject {
    Q_OBJECT
private slots:
    void readOnlyBook_closingAsksAndKeepsTheWindowAndTheBook()
    {
        WindowHarness h(bookOf({"A"}));
        h.show();
        std::filesystem::permissions(h.bookPath(), std::filesystem::perms::owner_read);
        h.put(F::SURNAME, QStringLiteral("B"));
        h.clickButton(kAddButton);
        h.clickButton(kOkButton);
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
            h.clickButton(kAddButton);
        // The program's own handling of the limit, as it starts: no SIGXFSZ kills it.
        SignalSaver programsOwnHandling;
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = 1000;
        setrlimit(RLIMIT_FSIZE, &small);
        h.clickButton(kSaveButton);
        setrlimit(RLIMIT_FSIZE, &saved);
        QCOMPARE(h.counts().saveFailed, 1);
        QCOMPARE(h.readBook(), old);
        QVERIFY(besideTheBook(h).isEmpty()); // no temporary file left
    }

    void danglingLink_isNeverFollowedToCreateABook()
    {
        WindowHarness h;
        std::filesystem::create_symlink("elsewhere.qor", h.bookPath());
        h.reopen();
        h.show();
        h.clickButton(kSaveButton);
        QCOMPARE(h.counts().saveFailed, 1);
        QVERIFY(!QFile::exists(h.folder() + QStringLiteral("/elsewhere.qor")));
        QVERIFY(std::filesystem::is_symlink(h.bookPath()));
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
            QVERIFY(w->saveBook() == BookDialog::SaveOutcome::Failed);
            w->reject();
        }
        QCOMPARE(messages->closeQuestions, 0); // nothing changed: closing has nothing to lose
        QCOMPARE(std::filesystem::file_size(path), fileSize);
    }

    void outOfMemoryWhileSaving_showsTheBoxAndKeepsTheWindowAndTheBook()
    {
#ifdef QOR_UNDER_ASAN
        QSKIP("the address sanitizer reserves the address space this test limits");
#endif
        WindowHarness h;
        // Over malloc's largest mmap threshold (32 MiB), so the text of the save cannot come
        // from heap memory that earlier tests freed but the process still maps.
        const std::uintmax_t size = std::uintmax_t(40) << 20;
        writeBookWithHugeComment(h.bookPath(), size);
        const std::string before = h.readBook();
        auto messages = std::make_shared<RecordingMessages::Counts>();
        BookDialog w(h.bookPath(), std::make_unique<RecordingMessages>(messages));
        QVERIFY(messages->refusals.empty());
        QCOMPARE(w.table().record(0)[F::COMMENTS].size(), std::size_t(size));
        {
            AddressSpaceLimit limit(rlim_t(4) << 20);
            QVERIFY(w.saveBook() == BookDialog::SaveOutcome::Failed);
        }
        QCOMPARE(messages->saveFailed, 1);
        QVERIFY(messages->saveFailureReason.contains(QStringLiteral("memory")));
        QCOMPARE(w.table().rowCount(), 1);
        QCOMPARE(w.table().record(0)[F::COMMENTS].size(), std::size_t(size));
        QVERIFY(h.readBook() == before);
        // With memory again, the same window saves.
        QVERIFY(w.saveBook() == BookDialog::SaveOutcome::Saved);
        QVERIFY(h.readBook() != before);
    }

    void linesQorDoesNotRead_areKeptInACopyOfTheBookAndTheUserIsToldOnce()
    {
        WindowHarness h(bookOf({"A"}) + "# my note\r\n");
        h.show();
        h.clickButton(kSaveButton);
        QCOMPARE(h.counts().oldBookKeptLines, std::size_t(1));
        QVERIFY(h.counts().oldBookKeptName.startsWith(QStringLiteral("qor-before-")));
        QCOMPARE(besideTheBook(h), QStringList{h.counts().oldBookKeptName});
        QCOMPARE(readFile(h.folder() + QLatin1Char('/') + h.counts().oldBookKeptName), bookOf({"A"}) + "# my note\r\n");
        h.counts().oldBookKeptLines = 0;
        h.clickButton(kOkButton);
        QCOMPARE(h.counts().oldBookKeptLines, std::size_t(0));
        QCOMPARE(h.readBook(), bookOf({"A"}));
    }

    void aDamagedHistorySetAsideIsToldOnceAndTheBookIsSaved()
    {
        WindowHarness h(bookOf({"A"}));
        const std::string history = h.bookPath() + ".history";
        std::ofstream(history, std::ios::binary) << "not a history at all";
        h.show();
        h.put(F::SURNAME, QStringLiteral("B"));
        h.clickButton(kAddButton);
        h.clickButton(kSaveButton);
        QCOMPARE(h.readBook(), bookOf({"B", "A"}));
        QCOMPARE(h.counts().historyTrouble, 1);
        QVERIFY(h.counts().historyError.isEmpty());
        QVERIFY(h.counts().historySetAside.startsWith(QStringLiteral("qor.qor.history.damaged-")));
        QCOMPARE(readFile(h.folder() + QLatin1Char('/') + h.counts().historySetAside), std::string("not a history at all"));
        h.clickButton(kSaveButton); // the new history takes it: nothing to tell
        QCOMPARE(h.counts().historyTrouble, 1);
        QVERIFY(historyTroubleText({}, QStringLiteral("x.damaged")).contains(QStringLiteral("kept as x.damaged")));
    }

    void aHistoryThatTakesNoSaveIsToldOnceAWindow_andNeverByABoxWhenUnattended()
    {
        WindowHarness h(bookOf({"A"}));
        std::filesystem::create_directory(h.bookPath() + ".history"); // no file can go there
        h.show();
        h.clickButton(kSaveButton);
        h.put(F::SURNAME, QStringLiteral("B"));
        h.clickButton(kAddButton);
        h.clickButton(kSaveButton);
        QCOMPARE(h.readBook(), bookOf({"B", "A"}));
        QCOMPARE(h.counts().historyTrouble, 1);
        QVERIFY(!h.counts().historyError.isEmpty());
        QVERIFY(h.counts().historySetAside.isEmpty());
        QCOMPARE(h.counts().saveFailed, 0);

        WindowHarness u(bookOf({"A"}));
        std::ofstream(u.bookPath() + ".history", std::ios::binary) << "not a history at all";
        u.show();
        u.put(F::SURNAME, QStringLiteral("B"));
        u.clickButton(kAddButton);
        u.window().endUnattended(); // told on standard error, not in a box
        QVERIFY(u.window().hasEndedUnattended());
        QCOMPARE(u.counts().historyTrouble, 0);
        QCOMPARE(u.readBook(), bookOf({"B", "A"}));
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

QTEST_MAIN(BookSavingTest)
#include "test_book_saving.moc"
