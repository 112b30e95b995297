// The merge of a group of duplicates, field by field, and the pairs kept apart.
#include "contact_hash.h"
#include "group_merge.h"
#include "not_duplicates.h"

#include <gtest/gtest.h>

using namespace qor;
using F = ContactField;

namespace {

ContactRecord with(std::initializer_list<std::pair<F, const char*>> fields)
{
    ContactRecord r;
    for (const auto& [field, text] : fields)
        r[field] = text;
    return r;
}

} // namespace

TEST(GroupMerge, eachFieldTakesTheNonEmptyTextAndWhereTextsDifferTheNewest)
{
    // Top row first: the newest entry.
    const GroupMembers members = {
        with({{F::SURNAME, "Lee"}, {F::FIRSTNAME, "Ann"}, {F::MOBILE, "07700 900123"}}),
        with({{F::SURNAME, "Lee"}, {F::EMAIL, "ann@example.org"}, {F::MOBILE, "+44 7700 900123"}}),
        with({{F::SURNAME, "Lee, Ann"}, {F::LIKES, "jazz"}, {F::EMAIL, "ann@example.org"}}),
    };
    struct Row {
        F field;
        int source;
        bool differs;
    };
    const Row rows[] = {
        {F::SURNAME, 0, true},   // "Lee" and "Lee, Ann": the newest
        {F::FIRSTNAME, 0, false},
        {F::MOBILE, 0, true},    // written two ways: the newest
        {F::EMAIL, 1, false},    // the same text twice: no choice
        {F::LIKES, 2, false},    // only the oldest has it
        {F::COMMENTS, kNoSource, false},
    };
    const FieldSources sources = defaultSources(members);
    for (const Row& row : rows) {
        EXPECT_EQ(sources[columnOf(row.field)], row.source) << columnOf(row.field);
        EXPECT_EQ(fieldDiffers(members, columnOf(row.field)), row.differs) << columnOf(row.field);
    }
    const ContactRecord merged = mergedContact(members, sources);
    EXPECT_EQ(merged, with({{F::SURNAME, "Lee"}, {F::FIRSTNAME, "Ann"}, {F::MOBILE, "07700 900123"},
                            {F::EMAIL, "ann@example.org"}, {F::LIKES, "jazz"}}));
    EXPECT_FALSE(equalExceptEmpty(members));

    // The user's choice: the older mobile, and no likes.
    FieldSources chosen = sources;
    chosen[columnOf(F::MOBILE)] = 1;
    chosen[columnOf(F::LIKES)] = kNoSource;
    const ContactRecord picked = mergedContact(members, chosen);
    EXPECT_EQ(picked[F::MOBILE], "+44 7700 900123");
    EXPECT_EQ(picked[F::LIKES], "");
}

TEST(GroupMerge, membersEqualButForEmptyFieldsNeedNoChoiceAndKeepTheirBytes)
{
    ContactRecord older = with({{F::SURNAME, "Smith"}, {F::HOMECITY, "K\xC3\xB6ln"}});
    older.windows1252Fields.set(columnOf(F::HOMECITY)); // read from Windows-1252 bytes
    const GroupMembers members = {with({{F::SURNAME, "Smith"}, {F::EMAIL, "s@example.org"}}), older};
    EXPECT_TRUE(equalExceptEmpty(members));
    const ContactRecord merged = mergedContact(members, defaultSources(members));
    EXPECT_EQ(merged[F::HOMECITY], "K\xC3\xB6ln");
    EXPECT_EQ(merged[F::EMAIL], "s@example.org");
    EXPECT_TRUE(merged.windows1252Fields.test(columnOf(F::HOMECITY)));
    EXPECT_FALSE(merged.windows1252Fields.test(columnOf(F::SURNAME)));
}

TEST(NotDuplicates, keepsEveryPairOfAGroupInEitherOrderAndReadsBackWhatItWrites)
{
    const ContactRecord a = with({{F::SURNAME, "A"}}), b = with({{F::SURNAME, "B"}}), c = with({{F::SURNAME, "C"}});
    NotDuplicates pairs;
    pairs.addGroup({a, b, c});
    EXPECT_EQ(pairs.size(), 3u);
    EXPECT_TRUE(pairs.contains(hashContact(c), hashContact(a)));
    EXPECT_FALSE(pairs.contains(hashContact(a), hashContact(with({{F::SURNAME, "A"}, {F::EMAIL, "a@x"}}))));

    const std::string text = pairs.format();
    EXPECT_TRUE(text.starts_with("QOR not-duplicates 1\n"));
    const NotDuplicates back = NotDuplicates::parse(text);
    EXPECT_EQ(back.format(), text);

    // A damaged line forgets its pair, never the others; CR LF lines are read too.
    std::string damaged = text;
    damaged.replace(damaged.find('\n') + 1, 3, "zz!");
    damaged += "0123 4567\r\n";
    EXPECT_EQ(NotDuplicates::parse(damaged).size(), 2u);
    std::string crlf;
    for (char ch : text)
        crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    EXPECT_EQ(NotDuplicates::parse(crlf).size(), 3u);
}
