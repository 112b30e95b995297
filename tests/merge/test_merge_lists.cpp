#include "merge_lists.h"
#include "merge_test_lists.h"

#include <gtest/gtest.h>

namespace qor {
namespace {

using testing::listOf;
using testing::wordsOf;

struct MergeCase {
    const char* what;
    const char* base;
    const char* ours;
    const char* theirs;
    const char* merged;
    MergeAccount account;
};

// Contacts are words (merge_test_lists.h): "B.1" is B changed, a name of its own is a new contact.
const MergeCase kCases[] = {
    {"nothing changed", "A B C", "A B C", "A B C", "A B C", {}},
    {"empty lists", "", "", "", "", {}},
    {"a first save over a book another program started", "", "A", "B", "B A", {.addedThere = 1, .addedHere = 1}},

    // One side alone.
    {"added here", "A B", "N A B", "A B", "N A B", {.addedHere = 1}},
    {"added there", "A B", "A B", "N A B", "N A B", {.addedThere = 1}},
    {"deleted here", "A B C", "A C", "A B C", "A C", {.removedHere = 1}},
    {"deleted there", "A B C", "A B C", "A C", "A C", {.removedThere = 1}},
    {"changed here", "A B C", "A B.1 C", "A B C", "A B.1 C", {.addedHere = 1, .removedHere = 1}},
    {"changed there", "A B C", "A B C", "A B.2 C", "A B.2 C", {.addedThere = 1, .removedThere = 1}},
    {"everything deleted here", "A B C", "", "A B C", "", {.removedHere = 3}},
    {"everything deleted there, a contact added here", "A B", "N A B", "", "N", {.removedThere = 2, .addedHere = 1}},

    // Both sides.
    {"added on both sides: theirs above ours", "A B", "M A B", "N A B", "N M A B", {.addedThere = 1, .addedHere = 1}},
    {"the same contact added on both sides stands once", "B", "A B", "A B", "A B", {.addedThere = 1, .addedHere = 1}},
    {"the same contact deleted on both sides", "A B C", "A C", "A C", "A C", {.removedThere = 1, .removedHere = 1}},
    {"changed on both sides: both versions, side by side", "A B C", "A B.1 C", "A B.2 C", "A B.2 B.1 C",
     {.addedThere = 1, .removedThere = 1, .addedHere = 1, .removedHere = 1, .changedInBoth = 1}},
    {"the same change on both sides is made once", "A B C", "A B.1 C", "A B.1 C", "A B.1 C",
     {.addedThere = 1, .removedThere = 1, .addedHere = 1, .removedHere = 1}},
    {"renamed on both sides: the contacts in its place", "A B C", "A X C", "A Y C", "A Y X C",
     {.addedThere = 1, .removedThere = 1, .addedHere = 1, .removedHere = 1, .changedInBoth = 1}},
    {"deleted and added again here, changed there: paired by name", "A B C", "B.1 A C", "A B.2 C", "B.1 A B.2 C",
     {.addedThere = 1, .removedThere = 1, .addedHere = 1, .removedHere = 1, .changedInBoth = 1}},
    {"deleted here, changed there: the change is kept", "A B C", "A C", "A B.2 C", "A B.2 C",
     {.addedThere = 1, .removedThere = 1, .removedHere = 1, .deletedHereChangedThere = 1}},
    {"deleted there, changed here: the change is kept", "A B C", "A B.1 C", "A C", "A B.1 C",
     {.removedThere = 1, .addedHere = 1, .removedHere = 1, .deletedThereChangedHere = 1}},
    {"two changed on both sides, one of them the same way", "A B C", "A.1 B.1 C", "A.2 B.1 C", "A.2 A.1 B.1 C",
     {.addedThere = 2, .removedThere = 2, .addedHere = 2, .removedHere = 2, .changedInBoth = 1}},

    // Duplicates: each contact counted.
    {"a duplicate deleted here", "A A B", "A B", "A A B", "A B", {.removedHere = 1}},
    {"a duplicate deleted on both sides goes once", "A A B", "A B", "A B", "A B",
     {.removedThere = 1, .removedHere = 1}},
    {"a duplicate made here, the contact deleted there", "A B", "A A B", "B", "A B",
     {.removedThere = 1, .addedHere = 1}},
    {"added twice here and once there", "", "A A", "A", "A A", {.addedThere = 1, .addedHere = 2}},
    {"one of two copies changed on both sides", "A A", "A.1 A", "A A.2", "A.1 A A.2",
     {.addedThere = 1, .removedThere = 1, .addedHere = 1, .removedHere = 1, .changedInBoth = 1}},

    // Where their additions go.
    {"below their neighbour above", "A B C", "M A B C", "A B N C", "M A B N C", {.addedThere = 1, .addedHere = 1}},
    {"below the nearest neighbour we keep", "A B C", "A C", "A B N C", "A N C",
     {.addedThere = 1, .removedHere = 1}},
    {"a run of additions keeps its order", "A B", "A B", "N O A P Q B", "N O A P Q B", {.addedThere = 4}},
};

TEST(MergeLists, mergesEachCaseOfTheTable)
{
    for (const MergeCase& c : kCases) {
        const MergedList merged = mergeLists(listOf(c.base), listOf(c.ours), listOf(c.theirs));
        EXPECT_EQ(wordsOf(merged.rows), c.merged) << c.what;
        EXPECT_EQ(merged.account, c.account) << c.what;
    }
}

TEST(MergeLists, theirVersionOfAContactWeKeepIsOneContactWithOurBytes)
{
    // Contacts are compared by their texts: a contact whose text the other side read as
    // Windows-1252 bytes is the same contact, and the row we keep keeps what we know of it.
    std::vector<ContactRecord> base = listOf("A B");
    std::vector<ContactRecord> ours = base;
    std::vector<ContactRecord> theirs = base;
    ours[1].windows1252Fields.set(columnOf(ContactField::SURNAME));
    const MergedList merged = mergeLists(base, ours, theirs);
    ASSERT_EQ(wordsOf(merged.rows), "A B");
    EXPECT_EQ(merged.rows[1].windows1252Fields, ours[1].windows1252Fields);
    EXPECT_EQ(merged.account, MergeAccount{});
}

TEST(MergeLists, thePlanNamesTheRowsOfEachSide)
{
    const std::vector<ContactRecord> base = listOf("A B C");
    const MergePlan plan = planMerge(mergeRowsOf(base), mergeRowsOf(listOf("A B.1 C")), mergeRowsOf(listOf("N A C")));
    const std::vector<MergeSource> expected = {
        {MergeSide::Theirs, 0}, {MergeSide::Ours, 0}, {MergeSide::Ours, 1}, {MergeSide::Ours, 2}};
    EXPECT_EQ(plan.rows, expected);
}

} // namespace
} // namespace qor
