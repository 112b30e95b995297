#include "combo_entries.h"
#include "field_table.h"

#include "../../res/control_ids.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace qor;

TEST(FieldTable, EveryKey_findsItsOwnFieldAndKeysAreDistinctUpperCase)
{
    std::set<std::string_view> keys;
    for (std::size_t c = 0; c < kFieldCount; ++c) {
        const FieldInfo& info = fieldTable()[c];
        EXPECT_EQ(columnOf(info.field), c);
        EXPECT_TRUE(keys.insert(info.key).second) << info.key;
        for (char ch : info.key)
            EXPECT_TRUE(ch >= 'A' && ch <= 'Z') << info.key;
        EXPECT_EQ(fieldForKey(info.key), info.field);
    }
    EXPECT_EQ(fieldInfo(ContactField::SURNAME).key, "SURNAME");
    EXPECT_EQ(fieldInfo(ContactField::ANYEAR).key, "ANYEAR");
}

TEST(FieldTable, KeysDifferingInCaseSpacesOrLength_findNothing)
{
    for (std::string_view key : {"surname", "Surname", "SURNAME ", " SURNAME", "SURNAM", "SURNAMES",
                                 "CREATOR", "", "TE", "PERSONALITYX", "\xEF\xBB\xBFSURNAME"})
        EXPECT_FALSE(fieldForKey(key).has_value()) << key;
    EXPECT_FALSE(fieldForKey(std::string_view("TEL\0", 4)).has_value());
}

TEST(FieldTable, Controls_mapBackToTheirFieldsAndRatingHasNone)
{
    std::set<int> ids;
    for (const FieldInfo& info : fieldTable()) {
        if (info.field == ContactField::RATING) {
            EXPECT_EQ(info.controlId, 0);
            EXPECT_EQ(info.kind, ControlKind::None);
            continue;
        }
        EXPECT_TRUE(ids.insert(info.controlId).second) << info.controlId;
        EXPECT_EQ(fieldForControl(info.controlId), info.field);
        // Combo fields, and only they, have entries to choose from.
        EXPECT_EQ(info.kind == ControlKind::Combo, !comboEntriesInListOrder(info.controlId).empty())
            << info.key;
    }
    EXPECT_EQ(ids.size(), 33u);
    EXPECT_FALSE(fieldForControl(0).has_value());
    EXPECT_FALSE(fieldForControl(kContactList).has_value());
}
