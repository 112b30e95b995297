// The contact list: the table's rows, the selection mark and the column widths.
#include "contact_filter.h"
#include "contact_list_view.h"
#include "contact_table.h"
#include "field_table.h"
#include "find_bar.h"
#include "search_fold.h"
#include "text_width.h"
#include "window_harness.h"

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QStyle>
#include <QTest>

using namespace qor;
using namespace qor::test;
using F = ContactField;

namespace {

// Whether any pixel of the list's rows is drawn in the highlight colour, within `area` when
// it is given.
bool paintsHighlight(ContactListView& list, QRect area = {})
{
    const QImage image = list.viewport()->grab().toImage();
    if (area.isNull())
        area = image.rect();
    const QColor colours[] = {list.palette().color(QPalette::Active, QPalette::Highlight),
                              list.palette().color(QPalette::Inactive, QPalette::Highlight)};
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            for (const QColor& colour : colours)
                if (image.pixelColor(x, y) == colour)
                    return true;
    return false;
}

QRect rowArea(ContactListView& list, int shownRow)
{
    const QRect cell = list.visualRect(list.model()->index(shownRow, 0));
    return QRect(0, cell.top(), list.viewport()->width(), cell.height());
}

// Whether the row shown at `shownRow` is drawn with a frame: its top and bottom lines dotted
// in the colour of its text.
bool framed(ContactListView& list, int shownRow)
{
    const QImage image = list.viewport()->grab().toImage();
    const QRect row = rowArea(list, shownRow);
    const QColor ink = list.palette().color(list.isHighlighted(shownRow) ? QPalette::HighlightedText : QPalette::Text);
    for (const int y : {row.top(), row.bottom()}) {
        int dots = 0;
        for (int x = row.left(); x <= row.right(); ++x)
            dots += image.pixelColor(x, y) == ink;
        if (dots < row.width() / 4)
            return false;
    }
    return true;
}

// Texts that a column sized by rounded advances, or by advances without shaping, cuts: each
// character's advance rounded down adds up along a long text; a mark or a joining letter is
// as wide as its neighbours make it.
const char* const kWideTexts[] = {
    "juergen.mueller-luedenscheid@example.com",
    "Wolfeschlegelsteinhausenbergerdorff",
    "iiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiii l1l1l1l1",
    "\u00c6r\u00f8sk\u00f8bing \u0164\u0159\u011b\u0161\u0148\u00e1kov\u00e1-\u017dlu\u0165ou\u010dk\u00e1",
    "\u0645\u062d\u0645\u062f \u0639\u0628\u062f \u0627\u0644\u0644\u0647 \u0627\u0644\u062d\u0633\u0646",
    "Ame\u0301lie Zoe\u0308 Ren\u0303e\u0301e a\u0301\u0300\u0302",
    "\U0001F469\u200D\U0001F469\u200D\U0001F467 family \U0001F389",
};

// The cell at `index` as the list's delegate paints it in a cell `cellWidth` pixels wide, on
// an image `shownWidth` pixels wide, at the screen's scale.
QImage paintedCell(ContactListView& list, const QModelIndex& index, int cellWidth, int shownWidth)
{
    const qreal ratio = list.devicePixelRatioF();
    const int height = list.rowHeight(index.row());
    QImage image(QSize(shownWidth, height) * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    QStyleOptionViewItem option;
    option.initFrom(&list);
    option.rect = QRect(0, 0, cellWidth, height);
    option.font = list.font();
    option.textElideMode = list.textElideMode();
    option.widget = &list;
    QPainter painter(&image);
    list.itemDelegate()->paint(&painter, option, index);
    return image;
}

} // namespace

class ContactListTest : public QObject {
    Q_OBJECT
private slots:
    void list_hasThe34HeadingsInColumnOrder()
    {
        WindowHarness h;
        const QAbstractItemModel* model = h.window().list().model();
        QCOMPARE(model->columnCount(), 34);
        QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Surname"));
        QCOMPARE(model->headerData(3, Qt::Horizontal).toString(), QStringLiteral("Rating"));
        QCOMPARE(model->headerData(19, Qt::Horizontal).toString(), QStringLiteral("rating"));
        QCOMPARE(model->headerData(28, Qt::Horizontal).toString(), QStringLiteral("bobday"));
        QCOMPARE(model->headerData(32, Qt::Horizontal).toString(), QStringLiteral("andob"));
        QCOMPARE(model->headerData(33, Qt::Horizontal).toString(), QStringLiteral("anyear"));
        QCOMPARE(h.window().list().selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(h.window().list().selectionMode(), QAbstractItemView::SingleSelection);
    }

    void add_putsTheFormsContactOnTopAndMovesTheRestDown()
    {
        WindowHarness h(bookOf({"Old"}));
        BookDialog& w = h.window();
        QCOMPARE(w.table().rowCount(), 1);
        w.formRecord = contact("New", "v");
        w.formRecord[F::RATING] = "7";
        w.showForm();
        h.clickButton(kAddButton);
        QCOMPARE(w.table().rowCount(), 2);
        QCOMPARE(w.table().record(0)[F::SURNAME], std::string("New"));
        QCOMPARE(w.table().record(0)[F::RATING], std::string("7"));
        QCOMPARE(w.table().record(1)[F::SURNAME], std::string("Old"));
        QCOMPARE(h.edit(F::SURNAME)->text(), QStringLiteral("New")); // the form keeps it
        h.clickButton(kAddButton);
        QCOMPARE(w.table().rowCount(), 3);
        QCOMPARE(w.table().record(0), w.table().record(1)); // duplicates are allowed
    }

    void updateAndDelete_withNoMarkChangeNothingAndSayWhy()
    {
        WindowHarness h(bookOf({"A", "B"}));
        BookDialog& w = h.window();
        QCOMPARE(w.list().selectionMark(), -1);
        const ContactRecord top = w.table().record(0);
        h.put(F::SURNAME, QStringLiteral("Changed"));
        QCOMPARE(w.statusText(), QString());
        h.clickButton(kUpdateButton);
        h.clickButton(kDeleteButton);
        QCOMPARE(w.table().rowCount(), 2);
        QCOMPARE(w.table().record(0), top);
        QCOMPARE(w.statusText(), QString::fromUtf8(kSelectFirstText));
        h.clickRow(1); // a contact marked and shown: nothing more to say
        QCOMPARE(w.statusText(), QString());
    }

    void keys_everyMoveInTheListShowsTheContactUpdateThenChanges()
    {
        // Update after a key changes the row the form shows, never one the user did not see.
        struct Case {
            const char* name;
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
            QString typed; // type-ahead instead of a key
        };
        const std::vector<Case> cases = {
            {"down", Qt::Key_Down, Qt::NoModifier, {}},
            {"ctrl+end", Qt::Key_End, Qt::ControlModifier, {}},
            {"page down", Qt::Key_PageDown, Qt::NoModifier, {}},
            {"home", Qt::Key_Home, Qt::NoModifier, {}},
            {"type-ahead", Qt::Key_unknown, Qt::NoModifier, QStringLiteral("d")},
        };
        for (const Case& c : cases) {
            WindowHarness h(bookOf({"A", "B", "C", "D", "E"})); // the list: E, D, C, B, A
            h.show();
            BookDialog& w = h.window();
            h.clickRow(1);
            if (c.typed.isEmpty())
                QTest::keyClick(&w.list(), c.key, c.modifiers);
            else
                QTest::keyClicks(&w.list(), c.typed);
            const int marked = w.list().selectionMark();
            QVERIFY2(marked >= 0, c.name);
            const QString shown = QString::fromStdString(w.table().record(marked)[F::SURNAME]);
            QCOMPARE(h.edit(F::SURNAME)->text(), shown);
            h.put(F::FIRSTNAME, QStringLiteral("Seen"));
            h.clickButton(kUpdateButton);
            for (int row = 0; row < w.table().rowCount(); ++row) {
                const ContactRecord record = w.table().record(row);
                QCOMPARE(record[F::FIRSTNAME] == "Seen", row == marked);
                QCOMPARE(QString::fromStdString(record[F::SURNAME]), QString(QChar(u'E' - row)));
            }
        }
    }

    void enterAndEscape_inTheListShowTheContactAndClearFindBeforeTheyClose()
    {
        WindowHarness h(bookOf({"Anna", "Bert", "Carl"}));
        h.show();
        BookDialog& w = h.window();
        h.clickRow(0);
        QTest::keyClick(&w.list(), Qt::Key_Down);
        // Enter shows the contact and goes to the form's first field; the window stays.
        h.put(F::SURNAME, QStringLiteral("typed"));
        w.list().setFocus();
        QTest::keyClick(&w.list(), Qt::Key_Return);
        QVERIFY(w.isVisible());
        QCOMPARE(h.edit(F::SURNAME)->text(), QStringLiteral("Bert"));
        QCOMPARE(QApplication::focusWidget(), h.edit(F::SURNAME));

        // Escape with find open clears find, in the list or in a field; then it closes.
        w.openFind();
        QTest::keyClicks(w.findField(), QStringLiteral("an"));
        QCOMPARE(w.list().model()->rowCount(), 1);
        QTest::keyClick(w.findField(), Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), &w.list());
        QTest::keyClick(&w.list(), Qt::Key_Escape);
        QVERIFY(w.isVisible());
        QVERIFY(!w.findBar().isVisible());
        QCOMPARE(w.list().model()->rowCount(), 3);
        w.list().setFocus();
        QTest::keyClick(&w.list(), Qt::Key_Escape);
        QVERIFY(!w.isVisible());
        QCOMPARE(h.readBook(), bookOf({"Carl", "Bert", "Anna"})); // closing saved
    }

