#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string_view>

namespace qor {

// The key that begins every record of a book.
inline constexpr std::string_view kSurnameKey = "SURNAME";

// Calls `found(at)`, in order, for every "SURNAME" that begins in [from, to) of `text` at the
// start of a line (at 0, or after CR or LF). Searching for the key is far faster than reading
// the lines, which is why the reader sizes its records and the record index finds them so.
template <typename Found>
void forEachSurnameAtLineStart(std::string_view text, std::size_t from, std::size_t to, Found found)
{
    const char* const begin = text.data();
    const char* p = begin + from;
    // A match may begin before `to` and end after it.
    const char* const end = begin + std::min(text.size(), to + kSurnameKey.size() - 1);
    while (static_cast<std::size_t>(end - p) >= kSurnameKey.size()) {
#if defined(_WIN32)
        const std::size_t at = std::string_view(p, static_cast<std::size_t>(end - p)).find(kSurnameKey);
        const char* hit = at == std::string_view::npos ? nullptr : p + at;
#else
        const auto* hit = static_cast<const char*>(
            ::memmem(p, static_cast<std::size_t>(end - p), kSurnameKey.data(), kSurnameKey.size()));
#endif
        if (hit == nullptr)
            return;
        if (hit == begin || hit[-1] == '\n' || hit[-1] == '\r')
            found(static_cast<std::size_t>(hit - begin));
        p = hit + kSurnameKey.size();
    }
}

} // namespace qor
