// The window's commands as the user meets them: opening, the buttons, the keys, the list.
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

    void listClick_aLeftClickOrAKeyShowsARowARightClickDoesNot()
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
        // Moving with the keyboard marks and shows, as a click does.
        h.clickRow(0);
        QCOMPARE(h.edit(F::SURNAME)->text(), QStringLiteral("C"));
        QTest::keyClick(&list, Qt::Key_Down);
        QCOMPARE(list.selectionMark(), 1);
        QCOMPARE(h.edit(F::SURNAME)->text(), QStringLiteral("B"));
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
};

QTEST_MAIN(BookCommandsTest)
#include "test_book_commands.moc"
