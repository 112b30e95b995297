#include "book_text.h"

#include "field_table.h"
#include "text_encoding.h"

#include <array>
#include <cstring>
#include <optional>

namespace qor {

namespace {

// A SURNAME line commits the pending record only from this line index on: the first lines
// of a book are its header, and a SURNAME among them fills the first record.
constexpr std::size_t kFirstCommittingLine = 6;

constexpr std::string_view kCreatorLine = "CREATOR=QOR 1.0\r\n";
constexpr std::string_view kLineEnd = "\r\n";

bool isTrailingSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Nearly every line of a book is a key, so the lookup goes by length first: no length has
// more than six keys.
class KeyIndex {
public:
    KeyIndex()
    {
        for (const FieldInfo& info : fieldTable()) {
            Bucket& b = buckets_[info.key.size()];
            b.fields[b.count++] = info.field;
        }
    }

    std::optional<ContactField> find(const char* key, std::size_t size) const
    {
        if (size >= buckets_.size())
            return std::nullopt;
        const Bucket& b = buckets_[size];
        for (std::size_t i = 0; i < b.count; ++i)
            if (std::memcmp(fieldInfo(b.fields[i]).key.data(), key, size) == 0)
                return b.fields[i];
        return std::nullopt;
    }

private:
    struct Bucket {
        std::array<ContactField, 8> fields{};
        std::size_t count = 0;
    };
    std::array<Bucket, 12> buckets_{};
};

const KeyIndex& keyIndex()
{
    static const KeyIndex index;
    return index;
}

void assignText(std::string& target, std::string_view value, bool fromWindows1252)
{
    if (!fromWindows1252) {
        target.assign(value);
        return;
    }
    target.resize(utf8SizeOfWindows1252(value));
    decodeWindows1252(value, target.data());
}

// The value is every byte after the key's '=', less any further '='.
void assignValue(std::string& target, std::string_view value, bool fromWindows1252)
{
    const void* eq = value.empty() ? nullptr : std::memchr(value.data(), '=', value.size());
    if (eq == nullptr) {
        assignText(target, value, fromWindows1252);
        return;
    }
    std::string kept;
    kept.reserve(value.size());
    const char* p = value.data();
    const char* const end = p + value.size();
    const char* cut = static_cast<const char*>(eq);
    for (;;) {
        kept.append(p, cut);
        p = cut + 1;
        if (p >= end)
            break;
        cut = static_cast<const char*>(std::memchr(p, '=', static_cast<std::size_t>(end - p)));
        if (cut == nullptr)
            cut = end;
    }
    assignText(target, kept, fromWindows1252);
}

} // namespace

ParsedBook parseBook(std::string_view bytes, const ContactRecord& initial)
{
    ParsedBook book;
    const bool fromWindows1252 = !isValidUtf8(bytes);
    book.encoding = fromWindows1252 ? TextEncoding::Windows1252 : TextEncoding::Utf8;
    const KeyIndex& keys = keyIndex();

    ContactRecord pending = initial;
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    for (std::size_t lineIndex = 0; p < end; ++lineIndex) {
        const auto* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        if (lf == nullptr)
            break; // a last line without a line end is not read
        const char* lineEnd = lf;
        while (lineEnd > p && isTrailingSpace(lineEnd[-1]))
            --lineEnd;
        const std::size_t lineSize = static_cast<std::size_t>(lineEnd - p);
        const auto* eq = static_cast<const char*>(std::memchr(p, '=', lineSize));
        const char* keyEnd = eq != nullptr ? eq : lineEnd;

        if (const auto field = keys.find(p, static_cast<std::size_t>(keyEnd - p))) {
            if (*field == ContactField::SURNAME && lineIndex >= kFirstCommittingLine) {
                book.records.push_back(std::move(pending));
                pending.clear();
            }
            const std::string_view value = eq != nullptr
                ? std::string_view(eq + 1, static_cast<std::size_t>(lineEnd - eq - 1))
                : std::string_view();
            assignValue(pending[*field], value, fromWindows1252);
        }
        p = lf + 1;
    }
    book.records.push_back(std::move(pending));
    return book;
}

FormattedBook formatBook(std::size_t rowCount,
                         const std::function<const ContactRecord&(std::size_t)>& row,
                         TextEncoding preferred)
{
    FormattedBook book;
    book.encoding = preferred;
    if (rowCount == 0)
        return book;

    const auto& fields = fieldTable();
    std::size_t frameSize = kCreatorLine.size() + (rowCount - 1) * kLineEnd.size();
    for (const FieldInfo& info : fields)
        frameSize += rowCount * (info.key.size() + 1 + kLineEnd.size());

    std::size_t utf8TextSize = 0;
    std::size_t windows1252TextSize = 0;
    bool fitsWindows1252 = preferred == TextEncoding::Windows1252;
    for (std::size_t r = 0; r < rowCount; ++r) {
        for (const std::string& text : row(r).texts) {
            utf8TextSize += text.size();
            if (fitsWindows1252) {
                const std::size_t size = windows1252SizeOfUtf8(text);
                if (size == kNotWindows1252)
                    fitsWindows1252 = false;
                else
                    windows1252TextSize += size;
            }
        }
    }

    const auto write = [&](bool inWindows1252) {
        book.bytes.resize(frameSize + (inWindows1252 ? windows1252TextSize : utf8TextSize));
        char* out = book.bytes.data();
        const auto put = [&out](std::string_view s) {
            std::memcpy(out, s.data(), s.size());
            out += s.size();
        };
        put(kCreatorLine);
        for (std::size_t r = 0; r < rowCount; ++r) {
            if (r > 0)
                put(kLineEnd);
            const ContactRecord& record = row(r);
            for (std::size_t c = 0; c < kFieldCount; ++c) {
                put(fields[c].key);
                *out++ = '=';
                if (inWindows1252)
                    out = encodeWindows1252(record[c], out);
                else
                    put(record[c]);
                put(kLineEnd);
            }
        }
    };

    if (!fitsWindows1252) {
        book.encoding = TextEncoding::Utf8;
        write(false);
        return book;
    }
    write(preferred == TextEncoding::Windows1252);
    // A Windows-1252 book whose non-ASCII bytes all happen to form UTF-8 (such as "Ã©") would
    // be read back as UTF-8 and come back as other text; such a book is written in UTF-8.
    if (preferred == TextEncoding::Windows1252 && windows1252TextSize != utf8TextSize
        && isValidUtf8(book.bytes)) {
        book.encoding = TextEncoding::Utf8;
        write(false);
    }
    return book;
}

} // namespace qor
