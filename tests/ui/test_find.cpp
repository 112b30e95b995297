// Find in the window: the field, its keys, and the commands under a filter.
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

// Types `text` into the find field as the user would.
void typeIntoFind(BookDialog& w, const QString& text)
{
    QTest::keyClicks(w.findField(), text);
}

} // namespace

class FindTest : public QObject {
    Q_OBJECT
private slots:
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

        // Update and Delete leave the marked contact alone while find hides it, and say why.
        h.put(F::SURNAME, QStringLiteral("Carlos"));
        h.clickButton(1027);
        h.clickButton(1028);
        QCOMPARE(w.table().rowCount(), 5);
        QCOMPARE(w.table().record(1)[F::SURNAME], std::string("Carl"));
        QCOMPARE(w.statusText(), QString::fromUtf8(kSelectFirstText));
        QCOMPARE(w.findBar().countsText(), QStringLiteral("2 of 5 contacts"));

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
        const std::string expected = bookOf({"Zed", "Carl", "Müller-Neu", "Bert", "Anna"});
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
};

QTEST_MAIN(FindTest)
#include "test_find.moc"
