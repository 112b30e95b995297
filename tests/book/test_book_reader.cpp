#include "book_text.h"
#include "field_table.h"
#include "text_encoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <random>
#include <string>
#include <utility>
#include <vector>

using namespace qor;
using F = ContactField;

namespace {

std::string joinLines(std::initializer_list<std::string_view> lines, std::string_view end = "\r\n")
{
    std::string s;
    for (std::string_view line : lines)
        s.append(line).append(end);
    return s;
}

ContactRecord recordWith(std::initializer_list<std::pair<ContactField, std::string>> texts)
{
    ContactRecord r;
    for (const auto& [f, text] : texts)
        r[f] = text;
    return r;
}

// A record's 34 lines, as a hand-made book file would hold them, values given as raw bytes.
std::string recordLines(std::initializer_list<std::pair<ContactField, std::string_view>> values)
{
    std::string s;
    for (const FieldInfo& info : fieldTable()) {
        std::string_view value;
        for (const auto& [f, v] : values)
            if (f == info.field)
                value = v;
        s.append(info.key).append("=").append(value).append("\r\n");
    }
    return s;
}

FormattedBook format(const std::vector<ContactRecord>& rows, TextEncoding preferred = TextEncoding::Utf8)
{
    return formatBook(rows.size(), [&](std::size_t i) -> const ContactRecord& { return rows[i]; },
                      preferred);
}

std::size_t countLines(const std::string& bytes)
{
    return static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
}

const ContactRecord kEmpty{};

std::vector<ContactRecord> parse(std::string_view bytes, const ContactRecord& initial = kEmpty)
{
    return parseBook(bytes, initial).records;
}

// The records' texts alone, without the marks of fields read from Windows-1252 bytes.
std::vector<ContactRecord> textsOf(std::vector<ContactRecord> records)
{
    for (ContactRecord& r : records)
        r.windows1252Fields.reset();
    return records;
}

} // namespace

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

// --- The reader: lines, keys and values --------------------------------------------------

TEST(BookReader, Records_comeBackInFileOrder)
{
    const auto records = parse(format({recordWith({{F::SURNAME, "C"}}), recordWith({{F::SURNAME, "A"}}),
                                       recordWith({{F::SURNAME, "B"}})}).bytes);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0][F::SURNAME], "C");
    EXPECT_EQ(records[1][F::SURNAME], "A");
    EXPECT_EQ(records[2][F::SURNAME], "B");
}

TEST(BookReader, EqualSignsAfterTheFirst_stayInTheValue)
{
    const auto r = parse(joinLines({"CREATOR=QOR 1.0", "COMMENTS=a=b==c=", "EMAIL==x", "LIKES==",
                                    "HOMECITY=https://e.org/?a=1&b=2"}))[0];
    EXPECT_EQ(r[F::COMMENTS], "a=b==c=");
    EXPECT_EQ(r[F::EMAIL], "=x");
    EXPECT_EQ(r[F::LIKES], "=");
    EXPECT_EQ(r[F::HOMECITY], "https://e.org/?a=1&b=2");

    // What the form takes in comes back after a save and a load.
    const std::vector<ContactRecord> typed{recordWith({{F::EMAIL, "a=b"}, {F::COMMENTS, "x = y ="}})};
    EXPECT_EQ(parse(format(typed).bytes), typed);
}

TEST(BookReader, TrimmingIsOfTheWholeLine_soAValueNeverEndsInWhiteSpace)
{
    const auto r = parse(joinLines({"COMMENTS=a \t=", "LIKES= = \t"}))[0];
    EXPECT_EQ(r[F::COMMENTS], "a \t=");
    EXPECT_EQ(r[F::LIKES], " =");
}

