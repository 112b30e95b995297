#include "vcard_text.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace qor {

namespace {

// Bytes that need an escape in a written value.
constexpr std::array<bool, 256> kNeedsEscape = [] {
    std::array<bool, 256> t{};
    t['\\'] = t[','] = t[';'] = t['\n'] = true;
    return t;
}();

bool isContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Whether any of the eight bytes of `word` needs an escape.
bool anyNeedsEscape(std::uint64_t word)
{
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
    const auto hasByte = [word](unsigned char b) {
        const std::uint64_t x = word ^ (kOnes * b);
        return ((x - kOnes) & ~x & kHigh) != 0;
    };
    return hasByte('\\') || hasByte(',') || hasByte(';') || hasByte('\n');
}

} // namespace

void appendVCardEscaped(std::string& out, std::string_view text)
{
    // Most values need no escape at all: find the first byte that does, eight bytes at a time.
    std::size_t first = 0;
    for (; first + 8 <= text.size(); first += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + first, 8);
        if (anyNeedsEscape(word))
            break;
    }
    std::size_t done = 0;
    for (std::size_t i = first; i < text.size(); ++i) {
        const char c = text[i];
        if (!kNeedsEscape[static_cast<unsigned char>(c)])
            continue;
        out.append(text.data() + done, i - done);
        out += '\\';
        out += c == '\n' ? 'n' : c;
        done = i + 1;
    }
    out.append(text.data() + done, text.size() - done);
}

void foldVCardLine(std::string& out, std::size_t lineStart)
{
    if (out.size() - lineStart <= kVCardLineOctets)
        return;
    const std::string line = out.substr(lineStart);
    out.resize(lineStart);
    std::size_t at = 0;
    std::size_t room = kVCardLineOctets;
    while (line.size() - at > room) {
        std::size_t cut = at + room;
        while (cut > at + 1 && isContinuation(line[cut]))
            --cut;
        out.append(line, at, cut - at);
        out += "\r\n ";
        at = cut;
        room = kVCardLineOctets - 1; // the leading space counts
    }
    out.append(line, at, std::string::npos);
}

std::string unescapeVCardText(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\' && i + 1 < text.size()) {
            const char next = text[i + 1];
            if (next == 'n' || next == 'N') {
                out += ' ';
                ++i;
                continue;
            }
            if (next == '\\' || next == ',' || next == ';' || next == ':') {
                out += next;
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

} // namespace qor
