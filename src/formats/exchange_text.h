#pragma once

#include "control_bytes.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace qor {

// Small text rules shared by the readers of foreign formats.

inline char asciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

inline bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (asciiUpper(a[i]) != asciiUpper(b[i]))
            return false;
    return true;
}

inline bool startsIgnoringCase(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && equalsIgnoringCase(s.substr(0, prefix.size()), prefix);
}

inline bool endsIgnoringCase(std::string_view s, std::string_view suffix)
{
    return s.size() >= suffix.size() && equalsIgnoringCase(s.substr(s.size() - suffix.size()), suffix);
}

inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

inline std::string_view withoutByteOrderMark(std::string_view bytes)
{
    return bytes.starts_with(kUtf8ByteOrderMark) ? bytes.substr(kUtf8ByteOrderMark.size()) : bytes;
}

// Whether `text` holds a byte no text file holds: NUL or a control character other than tab,
// line feed, vertical tab, form feed, carriage return, Ctrl-Z (an old end-of-file mark) and
// escape.
inline bool isBinaryByte(char c)
{
    const auto b = static_cast<unsigned char>(c);
    return b < 0x20 && !(b >= 0x09 && b <= 0x0D) && b != 0x1A && b != 0x1B;
}

// The offset of the first binary byte in `bytes`, or npos. A whole file is checked before it
// is read.
inline std::size_t firstBinaryByte(std::string_view bytes) { return findControlByte<0x20>(bytes, isBinaryByte); }

inline bool hasBinaryByte(std::string_view text) { return firstBinaryByte(text) != std::string_view::npos; }

// The same, and how many CRs the bytes before that offset hold (all of them when there is no
// binary byte), counted in the pass the readers make anyway: a reader that finds every CR in a
// line end knows the file has no CR that ends a line alone.
inline std::size_t firstBinaryByte(std::string_view bytes, std::size_t& crs)
{
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
    constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
    const std::size_t size = bytes.size();
    std::size_t count = 0; // a local: a count through a reference might alias the bytes
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + i, 8);
        if (((word - kOnes * 0x20) & ~word & kHigh) == 0)
            continue; // no control byte among the eight: no CR, nothing binary
        // The CRs among them, counted at once: a high bit for each byte that is exactly 0x0D,
        // moved to the low bits and summed into the top byte by the multiplication.
        const std::uint64_t x = word ^ (kOnes * 0x0D);
        const std::uint64_t isCr = ~(((x & kLow7) + kLow7) | x | kLow7);
        count += static_cast<std::size_t>(((isCr >> 7) * kOnes) >> 56);
        for (std::size_t j = i; j < i + 8; ++j)
            if (isBinaryByte(bytes[j])) {
                crs = count;
                return j;
            }
    }
    for (; i < size; ++i) {
        count += bytes[i] == '\r';
        if (isBinaryByte(bytes[i])) {
            crs = count;
            return i;
        }
    }
    crs = count;
    return std::string_view::npos;
}

// Whether `c` is where a line ends (a CR or an LF).
inline bool isLineEnd(char c) { return c == '\n' || c == '\r'; }

// Whether byte `i` of `text` ends a line as the readers end lines: at LF, CR LF, CR CR LF or a CR
// that no LF follows (a run of CRs and the LF after it are one line end, counted at its last byte).
inline bool endsALine(std::string_view text, std::size_t i)
{
    return text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || !isLineEnd(text[i + 1])));
}

// The line ends in `text`.
inline std::size_t lineEndsIn(std::string_view text)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
        count += endsALine(text, i);
    return count;
}

// The 1-based line that offset `at` of `bytes` stands on.
inline std::size_t lineAt(std::string_view bytes, std::size_t at)
{
    std::size_t line = 1;
    for (std::size_t i = 0; i < at && i < bytes.size(); ++i)
        line += endsALine(bytes, i);
    return line;
}

} // namespace qor
