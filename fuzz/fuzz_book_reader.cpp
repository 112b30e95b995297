// Feeds arbitrary bytes to the book reader. Besides the sanitizers' checks, every input must
// satisfy:
//  - every text the reader gives is valid UTF-8 with no line end and no trailing white space;
//  - bytes that are not a book give exactly the initial record;
//  - reading the bytes a piece at a time (book_stream.h) gives the same records, encoding and
//    verdict as reading them whole, whatever the size of the pieces;
//  - a field marked as read from Windows-1252 bytes holds a text beyond ASCII;
//  - writing the records and reading them back gives the same texts, in every encoding, and a
//    second save of what was read changes no byte;
//  - Windows-1252 decoding and encoding again gives the input back byte for byte, and so does
//    UTF-16 decoding and encoding of any valid UTF-8.
#include "book_stream.h"
#include "book_text.h"
#include "text_encoding.h"

#include <ctime>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "book reader property broken: %s\n", what);
        std::abort();
    }
}

bool isTrailingSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool sameTexts(const std::vector<qor::ContactRecord>& a, const std::vector<qor::ContactRecord>& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].texts != b[i].texts)
            return false;
    return true;
}

qor::FormattedBook format(const std::vector<qor::ContactRecord>& records, qor::TextEncoding preferred)
{
    return qor::formatBook(records.size(), [&](std::size_t i) -> const qor::ContactRecord& { return records[i]; },
                           preferred);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // Processor time, not wall time: a busy machine must not fail the run.
    const std::clock_t start = std::clock();

    qor::ContactRecord initial;
    initial[qor::ContactField::SURNAME] = "Form surname";
    initial[qor::ContactField::HEIGHT] = "6 ft";
    const qor::ParsedBook first = qor::parseBook(bytes, initial);
    require(!first.records.empty(), "no record at all");
    if (!first.isBook)
        require(first.records.size() == 1 && first.records[0] == initial, "not a book, yet records");
    if (qor::isValidUtf8(bytes))
        require(first.encoding == qor::TextEncoding::Utf8, "valid UTF-8 not read as UTF-8");
    {
        // Pieces of 1 to 64 bytes, so that cuts fall inside marks, line ends and sequences.
        const std::size_t pieceSize = 1 + (size == 0 ? 0 : data[size - 1] % 64);
        std::vector<qor::ContactRecord> pieced;
        qor::BookRecordStream stream(initial, [&pieced](qor::ContactRecord& record) { pieced.push_back(record); });
        for (std::size_t at = 0; at < size; at += pieceSize)
            stream.feed(bytes.substr(at, pieceSize));
        const qor::BookReading reading = stream.finish();
        require(pieced == first.records, "pieces read other records than the whole");
        require(reading.encoding == first.encoding && reading.isBook == first.isBook,
                "pieces read another encoding or verdict than the whole");
    }
    for (const qor::ContactRecord& record : first.records)
        for (std::size_t c = 0; c < qor::kFieldCount; ++c) {
            const std::string& text = record[c];
            require(qor::isValidUtf8(text), "text is not UTF-8");
            require(text.find('\n') == std::string::npos && text.find('\r') == std::string::npos,
                    "text holds a line end");
            require(text.empty() || !isTrailingSpace(text.back()), "text ends in white space");
            require(!record.windows1252Fields.test(c) || qor::hasNonAscii(text), "an ASCII text is marked");
        }

    const auto saveAndReadBack = [&](qor::TextEncoding preferred) {
        const qor::FormattedBook written = format(first.records, preferred);
        const qor::ParsedBook second = qor::parseBook(written.bytes, qor::ContactRecord{});
        require(second.isBook, "a written book is not a book");
        const bool utf16 = written.encoding == qor::TextEncoding::Utf16LE || written.encoding == qor::TextEncoding::Utf16BE;
        require(!utf16 || second.encoding == written.encoding, "a UTF-16 book reads back in another encoding");
        require(sameTexts(second.records, first.records), "texts changed through format and parse");
        require(format(second.records, second.encoding).bytes == written.bytes, "a second save changed bytes");
    };
    saveAndReadBack(qor::TextEncoding::Utf8);
    if (qor::hasNonAscii(bytes)) // else the same bytes as UTF-8
        saveAndReadBack(qor::TextEncoding::Windows1252);

    // Reading, writing and reading again stays within a second per megabyte, with a margin
    // for the sanitizers on small inputs.
    const double seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    require(seconds <= 0.25 + static_cast<double>(size) / 1e6, "slower than a second per megabyte");

    // One byte order an input is enough: the two differ only in the order of each pair.
    saveAndReadBack(size % 2 == 0 ? qor::TextEncoding::Utf16LE : qor::TextEncoding::Utf16BE);

    std::string back;
    require(qor::utf8ToWindows1252(qor::windows1252ToUtf8(bytes), back) && back == bytes,
            "Windows-1252 round trip");
    if (qor::isValidUtf8(bytes))
        require(qor::utf16ToUtf8(qor::utf8ToUtf16(bytes, size % 2 != 0), size % 2 != 0) == bytes, "UTF-16 round trip");
    return 0;
}
