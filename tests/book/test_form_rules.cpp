#include "book_text_helpers.h"
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

TEST(FormRules, PassThroughForm_stopsAtTheFirstOverLongFieldInExchangeOrder)
{
    // COMMENTS comes before SURNAME in exchange order, though after it in column order.
    ASSERT_LT(exchangeIndex(F::HAIR), exchangeIndex(F::COMMENTS));
    ASSERT_LT(exchangeIndex(F::COMMENTS), exchangeIndex(F::SURNAME));
    ASSERT_LT(exchangeIndex(F::SURNAME), exchangeIndex(F::BESTFEATURE));

    ContactRecord r;
    r[F::HAIR] = "bl";                           // before the stop: completed
    r[F::COMMENTS] = repeat("\xC3\xA9", 256);    // the stop: kept whole
    r[F::SURNAME] = repeat("s", 400);            // after the stop: not even looked at
    r[F::BESTFEATURE] = "pe";
    r[F::RATING] = "bl";
    EXPECT_EQ(passThroughForm(r), F::COMMENTS);
    EXPECT_EQ(r[F::HAIR], "Black");
    EXPECT_EQ(r[F::COMMENTS], repeat("\xC3\xA9", 256));
    EXPECT_EQ(r[F::SURNAME], repeat("s", 400));
    EXPECT_EQ(r[F::BESTFEATURE], "pe");
    EXPECT_EQ(r[F::RATING], "bl");

    r[F::COMMENTS] = repeat("\xC3\xA9", 255);
    EXPECT_EQ(passThroughForm(r), F::SURNAME);
    EXPECT_EQ(r[F::BESTFEATURE], "pe");
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

TEST(FormRules, HoldsLineEnd_findsACrOrLfAtEveryPlaceAndNothingElseAmongAllBytes)
{
    // Every other byte value, in texts long enough for several words and a tail.
    std::string others;
    for (int b = 0; b < 256; ++b)
        if (b != '\r' && b != '\n')
            others += static_cast<char>(b);
    EXPECT_FALSE(holdsLineEnd(others));
    for (std::size_t size = 1; size <= 20; ++size)
        for (std::size_t at = 0; at < size; ++at)
            for (const char end : {'\r', '\n'}) {
                std::string text = others.substr(size, size);
                text[at] = end;
                EXPECT_TRUE(holdsLineEnd(text)) << size << " " << at;
            }
}

TEST(FormRules, FlattenLineEndsOfARecord_changesOnlyTheTextsThatHoldOneAndDropsTheirMarks)
{
    ContactRecord r = qor::testing::recordWith({{F::SURNAME, "Lee"}, {F::COMMENTS, "one\rtwo"}, {F::RATING, "\n"}});
    r.windows1252Fields.set(columnOf(F::SURNAME));
    r.windows1252Fields.set(columnOf(F::COMMENTS));
    EXPECT_TRUE(flattenLineEnds(r));
    EXPECT_EQ(r, [] {
        ContactRecord want = qor::testing::recordWith({{F::SURNAME, "Lee"}, {F::COMMENTS, "one two"}, {F::RATING, " "}});
        want.windows1252Fields.set(columnOf(F::SURNAME)); // unchanged: its book bytes still hold
        return want;
    }());
    EXPECT_FALSE(flattenLineEnds(r));
}

TEST(FormRules, FlattenedRecords_makeBooksThatReadBackAsTheSameContactsInEveryEncoding)
{
    // Line ends inside texts: a value's trailing spaces are the book's to trim, as ever.
    std::vector<ContactRecord> records(3);
    for (std::size_t c = 0; c < kFieldCount; ++c) {
        records[0][c] = "x\rSURNAME=Forged\rEMAIL=evil@example.org";
        records[1][c] = "a\r\nb\nc\rd";
        records[2][c] = c % 2 ? "M\xC3\xBCller\rz" : "\xE2\x82\xAC\nx";
    }
    for (ContactRecord& r : records)
        flattenLineEnds(r);
    for (const TextEncoding encoding :
         {TextEncoding::Utf8, TextEncoding::Windows1252, TextEncoding::Utf16LE, TextEncoding::Utf16BE}) {
        const std::vector<ContactRecord> back = qor::testing::parse(qor::testing::format(records, encoding).bytes);
        ASSERT_EQ(back.size(), records.size()) << static_cast<int>(encoding);
        for (std::size_t i = 0; i < records.size(); ++i)
            EXPECT_EQ(back[i].texts, records[i].texts) << static_cast<int>(encoding);
    }
}
