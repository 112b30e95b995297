// Blocking, scoring and joining: the duplicate finder.
#include "duplicate_finder.h"

#include "duplicate_score.h"

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <string>

namespace qor {

namespace {

// A block key: a hash of what the contacts share, its two low bits telling what kind of
// thing that is, which decides how large a block may grow.
enum KeyKind : std::uint64_t { kIdentifierKey = 0, kNameKey = 1 };

struct Keyed {
    std::uint64_t key;
    std::uint32_t row;
};

class KeyWriter {
public:
    KeyWriter(std::vector<Keyed>& keys, std::uint32_t row) : m_keys(keys), m_row(row) {}
    void add(char tag, std::string_view a, std::string_view b, KeyKind kind)
    {
        m_text.assign(1, tag);
        m_text.append(a).push_back('\x1f');
        m_text.append(b);
        const std::uint64_t hash = std::hash<std::string_view>{}(m_text);
        m_keys.push_back({(hash & ~std::uint64_t{3}) | kind, m_row});
    }

private:
    std::vector<Keyed>& m_keys;
    std::uint32_t m_row;
    std::string m_text;
};

const std::string& longestWord(const std::vector<std::string>& words)
{
    return *std::max_element(words.begin(), words.end(),
                             [](const std::string& a, const std::string& b) { return a.size() < b.size(); });
}

// Name keys: the sorted words; each name word (and each of it with one letter left out) with
// the other word whole, so that a typo in either word, in either field, still meets; each word
// with the other's initial ("J. Doe").
void addNameKeys(const PersonName& name, KeyWriter& keys)
{
    if (name.empty())
        return;
    std::string bag;
    for (const std::string& word : name.bag())
        bag.append(word).push_back(' ');
    keys.add('b', bag, {}, kNameKey);

    const std::string none;
    const std::string& surname = name.surname.empty() ? none : longestWord(name.surname);
    const std::string& given = name.given.empty() ? none : name.given.front();
    constexpr std::size_t kShortestVaried = 4;
    const std::pair<const std::string*, const std::string*> orders[] = {{&surname, &given}, {&given, &surname}};
    for (const auto& [word, other] : orders) {
        if (word->empty())
            continue;
        keys.add('v', *word, *other, kNameKey);
        if (word->size() >= kShortestVaried)
            for (std::size_t i = 0; i < word->size(); ++i)
                keys.add('v', std::string(*word).erase(i, 1), *other, kNameKey);
        if (!other->empty())
            keys.add('i', *word, other->substr(0, 1), kNameKey);
    }
}

void addKeys(const ContactTraits& traits, KeyWriter& keys)
{
    if (!traits.email.empty())
        keys.add('e', traits.email, {}, kIdentifierKey);
    for (const std::string* phone : {&traits.mobile, &traits.tel, &traits.workTel})
        if (!phone->empty())
            keys.add('p', *phone, {}, kIdentifierKey);
    addNameKeys(traits.name, keys);
}

// The pairs (lower row in the high half) that share a block small enough to mean something.
std::vector<std::uint64_t> candidatePairs(std::vector<Keyed>& keys)
{
    std::sort(keys.begin(), keys.end(), [](const Keyed& a, const Keyed& b) {
        return a.key != b.key ? a.key < b.key : a.row < b.row;
    });
    std::vector<std::uint64_t> pairs;
    for (std::size_t begin = 0; begin < keys.size();) {
        std::size_t end = begin + 1;
        while (end < keys.size() && keys[end].key == keys[begin].key)
            ++end;
        const std::size_t limit = (keys[begin].key & 3) == kNameKey ? kLargestNameBlock : kLargestIdentifierBlock;
        if (end - begin <= limit)
            for (std::size_t i = begin; i < end; ++i)
                for (std::size_t j = i + 1; j < end; ++j)
                    if (keys[i].row != keys[j].row)
                        pairs.push_back(std::uint64_t{keys[i].row} << 32 | keys[j].row);
        begin = end;
    }
    std::sort(pairs.begin(), pairs.end());
    pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
    return pairs;
}

class Groups {
public:
    explicit Groups(std::size_t n) : m_parent(n) { std::iota(m_parent.begin(), m_parent.end(), std::uint32_t{0}); }
    std::uint32_t root(std::uint32_t x)
    {
        while (m_parent[x] != x)
            x = m_parent[x] = m_parent[m_parent[x]];
        return x;
    }
    void join(std::uint32_t a, std::uint32_t b)
    {
        a = root(a);
        b = root(b);
        if (a != b)
            m_parent[std::max(a, b)] = std::min(a, b); // the top row is its group's root
    }

private:
    std::vector<std::uint32_t> m_parent;
};

} // namespace

std::vector<DuplicateGroup> findDuplicateGroups(std::size_t rows, const RowText& text, const KeptApart& keptApart)
{
    std::vector<ContactTraits> traits;
    traits.reserve(rows);
    std::vector<Keyed> keys;
    keys.reserve(rows * 20);
    for (std::size_t row = 0; row < rows; ++row) {
        traits.push_back(traitsOf([&text, row](std::size_t column) { return text(row, column); }));
        KeyWriter writer(keys, static_cast<std::uint32_t>(row));
        addKeys(traits.back(), writer);
    }
    const std::vector<std::uint64_t> pairs = candidatePairs(keys);
    keys = {};

    Groups groups(rows);
    for (const std::uint64_t pair : pairs) {
        const auto a = static_cast<std::uint32_t>(pair >> 32);
        const auto b = static_cast<std::uint32_t>(pair);
        if (groups.root(a) == groups.root(b))
            continue;
        if (duplicateScore(traits[a], traits[b]) >= kDuplicateScore && !(keptApart && keptApart(a, b)))
            groups.join(a, b);
    }

    std::vector<DuplicateGroup> found;
    std::vector<std::int64_t> groupOfRoot(rows, -1);
    for (std::uint32_t row = 0; row < rows; ++row) {
        const std::uint32_t root = groups.root(row);
        if (root == row)
            continue;
        if (groupOfRoot[root] < 0) {
            groupOfRoot[root] = static_cast<std::int64_t>(found.size());
            found.push_back({root});
        }
        found[static_cast<std::size_t>(groupOfRoot[root])].push_back(row);
    }
    std::sort(found.begin(), found.end(), [](const DuplicateGroup& a, const DuplicateGroup& b) { return a.front() < b.front(); });
    return found;
}

std::vector<DuplicateGroup> findDuplicateGroups(const std::vector<ContactRecord>& contacts, const KeptApart& keptApart)
{
    return findDuplicateGroups(
        contacts.size(), [&contacts](std::size_t row, std::size_t column) -> std::string_view { return contacts[row][column]; },
        keptApart);
}

} // namespace qor
