// The book's writer, apart from its reader: it measures a book before writing it, so that even
// a large one is written into a single buffer of the right size, and it chooses the encoding
// in which every text reads back as itself.
#include "book_text.h"

#include "byte_order_marks.h"
#include "field_table.h"
#include "huge_pages.h"
#include "text_encoding.h"

#include <cstring>

namespace qor {

namespace {

constexpr std::string_view kCreatorLine = "CREATOR=QOR 1.0\r\n";
constexpr std::string_view kLineEnd = "\r\n";

// The book's text with every field in UTF-8, except fields kept in Windows-1252 when
// `keepMarked` (see formatBook), or every field in Windows-1252 when `inWindows1252`. Returns
// false when a Windows-1252 text would read back as other text.
class BookWriter {
public:
    BookWriter(std::size_t rowCount, const std::function<void(std::size_t, BookRowTexts&)>& row)
        : rowCount_(rowCount), row_(row)
    {
    }

    // The size of every frame byte: creator line, keys, '=', line ends, empty lines.
    std::size_t frameSize() const
    {
        std::size_t size = kCreatorLine.size() + (rowCount_ - 1) * kLineEnd.size();
        for (const FieldInfo& info : fieldTable())
            size += rowCount_ * (info.key.size() + 1 + kLineEnd.size());
        return size;
    }

    bool write(std::string& bytes, std::size_t size, bool inWindows1252, bool keepMarked)
    {
        if (bytes.capacity() < size) {
            bytes.reserve(size);
            adviseHugePages(bytes.data(), bytes.capacity());
        }
        bytes.resize(size);
        char* out = bytes.data();
        const auto put = [&out](std::string_view s) {
            std::memcpy(out, s.data(), s.size());
            out += s.size();
        };
        const auto& fields = fieldTable();
        bool readsBack = true;
        put(kCreatorLine);
        for (std::size_t r = 0; r < rowCount_; ++r) {
            if (r > 0)
                put(kLineEnd);
            row_(r, record_);
            const bool anyMarked = keepMarked && record_.windows1252Fields.any();
            for (std::size_t c = 0; c < kFieldCount; ++c) {
                put(fields[c].key);
                *out++ = '=';
                const std::string_view text = record_.texts[c];
                if (inWindows1252) {
                    char* start = out;
                    out = encodeWindows1252(text, out);
                    const auto written = static_cast<std::size_t>(out - start);
                    if (written != text.size() && isValidUtf8(std::string_view(start, written)))
                        readsBack = false;
                } else if (anyMarked && record_.windows1252Fields.test(c) && keptInWindows1252(text)) {
                    out = encodeWindows1252(text, out);
                } else {
                    put(text);
                }
                put(kLineEnd);
            }
        }
        return readsBack;
    }

    // The size of the book's texts in UTF-8 (with marked fields kept, when `keepMarked`) and in
    // Windows-1252 (kNotWindows1252 when a text cannot be written in it, or when not asked).
    void measure(bool keepMarked, bool inWindows1252, std::size_t& utf8Size, std::size_t& windows1252Size)
    {
        utf8Size = 0;
        windows1252Size = inWindows1252 ? 0 : kNotWindows1252;
        for (std::size_t r = 0; r < rowCount_; ++r) {
            row_(r, record_);
            const bool anyMarked = keepMarked && record_.windows1252Fields.any();
            for (std::size_t c = 0; c < kFieldCount; ++c) {
                const std::string_view text = record_.texts[c];
                if (anyMarked && record_.windows1252Fields.test(c) && keptInWindows1252(text))
                    utf8Size += scratch_.size();
                else
                    utf8Size += text.size();
                if (windows1252Size != kNotWindows1252) {
                    const std::size_t size = windows1252SizeOfUtf8(text);
                    windows1252Size = size == kNotWindows1252 ? kNotWindows1252 : windows1252Size + size;
                }
            }
        }
    }

private:
    bool keptInWindows1252(std::string_view text) { return readsBackAsWindows1252(text, scratch_); }

    std::size_t rowCount_;
    const std::function<void(std::size_t, BookRowTexts&)>& row_;
    BookRowTexts record_;
    std::string scratch_;
};

} // namespace

FormattedBook formatBook(std::size_t rowCount,
                         const std::function<const ContactRecord&(std::size_t)>& row,
                         TextEncoding preferred)
{
    return formatBook(rowCount, [&row](std::size_t r, BookRowTexts& texts) {
        const ContactRecord& record = row(r);
        for (std::size_t c = 0; c < kFieldCount; ++c)
            texts.texts[c] = record[c];
        texts.windows1252Fields = record.windows1252Fields;
    }, preferred);
}

FormattedBook formatBook(std::size_t rowCount,
                         const std::function<void(std::size_t, BookRowTexts&)>& row,
                         TextEncoding preferred)
{
    FormattedBook book;
    book.encoding = preferred;
    if (rowCount == 0)
        return book;

    BookWriter writer(rowCount, row);
    const std::size_t frame = writer.frameSize();
    const bool utf16 = preferred == TextEncoding::Utf16LE || preferred == TextEncoding::Utf16BE;
    if (utf16) {
        // Every text is Unicode: the marks of fields read from Windows-1252 bytes do not apply.
        std::size_t utf8Size = 0, unused = 0;
        writer.measure(false, false, utf8Size, unused);
        std::string utf8;
        writer.write(utf8, frame + utf8Size, false, false);
        const bool bigEndian = preferred == TextEncoding::Utf16BE;
        const std::string units = utf8ToUtf16(utf8, bigEndian);
        const std::string_view mark = bigEndian ? kUtf16BEMark : kUtf16LEMark;
        book.bytes.resize(mark.size() + units.size());
        std::memcpy(book.bytes.data(), mark.data(), mark.size());
        std::memcpy(book.bytes.data() + mark.size(), units.data(), units.size());
        return book;
    }

    const bool windows1252 = preferred == TextEncoding::Windows1252;
    std::size_t utf8Size = 0, windows1252Size = 0;
    writer.measure(true, windows1252, utf8Size, windows1252Size);
    if (windows1252 && windows1252Size != kNotWindows1252
        && writer.write(book.bytes, frame + windows1252Size, true, false))
        return book;
    book.encoding = TextEncoding::Utf8;
    writer.write(book.bytes, frame + utf8Size, false, true);
    return book;
}

} // namespace qor
