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

// Rows whose texts are kept elsewhere (the list's packed rows) make the book that the same rows
// as records make, in every encoding, with the fields read from Windows-1252 bytes kept so.
TEST(BookWriter, RowsGivenAsViews_makeTheBookTheSameRowsAsRecordsMake)
{
    ContactRecord plain, accented, beyond, marked;
    plain[F::SURNAME] = "Lee";
    plain[F::COMMENTS] = "a=b; c";
    accented[F::SURNAME] = "M\xC3\xBCller";
    accented[F::HAIR] = "caf\xC3\xA9 \xE2\x82\xAC";
    beyond[F::FIRSTNAME] = "\xE8\xA1\xA8"; // no Windows-1252 byte reads back as it
    marked[F::SURNAME] = "Jos\xC3\xA9";
    marked[F::ANYEAR] = "\xC3\xA9";
    marked.windows1252Fields.set(columnOf(F::SURNAME));
    const struct {
        const char* name;
        std::vector<ContactRecord> rows;
        TextEncoding preferred;
    } cases[] = {
        {"UTF-8", {plain, accented}, TextEncoding::Utf8},
        {"Windows-1252", {plain, accented}, TextEncoding::Windows1252},
        {"Windows-1252 preferred, a text beyond it", {accented, beyond}, TextEncoding::Windows1252},
        {"UTF-8 keeping a field's Windows-1252 bytes", {plain, marked}, TextEncoding::Utf8},
        {"UTF-16LE", {accented, marked}, TextEncoding::Utf16LE},
        {"UTF-16BE", {beyond, plain}, TextEncoding::Utf16BE},
    };
    for (const auto& c : cases) {
        // The texts in a store of their own, so that no view points into the records.
        std::vector<std::string> store;
        for (const ContactRecord& row : c.rows)
            store.insert(store.end(), row.texts.begin(), row.texts.end());
        const FormattedBook fromViews = formatBook(c.rows.size(), [&](std::size_t r, BookRowTexts& texts) {
            for (std::size_t col = 0; col < kFieldCount; ++col)
                texts.texts[col] = store[r * kFieldCount + col];
            texts.windows1252Fields = c.rows[r].windows1252Fields;
        }, c.preferred);
        const FormattedBook fromRecords = format(c.rows, c.preferred);
        EXPECT_EQ(fromViews.bytes, fromRecords.bytes) << c.name;
        EXPECT_EQ(fromViews.encoding, fromRecords.encoding) << c.name;
    }
}
