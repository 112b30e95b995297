#include "book_text.h"

#include "field_table.h"
#include "huge_pages.h"
#include "text_encoding.h"

#include <algorithm>
#include <array>
#include <cstdint>
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

// Nearly every line of a book is a key, so the lookup is quick: keys (3 to 11 bytes) are held
// as 16 zero-padded bytes, grouped by length, no length having more than six keys.
class KeyIndex {
public:
    static constexpr std::size_t kLongestKey = 11;

    KeyIndex()
    {
        for (std::size_t size = 0; size <= kLongestKey; ++size) {
            std::array<unsigned char, 16> ones{};
            std::memset(ones.data(), 0xFF, size);
            masks_[size] = toWords(ones.data());
        }
        for (const FieldInfo& info : fieldTable()) {
            Bucket& b = buckets_[info.key.size()];
            std::array<unsigned char, 16> padded{};
            std::memcpy(padded.data(), info.key.data(), info.key.size());
            b.keys[b.count] = toWords(padded.data());
            b.fields[b.count++] = info.field;
        }
    }

    // `available` is how many bytes may be read from `key`: when there are 16, the key is
    // loaded whole and masked rather than copied byte by byte.
    std::optional<ContactField> find(const char* key, std::size_t size, std::size_t available) const
    {
        if (size > kLongestKey)
            return std::nullopt;
        Words k;
        if (available >= 16) {
            k = toWords(reinterpret_cast<const unsigned char*>(key));
            k.lo &= masks_[size].lo;
            k.hi &= masks_[size].hi;
        } else {
            std::array<unsigned char, 16> padded{};
            for (std::size_t i = 0; i < size; ++i)
                padded[i] = static_cast<unsigned char>(key[i]);
            k = toWords(padded.data());
        }
        const Bucket& b = buckets_[size];
        for (std::size_t i = 0; i < b.count; ++i)
            if (b.keys[i].lo == k.lo && b.keys[i].hi == k.hi)
                return b.fields[i];
        return std::nullopt;
    }

private:
    struct Words {
        std::uint64_t lo = 0, hi = 0;
    };
    static Words toWords(const unsigned char* bytes)
    {
        Words w;
        std::memcpy(&w.lo, bytes, 8);
        std::memcpy(&w.hi, bytes + 8, 8);
        return w;
    }
    struct Bucket {
        std::array<Words, 8> keys{};
        std::array<ContactField, 8> fields{};
        std::size_t count = 0;
    };
    std::array<Bucket, kLongestKey + 1> buckets_{};
    std::array<Words, kLongestKey + 1> masks_{};
};

const KeyIndex& keyIndex()
{
    static const KeyIndex index;
    return index;
}

void assignText(std::string& target, std::string_view value, bool fromWindows1252)
{
    if (value.empty()) {
        target.clear();
        return;
    }
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

// At least as many records as the reader will commit: one per line that begins with SURNAME
// followed by '=' or white space, and the final commit. Reserving them up front saves the
// vector's growth, which for a large book costs more than the reading itself.
std::size_t recordsAtMost(std::string_view bytes)
{
    constexpr std::string_view kSurnameLine = "\nSURNAME";
    std::size_t count = 1;
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    while (static_cast<std::size_t>(end - p) > kSurnameLine.size()) {
#if defined(_WIN32)
        const std::size_t at = std::string_view(p, static_cast<std::size_t>(end - p)).find(kSurnameLine);
        const char* found = at == std::string_view::npos ? nullptr : p + at;
#else
        const auto* found = static_cast<const char*>(
            ::memmem(p, static_cast<std::size_t>(end - p), kSurnameLine.data(), kSurnameLine.size()));
#endif
        if (found == nullptr)
            break;
        p = found + kSurnameLine.size();
        if (p < end && (*p == '=' || isTrailingSpace(*p)))
            ++count;
    }
    return count;
}

} // namespace

TextEncoding readBookRecords(std::string_view bytes, const ContactRecord& initial,
                             const std::function<void(ContactRecord&)>& commit)
{
    const bool fromWindows1252 = !isValidUtf8(bytes);
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
        // No key is longer than 11 bytes, so an '=' further on cannot end a key.
        const char* eq = nullptr;
        for (std::size_t i = 0, n = std::min(lineSize, KeyIndex::kLongestKey + 1); i < n; ++i)
            if (p[i] == '=') {
                eq = p + i;
                break;
            }
        const char* keyEnd = eq != nullptr ? eq : lineEnd;

        if (const auto field = keys.find(p, static_cast<std::size_t>(keyEnd - p),
                                         static_cast<std::size_t>(end - p))) {
            if (*field == ContactField::SURNAME && lineIndex >= kFirstCommittingLine) {
                commit(pending);
                pending.clear();
            }
            const std::string_view value = eq != nullptr
                ? std::string_view(eq + 1, static_cast<std::size_t>(lineEnd - eq - 1))
                : std::string_view();
            assignValue(pending[*field], value, fromWindows1252);
        }
        p = lf + 1;
    }
    commit(pending);
    return fromWindows1252 ? TextEncoding::Windows1252 : TextEncoding::Utf8;
}

ParsedBook parseBook(std::string_view bytes, const ContactRecord& initial)
{
    ParsedBook book;
    book.records.reserve(recordsAtMost(bytes));
    adviseHugePages(book.records.data(), book.records.capacity() * sizeof(ContactRecord));
    book.encoding = readBookRecords(bytes, initial, [&book](ContactRecord& record) {
        book.records.push_back(std::move(record));
    });
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
        const std::size_t size = frameSize + (inWindows1252 ? windows1252TextSize : utf8TextSize);
        if (book.bytes.capacity() < size) {
            book.bytes.reserve(size);
            adviseHugePages(book.bytes.data(), book.bytes.capacity());
        }
        book.bytes.resize(size);
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
