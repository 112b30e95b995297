#include "text_encoding.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace qor {

namespace {

// Windows-1252 bytes 0x80..0x9F; the bytes it leaves undefined stand for the C1 control of
// the same number.
constexpr std::array<char16_t, 32> kHighControls{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

inline std::uint64_t load8(const unsigned char* p)
{
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

std::uint32_t codePointOf(unsigned char byte)
{
    return byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : byte;
}

std::size_t utf8Size(std::uint32_t cp) { return cp < 0x80 ? 1 : cp < 0x800 ? 2 : 3; }

// The Windows-1252 byte for `cp`, or -1.
int windows1252ByteOf(std::uint32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<int>(cp);
    for (std::size_t i = 0; i < kHighControls.size(); ++i)
        if (kHighControls[i] == cp)
            return static_cast<int>(0x80 + i);
    return -1;
}

// Decodes one UTF-8 sequence starting at p[0] >= 0x80. Returns its length, or 0 when it is
// malformed.
std::size_t decodeSequence(const unsigned char* p, const unsigned char* end, std::uint32_t& cp)
{
    const unsigned char b0 = p[0];
    std::size_t n;
    std::uint32_t min;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        n = 2, min = 0x80, cp = b0 & 0x1Fu;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        n = 3, min = 0x800, cp = b0 & 0x0Fu;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        n = 4, min = 0x10000, cp = b0 & 0x07u;
    } else {
        return 0;
    }
    if (static_cast<std::size_t>(end - p) < n)
        return 0;
    for (std::size_t i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (p[i] & 0x3Fu);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

} // namespace

bool isValidUtf8(std::string_view bytes)
{
    auto p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto end = p + bytes.size();
    while (p < end) {
        // Books are mostly ASCII: skip it eight bytes at a time.
        while (end - p >= 8 && (load8(p) & kHighBits) == 0)
            p += 8;
        if (p == end)
            break;
        if (*p < 0x80) {
            ++p;
            continue;
        }
        std::uint32_t cp;
        const std::size_t n = decodeSequence(p, end, cp);
        if (n == 0)
            return false;
        p += n;
    }
    return true;
}

std::size_t utf8SizeOfWindows1252(std::string_view cp1252)
{
    std::size_t size = cp1252.size();
    for (char c : cp1252) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x80)
            size += utf8Size(codePointOf(b)) - 1;
    }
    return size;
}

char* decodeWindows1252(std::string_view cp1252, char* out)
{
    for (char c : cp1252) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            *out++ = c;
            continue;
        }
        const std::uint32_t cp = codePointOf(b);
        if (cp < 0x800) {
            *out++ = static_cast<char>(0xC0 | (cp >> 6));
        } else {
            *out++ = static_cast<char>(0xE0 | (cp >> 12));
            *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        }
        *out++ = static_cast<char>(0x80 | (cp & 0x3F));
    }
    return out;
}

std::string windows1252ToUtf8(std::string_view cp1252)
{
    std::string out(utf8SizeOfWindows1252(cp1252), '\0');
    decodeWindows1252(cp1252, out.data());
    return out;
}

std::size_t windows1252SizeOfUtf8(std::string_view utf8)
{
    auto p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto end = p + utf8.size();
    std::size_t size = 0;
    while (p < end) {
        if (*p < 0x80) {
            ++p, ++size;
            continue;
        }
        std::uint32_t cp;
        const std::size_t n = decodeSequence(p, end, cp);
        if (n == 0 || windows1252ByteOf(cp) < 0)
            return kNotWindows1252;
        p += n, ++size;
    }
    return size;
}

char* encodeWindows1252(std::string_view utf8, char* out)
{
    auto p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto end = p + utf8.size();
    while (p < end) {
        if (*p < 0x80) {
            *out++ = static_cast<char>(*p++);
            continue;
        }
        std::uint32_t cp = 0;
        const std::size_t n = decodeSequence(p, end, cp);
        *out++ = static_cast<char>(windows1252ByteOf(cp));
        p += n == 0 ? 1 : n; // cannot happen for a text that passed windows1252SizeOfUtf8
    }
    return out;
}