    void update_rewritesAll34CellsOfTheMarkedRowInPlace()
    {
        WindowHarness h(bookOf({"A", "B", "C"}));
        h.show();
        BookDialog& w = h.window();
        h.clickRow(1);
        QCOMPARE(w.list().selectionMark(), 1);
        w.formRecord = contact("Z", "u");
        w.formRecord[F::RATING] = "3";
        w.showForm();
        h.clickButton(kUpdateButton);
        w.readForm();
        QCOMPARE(w.table().record(1), w.formRecord);
        QCOMPARE(w.table().record(1)[F::RATING], std::string("3"));
        QCOMPARE(w.table().record(0)[F::SURNAME], std::string("C"));
        QCOMPARE(w.table().record(2)[F::SURNAME], std::string("A"));
    }

    void delete_keepsTheContactInTheFormSoAddPutsItBack()
    {
        std::string book = bookOf({"A", "B"});
        book.replace(book.find("RATING="), 7, "RATING=4");
        WindowHarness h(book);
        h.show();
        BookDialog& w = h.window();
        h.clickRow(1); // "A", whose RATING is 4
        QCOMPARE(h.edit(F::SURNAME)->text(), QStringLiteral("A"));
        h.clickButton(kDeleteButton);
        QCOMPARE(w.table().rowCount(), 1);
        QCOMPARE(h.edit(F::SURNAME)->text(), QStringLiteral("A"));
        QCOMPARE(w.list().selectionMark(), -1); // the marked row has gone
        h.clickButton(kAddButton);
        QCOMPARE(w.table().rowCount(), 2);
        QCOMPARE(w.table().record(0)[F::SURNAME], std::string("A"));
        QCOMPARE(w.table().record(0)[F::RATING], std::string("4"));
    }

