// The window's commands and its life: opening, every button, the list click, and closing,
// which always writes the book.
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

// The files in the book's folder other than the book and its lock.
QStringList besideTheBook(const WindowHarness& h)
{
    QStringList names = QDir(h.folder()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    names.removeAll(QStringLiteral("qor.qor"));
    names.removeAll(QStringLiteral("qor.qor.lock"));
    return names;
}

std::string readFile(const QString& path)
{
    std::ifstream in(path.toStdString(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

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

void touch(const QString& path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<html></html>");
}

// Types `text` into the find field as the user would.
void typeIntoFind(BookDialog& w, const QString& text)
{
    QTest::keyClicks(w.findField(), text);
}

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
            h.clickButton(kAddButton);
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
            h.clickButton(kAddButton);
            if (escape)
                QTest::keyClick(h.edit(F::SURNAME), Qt::Key_Escape);
            else
                h.clickButton(kOkButton);
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
        h.clickButton(kAddButton);
        h.window().close();
        QVERIFY(!h.window().isVisible());
        QVERIFY(h.readBook().find("SURNAME=B") != std::string::npos);
    }

    void typedButNeverAdded_isNotWrittenOnClose()
    {
        WindowHarness h(bookOf({"A"}));
        h.show();
        h.put(F::SURNAME, QStringLiteral("Typed"));
        h.clickButton(kOkButton);
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
        h.clickButton(kClearButton);
        for (std::size_t c = 0; c < kFieldCount; ++c)
            QVERIFY(h.window().formRecord[c].empty());
        h.clickButton(kUpdateButton);
        QCOMPARE(h.window().table().record(0), ContactRecord{});
        QCOMPARE(h.window().table().rowCount(), 1);
    }

    void updateAfterDelete_changesNoRowWhateverTheListHasCurrent()
    {
        WindowHarness h(bookOf({"A", "B", "C"}));
        h.show();
        h.clickRow(0);
        h.clickButton(kDeleteButton); // the mark is gone, though the list still has a current row
        QCOMPARE(h.window().list().selectionMark(), -1);
        std::vector<ContactRecord> before;
        for (int row = 0; row < h.window().table().rowCount(); ++row)
            before.push_back(h.window().table().record(row));
        h.put(F::SURNAME, QStringLiteral("typed"));
        h.clickButton(kUpdateButton);
        QCOMPARE(h.window().table().rowCount(), int(before.size()));
        for (int row = 0; row < h.window().table().rowCount(); ++row)
            QCOMPARE(h.window().table().record(row), before[std::size_t(row)]);
    }

    void save_writesTheBookAndKeepsWhatTheFormShows()
    {
        WindowHarness h(bookOf({"A", "B"}));
        h.show();
        h.put(F::SURNAME, QStringLiteral("Typed, not added"));
        h.put(F::HAIR, QStringLiteral("Red"));
        h.clickButton(kSaveButton);
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
        h.clickButton(kAddButton);
        QCOMPARE(h.counts().fieldTooLong, 2);
        QCOMPARE(h.window().table().rowCount(), 2);
        QCOMPARE(h.window().table().record(0)[F::COMMENTS].size(), std::size_t(300));
    }

    void find_ctrlFOpensTheFieldAndEscapeClearsItAndGivesTheFocusBack()
    {
        WindowHarness h(bookOf({"Smith", "Müller", "Ødegård", "Muller-Lyer"}));
        h.show();
        BookDialog& w = h.window();
        QApplication::setActiveWindow(&w);
        const QRect listBefore = w.list().geometry();
        QVERIFY(!w.findField()->isVisible());
        h.edit(F::EMAIL)->setFocus();
        QTest::keyClick(h.edit(F::EMAIL), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(w.findField()->isVisible());
        QCOMPARE(QApplication::focusWidget(), w.findField());
        QCOMPARE(w.findField()->accessibleName(), QStringLiteral("Find"));
        QCOMPARE(w.list().geometry(), listBefore); // no control moves
        QVERIFY(w.findBar().geometry().top() > listBefore.bottom());
        QVERIFY(w.rect().contains(w.findBar().geometry()));

        typeIntoFind(w, QStringLiteral("MÜLL"));
        QCOMPARE(w.list().model()->rowCount(), 2);
        QCOMPARE(w.findBar().countsText(), QStringLiteral("2 of 4 contacts"));
        typeIntoFind(w, QStringLiteral("x"));
        QCOMPARE(w.list().model()->rowCount(), 0);
        QCOMPARE(w.findBar().countsText(), QStringLiteral("0 of 4 contacts"));
        QTest::keyClick(w.findField(), Qt::Key_Backspace); // a shorter query looks at every row again
        QCOMPARE(w.list().model()->rowCount(), 2);
        QTest::keyClick(w.findField(), Qt::Key_Escape);
        QVERIFY(w.isVisible()); // Escape in the field does not close the window
        QVERIFY(!w.findField()->isVisible());
        QVERIFY(w.findField()->text().isEmpty());
        QCOMPARE(w.list().model()->rowCount(), 4);
        QCOMPARE(QApplication::focusWidget(), h.edit(F::EMAIL));

        // Escape anywhere else closes the window, as before.
        QTest::keyClick(h.edit(F::EMAIL), Qt::Key_Escape);
        QVERIFY(!w.isVisible());
    }

    void find_enterShowsTheFirstContactShownAndDownGoesToTheList()
    {
        WindowHarness h(bookOf({"Smith", "Ødegård", "Jones"}));
        h.show();
        BookDialog& w = h.window();
        QApplication::setActiveWindow(&w);
        w.openFind();
        typeIntoFind(w, QStringLiteral("ode"));
        QCOMPARE(w.list().model()->rowCount(), 1);
        QTest::keyClick(w.findField(), Qt::Key_Return);
        QVERIFY(w.isVisible()); // Enter in the field is not OK
        QCOMPARE(w.list().selectionMark(), 1); // "Ødegård" is row 1 of the whole list
        QCOMPARE(h.edit(F::SURNAME)->text(), QStringLiteral("Ødegård"));
        QTest::keyClick(w.findField(), Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(&w.list()));
        QVERIFY(w.list().isHighlighted(0));

        // Enter with nothing shown changes nothing.
        w.openFind();
        typeIntoFind(w, QStringLiteral("zzz"));
        h.put(F::SURNAME, QStringLiteral("typed"));
        QTest::keyClick(w.findField(), Qt::Key_Return);
        QCOMPARE(w.list().selectionMark(), 1);
        QCOMPARE(h.edit(F::SURNAME)->text(), QStringLiteral("typed"));
    }

    void find_underAFilterTheCommandsActOnTheWholeListAndTheBookKeepsEveryContact()
    {
        WindowHarness h(bookOf({"Anna", "Bert", "Müller", "Carl", "Mullins"}));
        h.show();
        BookDialog& w = h.window();
        // The whole list, top down: Mullins, Carl, Müller, Bert, Anna.
        h.clickRow(1); // "Carl", about to be hidden
        w.openFind();
        typeIntoFind(w, QStringLiteral("mul"));
        QCOMPARE(w.list().model()->rowCount(), 2);

        // Update acts on the marked contact although it is hidden, and shows it.
        h.put(F::SURNAME, QStringLiteral("Carlos"));
        h.clickButton(1027);
        QCOMPARE(w.table().record(1)[F::SURNAME], std::string("Carlos"));
        QCOMPARE(w.list().model()->rowCount(), 3);
        QCOMPARE(w.findBar().countsText(), QStringLiteral("3 of 5 contacts"));

        // Delete acts on the row clicked in the filtered list.
        typeIntoFind(w, QStringLiteral("l"));
        QCOMPARE(w.list().model()->rowCount(), 2); // Mullins, Müller
        h.clickRow(1);
        QCOMPARE(w.list().selectionMark(), 2);
        h.put(F::SURNAME, QStringLiteral("Müller-Neu"));
        h.clickButton(1027);
        h.clickRow(0);
        h.clickButton(1028);
        QCOMPARE(w.table().rowCount(), 4);
        QCOMPARE(w.list().selectionMark(), -1);
        QCOMPARE(w.list().model()->rowCount(), 1);
        QCOMPARE(w.findBar().countsText(), QStringLiteral("1 of 4 contacts"));

        // Add puts the contact on top of the whole list and shows it, though it does not match.
        h.put(F::SURNAME, QStringLiteral("Zed"));
        h.clickButton(1026);
        QCOMPARE(w.table().record(0)[F::SURNAME], std::string("Zed"));
        QCOMPARE(w.list().model()->rowCount(), 2);
        QCOMPARE(w.list().model()->index(0, 0).data().toString(), QStringLiteral("Zed"));
        QCOMPARE(w.findBar().countsText(), QStringLiteral("2 of 5 contacts"));

        // Save writes every contact, shown or hidden, in the whole list's order.
        const std::string expected = bookOf({"Zed", "Carlos", "Müller-Neu", "Bert", "Anna"});
        h.clickButton(1029);
        QCOMPARE(h.readBook(), expected);
        QCOMPARE(w.list().model()->rowCount(), 2); // saving leaves the filter on
        w.done(QDialog::Accepted);
        QCOMPARE(h.readBook(), expected);
    }

    void find_aFilterNeverChangesTheSavedBook()
    {
        const std::string book = bookOf({"Anna", "Bert", "Müller"});
        std::string plain, filtered;
        for (bool filter : {false, true}) {
            WindowHarness h(book);
            h.show();
            if (filter) {
                h.window().openFind();
                typeIntoFind(h.window(), QStringLiteral("bert"));
            }
            h.window().done(QDialog::Accepted);
            (filter ? filtered : plain) = h.readBook();
        }
        QCOMPARE(filtered, plain);
    }

    void help_opensThePageAndChangesNoRow()
    {
        UrlCatcher catcher;
        const QStringList schemes{QStringLiteral("file"), QStringLiteral("http"), QStringLiteral("https")};
        for (const QString& scheme : schemes)
            QDesktopServices::setUrlHandler(scheme, &catcher, "open");
        WindowHarness h(bookOf({"A", "B"}));
        h.show();
        h.put(F::SURNAME, QStringLiteral("typed"));
        h.clickButton(kHelpButton);
        for (const QString& scheme : schemes)
            QDesktopServices::unsetUrlHandler(scheme);
        QCOMPARE(catcher.opened.size(), 1);
        QCOMPARE(catcher.opened.first(), helpPageUrl(QCoreApplication::applicationDirPath()));
        QCOMPARE(h.edit(F::SURNAME)->text(), QStringLiteral("typed"));
        QCOMPARE(h.window().table().rowCount(), 2);
    }

    void helpPage_isTheInstalledPageOrTheOneBesideTheProgram()
    {
        if (!configuredHelpAddress().isEmpty()) {
            // A packager's web address wins wherever the program lies.
            QCOMPARE(helpPageUrl(QDir::tempPath()), QUrl(configuredHelpAddress()));
            QVERIFY(helpPageUrl(QDir::tempPath()).path().endsWith(QLatin1String("/qor/help.htm")));
            return;
        }
        QTemporaryDir prefix;
        const QString bin = prefix.filePath(QStringLiteral("bin"));
        const QString installed = prefix.filePath(QStringLiteral("share/doc/qor/help.htm"));
        const QString beside = bin + QStringLiteral("/help.htm");
        QVERIFY(QDir().mkpath(bin));
        // Nothing there yet: the installed page's address, for the browser to report missing.
        QCOMPARE(helpPageUrl(bin), QUrl::fromLocalFile(installed));
        // The build tree keeps the page beside the program.
        touch(beside);
        QCOMPARE(helpPageUrl(bin), QUrl::fromLocalFile(beside));
        QCOMPARE(helpPageUrl(bin).scheme(), QStringLiteral("file"));
        // Installed under a prefix: share/doc/qor/help.htm.
        QVERIFY(QDir().mkpath(QFileInfo(installed).path()));
        touch(installed);
        QCOMPARE(helpPageUrl(bin), QUrl::fromLocalFile(installed));
        QVERIFY(helpPageUrl(bin).path().endsWith(QLatin1String("/qor/help.htm")));
    }

    void helpPage_describesEveryFieldButtonAndKey()
    {
        QFile file(QStringLiteral(QOR_SOURCE_DIR "/res/help.htm"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString page = QString::fromUtf8(file.readAll());
        for (const FieldInfo& info : fieldTable())
            if (!info.label.empty())
                QVERIFY2(page.contains(QString::fromUtf8(info.label.data(), qsizetype(info.label.size()))),
                         info.label.data());
        for (const char* text : {"OK", "Help", "Add", "Update", "Delete", "Clear", "Save", "Enter", "Escape",
                                 "Tab", "<kbd>Alt</kbd>+<kbd>H</kbd>", "<kbd>Ctrl</kbd>+<kbd>F</kbd>", "qor.qor",
                                 "Import...", "Export...", "Upcoming dates...", "Find..."})
            QVERIFY2(page.contains(QString::fromUtf8(text)), text);
        // A page that works offline: nothing fetched from elsewhere.
        QVERIFY(!page.contains(QStringLiteral("src=\"http")));
        QVERIFY(!page.contains(QStringLiteral("<link")));
    }

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

    void bookChangedOnDisk_saveBesideItKeepsBothSides()
    {
        WindowHarness h(bookOf({"A"}));
        h.show();
        h.put(F::SURNAME, QStringLiteral("Mine"));
        h.clickButton(kAddButton);
        const std::string theirs = bookOf({"Theirs"});
        h.writeBook(theirs); // another program rewrites the book
        h.clickButton(kSaveButton);
        QCOMPARE(h.counts().bookChanged, 1);
        QVERIFY(h.counts().besideName.startsWith(QStringLiteral("qor-conflict-")));
        QVERIFY(h.counts().besideName.endsWith(QStringLiteral(".qor")));
        QCOMPARE(h.readBook(), theirs);
        QCOMPARE(besideTheBook(h), QStringList{h.counts().besideName});
        const QString beside = h.folder() + QLatin1Char('/') + h.counts().besideName;
        QCOMPARE(readFile(beside), bookOf({"Mine", "A"}));
        struct stat st {};
        QCOMPARE(::stat(beside.toLocal8Bit().constData(), &st), 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0600));
        QCOMPARE(h.counts().saveFailed, 0);

        // Closing asks again, for the book on disk is still not what this window read.
        h.clickButton(kOkButton);
        QCOMPARE(h.counts().bookChanged, 2);
        QVERIFY(!h.window().isVisible());
        QCOMPARE(h.readBook(), theirs);
    }

    void bookChangedOnDisk_overwriteReplacesItAndGoBackWritesNothing()
    {
        WindowHarness h(bookOf({"A"}));
        h.show();
        h.writeBook(bookOf({"Theirs"}));
        h.counts().conflictAnswer = ConflictChoice::GoBack;
        h.clickButton(kOkButton); // closing: going back keeps the window, without the close question
        QCOMPARE(h.counts().bookChanged, 1);
        QCOMPARE(h.counts().closeQuestions, 0);
        QVERIFY(h.window().isVisible());
        QCOMPARE(h.readBook(), bookOf({"Theirs"}));
        QVERIFY(besideTheBook(h).isEmpty());

        h.counts().conflictAnswer = ConflictChoice::Overwrite;
        h.clickButton(kSaveButton);
        QCOMPARE(h.readBook(), bookOf({"A"}));
        // What the window wrote is what it now knows: the next save asks nothing.
        h.clickButton(kSaveButton);
        QCOMPARE(h.counts().bookChanged, 2);
        QVERIFY(besideTheBook(h).isEmpty());
    }

    void bookChangedOnDisk_aBookRemovedOrMadeMeanwhileCountsTheSameBytesDoNot()
    {
        WindowHarness h(bookOf({"A"}));
        h.show();
        h.writeBook(bookOf({"A"})); // the same bytes written again: no change
        h.clickButton(kSaveButton);
        QCOMPARE(h.counts().bookChanged, 0);
        // A book removed since the window opened is a change.
        const auto path = std::filesystem::path(h.bookPath());
        std::filesystem::remove(path);
        h.clickButton(kSaveButton);
        QCOMPARE(h.counts().bookChanged, 1);
        QVERIFY(!std::filesystem::exists(path));

        // And one made where there was none.
        WindowHarness missing;
        missing.writeBook(bookOf({"Made meanwhile"}));
        missing.counts().conflictAnswer = ConflictChoice::GoBack;
        missing.clickButton(kSaveButton);
        QCOMPARE(missing.counts().bookChanged, 1);
        QCOMPARE(missing.readBook(), bookOf({"Made meanwhile"}));
    }

    void twoWindows_theSecondIsWarnedAndNeitherLosesItsContact()
    {
        WindowHarness h(bookOf({"A"}));
        QCOMPARE(h.counts().openElsewhere, 0);
        auto secondCounts = std::make_shared<RecordingMessages::Counts>();
        std::unique_ptr<BookDialog> second = h.secondWindow(secondCounts);
        QCOMPARE(secondCounts->openElsewhere, 1);

        h.show();
        h.put(F::SURNAME, QStringLiteral("First"));
        h.clickButton(kAddButton);
        second->formRecord[F::SURNAME] = "Second";
        second->showForm();
        second->add();
        h.clickButton(kOkButton); // the first closes: the book is its list
        QCOMPARE(h.readBook(), bookOf({"First", "A"}));
        second->done(QDialog::Accepted); // the second is asked, and saves beside by default
        QCOMPARE(secondCounts->bookChanged, 1);
        QCOMPARE(h.readBook(), bookOf({"First", "A"}));
        QCOMPARE(readFile(h.folder() + QLatin1Char('/') + secondCounts->besideName), bookOf({"Second", "A"}));
    }

    void leftoverTemporaries_goAtStartUnlessAnotherWindowHoldsTheBook()
    {
        WindowHarness h(bookOf({"A"}));
        const QString leftover = h.folder() + QStringLiteral("/qor.qor.K3Q0Z7");
        const QString usersOwn = h.folder() + QStringLiteral("/qor.qor.backup");
        std::ofstream(leftover.toStdString()) << "CREATOR=QOR 1.0\r\nSURN";
        std::ofstream(usersOwn.toStdString()) << "kept";
        // The harness's window holds the book: a second one removes nothing.
        h.secondWindow(std::make_shared<RecordingMessages::Counts>()).reset();
        QVERIFY(QFile::exists(leftover));
        // Once no window holds it, the next start cleans up.
        h.reopen();
        QVERIFY(!QFile::exists(leftover));
        QVERIFY(QFile::exists(usersOwn));
        QCOMPARE(h.counts().openElsewhere, 0);
    }

    void windowHiddenFromOutside_savesAndEnds()
    {
        WindowHarness h(bookOf({"A", "B"}));
        h.show();
        h.put(F::SURNAME, QStringLiteral("C"));
        h.clickButton(kAddButton);
        h.window().hide(); // its native window went away without a close
        QVERIFY(!h.window().isVisible());
        QVERIFY(h.window().hasEndedUnattended());
        QCOMPARE(h.readBook(), bookOf({"C", "B", "A"}));
        QCOMPARE(h.counts().saveFailed + h.counts().closeQuestions + h.counts().bookChanged, 0);
    }

    void unattendedEnd_neverAsksAndPutsTheListBesideABookItCannotReplace()
    {
        // While the conflict box is open the end comes: the box goes, the list goes beside.
        WindowHarness h(bookOf({"A"}));
        h.show();
        h.writeBook(bookOf({"Theirs"}));
        h.counts().conflictAnswer = ConflictChoice::GoBack; // what a box closed by the end answers
        h.counts().whileConflictBoxIsOpen = [&] { h.window().endUnattended(); };
        h.clickButton(kSaveButton);
        QVERIFY(h.window().hasEndedUnattended());
        QVERIFY(!h.window().isVisible());
        QCOMPARE(h.readBook(), bookOf({"Theirs"}));
        QCOMPARE(besideTheBook(h).size(), 1);
        QCOMPARE(readFile(h.folder() + QLatin1Char('/') + besideTheBook(h).first()), bookOf({"A"}));

        // A read-only book: no box, no question; the list is kept beside it.
        WindowHarness r(bookOf({"A"}));
        r.show();
        std::filesystem::permissions(r.bookPath(), std::filesystem::perms::owner_read);
        r.put(F::SURNAME, QStringLiteral("B"));
        r.clickButton(kAddButton);
        r.window().endUnattended();
        QVERIFY(r.window().hasEndedUnattended());
        QCOMPARE(r.counts().saveFailed + r.counts().closeQuestions, 0);
        QCOMPARE(r.readBook(), bookOf({"A"}));
        QCOMPARE(besideTheBook(r).size(), 1);
        QCOMPARE(readFile(r.folder() + QLatin1Char('/') + besideTheBook(r).first()), bookOf({"B", "A"}));
        std::filesystem::permissions(r.bookPath(), std::filesystem::perms::owner_all);
    }

    void unattendedEndWhileOpening_waitsForTheBookThenSavesIt()
    {
        WindowHarness h(bookOf({"A", "B"}));
        auto counts = std::make_shared<RecordingMessages::Counts>();
        // The end comes while the warning of a second window is open, before the book is read:
        // saving then would write an empty list over the book.
        counts->whileOpenElsewhereBoxIsOpen = [](QWidget* window) { static_cast<BookDialog*>(window)->endUnattended(); };
        std::unique_ptr<BookDialog> second = h.secondWindow(counts);
        QCOMPARE(counts->openElsewhere, 1);
        QCOMPARE(h.readBook(), bookOf({"A", "B"}));
        QVERIFY(besideTheBook(h).isEmpty());
        QCOMPARE(second->table().rowCount(), 2);
        // Once it runs, it ends as closing would.
        second->show();
        QTRY_VERIFY(second->hasEndedUnattended());
        QVERIFY(!second->isVisible());
        QCOMPARE(h.readBook(), bookOf({"B", "A"}));
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

    void conflictBox_offersThreeChoicesSaveBesideFirst()
    {
        struct Seen {
            QString text;
            QStringList buttons;
            QString defaultButton;
        };
        const auto answerWith = [](Seen& seen, const QString& press) {
            QTimer::singleShot(0, [&seen, press] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (!box)
                    return;
                seen.text = box->text();
                for (QAbstractButton* b : box->buttons())
                    seen.buttons << b->text();
                seen.defaultButton = box->defaultButton() ? box->defaultButton()->text() : QString();
                if (press.isEmpty()) {
                    QTest::keyClick(box, Qt::Key_Escape);
                    return;
                }
                for (QAbstractButton* b : box->buttons())
                    if (b->text() == press)
                        b->click();
            });
        };
        const QString name = QStringLiteral("qor-conflict-20261207-141502.qor");
        Seen seen;
        answerWith(seen, QStringLiteral("Save beside it"));
        QCOMPARE(UserMessages().bookChanged(nullptr, name), ConflictChoice::SaveBeside);
        QVERIFY(seen.text.contains(name));
        QCOMPARE(seen.buttons.size(), 3);
        QVERIFY(seen.buttons.contains(QStringLiteral("Overwrite")));
        QVERIFY(seen.buttons.contains(QStringLiteral("Go back to the window")));
        QCOMPARE(seen.defaultButton, QStringLiteral("Save beside it"));

        Seen overwrite, escape;
        answerWith(overwrite, QStringLiteral("Overwrite"));
        QCOMPARE(UserMessages().bookChanged(nullptr, name), ConflictChoice::Overwrite);
        answerWith(escape, {});
        QCOMPARE(UserMessages().bookChanged(nullptr, name), ConflictChoice::GoBack);
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
        QCOMPARE(messages->closeQuestions, 1);
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
