#pragma once

#include <string>
#include <string_view>

namespace qor {

// Text crosses the Win32 boundary as UTF-16 (the *W functions) and is UTF-8 everywhere else.
// Bytes that are not UTF-8 become U+FFFD on the way out; a lone surrogate the same on the way in.
std::wstring toWide(std::string_view utf8);
std::string toUtf8(std::wstring_view wide);

} // namespace qor
