// The book's reader, apart from its writer because loading a large book is where the program
// spends its time: lines, keys and values are found by hand, and each value is decoded as the
// book's bytes require.
#include "book_text.h"

#include "book_lines.h"

#include "byte_order_marks.h"
#include "field_table.h"
#include "huge_pages.h"
#include "surname_search.h"
#include "text_encoding.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif


namespace qor {

namespace {

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

// Where the line that starts at `p` ends: at the first CR or LF, or at `end`. Lines are short,
// and a call per line to memchr costs more than the search: sixteen bytes are compared at once
// where the processor can, else eight, where the lowest byte flagged by the zero-byte test of
// (word XOR LF) or of (word XOR CR) is always a true LF or CR.
const char* findLineEnd(const char* p, const char* const end)
{
#if defined(__SSE2__)
    const __m128i lineFeeds = _mm_set1_epi8('\n');
    const __m128i returns = _mm_set1_epi8('\r');
    while (end - p >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int hits = _mm_movemask_epi8(
            _mm_or_si128(_mm_cmpeq_epi8(bytes, lineFeeds), _mm_cmpeq_epi8(bytes, returns)));
        if (hits != 0)
            return p + std::countr_zero(static_cast<unsigned>(hits));
        p += 16;
    }
#endif
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t kOnes = 0x0101010101010101ull;
        constexpr std::uint64_t kHigh = 0x8080808080808080ull;
        while (end - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, sizeof word);
            const std::uint64_t lf = word ^ (kOnes * '\n');
            const std::uint64_t cr = word ^ (kOnes * '\r');
            const std::uint64_t hit = (((lf - kOnes) & ~lf) | ((cr - kOnes) & ~cr)) & kHigh;
            if (hit != 0)
                return p + std::countr_zero(hit) / 8;
            p += 8;
        }
    }
    for (; p < end; ++p)
        if (*p == '\n' || *p == '\r')
            return p;
    return end;
}

// How the reader turns a value's bytes into text. `checkEach`: the book is not known to be valid
// UTF-8 as a whole, so each value is looked at alone; `sawUtf8` is set by a value beyond ASCII
// that is valid UTF-8.
void assignValue(ContactRecord& record, std::size_t column, std::string_view value, bool checkEach, bool& sawUtf8)
{
    std::string& target = record[column];
    if (!checkEach || !hasNonAscii(value)) {
        target.assign(value);
        record.windows1252Fields.reset(column); // a later line of the same key wins whole
        return;
    }
    if (isValidUtf8(value)) {
        target.assign(value);
        record.windows1252Fields.reset(column);
        sawUtf8 = true;
        return;
    }
    target.resize(utf8SizeOfWindows1252(value));
    decodeWindows1252(value, target.data());
    record.windows1252Fields.set(column);
}

// At least as many records as the reader will commit: one per line that begins with SURNAME
// followed by '=' or white space, and the final commit. Reserving them up front saves the
// vector's growth, which for a large book costs more than the reading itself.
std::size_t recordsAtMost(std::string_view bytes)
{
    std::size_t count = 1;
    forEachSurnameAtLineStart(bytes, 0, bytes.size(), [&bytes, &count](std::size_t at) {
        const std::size_t next = at + kSurnameKey.size();
        if (next == bytes.size() || bytes[next] == '=' || isTrailingSpace(bytes[next]))
            ++count;
    });
    return count;
}

constexpr std::string_view kCreatorKey = "CREATOR";

} // namespace

BookLineReader::BookLineReader(bool checkEachValue, const ContactRecord& initial,
                               const std::function<void(ContactRecord&)>& commit)
    : m_commit(commit), m_record(initial), m_checkEach(checkEachValue)
{
}

