// The contact form: layout from the window template, input limits, and the exchange between
// the controls and the form record.
#include "book_text.h"
#include "contact_list_view.h"
#include "contact_table.h"
#include "dialog_template.h"
#include "field_table.h"
#include "form_rules.h"
#include "input_limits.h"
#include "window_harness.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QKeyEvent>
#include <QPushButton>
#include <QTest>

using namespace qor;
using namespace qor::test;
using F = ContactField;

class BookFormTest : public QObject {
    Q_OBJECT
private slots:
    void window_isLaidOutFromTheTemplateInDialogUnits()
    {
        WindowHarness h;
        BookDialog& w = h.window();
        const DialogUnits units(w.fontMetrics());
        QCOMPARE(w.size(), units.size(kBookDialogWidth, kBookDialogHeight));
        QCOMPARE(w.minimumSize(), w.maximumSize()); // no resizing
        QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(w.windowFlags() & Qt::WindowMinimizeButtonHint);

        int controls = 0, labels = 0;
        for (const DialogControl& c : bookDialogTemplate()) {
            if (c.type == ControlType::Label) {
                ++labels;
                continue;
            }
            ++controls;
            QWidget* widget = w.control(c.id);
            QVERIFY2(widget, qPrintable(QString::number(c.id)));
            QCOMPARE(widget->pos(), units.rect(c.x, c.y, c.width, c.height).topLeft());
            QCOMPARE(widget->width(), units.rect(c.x, c.y, c.width, c.height).width());
        }
        QCOMPARE(controls, 41);
        QCOMPARE(labels, 32); // 31 labels and the product line 1045

        QStringList texts;
        for (QLabel* label : w.findChildren<QLabel*>())
            texts << label->text();
        for (const char* odd : {"Hieght:", "Aniversary:", "NickName:", "Work"})
            QVERIFY2(texts.contains(QString::fromUtf8(odd)), odd);
        QVERIFY(w.control(kProductLine));
        QVERIFY(qobject_cast<QLabel*>(w.control(kProductLine))->text().contains(QStringLiteral("v1.01")));
        QCOMPARE(qobject_cast<QPushButton*>(w.control(kHelpButton))->text(), QStringLiteral("&Help"));
        QVERIFY(qobject_cast<QPushButton*>(w.control(kOkButton))->isDefault());
    }

    void showForm_showsEveryValueFromItsFirstCharacter()
    {
        WindowHarness h;
        h.show();
        BookDialog& w = h.window();
        for (const FieldInfo& info : fieldTable())
            if (info.kind != ControlKind::None)
                w.formRecord[info.field] = "Start of a value far too wide for its field " + std::string(info.key);
        w.formRecord[F::DOBMON] = "Sep";
        w.formRecord[F::DOBYEAR] = "1999";
        // A field the user has scrolled to its end is shown from its start again too.
        h.edit(F::EMAIL)->setFocus();
        h.edit(F::EMAIL)->end(false);
        w.showForm();
        w.grab(); // lays the fields out as they are painted
        for (const FieldInfo& info : fieldTable()) {
            if (info.kind == ControlKind::None)
                continue;
            QLineEdit* line = info.kind == ControlKind::Edit ? h.edit(info.field) : h.combo(info.field)->lineEdit();
            QVERIFY2(line->cursorPosition() == 0, info.key.data());
            QVERIFY2(line->inputMethodQuery(Qt::ImCursorRectangle).toRect().left() <= kLineEditTextMargin + 1, info.key.data());
        }
        QCOMPARE(h.shown(F::DOBMON), QStringLiteral("Sep"));
    }

