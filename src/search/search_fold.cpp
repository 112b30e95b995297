#include "search_fold.h"

#include <algorithm>
#include <array>

namespace qor {

namespace {

// The plain forms of U+00C0..U+017F, one word each, in code point order; "=" keeps the
// character (the multiplication and division signs).
constexpr std::string_view kLatinFolds =
    "a a a a a a ae c e e e e i i i i d n o o o o o = o u u u u y th ss "   // U+00C0
    "a a a a a a ae c e e e e i i i i d n o o o o o = o u u u u y th y "    // U+00E0
    "a a a a a a c c c c c c c c d d d d e e e e e e e e e e g g g g "      // U+0100
    "g g g g h h h h i i i i i i i i i i ij ij j j k k k l l l l l l l "    // U+0120
    "l l l n n n n n n n n n o o o o o o oe oe r r r r r r s s s s s s "   // U+0140
    "s s t t t t t t u u u u u u u u u u u u w w y y y z z z z z z s";     // U+0160
constexpr char32_t kLatinFirst = 0xC0;
constexpr std::size_t kLatinCount = 0x180 - kLatinFirst;

const std::array<std::string_view, kLatinCount>& latinFolds()
{
    static const auto table = [] {
        std::array<std::string_view, kLatinCount> folds{};
        std::size_t at = 0;
        for (std::string_view& fold : folds) {
            const std::size_t end = std::min(kLatinFolds.find(' ', at), kLatinFolds.size());
            fold = kLatinFolds.substr(at, end - at);
            at = end + 1;
        }
        return folds;
    }();
    return table;
}

// Writes a code point below U+0800 as UTF-8.
char* writeUtf8(char32_t cp, char* out)
{
    if (cp < 0x80) {
        *out++ = static_cast<char>(cp);
    } else {
        *out++ = static_cast<char>(0xC0 | (cp >> 6));
        *out++ = static_cast<char>(0x80 | (cp & 0x3F));
    }
    return out;
}

// Greek and Cyrillic in lower case, without the Greek accents and with "ё" as "е", as people
// type them when they search.
char32_t foldGreekOrCyrillic(char32_t cp)
{
    if (cp >= 0x391 && cp <= 0x3A9 && cp != 0x3A2)
        return cp + 0x20;
    switch (cp) {
    case 0x386: case 0x3AC: return 0x3B1; // alpha
    case 0x388: case 0x3AD: return 0x3B5; // epsilon
    case 0x389: case 0x3AE: return 0x3B7; // eta
    case 0x38A: case 0x3AF: case 0x3AA: case 0x3CA: case 0x390: return 0x3B9; // iota
    case 0x38C: case 0x3CC: return 0x3BF; // omicron
    case 0x38E: case 0x3CD: case 0x3AB: case 0x3CB: case 0x3B0: return 0x3C5; // upsilon
    case 0x38F: case 0x3CE: return 0x3C9; // omega
    case 0x3C2: return 0x3C3; // final sigma
    case 0x401: case 0x451: return 0x435; // io as ie
    default: break;
    }
    if (cp >= 0x410 && cp <= 0x42F)
        return cp + 0x20;
    if (cp >= 0x400 && cp <= 0x40F)
        return cp + 0x50;
    return cp;
}

// Writes the fold of one decoded character and returns its end; nullptr when the character
// is kept as it is. No fold is longer than the UTF-8 of its character.
char* writeFoldOf(char32_t cp, char* out)
{
    if (cp >= 0x300 && cp <= 0x36F) // combining accents
        return out;
    const auto letter = [out](char c) {
        *out = c;
        return out + 1;
    };
    switch (cp) {
    case 0xA0: return letter(' ');  // no-break space
    case 0xAD: return out;          // soft hyphen
    case 0xAA: return letter('a');  // feminine ordinal
    case 0xBA: return letter('o');  // masculine ordinal
    case 0xB9: return letter('1');
    case 0xB2: return letter('2');
    case 0xB3: return letter('3');
    case 0x1A0: case 0x1A1: case 0x1D1: case 0x1D2: return letter('o');
    case 0x1AF: case 0x1B0: case 0x1D3: case 0x1D4: return letter('u');
    case 0x1CD: case 0x1CE: return letter('a');
    case 0x1CF: case 0x1D0: return letter('i');
    case 0x218: case 0x219: return letter('s'); // Romanian comma below
    case 0x21A: case 0x21B: return letter('t');
    default: break;
    }
    if (cp >= kLatinFirst && cp < kLatinFirst + kLatinCount) {
        const std::string_view fold = latinFolds()[cp - kLatinFirst];
        if (fold == "=")
            return nullptr;
        return std::copy(fold.begin(), fold.end(), out);
    }
    const char32_t folded = foldGreekOrCyrillic(cp);
    return folded == cp ? nullptr : writeUtf8(folded, out);
}

constexpr std::array<char, 128> kAsciiFolds = [] {
    std::array<char, 128> folds{};
    for (int c = 0; c < 128; ++c)
        folds[static_cast<std::size_t>(c)] = c < 0x20 || c == 0x7F ? ' '
                                             : (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a')
                                                                      : static_cast<char>(c);
    return folds;
}();

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

} // namespace

void appendFolded(std::string_view utf8, std::string& out)
{
    // No character folds into more bytes than it has, so the fold is written in place into
    // room for the whole text, and the string is cut to what was written.
    const std::size_t start = out.size();
    out.resize(start + utf8.size());
    char* o = out.data() + start;
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = p + utf8.size();
    while (p < end) {
        if (*p < 0x80) {
            *o++ = kAsciiFolds[*p++];
            continue;
        }
        // Decode one character; anything malformed is kept byte for byte.
        char32_t cp = 0;
        std::size_t length = 0;
        if (*p >= 0xC2 && *p < 0xE0 && end - p >= 2 && isContinuation(p[1])) {
            cp = ((*p & 0x1Fu) << 6) | (p[1] & 0x3Fu);
            length = 2;
        } else if (*p >= 0xE0 && *p < 0xF0 && end - p >= 3 && isContinuation(p[1]) && isContinuation(p[2])) {
            cp = ((*p & 0x0Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu);
            length = 3;
        }
        if (length == 0) {
            *o++ = static_cast<char>(*p++);
            continue;
        }
        char* folded = writeFoldOf(cp, o);
        o = folded ? folded : std::copy(p, p + length, o);
        p += length;
    }
    out.resize(static_cast<std::size_t>(o - out.data()));
}

std::string foldForSearch(std::string_view utf8)
{
    std::string folded;
    folded.reserve(utf8.size());
    appendFolded(utf8, folded);
    return folded;
}

void appendDigits(std::string_view text, std::string& out)
{
    for (const char c : text)
        if (c >= '0' && c <= '9')
            out.push_back(c);
}

bool isPhoneField(ContactField field)
{
    return field == ContactField::MOBILE || field == ContactField::TEL || field == ContactField::WORKTEL;
}

std::string searchTextOf(const ContactRecord& record)
{
    std::string text;
    appendSearchText([&record](std::size_t column) -> std::string_view { return record[column]; }, text);
    return text;
}

} // namespace qor
