#include "form_rules.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace qor;
using F = ContactField;

namespace {

std::string repeat(std::string_view piece, std::size_t n)
{
    std::string s;
    for (std::size_t i = 0; i < n; ++i)
        s += piece;
    return s;
}

std::size_t exchangeIndex(ContactField f)
{
    const auto& order = exchangeOrder();
    for (std::size_t i = 0; i < order.size(); ++i)
        if (order[i] == f)
            return i;
    return order.size();
}

} // namespace

TEST(FormRules, ExchangeOrder_walksEveryBoundFieldOnceAndNeverRating)
{
    const auto& order = exchangeOrder();
    const std::set<ContactField> distinct(order.begin(), order.end());
    EXPECT_EQ(distinct.size(), 33u);
    EXPECT_EQ(distinct.count(F::RATING), 0u);
    EXPECT_EQ(order.front(), F::WORKZIP);
    EXPECT_EQ(order.back(), F::OVERALL);
}

TEST(FormRules, FieldLimit_counts255CharactersNotBytes)
{
    EXPECT_EQ(countChars("Jos\xC3\xA9 \xE6\x9D\x8E\xF0\x9F\x98\x80"), 7u);
    EXPECT_FALSE(exceedsFieldLimit(repeat("a", 255)));
    EXPECT_TRUE(exceedsFieldLimit(repeat("a", 256)));
    EXPECT_FALSE(exceedsFieldLimit(repeat("\xC3\xA9", 255)));      // 510 bytes
    EXPECT_TRUE(exceedsFieldLimit(repeat("\xC3\xA9", 256)));
    EXPECT_FALSE(exceedsFieldLimit(repeat("\xF0\x9F\x98\x80", 255))); // 1020 bytes
}

TEST(FormRules, PassThroughForm_completesComboPrefixesAndLeavesOtherTextsAlone)
{
    ContactRecord r;
    r[F::HAIR] = "bl";
    r[F::HEIGHT] = "6";
    r[F::DOBYEAR] = "19";
    r[F::EYES] = "purple";
    r[F::FIRSTNAME] = "bl";
    r[F::RATING] = repeat("x", 300);
    EXPECT_FALSE(passThroughForm(r).has_value());
    EXPECT_EQ(r[F::HAIR], "Black");
    EXPECT_EQ(r[F::HEIGHT], "6 ft");
    EXPECT_EQ(r[F::DOBYEAR], "1900");
    EXPECT_EQ(r[F::EYES], "purple");
    EXPECT_EQ(r[F::FIRSTNAME], "bl");
    EXPECT_EQ(r[F::RATING], repeat("x", 300)); // not on the form: no limit, untouched
}

TEST(FormRules, PassThroughForm_keepsLongTextsWholeAndNamesTheFirstInExchangeOrder)
{
    // COMMENTS comes before SURNAME in exchange order, though after it in column order.
    ASSERT_LT(exchangeIndex(F::HAIR), exchangeIndex(F::COMMENTS));
    ASSERT_LT(exchangeIndex(F::COMMENTS), exchangeIndex(F::SURNAME));
    ASSERT_LT(exchangeIndex(F::SURNAME), exchangeIndex(F::BESTFEATURE));

    ContactRecord r;
    r[F::HAIR] = "bl";                           // before the long text: completed
    r[F::COMMENTS] = repeat("\xC3\xA9", 256);    // the first long text: kept whole
    r[F::SURNAME] = repeat("s", 400);            // long too: kept whole
    r[F::BESTFEATURE] = "pe";                    // after them: completed all the same
    r[F::RATING] = "bl";
    EXPECT_EQ(passThroughForm(r), F::COMMENTS);
    EXPECT_EQ(r[F::HAIR], "Black");
    EXPECT_EQ(r[F::COMMENTS], repeat("\xC3\xA9", 256));
    EXPECT_EQ(r[F::SURNAME], repeat("s", 400));
    EXPECT_EQ(r[F::BESTFEATURE], "Personality");
    EXPECT_EQ(r[F::RATING], "bl");

    r[F::COMMENTS] = repeat("\xC3\xA9", 255);
    EXPECT_EQ(passThroughForm(r), F::SURNAME);
}
