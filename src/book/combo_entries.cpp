#include "combo_entries.h"

#include "../../res/control_ids.h"

#include <algorithm>
#include <array>
#include <functional>
#include <string>
#include <map>
#include <unordered_map>
#include <utility>

namespace qor {

namespace {

struct StoredEntry {
    int controlId;
    const char* text;
};

constexpr StoredEntry kStoredEntries[] = {
#include "../../res/combo_entries.inc"
};

char foldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool lessIgnoringCase(const std::string& a, const std::string& b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) {
                                            return static_cast<unsigned char>(foldAscii(x))
                                                   < static_cast<unsigned char>(foldAscii(y));
                                        });
}

std::map<int, std::vector<std::string>> buildLists()
{
    std::map<int, std::vector<std::string>> lists;
    for (const StoredEntry& e : kStoredEntries)
        lists[e.controlId].emplace_back(e.text);
    for (auto& [id, entries] : lists)
        if (isSortedCombo(id))
            std::stable_sort(entries.begin(), entries.end(), lessIgnoringCase);
    return lists;
}

} // namespace

bool isSortedCombo(int controlId) { return controlId == kEyesCombo || controlId == kHeightCombo || controlId == kBestFeatureCombo; }

const std::vector<std::string>& comboEntriesInListOrder(int controlId)
{
    static const std::map<int, std::vector<std::string>> lists = buildLists();
    static const std::vector<std::string> none;
    auto it = lists.find(controlId);
    return it == lists.end() ? none : it->second;
}

int findComboEntry(const std::vector<std::string>& entriesInListOrder, std::string_view text)
{
    if (text.empty())
        return -1;
    for (std::size_t i = 0; i < entriesInListOrder.size(); ++i) {
        const std::string& entry = entriesInListOrder[i];
        if (entry.size() < text.size())
            continue;
        bool match = true;
        for (std::size_t k = 0; k < text.size() && match; ++k)
            match = foldAscii(entry[k]) == foldAscii(text[k]);
        if (match)
            return static_cast<int>(i);
    }
    return -1;
}

namespace {

// Every beginning of every entry, folded to lower case, with the first entry in list order
// that it begins; texts no entry begins are not in it.
class PrefixIndex {
public:
    explicit PrefixIndex(const std::vector<std::string>& entries)
    {
        for (std::size_t i = 0; i < entries.size(); ++i) {
            std::string prefix;
            for (char c : entries[i]) {
                prefix += foldAscii(c);
                m_first.emplace(prefix, static_cast<int>(i)); // keeps the earliest entry
                m_longest = std::max(m_longest, prefix.size());
            }
        }
    }
    int find(std::string_view text) const
    {
        if (text.empty() || text.size() > m_longest)
            return -1;
        // Folded on the stack: every row of a book read passes its combo fields through here.
        std::array<char, 64> buffer;
        std::string longer;
        char* folded = buffer.data();
        if (text.size() > buffer.size()) {
            longer.resize(text.size());
            folded = longer.data();
        }
        for (std::size_t i = 0; i < text.size(); ++i)
            folded[i] = foldAscii(text[i]);
        const auto it = m_first.find(std::string_view(folded, text.size()));
        return it == m_first.end() ? -1 : it->second;
    }

private:
    // Looks a text up without making a std::string of it.
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    std::unordered_map<std::string, int, Hash, std::equal_to<>> m_first;
    std::size_t m_longest = 0;
};

} // namespace

int findComboEntryFast(int controlId, std::string_view text)
{
    if (text.empty())
        return -1; // no entry begins with nothing, and most combo fields of a book are empty
    static const std::map<int, PrefixIndex> indexes = [] {
        std::map<int, PrefixIndex> built;
        for (const StoredEntry& e : kStoredEntries)
            if (!built.contains(e.controlId))
                built.emplace(e.controlId, PrefixIndex(comboEntriesInListOrder(e.controlId)));
        return built;
    }();
    const auto it = indexes.find(controlId);
    return it == indexes.end() ? -1 : it->second.find(text);
}

} // namespace qor
