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

// Removes the escapes of a text value: "\\", "\,", "\;" and "\:" give the character; "\n"
// and "\N" become a space. A backslash before any other character is kept, and so are raw line
// ends (from quoted-printable, or a lone CR in the file's line): the contact builder turns
// every one of them into a space, whatever format the value came from.
std::string unescapeVCardText(std::string_view text);

} // namespace qor
