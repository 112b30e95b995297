// The History dialog: the book's saved states and their contacts, restoring one contact or the
// whole book as undoable changes, a history it cannot read; and Reload from disk.
#include "book_dialog.h"
#include "contact_table.h"
#include "history_dialog.h"
#include "window_chrome.h"
#include "window_harness.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <fstream>

using namespace qor;
using namespace qor::test;
using F = ContactField;

namespace {

QStringList shownContacts(const HistoryDialog& dialog)
{
    QStringList names;
    for (int row = 0; row < dialog.contactList().count(); ++row)
        names << dialog.contactList().item(row)->text();
    return names;
}

// The book A, B (listed B, A), saved by the window after adding C and again after deleting A:
// its history holds the book as found (A, B), then C, B, A, then C, B.
void saveTwice(WindowHarness& h)
{
    h.show();
    h.put(F::SURNAME, QStringLiteral("C"));
    h.clickButton(kAddButton);
    h.clickButton(kSaveButton);
    h.clickRow(2);
    h.clickButton(kDeleteButton);
    h.clickButton(kSaveButton);
    QCOMPARE(listedSurnames(h.window()), (QStringList{"C", "B"}));
}

void pressInWindow(WindowHarness& h, Qt::Key key)
{
    QApplication::setActiveWindow(&h.window()); // this platform leaves that to the program
    QLineEdit* field = h.edit(F::NICKNAME); // nothing typed there: the key goes to the list
    field->setFocus();
    QTest::keyClick(field, key, Qt::ControlModifier);
}

} // namespace

