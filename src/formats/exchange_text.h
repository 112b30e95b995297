#pragma once

#include "control_bytes.h"

#include <cstddef>
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