    void screenReader_findsEveryControlByANameOfItsOwn()
    {
        WindowHarness h;
        h.show();
        BookDialog& w = h.window();
        QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&w);
        QVERIFY(window);
        QStringList names;
        for (int i = 0; i < window->childCount(); ++i) {
            QAccessibleInterface* child = window->child(i);
            // Labels name the controls; the find bar is hidden until the user asks for it.
            if (child->role() == QAccessible::StaticText || child->state().invisible)
                continue;
            const QString name = child->text(QAccessible::Name);
            const auto field = fieldForControl(child->object()->objectName().toInt());
            if (field) {
                const std::string_view spoken = fieldInfo(*field).spokenName;
                QCOMPARE(name, QString::fromUtf8(spoken.data(), qsizetype(spoken.size())));
                // An editable combo box hands the focus to its edit field, and drops a list:
                // both are named too.
                if (auto* combo = qobject_cast<QComboBox*>(child->object())) {
                    QCOMPARE(QAccessible::queryAccessibleInterface(combo->lineEdit())->text(QAccessible::Name), name);
                    QCOMPARE(QAccessible::queryAccessibleInterface(combo->view())->text(QAccessible::Name), name);
                }
            }
            QVERIFY2(!name.isEmpty(), qPrintable(child->object()->objectName()));
            QVERIFY2(!names.contains(name), qPrintable(name));
            names << name;
        }
        QCOMPARE(names.size(), 41);
        for (const char* name : {"Contacts", "Help", "Add", "Surname", "Home street", "Work street", "Work city",
                                 "Home phone", "Height", "Date of birth: day", "Date of birth: month",
                                 "Anniversary: year"})
            QVERIFY2(names.contains(QString::fromUtf8(name)), name);