TEST(BookReader, TrailingWhiteSpace_isTrimmedAndLeadingWhiteSpaceKept)
{
    const auto r = parse(joinLines({"FIRSTNAME=  Ann \t\v\f\r", "NICKNAME=\tNan\xC2\xA0", "EMAIL= \r\r"}))[0];
    EXPECT_EQ(r[F::FIRSTNAME], "  Ann");
    EXPECT_EQ(r[F::NICKNAME], "\tNan\xC2\xA0"); // a no-break space is not one of the six
    EXPECT_EQ(r[F::EMAIL], "");
}

TEST(BookReader, KeysThatAreNotExactlyUpperCase_changeNothingAndCommitNothing)
{
    const std::string bytes = joinLines({"CREATOR=QOR 1.0", "", "", "", "", "", "SURNAME=Kept",
                                         "surname=x", "SURNAME =x", " SURNAME=x", "Email=x", "=x",
                                         "SURNAMES=x", "CREATOR=x", "UNKNOWN=x"});
    const auto records = parse(bytes, recordWith({{F::TEL, "123"}}));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0], recordWith({{F::SURNAME, "Kept"}, {F::TEL, "123"}}));
}

TEST(BookReader, SurnameWithoutEqualSign_actsAsAnEmptySurname)
{
    for (std::string_view line : {"SURNAME", "SURNAME   ", "SURNAME="}) {
        SCOPED_TRACE(std::string(line));
        const std::string bytes = joinLines({"CREATOR=QOR 1.0", "SURNAME=Hay", "", "", "", "",
                                             "EMAIL=a@b", line, "EMAIL=c@d"});
        const auto records = parse(bytes);
        ASSERT_EQ(records.size(), 2u);
        EXPECT_EQ(records[0], recordWith({{F::SURNAME, "Hay"}, {F::EMAIL, "a@b"}}));
        EXPECT_EQ(records[1], recordWith({{F::EMAIL, "c@d"}}));
    }
    EXPECT_EQ(parse(joinLines({"COMMENTS"}))[0][F::COMMENTS], "");
}

TEST(BookReader, EverySurnameAfterAFieldLine_startsANewContact)
{
    // Short hand-made records: each SURNAME begins a contact, wherever it stands.
    const auto records = parse(joinLines({"SURNAME=Adams", "EMAIL=a@x.org", "SURNAME=Baker", "EMAIL=b@x.org"}));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0], recordWith({{F::SURNAME, "Adams"}, {F::EMAIL, "a@x.org"}}));
    EXPECT_EQ(records[1], recordWith({{F::SURNAME, "Baker"}, {F::EMAIL, "b@x.org"}}));

    const ContactRecord initial = recordWith({{F::SURNAME, "Form"}, {F::TEL, "123"}});
    const auto three = parse(joinLines({"SURNAME=One", "SURNAME=Two", "", "", "", "SURNAME=Three"}), initial);
    ASSERT_EQ(three.size(), 3u);
    EXPECT_EQ(three[0], recordWith({{F::SURNAME, "One"}, {F::TEL, "123"}}));
    EXPECT_EQ(three[1], recordWith({{F::SURNAME, "Two"}}));
    EXPECT_EQ(three[2], recordWith({{F::SURNAME, "Three"}}));
}

TEST(BookReader, SurnameAfterOnlyHeaderLines_fillsTheFormsRecordRatherThanCommittingIt)
{
    // The creator line, empty lines and unknown keys set no field, however many there are.
    const ContactRecord initial = recordWith({{F::TEL, "123"}});
    const auto records = parse(joinLines({"CREATOR=QOR 1.0", "", "X=1", "", "", "", "", "SURNAME=Late"}), initial);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0], recordWith({{F::SURNAME, "Late"}, {F::TEL, "123"}}));

    // A field line before it makes a contact of the form's record, as the book says.
    const auto two = parse(joinLines({"CREATOR=QOR 1.0", "EYES=Blue", "SURNAME=Late"}), initial);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[0], recordWith({{F::TEL, "123"}, {F::EYES, "Blue"}}));
    EXPECT_EQ(two[1], recordWith({{F::SURNAME, "Late"}}));
}

