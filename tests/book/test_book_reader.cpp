// The book's reader: how lines, keys and values are found and when a record is committed,
// since books written by hand or by other programs must load as they always have.
#include "book_text.h"
#include "book_text_helpers.h"
#include "field_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

using namespace qor;
using namespace qor::testing;
using F = ContactField;

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

TEST(BookReader, LinesItDoesNotTake_areCountedForTheSaveThatWouldDropThem)
{
    const auto unread = [](std::string_view bytes) {
        return readBookRecords(bytes, kEmpty, [](ContactRecord&) {}).unreadLines;
    };
    EXPECT_EQ(unread(format({ContactRecord{}, ContactRecord{}}).bytes), 0u);
    EXPECT_EQ(unread("CREATOR=QOR 1.0\r\nCREATOR=again\r\n\r\n  \r\nSURNAME=A\r\n"), 0u);
    // A deploy script with one EMAIL= line: the shebang, HOST=, exec and a comment go.
    EXPECT_EQ(unread("#!/bin/sh\nHOST=example.org\nEMAIL=ops@example.org\nexec run\n# done\n"), 4u);
    EXPECT_EQ(unread("\xFF\xFE" "S\0U\0R\0N\0A\0M\0E\0=\0A\0\n\0n\0o\0t\0e\0\n\0"), 1u); // UTF-16
    EXPECT_EQ(unread("surname=lower\nSURNAME=Upper\n"), 1u);
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
