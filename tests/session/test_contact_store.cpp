#include "contact_store.h"
#include "list_mark.h"
#include "test_books.h"

#include <gtest/gtest.h>

#include <random>

namespace qor {
namespace {

using testing::contact;

TEST(ContactStore, incrementalWidthsEqualAFullMeasurementWhateverTheSequence)
{
    // The widths the store keeps as rows come and go are the widths a measurement of every
    // cell gives.
    ContactStore store;
    auto measure = [](std::string_view s) { return s.empty() ? 0 : int(s.size()) * 7 + 3; };
    store.setMeasure(measure);
    std::mt19937 random(42);
    auto below = [&](int n) { return int(random() % unsigned(n)); };
    auto randomRecord = [&] {
        ContactRecord r;
        for (std::size_t c = 0; c < kFieldCount; ++c)
            r[c] = std::string(std::size_t(below(12)), 'x');
        return r;
    };
    for (int step = 0; step < 600; ++step) {
        const int op = below(4);
        const int row = store.rowCount() ? below(store.rowCount()) : -1;
        if (op == 0 || store.rowCount() < 3)
            store.insertAtTop(randomRecord());
        else if (op == 1)
            store.setRecord(row, randomRecord());
        else if (op == 2)
            store.removeRowAt(row);
        else
            store.insertAllAtTop({randomRecord(), randomRecord()});
        for (std::size_t c = 0; c < kFieldCount; ++c) {
            int full = 0;
            for (int r = 0; r < store.rowCount(); ++r)
                full = std::max(full, measure(store.text(r, c)));
            ASSERT_EQ(store.contentWidth(int(c)), full) << "step " << step << ", column " << c;
        }
    }
}

// Writes down what it is told, and the row count the store has when it is told.
struct Recorder : StoreObserver {
    explicit Recorder(const ContactStore& store) : store(store) {}
    void rowsAboutToBeInserted(int first, int last) override { note("before insert", first, last); }
    void rowsInserted(int first, int last) override { note("insert", first, last); }
    void rowsAboutToBeRemoved(int first, int last) override { note("before remove", first, last); }
    void rowsRemoved(int first, int last) override { note("remove", first, last); }
    void rowChanged(int row) override { note("change", row, row); }
    void note(const char* what, int first, int last)
    {
        log.push_back(std::string(what) + " " + std::to_string(first) + "-" + std::to_string(last) + " of "
                      + std::to_string(store.rowCount()));
    }
    const ContactStore& store;
    std::vector<std::string> log;
};

TEST(ContactStore, tellsItsObserversBeforeAndAfterEveryChangeAndNothingForARowItLacks)
{
    ContactStore store;
    Recorder recorder(store);
    store.addObserver(&recorder);
    store.insertAtTop(contact("A"));
    store.insertAllAtTop({contact("B"), contact("C")});
    store.setRecord(1, contact("B2"));
    store.removeRowAt(0);
    store.setRecord(9, contact("none"));
    store.removeRowAt(-1);
    store.stageAtTop(contact("D"));
    store.discardStaged();
    store.insertStagedAtTop(); // nothing staged
    store.insertAt(1, contact("F"));
    store.insertAt(4, contact("beyond the end"));
    store.removeTopRows(5);
    EXPECT_EQ(recorder.log, (std::vector<std::string>{"before insert 0-0 of 0", "insert 0-0 of 1",
                                                      "before insert 0-1 of 1", "insert 0-1 of 3", "change 1-1 of 3",
                                                      "before remove 0-0 of 3", "remove 0-0 of 2",
                                                      "before insert 1-1 of 2", "insert 1-1 of 3",
                                                      "before remove 0-2 of 3", "remove 0-2 of 0"}));
    store.removeObserver(&recorder);
    store.insertAtTop(contact("E"));
    EXPECT_EQ(recorder.log.size(), 11u);
}

TEST(ListMark, followsItsContactAsRowsComeAndGo)
{
    ContactStore store;
    ListMark mark(store);
    store.addObserver(&mark);
    store.insertAllAtTop({contact("A"), contact("B"), contact("C")}); // C, B, A
    mark.set(1);                                                       // B
    struct Step {
        const char* what;
        std::function<void()> change;
        int markAfter;
    };
    const std::vector<Step> steps = {
        {"a row above is added", [&] { store.insertAtTop(contact("D")); }, 2},
        {"two rows above are added", [&] { store.insertAllAtTop({contact("E"), contact("F")}); }, 4},
        {"a row below goes", [&] { store.removeRowAt(5); }, 4},
        {"a row above goes", [&] { store.removeRowAt(0); }, 3},
        {"its row is rewritten", [&] { store.setRecord(3, contact("B2")); }, 3},
        {"a row is put back above it", [&] { store.insertAt(2, contact("H")); }, 4},
        {"a row is put back below it", [&] { store.insertAt(5, contact("I")); }, 4},
        {"the top rows above it go", [&] { store.removeTopRows(2); }, 2},
        {"the top rows with it go", [&] { store.removeTopRows(3); }, -1},
        {"rows come back", [&] { store.insertAllAtTop({contact("J"), contact("K"), contact("L")}); mark.set(3); }, 3},
        {"its row goes", [&] { store.removeRowAt(3); }, -1},
        {"rows are added with no mark", [&] { store.insertAtTop(contact("G")); }, -1},
    };
    for (const Step& step : steps) {
        step.change();
        EXPECT_EQ(mark.row(), step.markAfter) << step.what;
    }
    store.removeObserver(&mark);
}

} // namespace
} // namespace qor