void BookLineReader::read(std::string_view lines)
{
    const KeyIndex& keys = keyIndex();
    ContactRecord& record = m_record;
    // The loop's state in locals, so that the compiler keeps it in registers.
    bool pending = m_pending;
    std::size_t committed = m_committed;
    bool sawText = m_sawText, sawCreator = m_sawCreator, sawUtf8 = m_sawUtf8;
    std::size_t unreadLines = m_unreadLines;
    const bool checkEach = m_checkEach;
    const bool keepNone = m_keepNone;
    const char* p = lines.data();
    const char* const end = p + lines.size();
    while (p < end) {
        const char* lineEnd = findLineEnd(p, end);
        const char* next = lineEnd == end ? end : lineEnd + 1;
        if (lineEnd != end && *lineEnd == '\r' && next != end && *next == '\n')
            ++next;
        while (lineEnd > p && isTrailingSpace(lineEnd[-1]))
            --lineEnd;
        const std::size_t lineSize = static_cast<std::size_t>(lineEnd - p);
        if (lineSize == 0) {
            p = next;
            continue;
        }
        sawText = true;
        // No key is longer than 11 bytes, so an '=' further on cannot end a key.
        const char* eq = nullptr;
        for (std::size_t i = 0, n = std::min(lineSize, KeyIndex::kLongestKey + 1); i < n; ++i)
            if (p[i] == '=') {
                eq = p + i;
                break;
            }
        const char* keyEnd = eq != nullptr ? eq : lineEnd;
        const auto keySize = static_cast<std::size_t>(keyEnd - p);

        if (const auto field = keys.find(p, keySize, static_cast<std::size_t>(end - p))) {
            if (*field == ContactField::SURNAME && pending) {
                if (!keepNone) {
                    m_commit(record);
                    record.clear();
                }
                ++committed;
            }
            pending = true;
            if (!keepNone || checkEach) {
                const std::string_view value = eq != nullptr
                    ? std::string_view(eq + 1, static_cast<std::size_t>(lineEnd - eq - 1))
                    : std::string_view();
                assignValue(record, columnOf(*field), value, checkEach, sawUtf8);
            }
        } else if (std::string_view(p, keySize) == kCreatorKey) {
            sawCreator = true;
        } else {
            ++unreadLines;
        }
        p = next;
    }
    m_pending = pending;
    m_committed = committed;
    m_sawText = sawText;
    m_sawCreator = sawCreator;
    m_unreadLines = unreadLines;
    m_sawUtf8 = sawUtf8;
}

BookReading BookLineReader::finish()
{
    if (!m_keepNone && (m_pending || m_committed == 0))
        m_commit(m_record);

    BookReading reading;
    // A book that is not valid UTF-8 is Windows-1252 unless one of its values is UTF-8.
    reading.encoding = m_checkEach && !m_sawUtf8 ? TextEncoding::Windows1252 : TextEncoding::Utf8;
    const bool sawField = m_pending || m_committed > 0;
    reading.isBook = sawField || m_sawCreator || !m_sawText;
    reading.unreadLines = m_unreadLines;
    return reading;
}

namespace {

BookReading readLines(std::string_view bytes, bool utf8Marked, const ContactRecord& initial,
                      const std::function<void(ContactRecord&)>& commit)
{
    BookLineReader lines(!isValidUtf8(bytes), initial, commit);
    lines.read(bytes);
    BookReading reading = lines.finish();
    if (utf8Marked)
        reading.encoding = TextEncoding::Utf8;
    return reading;
}

} // namespace

BookReading readBookRecords(std::string_view bytes, const ContactRecord& initial,
                            const std::function<void(ContactRecord&)>& commit)
{
    const bool littleEndian = bytes.starts_with(kUtf16LEMark);
    if (littleEndian || bytes.starts_with(kUtf16BEMark)) {
        const std::string utf8 = utf16ToUtf8(bytes.substr(kUtf16LEMark.size()), !littleEndian);
        BookReading reading = readLines(utf8, true, initial, commit);
        reading.encoding = littleEndian ? TextEncoding::Utf16LE : TextEncoding::Utf16BE;
        return reading;
    }
    const bool utf8Marked = bytes.starts_with(kUtf8Mark);
    if (utf8Marked)
        bytes.remove_prefix(kUtf8Mark.size());
    return readLines(bytes, utf8Marked, initial, commit);
}

ParsedBook parseBook(std::string_view bytes, const ContactRecord& initial)
{
    ParsedBook book;
    book.records.reserve(recordsAtMost(bytes));
    adviseHugePages(book.records.data(), book.records.capacity() * sizeof(ContactRecord));
    const BookReading reading = readBookRecords(bytes, initial, [&book](ContactRecord& record) {
        book.records.push_back(std::move(record));
    });
    book.encoding = reading.encoding;
    book.isBook = reading.isBook;
    return book;
}

} // namespace qor
