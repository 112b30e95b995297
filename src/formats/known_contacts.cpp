#include "known_contacts.h"

#include <functional>
#include <unordered_map>
#include <unordered_set>

namespace qor {

namespace {

template <typename Texts>
std::uint64_t hashTexts(const Texts& texts)
{
    std::uint64_t h = 0x9E3779B97F4A7C15ULL;
    for (std::size_t c = 0; c < kFieldCount; ++c) {
        const std::string_view text = texts[c];
        h = (h ^ std::hash<std::string_view>{}(text)) * 0x100000001B3ULL;
        h ^= (h >> 29) + text.size();
    }
    return h;
}

// A key that is cheap to take of a book's contact: the surname and the size of all the texts.
// Most contacts of a book differ from every imported one in it already, so most never have all
// their bytes hashed.
template <typename Texts>
std::uint64_t quickKey(const Texts& texts)
{
    std::size_t size = 0;
    for (std::size_t c = 0; c < kFieldCount; ++c)
        size += std::string_view(texts[c]).size();
    return std::hash<std::string_view>{}(texts[columnOf(ContactField::SURNAME)]) ^ (size * 0x9E3779B97F4A7C15ULL);
}

bool sameTexts(const ContactRecord& record, const ContactTexts& texts)
{
    for (std::size_t c = 0; c < kFieldCount; ++c)
        if (record[c] != texts[c])
            return false;
    return true;
}

} // namespace

std::size_t removeContactsInBook(std::vector<ContactRecord>& imported, std::size_t bookRows,
                                 const std::function<void(std::size_t, ContactTexts&)>& bookRow)
{
    if (imported.empty() || bookRows == 0)
        return 0;
    std::unordered_multimap<std::uint64_t, std::size_t> byHash;
    std::unordered_set<std::uint64_t> quickKeys;
    byHash.reserve(imported.size());
    quickKeys.reserve(imported.size());
    for (std::size_t i = 0; i < imported.size(); ++i) {
        byHash.emplace(hashTexts(imported[i].texts), i);
        quickKeys.insert(quickKey(imported[i].texts));
    }
    std::vector<bool> inBook(imported.size(), false);
    ContactTexts texts;
    for (std::size_t row = 0; row < bookRows; ++row) {
        bookRow(row, texts);
        if (!quickKeys.contains(quickKey(texts)))
            continue;
        const auto [first, last] = byHash.equal_range(hashTexts(texts));
        for (auto it = first; it != last; ++it)
            if (!inBook[it->second] && sameTexts(imported[it->second], texts))
                inBook[it->second] = true;
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < imported.size(); ++i)
        if (!inBook[i]) {
            if (kept != i)
                imported[kept] = std::move(imported[i]);
            ++kept;
        }
    const std::size_t removed = imported.size() - kept;
    imported.resize(kept);
    return removed;
}

} // namespace qor