bool utf8ToWindows1252(std::string_view utf8, std::string& out)
{
    out.clear();
    const std::size_t size = windows1252SizeOfUtf8(utf8);
    if (size == kNotWindows1252)
        return false;
    out.resize(size);
    encodeWindows1252(utf8, out.data());
    return true;
}

bool hasNonAscii(std::string_view bytes)
{
    auto p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto end = p + bytes.size();
    while (end - p >= 8) {
        if ((load8(p) & kHighBits) != 0)
            return true;
        p += 8;
    }
    for (; p < end; ++p)
        if (*p >= 0x80)
            return true;
    return false;
}

bool readsBackAsWindows1252(std::string_view utf8, std::string& scratch)
{
    if (!utf8ToWindows1252(utf8, scratch))
        return false;
    return scratch.size() == utf8.size() || !isValidUtf8(scratch);
}

namespace {

constexpr std::uint32_t kReplacement = 0xFFFD;

char* putUtf8(char* out, std::uint32_t cp)
{
    if (cp < 0x80) {
        *out++ = static_cast<char>(cp);
    } else if (cp < 0x800) {
        *out++ = static_cast<char>(0xC0 | (cp >> 6));
        *out++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (cp >> 12));
        *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (cp >> 18));
        *out++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (cp & 0x3F));
    }
    return out;
}

char* putUnit(char* out, std::uint32_t unit, bool bigEndian)
{
    const char hi = static_cast<char>(unit >> 8), lo = static_cast<char>(unit & 0xFF);
    *out++ = bigEndian ? hi : lo;
    *out++ = bigEndian ? lo : hi;
    return out;
}

} // namespace

std::string utf16ToUtf8(std::string_view utf16, bool bigEndian)
{
    const auto unitAt = [&](std::size_t i) -> std::uint32_t {
        const auto a = static_cast<unsigned char>(utf16[i]), b = static_cast<unsigned char>(utf16[i + 1]);
        return bigEndian ? (a << 8 | b) : (b << 8 | a);
    };
    const std::size_t units = utf16.size() / 2;
    // A unit gives at most three bytes; a pair of them, four.
    std::string out(units * 3 + 3, '\0');
    char* o = out.data();
    for (std::size_t i = 0; i < units; ++i) {
        const std::uint32_t unit = unitAt(2 * i);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units) {
            const std::uint32_t next = unitAt(2 * i + 2);
            if (next >= 0xDC00 && next <= 0xDFFF) {
                o = putUtf8(o, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
                ++i;
                continue;
            }
        }
        o = putUtf8(o, unit >= 0xD800 && unit <= 0xDFFF ? kReplacement : unit);
    }
    if (utf16.size() % 2 != 0)
        o = putUtf8(o, kReplacement);
    out.resize(static_cast<std::size_t>(o - out.data()));
    return out;
}

std::string utf8ToUtf16(std::string_view utf8, bool bigEndian)
{
    // A byte gives at most one unit; four bytes, two.
    std::string out(utf8.size() * 2, '\0');
    char* o = out.data();
    auto p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto end = p + utf8.size();
    while (p < end) {
        std::uint32_t cp = *p;
        std::size_t n = 1;
        if (cp >= 0x80) {
            n = decodeSequence(p, end, cp);
            if (n == 0)
                n = 1, cp = kReplacement;
        }
        p += n;
        if (cp >= 0x10000) {
            o = putUnit(o, 0xD800 + ((cp - 0x10000) >> 10), bigEndian);
            o = putUnit(o, 0xDC00 + ((cp - 0x10000) & 0x3FF), bigEndian);
        } else {
            o = putUnit(o, cp, bigEndian);
        }
    }
    out.resize(static_cast<std::size_t>(o - out.data()));
    return out;
}

} // namespace qor
