// The index of a book's records: each record read alone, in any order, on either side of the
// cut between the two threads that index it, is the record the reader of the whole book gives,
// and the index tells the same encoding and verdict.
#include "book_text.h"
#include "book_text_helpers.h"
#include "record_index.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace qor;
using namespace qor::testing;
using F = ContactField;

namespace {

// Books where finding a record's start takes care: SURNAME lines that are not the key, the first
// SURNAME line with and without a line of the fields before it, SURNAME after a lone CR, and
// books long enough to be cut near the middle of a record or at a SURNAME line.
std::vector<std::pair<const char*, std::string>> indexBooks()
{
    std::vector<std::pair<const char*, std::string>> books = oddBooks();
    std::string many = "CREATOR=QOR 1.0\r\n";
    for (int i = 0; i < 40; ++i)
        many += recordLines({{F::SURNAME, "S" + std::to_string(i)}, {F::EMAIL, i % 3 ? "" : "e@x.org"}}) + "\r\n";
    books.insert(books.end(), {
        {"many records", many},
        {"many records, LF only", joinLines({"SURNAME=A", "TEL=1", "", "SURNAME=B", "TEL=2", "", "SURNAME=C"}, "\n")},
        {"SURNAME as a longer key or a value", "SURNAME=A\r\nSURNAMES=x\r\nSURNAME x=y\r\nXSURNAME=z\r\n"
                                               "COMMENTS=SURNAME=B\r\nSURNAME\t=q\r\nSURNAME=C\r\n"},
        {"SURNAME alone with white space", "SURNAME=A\r\nSURNAME \t\r\nTEL=2\r\nSURNAME\r\nSURNAME"},
        {"fields before the first SURNAME", "TEL=0\r\nEMAIL=first@x.org\r\nSURNAME=A\r\nTEL=1\r\nSURNAME=B\r\n"},
        {"CREATOR and unknown lines before the first SURNAME", "CREATOR=QOR 1.0\r\nNOTE=x\r\n\r\nSURNAME=A\r\nSURNAME=B"},
        {"lone CR before SURNAME", "SURNAME=A\rTEL=1\r\rSURNAME=B\r\nTEL=2\rSURNAME=C"},
        {"SURNAME at the very end", "SURNAME=A\r\nTEL=1\r\nSURNAME="},
        {"the same key twice", "SURNAME=A\r\nTEL=1\r\nTEL=2\r\nSURNAME=B\r\nTEL=3\r\nTEL=\r\n"},
        {"Windows-1252 on both sides", many + "SURNAME=Jos\xE9\r\n" + many + "SURNAME=caf\xC3\xA9\r\n"},
        {"Windows-1252 in the second half only", many + many + "LIKES=\x93q\x94\r\n"},
        {"UTF-16 with many records", utf16(many, false)},
        {"UTF-8 mark with many records", "\xEF\xBB\xBF" + many},
    });
    return books;
}

WholeReading throughIndex(const RecordIndex& index, const ContactRecord& initial, bool backward)
{
    WholeReading r;
    r.records.resize(index.count());
    IndexedRecordReader reader(index, initial);
    for (std::size_t i = 0; i < index.count(); ++i) {
        const std::size_t k = backward ? index.count() - 1 - i : i;
        r.records[k] = reader.read(k);
    }
    r.reading = index.reading();
    return r;
}

} // namespace

TEST(RecordIndex, EachRecordReadAlone_isTheRecordOfTheWholeBook_onOneThreadOrTwo)
{
    ContactRecord initial;
    initial[F::SURNAME] = "Form";
    initial[F::TEL] = "555";
    for (const ContactRecord& start : {kEmpty, initial}) {
        for (const auto& [name, bytes] : indexBooks()) {
            const WholeReading expected = readWhole(bytes, start);
            // 0 and 1 cut every book of two lines or more; the last cuts none.
            for (std::size_t twoThreadsFrom : {std::size_t{0}, std::size_t{1}, bytes.size() / 2, bytes.size() + 1}) {
                for (bool backward : {false, true}) {
                    SCOPED_TRACE(std::string(name) + ", two threads from " + std::to_string(twoThreadsFrom)
                                 + (backward ? ", last record first" : ""));
                    const RecordIndex index(bytes, twoThreadsFrom);
                    const WholeReading got = throughIndex(index, start, backward);
                    EXPECT_EQ(firstDifference(got.records, expected.records), "");
                    EXPECT_EQ(got.reading.encoding, expected.reading.encoding);
                    EXPECT_EQ(got.reading.isBook, expected.reading.isBook);
                    EXPECT_EQ(index.isBook(), expected.reading.isBook);
                    EXPECT_EQ(got.reading.unreadLines, expected.reading.unreadLines);
                }
            }
        }
    }
}

TEST(RecordIndex, RecordBytes_runFromOneCommittingSurnameLineToTheNext)
{
    const std::string bytes = "CREATOR=QOR 1.0\r\nSURNAME=A\r\nTEL=1\r\n\r\nSURNAME=B\r\nSURNAMEX=2\r\nSURNAME\r\n";
    const RecordIndex index(bytes, 0);
    ASSERT_EQ(index.count(), 3u);
    EXPECT_EQ(index.bytesOf(0), "CREATOR=QOR 1.0\r\nSURNAME=A\r\nTEL=1\r\n\r\n");
    EXPECT_EQ(index.bytesOf(1), "SURNAME=B\r\nSURNAMEX=2\r\n");
    EXPECT_EQ(index.bytesOf(2), "SURNAME\r\n");
}
