#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qor {

// Whether `bytes` is well-formed UTF-8: no stray continuation bytes, no over-long forms, no
// surrogates (U+D800..U+DFFF), nothing above U+10FFFF, no sequence cut short at the end.
bool isValidUtf8(std::string_view bytes);

// Windows-1252 to UTF-8. Every byte has a character: the five bytes Windows-1252 leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become U+0081, U+008D, U+008F, U+0090, U+009D, so
// decoding and encoding again gives back every byte sequence unchanged.
std::size_t utf8SizeOfWindows1252(std::string_view cp1252);
// Writes the UTF-8 form of `cp1252` at `out`, which has room for utf8SizeOfWindows1252 bytes;
// returns the end of what it wrote.
char* decodeWindows1252(std::string_view cp1252, char* out);
std::string windows1252ToUtf8(std::string_view cp1252);

// The size of `utf8` in Windows-1252, or kNotWindows1252 when it is not valid UTF-8 or holds a
// character Windows-1252 has no byte for.
inline constexpr std::size_t kNotWindows1252 = static_cast<std::size_t>(-1);
std::size_t windows1252SizeOfUtf8(std::string_view utf8);
// Writes the Windows-1252 form of `utf8` at `out`; `utf8` must have passed
// windows1252SizeOfUtf8. Returns the end of what it wrote.
char* encodeWindows1252(std::string_view utf8, char* out);
// Empty and false when `utf8` cannot be written in Windows-1252.
bool utf8ToWindows1252(std::string_view utf8, std::string& out);

// Whether `bytes` holds a byte of 0x80 or above.
bool hasNonAscii(std::string_view bytes);

// Whether `utf8`, written in Windows-1252, reads back as itself from a book whose fields are
// each decoded as UTF-8 when they are valid UTF-8 and as Windows-1252 otherwise: it must be
// writable in Windows-1252, and those bytes must be plain ASCII or not valid UTF-8 ("Ã©" is not
// kept: its bytes C3 A9 read back as "é"). `scratch` is working memory.
bool readsBackAsWindows1252(std::string_view utf8, std::string& scratch);

// UTF-16 code units (little- or big-endian, no byte-order mark) to UTF-8. An unpaired
// surrogate or a last odd byte becomes U+FFFD; nothing else is changed.
std::string utf16ToUtf8(std::string_view utf16, bool bigEndian);
// UTF-8 to UTF-16 code units, no byte-order mark. `utf8` should be valid UTF-8; a byte that
// starts no valid sequence becomes U+FFFD.
std::string utf8ToUtf16(std::string_view utf8, bool bigEndian);

} // namespace qor
