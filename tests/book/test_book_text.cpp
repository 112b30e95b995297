#include "book_text.h"
#include "field_table.h"

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

TEST(BookReader, EqualSignsAfterTheFirst_areDroppedFromTheValue)
{
    const auto r = parse(joinLines({"CREATOR=QOR 1.0", "COMMENTS=a=b==c=", "EMAIL==x", "LIKES=="}))[0];
    EXPECT_EQ(r[F::COMMENTS], "abc");
    EXPECT_EQ(r[F::EMAIL], "x");
    EXPECT_EQ(r[F::LIKES], "");
}

TEST(BookReader, TrimmingComesBeforeEqualSignsAreDropped_soAValueCanEndInWhiteSpace)
{
    const auto r = parse(joinLines({"COMMENTS=a \t=", "LIKES= =\r"}))[0];
    EXPECT_EQ(r[F::COMMENTS], "a \t");
    EXPECT_EQ(r[F::LIKES], " ");
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
    const auto records = parse(bytes);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1], recordWith({{F::SURNAME, "Kept"}}));
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

TEST(BookReader, SurnameAmongTheFirstSixLines_neverCommitsAndTheLaterWins)
{
    const ContactRecord initial = recordWith({{F::SURNAME, "Form"}, {F::TEL, "123"}});
    const auto records = parse(joinLines({"SURNAME=One", "SURNAME=Two", "", "", "", "SURNAME=Three"}), initial);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0], recordWith({{F::SURNAME, "Three"}, {F::TEL, "123"}}));
}

TEST(BookReader, SurnameAtLineSix_commitsThePendingRecordFirst)
{
    // Empty lines and unknown keys count as lines.
    const ContactRecord initial = recordWith({{F::TEL, "123"}});
    const auto records = parse(joinLines({"CREATOR=QOR 1.0", "", "X=1", "", "", "", "SURNAME=Late"}), initial);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0], initial);
    EXPECT_EQ(records[1], recordWith({{F::SURNAME, "Late"}}));
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

TEST(BookReader, LastLineWithoutLineEnd_isIgnored)
{
    const auto r = parse("CREATOR=QOR 1.0\r\nEMAIL=a@b\r\nCOMMENTS=lost");
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0], recordWith({{F::EMAIL, "a@b"}}));
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

TEST(BookReader, BooksWithoutACompleteLine_giveJustTheInitialRecord)
{
    const ContactRecord initial = recordWith({{F::SURNAME, "On the form"}, {F::EYES, "Blue"}});
    for (std::string_view bytes : {std::string_view(""), std::string_view("\r\r\r"),
                                   std::string_view("SURNAME=A\rFIRSTNAME=B\r"),
                                   std::string_view("SURNAME=NoLineEnd")}) {
        const auto records = parse(bytes, initial);
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0], initial);
    }
    const auto creatorOnly = parse("CREATOR=QOR 1.0\r\n", initial);
    ASSERT_EQ(creatorOnly.size(), 1u);
    EXPECT_EQ(creatorOnly[0], initial);
}

TEST(BookReader, ByteOrderMark_becomesPartOfTheFirstKey)
{
    const auto records = parse("\xEF\xBB\xBFSURNAME=Hidden\r\nFIRSTNAME=Seen\r\n");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0], recordWith({{F::FIRSTNAME, "Seen"}}));
    EXPECT_EQ(parseBook("\xEF\xBB\xBFSURNAME=x\n", kEmpty).encoding, TextEncoding::Utf8);
}

TEST(BookReader, OneHugeLine_isReadWhole)
{
    std::string comment(8u << 20, 'x');
    for (std::size_t i = 0; i < comment.size(); i += 4096)
        comment[i] = '=';
    const std::string bytes = "COMMENTS=" + comment + "  \r\n";
    const auto r = parse(bytes)[0];
    EXPECT_EQ(r[F::COMMENTS].size(), comment.size() - comment.size() / 4096);
    EXPECT_EQ(r[F::COMMENTS].find('='), std::string::npos);
}

TEST(BookReader, FormattedRandomRecords_readBackEqual)
{
    // Texts the writer can carry: no line feed, no '=', no trailing white space.
    const std::vector<std::string> pieces{"a", "Z", " ", "\t", "0", "\xC3\xA9", "\xE6\x9D\x8E",
                                          "\xE2\x82\xAC", "\r", "-", "@", "SURNAME", "\xF0\x9F\x98\x80"};
    std::mt19937 rng(12345);
    for (int round = 0; round < 40; ++round) {
        std::vector<ContactRecord> rows(rng() % 6 + 1);
        for (ContactRecord& r : rows)
            for (std::string& text : r.texts) {
                const std::size_t n = rng() % 5 == 0 ? 0 : rng() % 12;
                for (std::size_t i = 0; i < n; ++i)
                    text += pieces[rng() % pieces.size()];
                while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
                    text.pop_back();
            }
        for (TextEncoding preferred : {TextEncoding::Utf8, TextEncoding::Windows1252}) {
            const FormattedBook book = format(rows, preferred);
            EXPECT_EQ(parse(book.bytes, recordWith({{F::TEL, "stale"}})), rows) << "round " << round;
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

TEST(BookEncoding, OneInvalidByte_makesTheWholeBookWindows1252)
{
    const auto book = parseBook(joinLines({"SURNAME=Zo\xC3\xAB", "FIRSTNAME=Jos\xE9"}), kEmpty);
    EXPECT_EQ(book.encoding, TextEncoding::Windows1252);
    EXPECT_EQ(book.records[0][F::SURNAME], "Zo\xC3\x83\xC2\xAB");
    EXPECT_EQ(book.records[0][F::FIRSTNAME], "Jos\xC3\xA9");
}

TEST(BookEncoding, Windows1252BookEditedToHoldEuro_staysWindows1252)
{
    auto records = parseBook("FIRSTNAME=Jos\xE9\r\n", kEmpty).records;
    records[0][F::COMMENTS] = "5 \xE2\x82\xAC";
    const FormattedBook book = format(records, TextEncoding::Windows1252);
    EXPECT_EQ(book.encoding, TextEncoding::Windows1252);
    EXPECT_NE(book.bytes.find("COMMENTS=5 \x80\r\n"), std::string::npos);
    EXPECT_NE(book.bytes.find("FIRSTNAME=Jos\xE9\r\n"), std::string::npos);
    EXPECT_EQ(parse(book.bytes), records);
}

TEST(BookEncoding, Windows1252BookEditedToHoldCjk_becomesUtf8Whole)
{
    auto records = parseBook("FIRSTNAME=Jos\xE9\r\n", kEmpty).records;
    records[0][F::NICKNAME] = "\xE6\x9D\x8E";
    const FormattedBook book = format(records, TextEncoding::Windows1252);
    EXPECT_EQ(book.encoding, TextEncoding::Utf8);
    EXPECT_NE(book.bytes.find("FIRSTNAME=Jos\xC3\xA9\r\n"), std::string::npos);
    EXPECT_NE(book.bytes.find("NICKNAME=\xE6\x9D\x8E\r\n"), std::string::npos);
    EXPECT_EQ(parse(book.bytes), records);
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
