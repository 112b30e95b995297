// The Upcoming dates dialog: its list, the double-click that shows a contact, and the export.
#include "book_text.h"
#include "contact_list_view.h"
#include "contact_table.h"
#include "dialog_placement.h"
#include "upcoming_dialog.h"
#include "window_harness.h"

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace qor;
using namespace qor::test;
using F = ContactField;

namespace {

constexpr CivilDate kToday{2026, 12, 20};

ContactRecord person(const char* first, const char* surname, const char* day, const char* month, const char* year,
                     bool anniversary = false)
{
    ContactRecord r;
    r[F::FIRSTNAME] = first;
    r[F::SURNAME] = surname;
    r[anniversary ? F::ANDAY : F::DOBDAY] = day;
    r[anniversary ? F::ANMON : F::DOBMON] = month;
    r[anniversary ? F::ANYEAR : F::DOBYEAR] = year;
    return r;
}

// First in the file first; the window lists them the other way round.
std::string bookOfRecords(const std::vector<ContactRecord>& records)
{
    return formatBook(records.size(), [&](std::size_t i) -> const ContactRecord& { return records[i]; },
                      TextEncoding::Utf8)
        .bytes;
}

const std::vector<ContactRecord> kBook = {
    person("Old", "Year", "31", "Dec", "2000"),
    person("New", "Year", "1", "jan", ""),
    person("Too", "Late", "20", "Jan", "1990"),        // a day after the 30
    person("Wed", "Today", "20", "12", "2010", true),   // today counts
    person("Bad", "Month", "5", "Sept", "1990"),        // not a month the form completes either
    person("Long", "Ago", "19", "Dec", "1950"),         // yesterday
};

QStringList lineTexts(const QTreeWidget& list, int line)
{
    QStringList texts;
    for (int c = 0; c < list.columnCount(); ++c)
        texts << list.topLevelItem(line)->text(c);
    return texts;
}

int rowOf(BookDialog& window, const std::string& firstName)
{
    for (int row = 0; row < window.table().rowCount(); ++row)
        if (window.store().text(row, columnOf(F::FIRSTNAME)) == firstName)
            return row;
    return -1;
}

// The rightmost column of `image` between `left` and `right` (exclusive) that holds a pixel of
// text, or -1.
int rightmostText(const QImage& image, int left, int right)
{
    for (int x = right - 1; x >= left; --x)
        for (int y = 0; y < image.height(); ++y)
            if (image.pixelColor(x, y).lightness() < 100)
                return x;
    return -1;
}

} // namespace

class UpcomingDialogTest : public QObject {
    Q_OBJECT
private slots:
    void list_showsTheNext30DaysNearestFirstInFourColumns()
    {
        WindowHarness h(bookOfRecords(kBook));
        UpcomingDialog dialog(h.window(), kToday);
        QTreeWidget& list = dialog.dateList();
        QCOMPARE(list.columnCount(), 4);
        QCOMPARE(list.topLevelItemCount(), 3);
        QCOMPARE(lineTexts(list, 0), (QStringList{"2026-12-20", "anniversary", "Wed Today", "16"}));
        QCOMPARE(lineTexts(list, 1), (QStringList{"2026-12-31", "birthday", "Old Year", "26"}));
        QCOMPARE(lineTexts(list, 2), (QStringList{"2027-01-01", "birthday", "New Year", ""}));
        QCOMPARE(dialog.contactRowOf(0), rowOf(h.window(), "Wed"));
        QCOMPARE(dialog.contactRowOf(1), rowOf(h.window(), "Old"));
        QCOMPARE(dialog.contactRowOf(2), rowOf(h.window(), "New"));
        QCOMPARE(dialog.contactRowOf(3), -1);
    }

    void list_ofABookWithoutDatesSaysSo()
    {
        WindowHarness h(emptyRecordBook(3));
        UpcomingDialog dialog(h.window(), kToday);
        QCOMPARE(dialog.dateList().topLevelItemCount(), 0);
        bool said = false;
        for (QLabel* label : dialog.findChildren<QLabel*>())
            said = said || label->text() == QStringLiteral("No birthdays or anniversaries in the next 30 days.");
        QVERIFY(said);
    }

