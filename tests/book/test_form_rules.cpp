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

// --- Line ends: no value in the list may end a line of the book -----------------------------

TEST(FormRules, FlattenLineEnds_turnsEachLineEndTheReaderKnowsIntoOneSpace)
{
    struct Case {
        std::string text, flat;
    };
    const Case cases[] = {
        {"", ""},
        {"plain text", "plain text"},
        {"a\rb", "a b"},                    // the lone CR that forged contacts
        {"a\nb", "a b"},
        {"a\r\nb", "a b"},                  // CR LF is one line end
        {"a\n\rb", "a  b"},                 // LF then CR are two
        {"\r\r\n\n", "   "},
        {"x\rSURNAME=Forged\rEMAIL=evil@example.org", "x SURNAME=Forged EMAIL=evil@example.org"},
        {"0123456789abcde\r", "0123456789abcde "}, // past the first eight bytes
        {"0123456\r\n89", "0123456 89"},         // a CR LF across two words
        // Other control characters end no line in the book, and neither do bytes of UTF-8
        // characters that hold 0x0A or 0x0D in their low bits, nor U+2028 and U+0085.
        {"\t\v\f\x1A\x1B\x01", "\t\v\f\x1A\x1B\x01"},
        {"\xC4\x8D\xC4\x8A\xE2\x80\xA8\xC2\x85 c\xCC\x8D", "\xC4\x8D\xC4\x8A\xE2\x80\xA8\xC2\x85 c\xCC\x8D"},
    };
    for (const Case& c : cases) {
        std::string text = c.text;
        flattenLineEnds(text);
        EXPECT_EQ(text, c.flat) << ::testing::PrintToString(c.text);
        EXPECT_EQ(holdsLineEnd(c.text), c.text != c.flat) << ::testing::PrintToString(c.text);
        EXPECT_FALSE(holdsLineEnd(text));
    }
}

TEST(FormRules, HoldsLineEnd_findsACrOrLfAtEveryPlaceAndNoOtherByte)
{
    std::string others; // every other byte value: several words and a tail
    for (int b = 0; b < 256; ++b)
        if (b != '\r' && b != '\n')
            others += static_cast<char>(b);
    EXPECT_FALSE(holdsLineEnd(others));
    for (std::size_t size = 1; size <= 20; ++size)
        for (std::size_t at = 0; at < size; ++at)
            for (const char end : {'\r', '\n'})
                EXPECT_TRUE(holdsLineEnd(others.substr(size, at) + end + others.substr(0, size - at - 1)));
}

TEST(FormRules, FlattenLineEndsOfARecord_changesOnlyTheTextsThatHoldOneAndDropsTheirMarks)
{
    ContactRecord r;
    r[F::SURNAME] = "Lee";
    r[F::COMMENTS] = "one\rtwo";
    r.windows1252Fields.set(columnOf(F::SURNAME));
    r.windows1252Fields.set(columnOf(F::COMMENTS));
    EXPECT_TRUE(flattenLineEnds(r));
    EXPECT_EQ(r[F::COMMENTS], "one two");
    EXPECT_EQ(r.windows1252Fields.count(), 1u); // the surname's book bytes still hold
    EXPECT_TRUE(r.windows1252Fields.test(columnOf(F::SURNAME)));
    EXPECT_FALSE(flattenLineEnds(r));
}
