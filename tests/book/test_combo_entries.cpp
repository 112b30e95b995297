#include "combo_entries.h"
#include "field_table.h"

#include <gtest/gtest.h>

#include <cctype>

#include <algorithm>
#include <string>
#include <vector>

using namespace qor;

namespace {

const std::vector<std::string>& entriesOf(ContactField f) { return comboEntriesInListOrder(fieldInfo(f).controlId); }

std::string found(ContactField f, std::string_view text)
{
    const auto& entries = entriesOf(f);
    const int i = findComboEntry(entries, text);
    return i < 0 ? "<none>" : entries[static_cast<std::size_t>(i)];
}

std::ptrdiff_t positionOf(const std::vector<std::string>& entries, std::string_view entry)
{
    return std::find(entries.begin(), entries.end(), entry) - entries.begin();
}

} // namespace

TEST(ComboEntries, SortedBoxes_listTheirEntriesAlphabeticallyIgnoringCase)
{
    const auto& heights = entriesOf(ContactField::HEIGHT);
    ASSERT_EQ(heights.size(), 25u);
    const auto oneInch = positionOf(heights, "4 ft 1'");
    EXPECT_EQ(positionOf(heights, "4 ft 10'"), oneInch + 1);
    EXPECT_EQ(positionOf(heights, "4 ft 11'"), oneInch + 2);
    EXPECT_EQ(positionOf(heights, "6 ft"), positionOf(heights, "4 ft 9'") + 1);
    EXPECT_EQ(heights.front(), "4 ft");
    EXPECT_EQ(heights.back(), "7 ft +");

    const auto& best = entriesOf(ContactField::BESTFEATURE);
    ASSERT_FALSE(best.empty());
    EXPECT_EQ(best.front(), "Body");
    EXPECT_EQ(best.back(), "Personality");

    EXPECT_TRUE(isSortedCombo(fieldInfo(ContactField::EYES).controlId));
    EXPECT_FALSE(isSortedCombo(fieldInfo(ContactField::HAIR).controlId));
}

TEST(ComboEntries, UnsortedBoxes_keepTheOrderTheyAreFilledIn)
{
    const auto& months = entriesOf(ContactField::DOBMON);
    ASSERT_EQ(months.size(), 12u);
    EXPECT_EQ(months.front(), "Jan");
    EXPECT_EQ(months.back(), "Dec");
    const auto& looks = entriesOf(ContactField::LOOKS);
    EXPECT_EQ(looks.back(), "10"); // "10" would sort before "2"
    EXPECT_TRUE(comboEntriesInListOrder(fieldInfo(ContactField::SURNAME).controlId).empty());
    EXPECT_TRUE(comboEntriesInListOrder(0).empty());
}

TEST(ComboEntries, Lookup_takesTheFirstEntryInListOrderThatTheTextBeginsIgnoringCase)
{
    EXPECT_EQ(found(ContactField::HAIR, "bl"), "Black");
    EXPECT_EQ(found(ContactField::HAIR, "BLO"), "Blonde");
    EXPECT_EQ(found(ContactField::LOOKS, "1"), "1");
    EXPECT_EQ(found(ContactField::DOBDAY, "3"), "3");
    EXPECT_EQ(found(ContactField::ANDAY, "3"), "3");
    EXPECT_EQ(found(ContactField::DOBYEAR, "19"), "1900");
    EXPECT_EQ(found(ContactField::ANYEAR, "19"), "1900");
    EXPECT_EQ(found(ContactField::HEIGHT, "6"), "6 ft");
    EXPECT_EQ(found(ContactField::HEIGHT, "4 ft 1"), "4 ft 1'");
    EXPECT_EQ(found(ContactField::EYES, "b"), "Blue");
}

TEST(ComboEntries, Lookup_findsNothingForEmptyLongerOrUnknownText)
{
    EXPECT_EQ(found(ContactField::HEIGHT, "5 ft 6'"), "<none>");
    EXPECT_EQ(found(ContactField::HAIR, ""), "<none>");
    EXPECT_EQ(found(ContactField::HAIR, "Blacker"), "<none>");
    EXPECT_EQ(found(ContactField::HAIR, " bl"), "<none>");
    EXPECT_EQ(found(ContactField::DOBMON, "January"), "<none>");
    EXPECT_EQ(findComboEntry({}, "a"), -1);
}

TEST(ComboEntries, IndexedLookup_answersAsTheListScanDoes)
{
    for (const FieldInfo& info : fieldTable()) {
        if (info.kind != ControlKind::Combo)
            continue;
        const auto& entries = comboEntriesInListOrder(info.controlId);
        for (const std::string& entry : entries)
            for (std::size_t n = 0; n <= entry.size() + 1; ++n) {
                std::string text = entry.substr(0, n) + (n > entry.size() ? "x" : "");
                for (std::size_t i = 0; i < text.size(); i += 2)
                    text[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
                ASSERT_EQ(findComboEntryFast(info.controlId, text), findComboEntry(entries, text)) << text;
            }
    }
    EXPECT_EQ(findComboEntryFast(0, "a"), -1);
}