TEST(BookReader, RecordLackingAKey_doesNotInheritItFromTheRecordBefore)
{
    const std::string bytes = "CREATOR=QOR 1.0\r\n" + recordLines({{F::SURNAME, "A"}, {F::EMAIL, "a@x"}})
        + "\r\n" + joinLines({"SURNAME=B", "FIRSTNAME=Bo", "FIRSTNAME=Bea"});
    const auto records = parse(bytes, recordWith({{F::HAIR, "Red"}}));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0][F::HAIR], ""); // a full record's lines overwrite the form's contents
    EXPECT_EQ(records[1], recordWith({{F::SURNAME, "B"}, {F::FIRSTNAME, "Bea"}}));
}

TEST(BookReader, LastLineWithoutLineEnd_isRead)
{
    const auto r = parse("CREATOR=QOR 1.0\r\nEMAIL=a@b\r\nCOMMENTS=kept");
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0], recordWith({{F::EMAIL, "a@b"}, {F::COMMENTS, "kept"}}));

    std::string book = format({recordWith({{F::SURNAME, "A"}, {F::ANYEAR, "1999"}})}).bytes;
    book.resize(book.size() - 2);
    EXPECT_EQ(parse(book)[0][F::ANYEAR], "1999");
}

TEST(BookReader, LoneCarriageReturns_endLinesAsLineFeedsDo)
{
    const std::string crlf = format({recordWith({{F::SURNAME, "A"}, {F::TEL, "1"}}),
                                     recordWith({{F::SURNAME, "B"}})}).bytes;
    std::string cr;
    std::copy_if(crlf.begin(), crlf.end(), std::back_inserter(cr), [](char c) { return c != '\n'; });
    EXPECT_EQ(parse(cr), parse(crlf));
    EXPECT_EQ(parse(cr).size(), 2u);

    // CR LF is one line end; CR CR LF is two, around an empty line; each end can follow another.
    const auto mixed = parse("SURNAME=A\rEMAIL=a@x\r\r\nTEL=1\n\rSURNAME=B\r\n\nEMAIL=b\rx");
    ASSERT_EQ(mixed.size(), 2u);
    EXPECT_EQ(mixed[0], recordWith({{F::SURNAME, "A"}, {F::EMAIL, "a@x"}, {F::TEL, "1"}}));
    EXPECT_EQ(mixed[1], recordWith({{F::SURNAME, "B"}, {F::EMAIL, "b"}}));
}

TEST(BookReader, BareLineFeeds_readLikeCarriageReturnLineFeeds)
{
    const std::string crlf = format({recordWith({{F::SURNAME, "A"}, {F::TEL, "1"}}),
                                     recordWith({{F::SURNAME, "B"}})}).bytes;
    std::string lf;
    std::copy_if(crlf.begin(), crlf.end(), std::back_inserter(lf), [](char c) { return c != '\r'; });
    EXPECT_EQ(parse(lf), parse(crlf));
    EXPECT_EQ(parse(lf).size(), 2u);
}

TEST(BookReader, BooksWithoutAFieldLine_giveJustTheInitialRecord)
{
    const ContactRecord initial = recordWith({{F::SURNAME, "On the form"}, {F::EYES, "Blue"}});
    for (std::string_view bytes : {std::string_view(""), std::string_view("\r\r\r"),
                                   std::string_view("\n \t\r\n"), std::string_view("NOTE=x"),
                                   std::string_view("\xEF\xBB\xBF"), std::string_view("\xFF\xFE")}) {
        const auto records = parse(bytes, initial);
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0], initial);
    }
    EXPECT_EQ(parse("SURNAME=A\rFIRSTNAME=B\r", initial)[0],
              recordWith({{F::SURNAME, "A"}, {F::FIRSTNAME, "B"}, {F::EYES, "Blue"}}));
    const auto creatorOnly = parse("CREATOR=QOR 1.0\r\n", initial);
    ASSERT_EQ(creatorOnly.size(), 1u);
    EXPECT_EQ(creatorOnly[0], initial);
}

