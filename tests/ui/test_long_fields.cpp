// Fields longer than the form takes or shows: kept whole, read back whole, and stopped at the
// limit in exchange order.
#include "contact_table.h"
#include "dialog_template.h"
#include "field_table.h"
#include "form_rules.h"
#include "input_limits.h"
#include "window_harness.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>

using namespace qor;
using namespace qor::test;
using F = ContactField;

class LongFieldsTest : public QObject {
    Q_OBJECT
private slots:
    void edit_keepsALongerTextFromTheBookWhole()
    {
        WindowHarness h;
        h.show();
        const QString longText(300, QLatin1Char('x'));
        h.window().formRecord[F::COMMENTS] = longText.toStdString();
        h.window().showForm();
        QCOMPARE(h.edit(F::COMMENTS)->text(), longText);
        // Typing cannot lengthen it, deleting shortens it.
        h.edit(F::COMMENTS)->setFocus();
        h.edit(F::COMMENTS)->end(false);
        QTest::keyClick(h.edit(F::COMMENTS), Qt::Key_A);
        QCOMPARE(h.edit(F::COMMENTS)->text().size(), 300);
        QTest::keyClick(h.edit(F::COMMENTS), Qt::Key_Backspace);
        QCOMPARE(h.edit(F::COMMENTS)->text().size(), 299);
    }

    void hugeField_showsItsBeginningAndIsReadBackWholeUntilEdited()
    {
        // A damaged book can hold a field of millions of characters; the form must neither
        // freeze on it nor lose it.
        WindowHarness h;
        h.show();
        BookDialog& w = h.window();
        const std::string huge = std::string(3'000'000, 'h') + "\xC3\xA9" "end";
        w.formRecord[F::LIKES] = huge;
        w.formRecord[F::HEIGHT] = huge;
        w.showForm();
        QVERIFY(h.edit(F::LIKES)->text().size() < 100'000);
        QVERIFY(w.readForm()); // texts the form was given are kept whole, without a word
        QCOMPARE(h.counts().fieldTooLong, 0);
        QCOMPARE(w.formRecord[F::LIKES], huge);
        QCOMPARE(w.formRecord[F::HEIGHT], huge);

        // Typing over the beginning it shows keeps the rest it does not show; Clear empties it.
        const std::size_t shownBytes = std::size_t(h.combo(F::HEIGHT)->lineEdit()->text().toUtf8().size());
        h.combo(F::HEIGHT)->lineEdit()->setFocus();
        h.combo(F::HEIGHT)->lineEdit()->selectAll();
        QTest::keyClicks(h.combo(F::HEIGHT)->lineEdit(), "6 ft");
        QVERIFY(!w.readForm());
        QCOMPARE(w.formRecord[F::HEIGHT], "6 ft" + huge.substr(shownBytes));
        h.clickButton(1035);
        QVERIFY(w.readForm());
        QCOMPARE(w.formRecord[F::LIKES], std::string());
        QCOMPARE(w.formRecord[F::HEIGHT], std::string());
    }

    void longFieldFromTheBook_passesWholeUntilEditedAndAnEditKeepsTheRest()
    {
        // A line edit cuts its text at 32,767 characters unless told otherwise.
        const std::string comment40k = std::string(40'000, 'c') + "end";
        const std::string comment100k = std::string(100'000, 'd') + "end";
        std::string book = bookOf({"Combo", "Forty", "Hundred"});
        book.insert(book.find("HEIGHT=") + 7, comment40k); // a combo box's edit field too
        book.insert(book.find("COMMENTS=", book.find("Forty")) + 9, comment40k);
        book.insert(book.rfind("COMMENTS=") + 9, comment100k);
        WindowHarness h(book);
        h.show();

        for (int row : {2, 1}) {
            h.clickRow(row);
            h.clickButton(1027); // Update, no edit
        }
        QCOMPARE(h.edit(F::COMMENTS)->text().size(), 40'003);
        QCOMPARE(h.window().table().record(2)[F::HEIGHT], comment40k);
        QCOMPARE(h.window().table().record(1)[F::COMMENTS], comment40k);

        h.clickRow(0);
        QLineEdit* comments = h.edit(F::COMMENTS);
        comments->setFocus();
        comments->end(false);
        QTest::keyClick(comments, Qt::Key_Backspace);
        h.clickButton(1027);
        const std::string updated = h.window().table().record(0)[F::COMMENTS];
        QCOMPARE(updated.size(), comment100k.size() - 1);
        QCOMPARE(updated, comment100k.substr(0, 65'535) + comment100k.substr(65'536));

        // An edit inside a field short enough to show whole is an ordinary edit.
        h.clickRow(1);
        comments->setFocus();
        comments->home(false);
        QTest::keyClick(comments, Qt::Key_Delete);
        h.clickButton(1027);
        QCOMPARE(h.window().table().record(1)[F::COMMENTS].size(), comment40k.size() - 1);
        QCOMPARE(h.window().table().record(1)[F::COMMENTS], comment40k.substr(1));
    }

    void readForm_stopsAtTheFirstOverLongFieldInExchangeOrder()
    {
        WindowHarness h;
        h.show();
        BookDialog& w = h.window();
        w.formRecord[F::RATING] = "4";
        w.showForm();
        // What the user changed in the controls since.
        h.put(F::COMMENTS, QString(300, QLatin1Char('c')));
        h.put(F::WORKZIP, QStringLiteral("12345"));
        h.put(F::HAIR, QStringLiteral("Red"));
        h.put(F::DISLIKES, QStringLiteral("typed, not read"));
        h.put(F::OVERALL, QStringLiteral("9"));
        w.formRecord[F::DISLIKES] = "earlier";

        QVERIFY(!w.readForm());
        QCOMPARE(h.counts().fieldTooLong, 1);
        QCOMPARE(h.counts().longFieldName, QStringLiteral("Comments"));
        QCOMPARE(h.counts().longFieldContacts, std::size_t(0));
        QCOMPARE(w.formRecord[F::WORKZIP], std::string("12345"));
        QCOMPARE(w.formRecord[F::HAIR], std::string("Red"));
        QCOMPARE(w.formRecord[F::COMMENTS].size(), std::size_t(300));
        QCOMPARE(w.formRecord[F::DISLIKES], std::string("earlier"));
        QCOMPARE(w.formRecord[F::OVERALL], std::string(""));
        QCOMPARE(w.formRecord[F::RATING], std::string("4"));
        QCOMPARE(QApplication::focusWidget(), h.edit(F::COMMENTS));
        QCOMPARE(h.edit(F::COMMENTS)->selectedText().size(), 300);

        QVERIFY(!w.readForm());
        QCOMPARE(h.counts().fieldTooLong, 2); // once for every read
    }

    void ok_withAnOverLongFieldKeepsTheWindowOpen()
    {
        WindowHarness h;
        h.show();
        h.put(F::NICKNAME, QString(256, QLatin1Char('n')));
        QTest::keyClick(h.edit(F::SURNAME), Qt::Key_Return);
        QVERIFY(h.window().isVisible());
        QCOMPARE(h.counts().fieldTooLong, 1);
        QCOMPARE(QApplication::focusWidget(), h.edit(F::NICKNAME));
    }
};

QTEST_MAIN(LongFieldsTest)
#include "test_long_fields.moc"