        // The label the user sees before a control is still its label for a screen reader; the
        // headings "Home:" and "Work" are nobody's. The screen keeps its own spelling.
        QStringList buddyLabels;
        for (QLabel* label : w.findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly))
            if (label->buddy())
                buddyLabels << label->text();
        QCOMPARE(buddyLabels.size(), 29);
        QVERIFY(buddyLabels.contains(QStringLiteral("Hieght:")) && buddyLabels.contains(QStringLiteral("Aniversary:")));
    }

    void defaultButton_isFramedUnlikeTheFocus()
    {
        // The style frames the focus in the highlight's colour; the default button alone must
        // not look focused, or the user cannot tell where the keys go.
        WindowHarness h;
        h.show();
        QApplication::setActiveWindow(&h.window());
        auto* ok = qobject_cast<QPushButton*>(h.window().control(kOkButton));
        QVERIFY(ok->isDefault());
        const int highlightHue = ok->palette().color(QPalette::Highlight).hslHue();
        const auto highlighted = [&] {
            const QImage image = ok->grab().toImage();
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x) {
                    const QColor c = image.pixelColor(x, y);
                    if (c.hslSaturation() > 80 && std::abs(c.hslHue() - highlightHue) < 20)
                        return true;
                }
            return false;
        };
        QVERIFY(h.edit(F::SURNAME)->hasFocus());
        QVERIFY(!highlighted());
        h.window().list().setFocus();
        QTest::keyClick(&h.window().list(), Qt::Key_Tab);
        QVERIFY(ok->hasFocus());
        QVERIFY(highlighted());
    }

    void tab_walksTheFieldsButtonsAndListInTemplateOrder()
    {
        WindowHarness h;
        h.show();
        QCOMPARE(QApplication::focusWidget(), h.edit(F::SURNAME));
        std::vector<int> expected;
        for (const DialogControl& c : bookDialogTemplate())
            if (c.type != ControlType::Label)
                expected.push_back(c.id);
        for (std::size_t i = 1; i < expected.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* focus = QApplication::focusWidget();
            QWidget* want = h.window().control(expected[i]);
            QVERIFY2(focus == want || focus->parentWidget() == want,
                     qPrintable(QStringLiteral("tab stop %1 should be control %2").arg(i).arg(expected[i])));
        }
    }

    void combo_showsTheFirstEntryItsTextBegins_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("hair bl") << int(F::HAIR) << "bl" << "Black";
        QTest::newRow("eyes blue, other case") << int(F::EYES) << "blue" << "Blue";
        QTest::newRow("month ju") << int(F::DOBMON) << "ju" << "Jun";
        QTest::newRow("year 19") << int(F::DOBYEAR) << "19" << "1900";
        QTest::newRow("height 6") << int(F::HEIGHT) << "6" << "6 ft";
        QTest::newRow("in bed 1 is not 10") << int(F::INBED) << "1" << "1";
        QTest::newRow("day 3 is not 30") << int(F::DOBDAY) << "3" << "3";
        QTest::newRow("no entry begins it") << int(F::HEIGHT) << "5 ft 6'" << "5 ft 6'";
        QTest::newRow("best body, sorted") << int(F::BESTFEATURE) << "b" << "Body";
        QTest::newRow("empty") << int(F::ANYEAR) << "" << "";
    }
    void combo_showsTheFirstEntryItsTextBegins()
    {
        QFETCH(int, field);
        QFETCH(QString, text);
        QFETCH(QString, shown);
        WindowHarness h;
        const auto f = static_cast<ContactField>(field);
        h.window().formRecord[f] = text.toStdString();
        h.window().showForm();
        QCOMPARE(h.shown(f), shown);
        if (text.isEmpty())
            QCOMPARE(h.combo(f)->currentIndex(), -1);
        QVERIFY(h.window().readForm());
        QCOMPARE(QString::fromStdString(h.window().formRecord[f]), shown);
    }

    void combo_listsItsEntriesInTheirListOrder()
    {
        WindowHarness h;
        QComboBox* height = h.combo(F::HEIGHT);
        QCOMPARE(height->count(), 25);
        QCOMPARE(height->itemText(1), QStringLiteral("4 ft 1'"));
        QCOMPARE(height->itemText(2), QStringLiteral("4 ft 10'"));
        QCOMPARE(height->itemText(3), QStringLiteral("4 ft 11'"));
        QCOMPARE(height->findText(QStringLiteral("6 ft")), height->findText(QStringLiteral("4 ft 9'")) + 1);
        QComboBox* best = h.combo(F::BESTFEATURE);
        QCOMPARE(best->itemText(0), QStringLiteral("Body"));
        QCOMPARE(best->itemText(best->count() - 1), QStringLiteral("Personality"));
        QCOMPARE(h.combo(F::HAIR)->itemText(0), QStringLiteral("Black"));
        QCOMPARE(h.combo(F::ANYEAR)->count(), 111);
        QCOMPARE(h.combo(F::DOBYEAR)->count(), 102);
    }

    void combo_typingNeitherCompletesNorAddsAnEntry()
    {
        WindowHarness h;
        h.show();
        QComboBox* hair = h.combo(F::HAIR);
        hair->setFocus();
        hair->lineEdit()->clear();
        QTest::keyClicks(hair->lineEdit(), "bl");
        QCOMPARE(hair->currentText(), QStringLiteral("bl"));
        QTest::keyClicks(hair->lineEdit(), "ue-green");
        hair->lineEdit()->returnPressed();
        QCOMPARE(hair->count(), 5);
    }

    void combo_typingStopsWhenTheTextFillsTheBox()
    {
        WindowHarness h;
        h.show();
        for (F field : {F::DOBDAY, F::HAIR}) {
            QComboBox* combo = h.combo(field);
            QLineEdit* line = combo->lineEdit();
            const int room = visibleTextWidth(line);
            combo->setFocus();
            line->clear();
            QTest::keyClicks(line, QString(40, QLatin1Char('W')));
            const QString typed = combo->currentText();
            QVERIFY(!typed.isEmpty());
            // Full: one more letter would not fit the visible width, not even the widest entry's.
            QVERIFY2(line->fontMetrics().horizontalAdvance(typed) <= room, qPrintable(typed));
            QVERIFY2(line->fontMetrics().horizontalAdvance(typed + QLatin1Char('W')) > room, qPrintable(typed));
        }
        // Every entry fits, so every entry can be typed.
        QComboBox* hair = h.combo(F::HAIR);
        hair->lineEdit()->clear();
        QTest::keyClicks(hair->lineEdit(), "Light Brown");
        QCOMPARE(hair->currentText(), QStringLiteral("Light Brown"));
    }

    void edit_typingAndPastingStopAt255Characters()
    {
        WindowHarness h;
        h.show();
        QLineEdit* likes = h.edit(F::LIKES);
        likes->setFocus();
        QTest::keyClicks(likes, QString(300, QLatin1Char('a')));
        QCOMPARE(likes->text().size(), 255);

        likes->setText(QString(250, QLatin1Char('b')));
        likes->end(false);
        likes->insert(QString(20, QLatin1Char('c'))); // what a paste does
        QCOMPARE(likes->text(), QString(250, QLatin1Char('b')) + QString(5, QLatin1Char('c')));

        // Characters, not bytes or UTF-16 units: 255 accented letters fit.
        likes->clear();
        for (int i = 0; i < 260; ++i) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(QChar(0xE9)));
            QApplication::sendEvent(likes, &press);
        }
        QCOMPARE(likes->text().size(), 255);
    }

    void pastedLineBreaks_becomeSpacesSoTheyCannotForgeBookLines_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("LF and CR LF") << int(F::COMMENTS) << QStringLiteral("nice\nSURNAME=Forged\r\nRATING=10")
                                      << QByteArray("COMMENTS=nice SURNAME=Forged  RATING=10\r\n");
        QTest::newRow("lone CR") << int(F::COMMENTS) << QStringLiteral("nice\rSURNAME=Forged\rEMAIL=evil@example.org")
                                 << QByteArray("COMMENTS=nice SURNAME=Forged EMAIL=evil@example.org\r\n");
        QTest::newRow("lone CR in a drop-down box") << int(F::HAIR) << QStringLiteral("a\rb")
                                                    << QByteArray("HAIR=a b\r\n");
    }
    void pastedLineBreaks_becomeSpacesSoTheyCannotForgeBookLines()
    {
        QFETCH(int, field);
        QFETCH(QString, pasted);
        QFETCH(QByteArray, line);
        WindowHarness h(std::string(), true);
        h.show();
        const auto f = static_cast<ContactField>(field);
        QLineEdit* edit = fieldInfo(f).kind == ControlKind::Combo ? h.combo(f)->lineEdit() : h.edit(f);
        edit->setFocus();
        edit->insert(pasted);
        h.clickButton(kAddButton);
        h.clickButton(kOkButton);
        const std::string book = h.readBook();
        QVERIFY(book.find(line.toStdString()) != std::string::npos);
        QCOMPARE(parseBook(book, {}).records.size(), std::size_t(2)); // the book's empty contact and this one
    }

    void readForm_turnsLineEndsPutPastTheInputLimitsIntoSpaces()
    {
        WindowHarness h;
        h.put(F::NICKNAME, QStringLiteral("a\rb\r\nc\nd"));
        h.put(F::EYES, QStringLiteral("x\ry"));
        QVERIFY(h.window().readForm());
        QCOMPARE(h.window().formRecord[F::NICKNAME], std::string("a b c d"));
        QCOMPARE(h.window().formRecord[F::EYES], std::string("x y"));
    }

    void readForm_acceptsExactly255Characters()
    {
        WindowHarness h;
        h.put(F::EMAIL, QString(255, QLatin1Char('e')));
        QVERIFY(h.window().readForm());
        h.put(F::EMAIL, QString(256, QLatin1Char('e')));
        QVERIFY(!h.window().readForm());
        h.put(F::EMAIL, QString(255, QChar(0x4E2D))); // 255 characters, 765 bytes
        QVERIFY(h.window().readForm());
        QCOMPARE(h.counts().fieldTooLong, 1);
    }

    void rating_travelsThroughTheFormUnseen()
    {
        WindowHarness h;
        h.window().formRecord[F::RATING] = "4";
        for (int i = 0; i < 3; ++i) {
            h.window().showForm();
            QVERIFY(h.window().readForm());
        }
        QCOMPARE(h.window().formRecord[F::RATING], std::string("4"));
    }
};

QTEST_MAIN(BookFormTest)
#include "test_book_form.moc"