TEST(BookReader, Utf8ByteOrderMark_isASignatureAndIsNotWrittenBack)
{
    const ParsedBook book = parseBook("\xEF\xBB\xBFSURNAME=Bom\r\nFIRSTNAME=Seen\r\n", kEmpty);
    ASSERT_EQ(book.records.size(), 1u);
    EXPECT_EQ(book.records[0], recordWith({{F::SURNAME, "Bom"}, {F::FIRSTNAME, "Seen"}}));
    EXPECT_EQ(book.encoding, TextEncoding::Utf8);
    EXPECT_EQ(format(book.records, book.encoding).bytes.substr(0, 8), "CREATOR=");
    // Only at the head of the book.
    EXPECT_EQ(parse("EMAIL=x\n\xEF\xBB\xBFSURNAME=Inner\n")[0][F::SURNAME], "");
    // It marks the book UTF-8 even where a field is not.
    EXPECT_EQ(parseBook("\xEF\xBB\xBFSURNAME=Jos\xE9\n", kEmpty).encoding, TextEncoding::Utf8);
}

TEST(BookReader, BooksThatAreNotBooks_areToldApart)
{
    std::string nuls(1 << 20, '\0');
    std::string random(1 << 16, '\0');
    std::mt19937 rng(3);
    for (char& c : random)
        c = static_cast<char>(rng() & 0xFF);
    for (const std::string& bytes : {nuls, random, std::string("export PATH=$HOME/bin:$PATH\nalias ll='ls -l'\n"),
                                     std::string("surname=lower\n")})
        EXPECT_FALSE(parseBook(bytes, kEmpty).isBook);
    for (std::string_view bytes : {"", "\r\n \n", "\xEF\xBB\xBF", "CREATOR=QOR 1.0\r\n", "CREATOR=Other",
                                   "ANYEAR=1999", "noise\nSURNAME\n"})
        EXPECT_TRUE(parseBook(bytes, kEmpty).isBook) << bytes;
    EXPECT_TRUE(parseBook(format({ContactRecord{}}).bytes, kEmpty).isBook);
}

TEST(BookReader, OneHugeLine_isReadWhole)
{
    std::string comment(8u << 20, 'x');
    for (std::size_t i = 0; i < comment.size(); i += 4096)
        comment[i] = '=';
    const std::string bytes = "COMMENTS=" + comment + "  \r\n";
    const auto r = parse(bytes)[0];
    EXPECT_EQ(r[F::COMMENTS], comment);
}

TEST(BookReader, FormattedRandomRecords_readBackEqual)
{
    // Texts the writer can carry: no line end, no trailing white space.
    const std::vector<std::string> pieces{"a", "Z", " ", "\t", "0", "\xC3\xA9", "\xE6\x9D\x8E",
                                          "\xE2\x82\xAC", "=", "-", "@", "SURNAME", "\xF0\x9F\x98\x80"};
    std::mt19937 rng(12345);
    for (int round = 0; round < 40; ++round) {
        std::vector<ContactRecord> rows(rng() % 6 + 1);
        for (ContactRecord& r : rows)
            for (std::string& text : r.texts) {
                const std::size_t n = rng() % 5 == 0 ? 0 : rng() % 12;
                for (std::size_t i = 0; i < n; ++i)
                    text += pieces[rng() % pieces.size()];
                while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
                    text.pop_back();
            }
        for (TextEncoding preferred : {TextEncoding::Utf8, TextEncoding::Windows1252, TextEncoding::Utf16LE,
                                       TextEncoding::Utf16BE}) {
            const FormattedBook book = format(rows, preferred);
            const ParsedBook back = parseBook(book.bytes, recordWith({{F::TEL, "stale"}}));
            EXPECT_EQ(textsOf(back.records), rows) << "round " << round;
            // Saved again unchanged, the book keeps every byte.
            EXPECT_EQ(format(back.records, back.encoding).bytes, book.bytes) << "round " << round;
        }
    }
}

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
