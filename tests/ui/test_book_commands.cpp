// The window's commands and its life: opening, every button, the list click, and closing,
// which always writes the book.
#include "contact_filter.h"
#include "contact_list_view.h"
#include "contact_table.h"
#include "field_table.h"
#include "find_bar.h"
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
#include <sys/resource.h>

using namespace qor;
using namespace qor::test;
using F = ContactField;

namespace {


// Catches the help page's address instead of starting a browser.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

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