    void clickAfterDelete_marksTheRowThatTookTheDeletedOnesPlace()
    {
        WindowHarness h(bookOf({"A", "B", "C"}));
        h.show();
        h.clickRow(0);
        h.clickButton(kDeleteButton); // the view's current row is now the new row 0
        h.clickRow(0);
        QCOMPARE(h.window().list().selectionMark(), 0);
        h.clickButton(kDeleteButton);
        QCOMPARE(h.window().table().rowCount(), 1);
        QCOMPARE(h.window().table().record(0)[F::SURNAME], std::string("A"));
    }

    void mark_followsItsContactWhenRowsAreAddedAbove()
    {
        WindowHarness h(bookOf({"A", "B"}));
        h.show();
        BookDialog& w = h.window();
        h.clickRow(0); // "B"
        h.put(F::SURNAME, QStringLiteral("New"));
        h.clickButton(kAddButton);
        QCOMPARE(w.list().selectionMark(), 1);
        h.put(F::SURNAME, QStringLiteral("B2"));
        h.clickButton(kUpdateButton);
        QCOMPARE(w.table().record(1)[F::SURNAME], std::string("B2"));
        QCOMPARE(w.table().record(0)[F::SURNAME], std::string("New"));
    }

    void columns_areAtLeastAsWideAsHeadingAndWidestText()
    {
        WindowHarness h(bookOf({"Wolfeschlegelsteinhausenbergerdorff", "Li"}));
        h.show();
        BookDialog& w = h.window();
        QHeaderView* header = w.list().horizontalHeader();
        const QFontMetrics fm = w.list().fontMetrics();
        QVERIFY(header->sectionSize(0) >= fm.horizontalAdvance(QStringLiteral("Wolfeschlegelsteinhausenbergerdorff")));
        for (int c = 0; c < 34; ++c)
            QVERIFY(header->sectionSize(c) >= fm.horizontalAdvance(w.list().model()->headerData(c, Qt::Horizontal).toString()));
        int total = 0;
        for (int c = 0; c < 34; ++c)
            total += header->sectionSize(c);
        QVERIFY(total >= w.list().viewport()->width()); // the last column reaches the right edge
    }

