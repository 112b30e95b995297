// The list under find: which rows it shows, in step with the table whatever the commands, and
// where the mark stays.
#include "contact_filter.h"
#include "contact_list_view.h"
#include "contact_table.h"
#include "field_table.h"
#include "search_fold.h"
#include "window_harness.h"

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QRandomGenerator>
#include <QTest>

using namespace qor;
using namespace qor::test;
using F = ContactField;

class ContactFilterTest : public QObject {
    Q_OBJECT
private slots:
    void filter_showsTheMatchingRowsInTableOrderAndKeepsWidthsAndRowHeights()
    {
        WindowHarness h(bookOf({"Smith", "Müller", "Wolfeschlegelsteinhausenbergerdorff", "Ødegård", "Muller-Lyer"}));
        h.show();
        BookDialog& w = h.window();
        ContactListView& list = w.list();
        ContactFilter& filter = list.filter();
        QHeaderView* header = list.horizontalHeader();
        std::vector<int> widths;
        for (int c = 0; c < 34; ++c)
            widths.push_back(header->sectionSize(c));

        filter.setQuery("MULL");
        QVERIFY(filter.filtering());
        QCOMPARE(list.model()->rowCount(), 2);
        QCOMPARE(list.model()->index(0, 0).data().toString(), QStringLiteral("Muller-Lyer"));
        QCOMPARE(list.model()->index(1, 0).data().toString(), QStringLiteral("Müller"));
        QCOMPARE(filter.tableRow(1), 3);
        QCOMPARE(filter.shownRow(3), 1);
        QCOMPARE(filter.shownRow(2), -1);
        filter.setQuery("ode");
        QCOMPARE(list.model()->rowCount(), 1);
        QCOMPARE(list.model()->index(0, 0).data().toString(), QStringLiteral("Ødegård"));
        filter.setQuery("nobody");
        QCOMPARE(list.model()->rowCount(), 0);
        filter.setQuery("");
        QVERIFY(!filter.filtering());
        QCOMPARE(list.model()->rowCount(), 5);

        for (int c = 0; c < 34; ++c)
            QCOMPARE(header->sectionSize(c), widths[std::size_t(c)]);
        QCOMPARE(list.verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
        QCOMPARE(w.table().rowCount(), 5); // the table itself never changes
    }

    void filter_markStaysOnItsContactWhileHidden()
    {
        WindowHarness h(bookOf({"Anna", "Bert", "Carl"}));
        h.show();
        ContactListView& list = h.window().list();
        h.clickRow(1); // "Bert"
        list.filter().setQuery("anna");
        QCOMPARE(list.selectionMark(), 1);
        QVERIFY(!list.isHighlighted(0));
        list.filter().setQuery("");
        QCOMPARE(list.selectionMark(), 1);
        h.clickRow(0);
        list.filter().setQuery("bert");
        QCOMPARE(list.selectionMark(), 0); // "Carl", hidden
    }

    void filter_deletingBackAfterTheTableChangedSearchesAgain()
    {
        ContactStore store;
        ContactTable table(store);
        ContactFilter filter(table);
        store.insertAllAtTop({contact("Müller"), contact("Smith"), contact("Mullins")});
        for (const char* query : {"m", "mu", "mul"})
            filter.setQuery(query);
        QCOMPARE(filter.rowCount(), 2);
        store.insertAtTop(contact("Mulder")); // every row moves down one
        filter.setQuery("mu");
        QCOMPARE(filter.rowCount(), 3);
        QCOMPARE(filter.tableRow(0), 0);
        QCOMPARE(filter.tableRow(1), 1); // Mullins, no longer row 0
        QCOMPARE(filter.tableRow(2), 3);
        filter.setQuery("mul");
        filter.setQuery("mu"); // nothing changed since: the same rows
        QCOMPARE(filter.rowCount(), 3);
        QCOMPARE(filter.tableRow(2), 3);
    }

    void filter_staysInStepWithTheTableWhateverTheCommands()
    {
        // Against a plain model of the rule: after a query, the rows that match; a row that
        // is inserted or rewritten is shown; a removed row goes.
        ContactStore store;
        ContactTable table(store);
        ContactFilter filter(table);
        QRandomGenerator random(5);
        const std::vector<std::string> names = {"Müller", "Mullins", "Smith", "Ødegård", "Odell", "Zoë"};
        const std::vector<std::string> queries = {"", "m", "mu", "mul", "mull", "o", "od", "ode", "zz", "smith"};
        auto randomRecord = [&] { return contact(names[std::size_t(random.bounded(int(names.size())))]); };
        std::vector<bool> shown; // by table row
        std::string query;
        auto matches = [&](int row) { return store.searchIndex().matches(row, foldForSearch(query)); };
        for (int step = 0; step < 500; ++step) {
            const int op = random.bounded(0, 7);
            const int row = table.rowCount() ? random.bounded(0, table.rowCount()) : -1;
            if (op == 5 && table.rowCount() >= 3) { // an undone delete: a row back where it was
                store.insertAt(row, randomRecord());
                shown.insert(shown.begin() + row, true);
            } else if (op == 6 && table.rowCount() >= 3) { // an undone import: the top rows go
                store.removeTopRows(2);
                shown.erase(shown.begin(), shown.begin() + 2);
            } else if (op == 0 || table.rowCount() < 3) {
                store.insertAtTop(randomRecord());
                shown.insert(shown.begin(), true);
            } else if (op == 1) {
                store.setRecord(row, randomRecord());
                shown[std::size_t(row)] = true;
            } else if (op == 2) {
                store.removeRowAt(row);
                shown.erase(shown.begin() + row);
            } else if (op == 3) {
                store.insertAllAtTop({randomRecord(), randomRecord()});
                shown.insert(shown.begin(), 2, true);
            } else {
                query = queries[std::size_t(random.bounded(int(queries.size())))];
                filter.setQuery(query);
                for (int r = 0; r < table.rowCount(); ++r)
                    shown[std::size_t(r)] = query.empty() || matches(r);
            }
            std::vector<int> expected;
            for (int r = 0; r < table.rowCount(); ++r)
                if (shown[std::size_t(r)] || !filter.filtering())
                    expected.push_back(r);
            QCOMPARE(filter.rowCount(), int(expected.size()));
            for (int i = 0; i < filter.rowCount(); ++i) {
                QCOMPARE(filter.tableRow(i), expected[std::size_t(i)]);
                QCOMPARE(filter.shownRow(expected[std::size_t(i)]), i);
                QCOMPARE(filter.index(i, 0).data().toString(),
                         QString::fromStdString(table.record(expected[std::size_t(i)])[F::SURNAME]));
            }
        }
    }
};

QTEST_MAIN(ContactFilterTest)
#include "test_contact_filter.moc"
