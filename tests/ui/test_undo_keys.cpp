// Undo and redo in the window: the keys, where the form's own undo goes first, and the menu's
// items named after the change.
#include "book_dialog.h"
#include "contact_list_view.h"
#include "contact_table.h"
#include "window_chrome.h"
#include "window_harness.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

using namespace qor;
using namespace qor::test;
using F = ContactField;

namespace {

std::string surname(BookDialog& w, int row) { return w.table().record(row)[F::SURNAME]; }

} // namespace

class UndoKeysTest : public QObject {
    Q_OBJECT
private slots:
    void keys_undoAndRedoTheListsLastChangeAndUndoShowsTheRowBack()
    {
        WindowHarness h(bookOf({"A", "B", "C"}));
        h.show();
        BookDialog& w = h.window();
        h.clickRow(1); // "B"
        h.clickButton(kDeleteButton);
        QCOMPARE(w.table().rowCount(), 2);
        QLineEdit* field = h.edit(F::SURNAME);
        field->setFocus();
        h.put(F::SURNAME, QStringLiteral("typed"));

        QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(w.table().rowCount(), 3);
        QCOMPARE(surname(w, 1), std::string("B")); // back where it was
        QCOMPARE(w.list().selectionMark(), 1);
        QCOMPARE(field->text(), QStringLiteral("B")); // and shown in the form

        for (const auto& redo : {QKeyCombination(Qt::ControlModifier, Qt::Key_Y),
                                 QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z)}) {
            QTest::keyClick(field, redo.key(), redo.keyboardModifiers());
            QCOMPARE(w.table().rowCount(), 2);
            QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(w.table().rowCount(), 3);
        }
        // Nothing more to undo: the key changes nothing.
        QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(w.table().rowCount(), 3);
        h.clickButton(kOkButton);
        QCOMPARE(h.readBook(), bookOf({"C", "B", "A"}));
    }

    void keys_undoWhatWasTypedInAFieldBeforeTheList()
    {
        WindowHarness h(bookOf({"A"}));
        h.show();
        BookDialog& w = h.window();
        h.put(F::SURNAME, QStringLiteral("New"));
        h.clickButton(kAddButton);
        QLineEdit* field = h.edit(F::NICKNAME);
        field->setFocus();
        QTest::keyClicks(field, "nick");
        QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(field->text(), QString()); // the field's own undo first
        QCOMPARE(w.table().rowCount(), 2);
        QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(w.table().rowCount(), 1); // then the list's
        QCOMPARE(surname(w, 0), std::string("A"));
    }

    void menu_namesTheChangeAndRunsIt()
    {
        WindowHarness h(bookOf({"Lee"}));
        installWindowChrome(h.window());
        h.show();
        BookDialog& w = h.window();
        QMenu* menu = aboutMenuFor(&w);
        QVERIFY(menu);
        auto* undo = menu->findChild<QAction*>(QStringLiteral("undoAction"));
        auto* redo = menu->findChild<QAction*>(QStringLiteral("redoAction"));
        QVERIFY(undo && redo);
        nameUndoActions(w, *undo, *redo);
        QVERIFY(!undo->isEnabled());
        QCOMPARE(undo->text(), QStringLiteral("&Undo"));

        w.formRecord[F::FIRSTNAME] = "Ann";
        w.showForm();
        h.clickRow(0);
        h.put(F::FIRSTNAME, QStringLiteral("Ann"));
        h.clickButton(kUpdateButton);
        h.clickButton(kDeleteButton);
        nameUndoActions(w, *undo, *redo);
        QCOMPARE(undo->text(), QStringLiteral("&Undo Delete \"Lee, Ann\""));
        undo->trigger();
        QCOMPARE(w.table().rowCount(), 1);
        nameUndoActions(w, *undo, *redo);
        QCOMPARE(undo->text(), QStringLiteral("&Undo Update \"Lee, Ann\""));
        QCOMPARE(redo->text(), QStringLiteral("&Redo Delete \"Lee, Ann\""));
        redo->trigger();
        QCOMPARE(w.table().rowCount(), 0);
        // A name's '&' is shown, not taken for a mnemonic.
        h.put(F::SURNAME, QStringLiteral("Smith & Sons"));
        h.put(F::FIRSTNAME, QString());
        h.clickButton(kAddButton);
        nameUndoActions(w, *undo, *redo);
        QCOMPARE(undo->text(), QStringLiteral("&Undo Add \"Smith && Sons\""));
    }
};

QTEST_MAIN(UndoKeysTest)
#include "test_undo_keys.moc"