    void columns_showTheirWidestTextsWhole()
    {
        // Each text in a column of its own, drawn in its column's width: a cut text ends in "...",
        // so its cell differs from the same cell drawn with room to spare. Also run at other
        // scale factors (tests/CMakeLists.txt).
        WindowHarness h;
        h.show();
        BookDialog& w = h.window();
        std::vector<ContactField> fields;
        for (const FieldInfo& info : fieldTable())
            if (info.kind == ControlKind::Edit && fields.size() < std::size(kWideTexts))
                fields.push_back(info.field);
        QCOMPARE(fields.size(), std::size(kWideTexts));
        for (std::size_t i = 0; i < fields.size(); ++i)
            h.put(fields[i], QString::fromUtf8(kWideTexts[i]));
        h.clickButton(kAddButton);
        ContactListView& list = w.list();
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const QModelIndex cell = list.model()->index(0, int(columnOf(fields[i])));
            QCOMPARE(cell.data().toString(), QString::fromUtf8(kWideTexts[i]));
            const int width = list.columnWidth(cell.column());
            QVERIFY2(paintedCell(list, cell, width, width) == paintedCell(list, cell, width + 1000, width),
                     kWideTexts[i]);
        }
        // The sum of advances holds for Latin text because kerning never widens a pair.
        TextWidthMeter meter(list.font(), 0);
        const QFontMetricsF shaped(list.font());
        for (char a = ' '; a <= '~'; ++a)
            for (char b = ' '; b <= '~'; ++b)
                QVERIFY(meter(std::string{a, b}) >= shaped.horizontalAdvance(QString(QChar(a)) + QChar(b)) - 1e-3);
    }

    void delete_leavesTheWidthsAndTheNextAddSizesAgain()
    {
        WindowHarness h(bookOf({"Wolfeschlegelsteinhausenbergerdorff", "Li"}));
        h.show();
        BookDialog& w = h.window();
        QHeaderView* header = w.list().horizontalHeader();
        const int wide = header->sectionSize(0);
        h.clickRow(1);
        h.clickButton(kDeleteButton);
        QCOMPARE(header->sectionSize(0), wide);
        header->resizeSection(1, 300); // dragged by the user
        QCOMPARE(header->sectionSize(1), 300);
        h.put(F::SURNAME, QStringLiteral("Li"));
        h.clickButton(kAddButton);
        QVERIFY(header->sectionSize(0) < wide);
        QCOMPARE(header->sectionSize(1), w.columnWidthFor(1));
    }

