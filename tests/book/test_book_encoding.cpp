// The book's encodings: Windows-1252, UTF-8, mixed and UTF-16 books read as text and written
// back byte for byte, since a save must never change the bytes of a text the user did not edit.
#include "book_text.h"
#include "book_text_helpers.h"
#include "field_table.h"
#include "text_encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace qor;
using namespace qor::testing;
using F = ContactField;

// --- Encodings -----------------------------------------------------------------------------

TEST(BookEncoding, Windows1252Book_readsAsUtf8AndWritesBackByteForByte)
{
    const std::string bytes = "CREATOR=QOR 1.0\r\n" + recordLines({{F::SURNAME, "Jos\xE9"}, {F::LIKES, "\x93" "caf\xE9\x94 \x80"}})
        + "\r\n" + recordLines({{F::SURNAME, "Odd\x81\x8D\x8F\x90\x9D"}});
    const ParsedBook book = parseBook(bytes, kEmpty);
    EXPECT_EQ(book.encoding, TextEncoding::Windows1252);
    ASSERT_EQ(book.records.size(), 2u);
    EXPECT_EQ(book.records[0][F::SURNAME], "Jos\xC3\xA9");
    EXPECT_EQ(book.records[0][F::LIKES], "\xE2\x80\x9C" "caf\xC3\xA9\xE2\x80\x9D \xE2\x82\xAC");

    const FormattedBook again = format(book.records, book.encoding);
    EXPECT_EQ(again.encoding, TextEncoding::Windows1252);
    EXPECT_EQ(again.bytes, bytes);
}

TEST(BookEncoding, Windows1252BookWithAccentedLettersSideBySide_isNotTakenForUtf8)
{
    const std::string bytes = "CREATOR=QOR 1.0\r\n" + recordLines({{F::SURNAME, "GR\xC6\xC9N"}, {F::LIKES, "\xC9\xC9"}});
    const ParsedBook book = parseBook(bytes, kEmpty);
    EXPECT_EQ(book.encoding, TextEncoding::Windows1252);
    ASSERT_EQ(book.records.size(), 1u);
    EXPECT_EQ(book.records[0][F::SURNAME], "GR\xC3\x86\xC3\x89N");
    EXPECT_EQ(book.records[0][F::LIKES], "\xC3\x89\xC3\x89");
    EXPECT_EQ(format(book.records, book.encoding).bytes, bytes);
}

TEST(BookEncoding, Utf8Book_writesBackByteForByte)
{
    const std::string bytes = "CREATOR=QOR 1.0\r\n" + recordLines({{F::SURNAME, "Zo\xC3\xAB"}, {F::COMMENTS, "\xE6\x9D\x8E \xE2\x82\xAC"}});
    const ParsedBook book = parseBook(bytes, kEmpty);
    EXPECT_EQ(book.encoding, TextEncoding::Utf8);
    EXPECT_EQ(book.records[0][F::SURNAME], "Zo\xC3\xAB");
    const FormattedBook again = format(book.records, book.encoding);
    EXPECT_EQ(again.encoding, TextEncoding::Utf8);
    EXPECT_EQ(again.bytes, bytes);
}

