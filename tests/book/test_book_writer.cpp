// The book's writer: the exact bytes of a book, its creator line, its records' 34 lines in
// column order and the empty line between them, since other programs read these files too.
#include "book_text.h"
#include "book_text_helpers.h"
#include "field_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace qor;
using namespace qor::testing;
using F = ContactField;

// --- The writer ---------------------------------------------------------------------------

TEST(BookWriter, KnownBooks_haveTheirKnownLineCountsAndSizes)
{
    const std::string one = format({ContactRecord{}}).bytes;
    EXPECT_EQ(countLines(one), 35u);
    EXPECT_EQ(one.size(), 351u);

    const std::string two = format({ContactRecord{}, ContactRecord{}}).bytes;
    EXPECT_EQ(countLines(two), 70u);
    EXPECT_EQ(two.size(), 687u);

    EXPECT_EQ(format({recordWith({{F::SURNAME, "Smith"}})}).bytes.size(), 356u);
    EXPECT_TRUE(format({}).bytes.empty());
}

TEST(BookWriter, Book_hasOneCreatorLineThenColumnOrderedRecordsSeparatedByOneEmptyLine)
{
    const ContactRecord a = recordWith({{F::SURNAME, "Ash"}, {F::ANYEAR, "1970"}});
    const ContactRecord b = recordWith({{F::SURNAME, "Birch"}, {F::RATING, "5"}});
    const std::string expected = "CREATOR=QOR 1.0\r\n"
        + recordLines({{F::SURNAME, "Ash"}, {F::ANYEAR, "1970"}}) + "\r\n"
        + recordLines({{F::SURNAME, "Birch"}, {F::RATING, "5"}});
    EXPECT_EQ(format({a, b}).bytes, expected);
    EXPECT_EQ(recordLines({}).substr(0, 19), "SURNAME=\r\nFIRSTNAME");
}
