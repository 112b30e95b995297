// The rows find shows follow the store's changes: rows that go in are shown and push the rows
// below them down, rows that go leave and pull them up, a rewritten hidden row is shown.
#include "found_rows.h"

#include <gtest/gtest.h>

namespace qor {
namespace {

TEST(FoundRows, followTheStoreAsRowsGoInAndOutAndShowWhatTheUserAddedOrRewrote)
{
    using Rows = std::vector<int>;
    struct Case {
        const char* change;
        Rows before;
        void (*apply)(Rows&);
        Rows after;
    };
    const Case cases[] = {
        {"one in at the top", {0, 2, 5}, [](Rows& r) { showInsertedRows(r, 0, 0); }, {0, 1, 3, 6}},
        {"two in between", {1, 4}, [](Rows& r) { showInsertedRows(r, 2, 3); }, {1, 2, 3, 6}},
        {"in below every shown row", {1}, [](Rows& r) { showInsertedRows(r, 5, 5); }, {1, 5}},
        {"a shown row out", {0, 2, 5}, [](Rows& r) { EXPECT_EQ(dropRemovedRows(r, 2, 2), (std::pair{1, 2})); },
         {0, 4}},
        {"a hidden row out", {0, 2, 5}, [](Rows& r) { EXPECT_EQ(dropRemovedRows(r, 1, 1), (std::pair{1, 1})); },
         {0, 1, 4}},
        {"three out, two shown", {0, 2, 3, 9}, [](Rows& r) { dropRemovedRows(r, 1, 3); }, {0, 6}},
        {"a hidden row rewritten", {0, 5}, [](Rows& r) { EXPECT_EQ(showRow(r, 3), 1); }, {0, 3, 5}},
        {"a shown row rewritten", {0, 5}, [](Rows& r) { EXPECT_EQ(showRow(r, 5), 1); }, {0, 5}},
    };
    for (const Case& c : cases) {
        Rows rows = c.before;
        c.apply(rows);
        EXPECT_EQ(rows, c.after) << c.change;
    }
    EXPECT_EQ(positionOfRow({0, 3, 5}, 3), 1);
    EXPECT_EQ(positionOfRow({0, 3, 5}, 4), -1);
    EXPECT_EQ(positionOfRow({}, 0), -1);
}

} // namespace
} // namespace qor