TEST(BookEncoding, InvalidBytesInAUtf8Book_areReadAsWindows1252InTheirFieldAlone)
{
    const std::string bytes = "CREATOR=QOR 1.0\r\n" + recordLines({{F::SURNAME, "M\xC3\xBCller"}, {F::FIRSTNAME, "Jos\xE9"}})
        + "\r\n" + recordLines({{F::SURNAME, "Zo\xC3\xAB"}, {F::COMMENTS, "caf\xE9 \x80"}});
    const ParsedBook book = parseBook(bytes, kEmpty);
    EXPECT_EQ(book.encoding, TextEncoding::Utf8);
    ASSERT_EQ(book.records.size(), 2u);
    EXPECT_EQ(book.records[0][F::SURNAME], "M\xC3\xBCller");
    EXPECT_EQ(book.records[0][F::FIRSTNAME], "Jos\xC3\xA9");
    EXPECT_EQ(book.records[1][F::SURNAME], "Zo\xC3\xAB");
    EXPECT_EQ(book.records[1][F::COMMENTS], "caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(book.records[0].windows1252Fields.count(), 1u);
    EXPECT_TRUE(book.records[0].windows1252Fields.test(columnOf(F::FIRSTNAME)));

    // Unchanged, every byte comes back.
    EXPECT_EQ(format(book.records, book.encoding).bytes, bytes);
    // The later of two lines wins with its own bytes.
    const ParsedBook twice = parseBook("FIRSTNAME=Jos\xE9\nFIRSTNAME=Jos\xC3\xA9\nSURNAME=x\n", kEmpty);
    EXPECT_FALSE(twice.records[0].windows1252Fields.any());

    // Without the contact that held the legacy bytes, the rest is still written as it was read.
    const FormattedBook second = format({book.records[0]}, book.encoding);
    EXPECT_EQ(textsOf(parse(second.bytes)), textsOf({book.records[0]}));
    const FormattedBook third = format({book.records[1]}, book.encoding);
    EXPECT_NE(third.bytes.find("SURNAME=Zo\xC3\xAB\r\n"), std::string::npos);
    EXPECT_EQ(textsOf(parse(third.bytes)), textsOf({book.records[1]}));
}

TEST(BookEncoding, EditedLegacyField_isWrittenInUtf8AndAnUnknownMarkNeverGarblesText)
{
    ParsedBook book = parseBook("SURNAME=M\xC3\xBCller\r\nFIRSTNAME=Jos\xE9\r\n", kEmpty);
    ContactRecord& r = book.records[0];
    r.setText(columnOf(F::FIRSTNAME), "Jos\xC3\xA9");  // the same text: the bytes stay
    EXPECT_TRUE(r.windows1252Fields.test(columnOf(F::FIRSTNAME)));
    r.setText(columnOf(F::FIRSTNAME), "Jos\xC3\xA9 Mar\xC3\xAD" "a");
    EXPECT_FALSE(r.windows1252Fields.test(columnOf(F::FIRSTNAME)));
    const std::string written = format({r}, book.encoding).bytes;
    EXPECT_NE(written.find("FIRSTNAME=Jos\xC3\xA9 Mar\xC3\xAD" "a\r\n"), std::string::npos);

    // A mark on a text whose Windows-1252 bytes would read back as other text is not obeyed.
    ContactRecord odd = recordWith({{F::SURNAME, "\xC3\x83\xC2\xA9"}, {F::NICKNAME, "\xE6\x9D\x8E"}});
    odd.windows1252Fields.set();
    const std::string oddBook = format({odd}, TextEncoding::Utf8).bytes;
    EXPECT_EQ(textsOf(parse(oddBook)), textsOf({odd}));
}

TEST(BookEncoding, Windows1252BookEditedToHoldEuro_staysWindows1252)
{
    const ParsedBook read = parseBook("FIRSTNAME=Jos\xE9\r\n", kEmpty);
    EXPECT_EQ(read.encoding, TextEncoding::Windows1252);
    auto records = read.records;
    records[0][F::COMMENTS] = "5 \xE2\x82\xAC";
    const FormattedBook book = format(records, TextEncoding::Windows1252);
    EXPECT_EQ(book.encoding, TextEncoding::Windows1252);
    EXPECT_NE(book.bytes.find("COMMENTS=5 \x80\r\n"), std::string::npos);
    EXPECT_NE(book.bytes.find("FIRSTNAME=Jos\xE9\r\n"), std::string::npos);
    EXPECT_EQ(textsOf(parse(book.bytes)), textsOf(records));
}

TEST(BookEncoding, Windows1252BookEditedToHoldCjk_becomesUtf8AndKeepsItsOldBytes)
{
    auto records = parseBook("FIRSTNAME=Jos\xE9\r\n", kEmpty).records;
    records[0][F::NICKNAME] = "\xE6\x9D\x8E";
    const FormattedBook book = format(records, TextEncoding::Windows1252);
    EXPECT_EQ(book.encoding, TextEncoding::Utf8);
    EXPECT_NE(book.bytes.find("FIRSTNAME=Jos\xE9\r\n"), std::string::npos);
    EXPECT_NE(book.bytes.find("NICKNAME=\xE6\x9D\x8E\r\n"), std::string::npos);
    const ParsedBook back = parseBook(book.bytes, kEmpty);
    EXPECT_EQ(back.encoding, TextEncoding::Utf8);
    EXPECT_EQ(textsOf(back.records), textsOf(records));
}

TEST(BookEncoding, Utf16Books_areReadAndWrittenBackWithTheirMark)
{
    const std::string utf8 = format({recordWith({{F::SURNAME, "M\xC3\xBCller"}, {F::NICKNAME, "\xF0\x9F\x98\x80"}}),
                                     recordWith({{F::SURNAME, "\xE6\x9D\x8E"}})}).bytes;
    for (const bool bigEndian : {false, true}) {
        const std::string bytes = (bigEndian ? "\xFE\xFF" : "\xFF\xFE") + utf8ToUtf16(utf8, bigEndian);
        const ParsedBook book = parseBook(bytes, kEmpty);
        EXPECT_EQ(book.encoding, bigEndian ? TextEncoding::Utf16BE : TextEncoding::Utf16LE);
        ASSERT_EQ(book.records.size(), 2u);
        EXPECT_EQ(book.records[0][F::SURNAME], "M\xC3\xBCller");
        EXPECT_EQ(book.records[0][F::NICKNAME], "\xF0\x9F\x98\x80");
        EXPECT_EQ(book.records[1][F::SURNAME], "\xE6\x9D\x8E");
        EXPECT_EQ(format(book.records, book.encoding).bytes, bytes);
    }
    // "SURNAME=A" and a lone CR in UTF-16 LE, as Notepad saves it, with a broken last unit.
    const std::string notepad("\xFF\xFES\0U\0R\0N\0A\0M\0E\0=\0A\0\r\0\x00\xD8", 24);
    const ParsedBook odd = parseBook(notepad, kEmpty);
    ASSERT_EQ(odd.records.size(), 1u);
    EXPECT_EQ(odd.records[0][F::SURNAME], "A");
}

TEST(BookEncoding, Windows1252TextThatWouldReadBackAsUtf8_isWrittenInUtf8)
{
    // "Ã©" is C3 A9 in Windows-1252, which a reader takes for UTF-8 "é".
    const std::vector<ContactRecord> records{recordWith({{F::SURNAME, "\xC3\x83\xC2\xA9"}})};
    const FormattedBook book = format(records, TextEncoding::Windows1252);
    EXPECT_EQ(book.encoding, TextEncoding::Utf8);
    EXPECT_EQ(parse(book.bytes), records);

    const std::vector<ContactRecord> ascii{recordWith({{F::SURNAME, "Plain"}})};
    EXPECT_EQ(format(ascii, TextEncoding::Windows1252).encoding, TextEncoding::Windows1252);
}