    void list_alignsTheYearsUnderTheirHeadingAndSelectsWholeLines()
    {
        WindowHarness h(bookOfRecords(kBook));
        h.show();
        UpcomingDialog dialog(h.window(), kToday);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTreeWidget& list = dialog.dateList();
        QHeaderView& header = *list.header();
        // The years end where their heading ends, at the list's right edge.
        const int left = header.sectionViewportPosition(3);
        const int right = left + header.sectionSize(3);
        QCOMPARE(right, list.viewport()->width());
        const int heading = rightmostText(header.grab().toImage(), left, right - 2);
        const int years = rightmostText(list.viewport()->grab().toImage(), left, right - 2);
        QVERIFY(heading > left + header.sectionSize(3) / 2);
        QVERIFY2(std::abs(heading - years) <= 2, qPrintable(QStringLiteral("%1 %2").arg(heading).arg(years)));

        // A click on a line's years selects the whole line.
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(list.topLevelItem(1)).topRight()
                                                                  + QPoint(-3, 3));
        QCOMPARE(list.selectionModel()->selectedIndexes().size(), 4);
        QVERIFY(list.selectionModel()->isRowSelected(1, {}));
        QVERIFY(list.allColumnsShowFocus());
    }

    void dialog_opensBesideTheFormRatherThanOverIt()
    {
        const QSize dialog(424, 324);
        const QRect wide(0, 0, 1920, 1080);
        const struct {
            const char* name;
            QRect screen;
            QRect window;
            QPoint expected;
        } cases[] = {
            {"room on the right", wide, QRect(100, 100, 762, 620), QPoint(862, 100)},
            {"room on the left only", wide, QRect(1150, 100, 762, 620), QPoint(726, 100)},
            {"no room beside: below the form, in the screen", QRect(0, 0, 800, 800), QRect(19, 90, 762, 620),
             QPoint(19, 476)},
        };
        for (const auto& c : cases) {
            const QRect form(c.window.topLeft(), QSize(c.window.width(), 415));
            QVERIFY2(placeBeside(c.screen, c.window, form, dialog) == c.expected, c.name);
        }

        // The window's own dialog, on the test screen: the form stays in sight.
        WindowHarness h(bookOfRecords(kBook));
        h.show();
        UpcomingDialog upcoming(h.window(), kToday);
        upcoming.show();
        QVERIFY(QTest::qWaitForWindowExposed(&upcoming));
        const BookDialog& w = h.window();
        const QRect form(w.mapToGlobal(QPoint(0, 0)), QSize(w.width(), w.list().y()));
        QVERIFY(upcoming.frameGeometry().intersected(form).height() < form.height() / 4);
    }

    void doubleClick_marksTheContactAndShowsItAsAClickWould()
    {
        WindowHarness h(bookOfRecords(kBook));
        h.show();
        h.clickRow(0);
        h.put(F::COMMENTS, QStringLiteral("typed, not stored"));
        UpcomingDialog dialog(h.window(), kToday);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));

        QTreeWidget& list = dialog.dateList();
        const QRect line = list.visualItemRect(list.topLevelItem(1));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, line.center());
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, line.center());

        const int row = rowOf(h.window(), "Old");
        QCOMPARE(h.window().list().selectionMark(), row);
        QCOMPARE(h.window().list().currentIndex().row(), row);
        QCOMPARE(h.shown(F::FIRSTNAME), QStringLiteral("Old"));
        QCOMPARE(h.shown(F::SURNAME), QStringLiteral("Year"));
        QCOMPARE(h.shown(F::COMMENTS), QString()); // as a click: what was typed is not kept
        QVERIFY(dialog.isVisible());

        // The mark is the list's own: Update writes over the contact that was shown.
        dialog.close();
        h.put(F::NICKNAME, QStringLiteral("Oldie"));
        h.clickButton(1027);
        QCOMPARE(h.window().store().text(row, columnOf(F::NICKNAME)), "Oldie");
        QCOMPARE(h.window().store().text(row, columnOf(F::FIRSTNAME)), "Old");
        QCOMPARE(h.window().table().rowCount(), int(kBook.size()));
    }

    void export_writesEveryDateOfTheBookAsACalendar()
    {
        WindowHarness h(bookOfRecords(kBook));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("dates.ics"));
        int failures = 0;
        UpcomingDialog dialog(h.window(), kToday,
                              {[&](QWidget*) { return path; }, [&](QWidget*, const QString&) { ++failures; }});
        QTest::mouseClick(&dialog.exportButton(), Qt::LeftButton);

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray ics = file.readAll();
        QCOMPARE(failures, 0);
        QVERIFY(ics.startsWith("BEGIN:VCALENDAR\r\n"));
        QCOMPARE(ics.count("BEGIN:VEVENT"), 5); // all five dates, not only the coming ones
        QVERIFY(ics.contains("SUMMARY:Birthday: Long Ago\r\n"));
        QVERIFY(ics.contains("SUMMARY:Anniversary: Wed Today\r\n"));
        QVERIFY(!ics.contains("Bad Month"));
        QVERIFY(dialog.findChild<QLabel*>(QStringLiteral("exportStatus"))->text().contains(QStringLiteral("dates.ics")));
        QCOMPARE(h.readBook(), bookOfRecords(kBook)); // the book itself is not touched
    }

    void export_cancelledWritesNothingAndAFailureIsShown()
    {
        WindowHarness h(bookOfRecords(kBook));
        QTemporaryDir dir;
        QString chosen;
        QStringList reasons;
        UpcomingDialog dialog(h.window(), kToday,
                              {[&](QWidget*) { return chosen; }, [&](QWidget*, const QString& why) { reasons << why; }});

        dialog.exportToCalendar();
        QVERIFY(reasons.isEmpty());
        QVERIFY(QDir(dir.path()).isEmpty());

        chosen = dir.filePath(QStringLiteral("no such folder/dates.ics"));
        dialog.exportToCalendar();
        QCOMPARE(reasons.size(), 1);
        QVERIFY(!reasons[0].isEmpty());
        QVERIFY(QDir(dir.path()).isEmpty());
        QVERIFY(dialog.findChild<QLabel*>(QStringLiteral("exportStatus"))->text().isEmpty());
    }
};

QTEST_MAIN(UpcomingDialogTest)
#include "test_upcoming_dialog.moc"