class HistoryDialogTest : public QObject {
    Q_OBJECT
private slots:
    void states_areListedNewestFirstAndEachShowsItsContactsAsTheWindowWould()
    {
        WindowHarness h(bookOf({"A", "B"}));
        saveTwice(h);
        HistoryDialog dialog(h.window());
        QTreeWidget& states = dialog.stateList();
        QCOMPARE(states.topLevelItemCount(), 3);
        const QStringList expected[] = {
            {"2", "+0 added, -1 removed"}, {"3", "+1 added, -0 removed"}, {"2", "found on disk"}};
        for (int i = 0; i < 3; ++i) {
            const QTreeWidgetItem* item = states.topLevelItem(i);
            QCOMPARE((QStringList{item->text(1), item->text(2)}), expected[i]);
            // Local time, to the second.
            const QDateTime saved = QDateTime::fromString(item->text(0), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            QVERIFY2(saved.isValid(), qPrintable(item->text(0)));
            QVERIFY(qAbs(saved.secsTo(QDateTime::currentDateTime())) < 120);
        }
        // The newest is selected; a state's file has its last contact on top, as the window lists it.
        QCOMPARE(states.currentItem(), states.topLevelItem(0));
        QCOMPARE(shownContacts(dialog), (QStringList{"B", "C"}));
        states.setCurrentItem(states.topLevelItem(1));
        QCOMPARE(shownContacts(dialog), (QStringList{"A", "B", "C"}));
        QVERIFY(dialog.statusText().isEmpty());
    }

    void restore_ofAContactOrTheWholeBookIsAnUndoableChangeThatCloseSaves()
    {
        WindowHarness h(bookOf({"A", "B"}));
        saveTwice(h);
        BookDialog& w = h.window();
        HistoryDialog dialog(w);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QApplication::setActiveWindow(&dialog);
        QCOMPARE(QApplication::focusWidget(), &dialog.stateList());

        dialog.stateList().setCurrentItem(dialog.stateList().topLevelItem(1)); // C, B, A: listed A, B, C
        QCOMPARE(dialog.contactList().currentRow(), 0);
        QTest::keyClick(&dialog, Qt::Key_R, Qt::AltModifier); // Restore this contact, clicked a moment later
        QTRY_COMPARE(listedSurnames(w), (QStringList{"A", "C", "B"}));
        QCOMPARE(w.session().mark().row(), 0);
        QCOMPARE(h.shown(F::SURNAME), QStringLiteral("A"));
        QCOMPARE(dialog.statusText(), QStringLiteral("A is back on top of the list."));
        QVERIFY(dialog.isVisible()); // more may follow

        dialog.stateList().setCurrentItem(dialog.stateList().topLevelItem(2)); // the book found: A, B
        QTest::keyClick(&dialog, Qt::Key_W, Qt::AltModifier); // Restore the whole book
        QTRY_VERIFY(!dialog.isVisible());
        QCOMPARE(listedSurnames(w), (QStringList{"B", "A"}));
        QCOMPARE(h.shown(F::SURNAME), QStringLiteral("B"));

        pressInWindow(h, Qt::Key_Z);
        QCOMPARE(listedSurnames(w), (QStringList{"A", "C", "B"}));
        pressInWindow(h, Qt::Key_Z);
        QCOMPARE(listedSurnames(w), (QStringList{"C", "B"}));
        pressInWindow(h, Qt::Key_Y);
        pressInWindow(h, Qt::Key_Y);
        QCOMPARE(listedSurnames(w), (QStringList{"B", "A"}));
        // Written top to bottom, as every list: opening and saving a book turns it round.
        h.clickButton(kOkButton);
        QCOMPARE(h.readBook(), bookOf({"B", "A"}));
        QCOMPARE(h.counts().bookChanged + h.counts().saveFailed, 0);
    }

    void history_thatCannotBeShownSaysSoAndRestoresNothing_data()
    {
        QTest::addColumn<bool>("hasHistory");
        QTest::addColumn<QByteArray>("historyBytes");
        QTest::addColumn<QString>("said");
        QTest::newRow("none") << false << QByteArray() << "The book has no saved states yet";
        QTest::newRow("garbage") << true << QByteArray("\x01\x02 not a history at all\r\n\xff", 27)
                                 << "The book's history cannot be read: ";
    }
    void history_thatCannotBeShownSaysSoAndRestoresNothing()
    {
        QFETCH(bool, hasHistory);
        QFETCH(QByteArray, historyBytes);
        QFETCH(QString, said);
        WindowHarness h(bookOf({"A", "B"}));
        if (hasHistory)
            std::ofstream(h.bookPath() + ".history", std::ios::binary) << historyBytes.toStdString();
        HistoryDialog dialog(h.window());
        QCOMPARE(dialog.stateList().topLevelItemCount(), 0);
        QCOMPARE(dialog.contactList().count(), 0);
        QVERIFY2(dialog.statusText().startsWith(said), qPrintable(dialog.statusText()));
        QVERIFY(!dialog.restoreContactButton().isEnabled());
        QVERIFY(!dialog.restoreBookButton().isEnabled());
    }

    void reload_makesTheListTheFilesUndoablyAndTheNextSaveDoesNotAsk()
    {
        WindowHarness h(bookOf({"A"}));
        installWindowChrome(h.window());
        h.show();
        BookDialog& w = h.window();
        h.put(F::SURNAME, QStringLiteral("B"));
        h.clickButton(kAddButton);
        QAction* reload = aboutMenuFor(&w)->findChild<QAction*>(QStringLiteral("reloadAction"));
        QVERIFY(reload);

        // A file that is no book now: said, and the list stays.
        h.writeBook("written by something else\r\n");
        reload->trigger();
        QCOMPARE(h.counts().reloadFailed, 1);
        QVERIFY(h.counts().reloadError.contains(QStringLiteral("not a QOR contact book")));
        QCOMPARE(listedSurnames(w), (QStringList{"B", "A"}));

        h.writeBook(bookOf({"X", "Y"})); // another writer
        reload->trigger();
        QCOMPARE(h.counts().reloadFailed, 1);
        QCOMPARE(listedSurnames(w), (QStringList{"Y", "X"}));
        QCOMPARE(h.shown(F::SURNAME), QStringLiteral("Y"));
        pressInWindow(h, Qt::Key_Z);
        QCOMPARE(listedSurnames(w), (QStringList{"B", "A"}));
        // The file read is what this window last knew of the book: overwriting it is no conflict.
        h.clickButton(kSaveButton);
        QCOMPARE(h.counts().bookChanged, 0);
        QCOMPARE(h.readBook(), bookOf({"B", "A"}));
    }
};

QTEST_MAIN(HistoryDialogTest)
#include "test_history_dialog.moc"
