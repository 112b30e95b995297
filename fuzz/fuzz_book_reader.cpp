// Feeds arbitrary bytes to the book reader. Besides the sanitizers' checks, every input must
// satisfy:
//  - every text the reader gives is valid UTF-8 with no line feed and no '=';
//  - writing the records and reading them back gives the same records, in either encoding,
//    except for trailing white space: the reader trims a line before it drops the extra '='
//    of a value, so "COMMENTS=a =" gives "a ", which the next read trims to "a". A second
//    write and read must then give the records exactly;
//  - Windows-1252 decoding and encoding again gives the input back byte for byte.
#include "book_text.h"
#include "text_encoding.h"

#include <chrono>
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

std::vector<qor::ContactRecord> trimmed(std::vector<qor::ContactRecord> records)
{
    for (qor::ContactRecord& record : records)
        for (std::string& text : record.texts)
            while (!text.empty() && isTrailingSpace(text.back()))
                text.pop_back();
    return records;
}

std::vector<qor::ContactRecord> writeAndRead(const std::vector<qor::ContactRecord>& records,
                                             qor::TextEncoding preferred)
{
    const qor::FormattedBook written = qor::formatBook(
        records.size(), [&](std::size_t i) -> const qor::ContactRecord& { return records[i]; },
        preferred);
    if (written.encoding == qor::TextEncoding::Utf8)
        require(qor::isValidUtf8(written.bytes), "a UTF-8 book is not UTF-8");
    return qor::parseBook(written.bytes, qor::ContactRecord{}).records;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto start = std::chrono::steady_clock::now();

    qor::ContactRecord initial;
    initial[qor::ContactField::SURNAME] = "Form surname";
    initial[qor::ContactField::HEIGHT] = "6 ft";
    const qor::ParsedBook first = qor::parseBook(bytes, initial);
    require(!first.records.empty(), "no record at all");
    require((first.encoding == qor::TextEncoding::Utf8) == qor::isValidUtf8(bytes), "encoding guess");
    for (const qor::ContactRecord& record : first.records)
        for (const std::string& text : record.texts) {
            require(qor::isValidUtf8(text), "text is not UTF-8");
            require(text.find('\n') == std::string::npos, "text holds a line feed");
            require(text.find('=') == std::string::npos, "text holds '='");
        }
    const std::vector<qor::ContactRecord> expected = trimmed(first.records);

    for (qor::TextEncoding preferred : {qor::TextEncoding::Utf8, qor::TextEncoding::Windows1252}) {
        const std::vector<qor::ContactRecord> second = writeAndRead(first.records, preferred);
        require(second == expected, "records changed through format and parse");
        require(writeAndRead(second, preferred) == second, "records changed on a second save");
    }

    std::string back;
    require(qor::utf8ToWindows1252(qor::windows1252ToUtf8(bytes), back) && back == bytes,
            "Windows-1252 round trip");

    // Reading, writing and reading again stays within a second per megabyte, with a margin
    // for the sanitizers and a busy machine on small inputs.
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    require(seconds <= 0.25 + static_cast<double>(size) / 1e6, "slower than a second per megabyte");
    return 0;
}
