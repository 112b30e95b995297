// The book reader fed a piece at a time: however the bytes are cut, the same records, encoding
// and verdict as the reader of the whole book, so a verb that streams the book sees what the
// window sees.
#include "book_stream.h"
#include "book_text.h"
#include "book_text_helpers.h"
#include "text_encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace qor;
using namespace qor::testing;
using F = ContactField;

namespace {

struct Read {
    std::vector<ContactRecord> records;
    BookReading reading;
};

Read whole(std::string_view bytes, const ContactRecord& initial)
{
    Read r;
    r.reading = readBookRecords(bytes, initial, [&r](ContactRecord& record) { r.records.push_back(record); });
    return r;
}

Read inPieces(std::string_view bytes, const ContactRecord& initial, std::size_t pieceSize)
{
    Read r;
    BookRecordStream stream(initial, [&r](ContactRecord& record) { r.records.push_back(record); });
    for (std::size_t at = 0; at < bytes.size(); at += pieceSize)
        stream.feed(bytes.substr(at, pieceSize));
    r.reading = stream.finish();
    return r;
}

std::string utf16(std::string_view utf8, bool bigEndian)
{
    return std::string(bigEndian ? "\xFE\xFF" : "\xFF\xFE") + utf8ToUtf16(utf8, bigEndian);
}

// Books whose reading depends on what lies beyond a cut: line ends of every kind (and CR LF
// cut in two), the marks, UTF-8 and Windows-1252 side by side, UTF-16 pairs and odd bytes.
std::vector<std::pair<const char*, std::string>> books()
{
    const std::string two = "CREATOR=QOR 1.0\r\n" + recordLines({{F::SURNAME, "Lee"}, {F::DOBDAY, "5"}})
        + "\r\n" + recordLines({{F::SURNAME, "M\xC3\xBCller"}, {F::COMMENTS, std::string(3000, 'x')}});
    const std::string emoji = recordLines({{F::SURNAME, "\xF0\x9F\x98\x80 Smile"}, {F::FIRSTNAME, "\xE2\x82\xAC"}});
    return {
        {"empty", ""},
        {"white space only", " \r\n\t\r\n"},
        {"CR LF", two},
        {"LF only", joinLines({"SURNAME=A", "TEL=1", "SURNAME=B", "TEL=2"}, "\n")},
        {"CR only, no last line end", "SURNAME=A\rTEL=1\rSURNAME=B\rTEL=2"},
        {"blank and trailing space", "SURNAME=A  \r\n\r\n\r\nSURNAME\t\r\nFIRSTNAME=B \t\r\n"},
        {"UTF-8 mark", "\xEF\xBB\xBF" + two},
        {"Windows-1252 beside UTF-8", "SURNAME=Jos\xE9\r\nLIKES=caf\xC3\xA9\r\nSURNAME=\x93q\x94\r\n"},
        {"Windows-1252 only", "SURNAME=Jos\xE9\r\nXKEY=\xC3\xA9\r\n"},
        {"invalid outside values", "CREATOR=QOR \xFF\r\nSURNAME=A\r\n"},
        {"not a book", "just some words\r\nand more\r\n"},
        {"NUL bytes", std::string(40, '\0')},
        {"UTF-16 LE", utf16(two + emoji, false)},
        {"UTF-16 BE", utf16(emoji + two, true)},
        {"UTF-16 odd last byte", utf16(emoji, false) + "A"},
        {"UTF-16 lone halves", std::string("\xFF\xFE", 2) + std::string("S\0=\0\x3D\xD8\n\0\x00\xDC", 10)},
        {"a mark alone", "\xFF\xFE"},
        {"half a mark", "\xEF\xBB"},
    };
}

} // namespace

TEST(BookStream, AnyCutOfTheBytes_readsAsTheWholeBook)
{
    ContactRecord initial;
    initial[F::SURNAME] = "Form";
    for (const auto& [name, bytes] : books()) {
        const Read expected = whole(bytes, initial);
        for (std::size_t pieceSize : {1u, 2u, 3u, 5u, 16u, 4096u, 1u << 20}) {
            SCOPED_TRACE(std::string(name) + ", pieces of " + std::to_string(pieceSize));
            const Read got = inPieces(bytes, initial, pieceSize);
            ASSERT_EQ(got.records.size(), expected.records.size());
            for (std::size_t i = 0; i < got.records.size(); ++i) {
                EXPECT_EQ(got.records[i].texts, expected.records[i].texts) << "record " << i;
                EXPECT_EQ(got.records[i].windows1252Fields, expected.records[i].windows1252Fields) << "record " << i;
            }
            EXPECT_EQ(got.reading.encoding, expected.reading.encoding);
            EXPECT_EQ(got.reading.isBook, expected.reading.isBook);
        }
    }
}

TEST(BookStream, HoldsOnlyTheLineItIsInside_notTheBook)
{
    // Records are let go as they are read: the first is committed before the last piece.
    std::size_t committed = 0;
    BookRecordStream stream(kEmpty, [&committed](ContactRecord&) { ++committed; });
    stream.feed(recordLines({{F::SURNAME, "A"}}));
    stream.feed("SURNAME=B\r\nTEL=");
    EXPECT_EQ(committed, 1u);
    stream.feed("2\r\n");
    EXPECT_EQ(committed, 1u); // B may still get lines
    stream.finish();
    EXPECT_EQ(committed, 2u);
}
