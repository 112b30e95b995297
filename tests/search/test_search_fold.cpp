#include "book_text.h"
#include "field_table.h"
#include "search_fold.h"
#include "text_encoding.h"

#include <gtest/gtest.h>

#include <string>

using namespace qor;
using F = ContactField;

namespace {

bool finds(std::string_view query, const ContactRecord& record)
{
    return searchTextMatches(searchTextOf(record), foldForSearch(query));
}

ContactRecord with(F field, std::string text)
{
    ContactRecord r;
    r[field] = std::move(text);
    return r;
}

// A book of one contact whose SURNAME line holds `surname` as raw bytes.
std::string bookWithSurname(std::string_view surname)
{
    std::string book = "CREATOR=QOR 1.0\r\n";
    for (const FieldInfo& info : fieldTable())
        book.append(info.key).append("=").append(info.field == F::SURNAME ? surname : "").append("\r\n");
    return book;
}

} // namespace

TEST(SearchFold, ignoresCaseAndAccents)
{
    const ContactRecord mueller = with(F::SURNAME, "Müller");
    EXPECT_TRUE(finds("muller", mueller));
    EXPECT_TRUE(finds("MÜLL", mueller));
    EXPECT_TRUE(finds("Mül", mueller));
    EXPECT_FALSE(finds("mueller", mueller));
    EXPECT_TRUE(finds("ode", with(F::SURNAME, "Ødegård")));
    EXPECT_TRUE(finds("ODEGARD", with(F::SURNAME, "Ødegård")));
    EXPECT_TRUE(finds("ødegård", with(F::SURNAME, "ODEGARD")));
    EXPECT_EQ(foldForSearch("ÀÉÎÕÜÇÑÝŸ àéîõüçñýÿ"), "aeioucnyy aeioucnyy");
}

TEST(SearchFold, coversLatinExtendedAAndSpellsOutLigatures)
{
    EXPECT_EQ(foldForSearch("Łódź Gdańsk Kraków"), "lodz gdansk krakow");
    EXPECT_EQ(foldForSearch("Dvořák Šťastný Čapek"), "dvorak stastny capek");
    EXPECT_EQ(foldForSearch("Őry Ĳssel İzmir ıi"), "ory ijssel izmir ii");
    EXPECT_EQ(foldForSearch("Straße ÆSIR Œuvre Þór Ðóra"), "strasse aesir oeuvre thor dora");
    EXPECT_EQ(foldForSearch("Ștefan Țară"), "stefan tara");
    EXPECT_EQ(foldForSearch("ĀāĂăĄą ŽžŹźŻż ſ"), "aaaaaa zzzzzz s");
    EXPECT_EQ(foldForSearch("ΆΘΗΝΑ Ёлка ЖУК"), "αθηνα елка жук");
    // Signs are not letters; a decomposed accent is dropped like a composed one.
    EXPECT_EQ(foldForSearch("2×3÷1"), "2×3÷1");
    EXPECT_EQ(foldForSearch("Mu\xCC\x88ller"), "muller");
}

TEST(SearchFold, keepsWhatItCannotFoldAndNeverCrossesAField)
{
    // Other scripts and malformed bytes pass through as they are.
    EXPECT_EQ(foldForSearch("東京 😀"), "東京 😀");
    EXPECT_EQ(foldForSearch("a\xFF\xC3"), "a\xFF\xC3");
    EXPECT_EQ(foldForSearch("\xE0\x80"), "\xE0\x80");
    EXPECT_EQ(foldForSearch("tab\there\nline"), "tab here line");
    EXPECT_EQ(foldForSearch(std::string("nul\0x", 5)), "nul x");
    // A query never matches the end of one field and the start of the next.
    ContactRecord r;
    r[F::SURNAME] = "Smith";
    r[F::FIRSTNAME] = "John";
    EXPECT_TRUE(finds("smith", r));
    EXPECT_FALSE(finds("smithjohn", r));
    EXPECT_FALSE(finds("smith john", r));
    EXPECT_TRUE(finds("", r));
    EXPECT_TRUE(finds("", ContactRecord{}));
}

TEST(SearchFold, findsEveryFieldAndPhoneNumbersByTheirDigits)
{
    for (std::size_t c = 0; c < kFieldCount; ++c)
        EXPECT_TRUE(finds("zebra", with(fieldAt(c), "Zebra"))) << c;
    for (F phone : {F::MOBILE, F::TEL, F::WORKTEL}) {
        const ContactRecord r = with(phone, "+44 7700 900123");
        EXPECT_TRUE(finds("7700900", r));
        EXPECT_TRUE(finds("447700900123", r));
        EXPECT_TRUE(finds("7700 900", r));
        EXPECT_FALSE(finds("7700901", r));
    }
    // Only the phone fields are matched by their digits alone.
    EXPECT_FALSE(finds("7700900", with(F::COMMENTS, "+44 7700 900123")));
    EXPECT_FALSE(finds("12345", with(F::HOMEZIP, "12 345")));
    // Digits of two phone fields are not run together.
    ContactRecord two;
    two[F::MOBILE] = "555 12";
    two[F::TEL] = "34 999";
    EXPECT_FALSE(finds("1234", two));
    std::string digits;
    appendDigits("(0)20-7946 0958 ext.1", digits);
    EXPECT_EQ(digits, "020794609581");
}

TEST(SearchFold, findsContactsOfWindows1252AndUtf8Books)
{
    // "Müller Ødegård" in each encoding: the reader gives the same UTF-8 texts, so the same
    // queries find them.
    const std::string utf8Book = bookWithSurname("M\xC3\xBCller \xC3\x98" "deg\xC3\xA5rd");
    const std::string cp1252Book = bookWithSurname("M\xFCller \xD8" "deg\xE5rd");
    for (const std::string& book : {utf8Book, cp1252Book}) {
        const ParsedBook parsed = parseBook(book, ContactRecord{});
        ASSERT_EQ(parsed.records.size(), 1u);
        const ContactRecord& r = parsed.records.front();
        EXPECT_TRUE(finds("muller", r));
        EXPECT_TRUE(finds("MÜLL", r));
        EXPECT_TRUE(finds("ode", r));
        EXPECT_TRUE(finds("ødegård", r));
    }
    EXPECT_EQ(parseBook(cp1252Book, {}).encoding, TextEncoding::Windows1252);
    // A Windows-1252 query typed into a Windows-1252 world still folds once decoded.
    EXPECT_EQ(foldForSearch(windows1252ToUtf8("\xC6\xDF\x8A\x9E")), "aesssz");
}
