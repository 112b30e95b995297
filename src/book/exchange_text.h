#pragma once

#include <string_view>

namespace qor {

// Small text rules shared by the readers of foreign formats.

inline char asciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

inline std::string_view withoutByteOrderMark(std::string_view bytes)
{
    return bytes.starts_with(kUtf8ByteOrderMark) ? bytes.substr(kUtf8ByteOrderMark.size()) : bytes;
}

// Whether `text` holds a byte no text file holds: NUL or a control character other than tab,
// line feed, vertical tab, form feed, carriage return, Ctrl-Z (an old end-of-file mark) and
// escape.
inline bool hasBinaryByte(std::string_view text)
{
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 && !(b >= 0x09 && b <= 0x0D) && b != 0x1A && b != 0x1B)
            return true;
    }
    return false;
}

} // namespace qor