    void headingClick_changesNeitherOrderNorWidths()
    {
        WindowHarness h(bookOf({"B", "A", "C"}));
        h.show();
        BookDialog& w = h.window();
        QHeaderView* header = w.list().horizontalHeader();
        const int width = header->sectionSize(0);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionPosition(0) + 5, 5));
        QCOMPARE(header->sectionSize(0), width);
        QCOMPARE(w.table().record(0)[F::SURNAME], std::string("C"));
        QCOMPARE(w.table().record(2)[F::SURNAME], std::string("B"));
        QCOMPARE(w.list().selectionMark(), -1);
    }

    void highlight_isTheMarkedRowOnlyAndOnlyWhileTheListHasTheFocus()
    {
        WindowHarness h(bookOf({"A", "B", "C"}));
        h.show();
        QApplication::setActiveWindow(&h.window());
        ContactListView& list = h.window().list();
        h.clickRow(1);
        QVERIFY(list.hasFocus());
        QVERIFY(list.isHighlighted(1));
        QVERIFY(!list.isHighlighted(0) && !list.isHighlighted(2));
        QVERIFY(paintsHighlight(list, rowArea(list, 1)));
        QVERIFY(!paintsHighlight(list, rowArea(list, 0)));
        QVERIFY(!paintsHighlight(list, rowArea(list, 2)));

        // Another control has the focus: the list shows no highlight, the mark stays.
        h.edit(F::SURNAME)->setFocus();
        QVERIFY(!list.isHighlighted(1));
        QVERIFY(!paintsHighlight(list));
        QCOMPARE(list.selectionMark(), 1);
    }

    void focus_isAFrameAroundTheCurrentRowWhileTheListHasIt()
    {
        WindowHarness h(bookOf({"A", "B", "C"}));
        h.show();
        QApplication::setActiveWindow(&h.window());
        ContactListView& list = h.window().list();
        const auto framedRows = [&] {
            QList<int> rows;
            for (int row = 0; row < 3; ++row)
                if (framed(list, row))
                    rows << row;
            return rows;
        };
        // Tabbed into with no row marked: the frame shows where the keys act.
        h.combo(F::ANYEAR)->lineEdit()->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(list.hasFocus());
        QCOMPARE(list.selectionMark(), -1);
        QCOMPARE(framedRows(), QList<int>{list.currentIndex().row()});
        // Marked by a click, and moved by the keys: the frame goes with the current row.
        h.clickRow(2);
        QCOMPARE(framedRows(), QList<int>{2});
        QTest::keyClick(&list, Qt::Key_Up);
        QCOMPARE(framedRows(), QList<int>{1});
        // Another control has the focus: no frame.
        h.edit(F::SURNAME)->setFocus();
        QCOMPARE(framedRows(), QList<int>{});
    }

    void highlight_afterDeleteNoRowIsHighlightedAndNothingActsOnTheNeighbour()
    {
        WindowHarness h(bookOf({"A", "B", "C"}));
        h.show();
        QApplication::setActiveWindow(&h.window());
        BookDialog& w = h.window();
        ContactListView& list = w.list();
        h.clickRow(1);
        h.clickButton(1028);
        list.setFocus();
        QCOMPARE(list.selectionMark(), -1);
        for (int row = 0; row < list.model()->rowCount(); ++row)
            QVERIFY(!list.isHighlighted(row));
        QVERIFY(!paintsHighlight(list)); // not the row that moved into the deleted one's place
        // Update acts on the mark, which is gone: the row the user sees stays as it is.
        h.put(F::SURNAME, QStringLiteral("Changed"));
        h.clickButton(1027);
        QCOMPARE(w.table().record(1)[F::SURNAME], std::string("A"));
        // The keyboard marks the row it moves to, and that row is highlighted.
        list.setFocus();
        QTest::keyClick(&list, Qt::Key_Down);
        const int marked = list.selectionMark();
        QCOMPARE(marked, list.currentIndex().row()); // at the end of the list too
        QVERIFY(list.isHighlighted(marked));
        QVERIFY(paintsHighlight(list, rowArea(list, marked)));
    }

    void rows_giveBackEveryTextWhole()
    {
        // Each row's texts are kept together; every text must come back with its own bounds,
        // whatever lengths its neighbours have, and a cell shows its own text only.
        ContactStore store;
        ContactTable table(store);
        QRandomGenerator random(7);
        auto randomRecord = [&] {
            ContactRecord r;
            for (std::size_t c = 0; c < kFieldCount; ++c) {
                const int kind = random.bounded(0, 4);
                const int length = kind == 0 ? 0 : kind == 3 ? random.bounded(100, 9000) : random.bounded(1, 20);
                r[c] = std::string(std::size_t(length), char('a' + c % 26));
                if (length > 2)
                    r[c][1] = '\0';
            }
            return r;
        };
        std::vector<ContactRecord> expected;
        for (int step = 0; step < 120; ++step) {
            const int op = random.bounded(0, 4);
            const int row = table.rowCount() ? random.bounded(0, table.rowCount()) : -1;
            if (op == 0 || table.rowCount() < 3) {
                expected.insert(expected.begin(), randomRecord());
                store.insertAtTop(expected.front());
            } else if (op == 1) {
                expected[std::size_t(row)] = randomRecord();
                store.setRecord(row, expected[std::size_t(row)]);
            } else if (op == 2) {
                expected.erase(expected.begin() + row);
                store.removeRowAt(row);
            } else {
                std::vector<ContactRecord> batch{randomRecord(), randomRecord(), randomRecord()};
                expected.insert(expected.begin(), batch.rbegin(), batch.rend());
                store.insertAllAtTop(std::move(batch));
            }
        }
        QCOMPARE(table.rowCount(), int(expected.size()));
        for (int r = 0; r < table.rowCount(); ++r) {
            QVERIFY(table.record(r) == expected[std::size_t(r)]);
            for (std::size_t c = 0; c < kFieldCount; ++c) {
                const std::string& text = expected[std::size_t(r)][c];
                const QString shown = table.data(table.index(r, int(c)), Qt::DisplayRole).toString();
                QCOMPARE(shown, QString::fromUtf8(text.data(), qsizetype(std::min<std::size_t>(text.size(), 8192))));
            }
        }
        ContactRecord reused = expected.back(); // longer texts than some rows: must shrink to fit
        for (int r = 0; r < table.rowCount(); ++r) {
            store.copyRecord(r, reused);
            QVERIFY(reused == expected[std::size_t(r)]);
        }
    }
};

QTEST_MAIN(ContactListTest)
#include "test_contact_list.moc"
