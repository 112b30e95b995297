// The byte-order marks a book may begin with, in one place because the reader tells a book's
// encoding by them and the writer puts the UTF-16 ones back: both must agree on every byte.
#pragma once

#include <string_view>

namespace qor {

inline constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
inline constexpr std::string_view kUtf16LEMark = "\xFF\xFE";
inline constexpr std::string_view kUtf16BEMark = "\xFE\xFF";

} // namespace qor
