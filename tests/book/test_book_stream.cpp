// The book reader fed a piece at a time: however the bytes are cut, the same records, encoding
// and verdict as the reader of the whole book, so a verb that streams the book sees what the
// window sees.
#include "book_stream.h"
#include "book_text.h"
#include "book_text_helpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace qor;
using namespace qor::testing;
using F = ContactField;

namespace {

WholeReading inPieces(std::string_view bytes, const ContactRecord& initial, std::size_t pieceSize)
{
    WholeReading r;
    BookRecordStream stream(initial, [&r](ContactRecord& record) { r.records.push_back(record); });
    for (std::size_t at = 0; at < bytes.size(); at += pieceSize)
        stream.feed(bytes.substr(at, pieceSize));
    r.reading = stream.finish();
    return r;
}

} // namespace

TEST(BookStream, AnyCutOfTheBytes_readsAsTheWholeBook)
{
    ContactRecord initial;
    initial[F::SURNAME] = "Form";
    for (const auto& [name, bytes] : oddBooks()) {
        const WholeReading expected = readWhole(bytes, initial);
        for (std::size_t pieceSize : {1u, 2u, 3u, 5u, 16u, 4096u, 1u << 20}) {
            SCOPED_TRACE(std::string(name) + ", pieces of " + std::to_string(pieceSize));
            const WholeReading got = inPieces(bytes, initial, pieceSize);
            EXPECT_EQ(firstDifference(got.records, expected.records), "");
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
