#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qor {

// The lexical layer of vCard shared by its reader and writer.

// The longest line a writer puts out, in octets, before folding.
inline constexpr std::size_t kVCardLineOctets = 75;

// Appends `text` with vCard's escapes: '\\', ',', ';' and a line feed ("\n") are escaped,
// everything else is copied as it is.
void appendVCardEscaped(std::string& out, std::string_view text);

// Folds the line that starts at `lineStart` in `out` and runs to its end (no line end yet) into
// lines of at most kVCardLineOctets octets, each continuation line beginning with a space. A
// UTF-8 sequence is never split.
void foldVCardLine(std::string& out, std::size_t lineStart);

// Removes the escapes of a text value: "\\", "\,", "\;" and "\:" give the character; "\n",
// "\N" and a line break (LF or CR LF) become a space, so no line break reaches the book. A
// lone CR, which ends no line in the book, and a backslash before any other character are kept.
std::string unescapeVCardText(std::string_view text);

} // namespace qor
