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
enum KeyKind : std::uint64_t { kIdentifierKey = 0, kNameKey = 1, kWholeNameKey = 2 };

struct Keyed {
    std::uint64_t key;
    std::uint32_t row;
};

// FNV-1a over the pieces of a key, so that no key is put together in memory first: a book of
// 100,000 contacts gives two million keys.
class KeyHash {
public:
    explicit KeyHash(char tag) { byte(static_cast<unsigned char>(tag)); }
    KeyHash& text(std::string_view piece, std::size_t skipped = std::string_view::npos)
    {
        for (std::size_t i = 0; i < piece.size(); ++i)
            if (i != skipped)
                byte(static_cast<unsigned char>(piece[i]));
        byte(0x1f);
        return *this;
    }
    std::uint64_t value() const { return m_hash; }

private:
    void byte(unsigned char c) { m_hash = (m_hash ^ c) * 0x100000001B3ull; }
    std::uint64_t m_hash = 0xCBF29CE484222325ull;
};

class KeyWriter {
public:
    KeyWriter(std::vector<Keyed>& keys, std::uint32_t row) : m_keys(keys), m_row(row) {}
    void add(const KeyHash& hash, KeyKind kind) { m_keys.push_back({(hash.value() & ~std::uint64_t{3}) | kind, m_row}); }

private:
    std::vector<Keyed>& m_keys;
    std::uint32_t m_row;
};

const std::string& longestWord(const std::vector<std::string>& words)
{
    return *std::max_element(words.begin(), words.end(),
                             [](const std::string& a, const std::string& b) { return a.size() < b.size(); });
}

// Name keys: the sorted words; each name word (and each of it with one letter left out) with
// the other word whole, so that a typo in either word, in either field, still meets; the
// surname with the first name's initial ("J. Doe").
void addNameKeys(const PersonName& name, KeyWriter& keys)
{
    if (name.empty())
        return;
    KeyHash bag('b');
    for (const std::string& word : name.bag)
        bag.text(word);
    keys.add(bag, kWholeNameKey);

    const std::string none;
    const std::string& surname = name.surname.empty() ? none : longestWord(name.surname);
    const std::string& given = name.given.empty() ? none : name.given.front();
    constexpr std::size_t kShortestVaried = 4;
    const std::pair<const std::string*, const std::string*> orders[] = {{&surname, &given}, {&given, &surname}};
    for (const auto& [word, other] : orders) {
        if (word->empty())
            continue;
        keys.add(KeyHash('v').text(*word).text(*other), kNameKey);
        if (word->size() >= kShortestVaried)
            for (std::size_t i = 0; i < word->size(); ++i)
                keys.add(KeyHash('v').text(*word, i).text(*other), kNameKey);
    }
    if (!surname.empty() && !given.empty())
        keys.add(KeyHash('i').text(surname).text(given.substr(0, 1)), kNameKey);
}

void addKeys(const ContactTraits& traits, KeyWriter& keys)
{
    if (!traits.email.empty())
        keys.add(KeyHash('e').text(traits.email), kIdentifierKey);
    for (const std::string* phone : {&traits.mobile, &traits.tel, &traits.workTel})
        if (!phone->empty())
            keys.add(KeyHash('p').text(*phone), kIdentifierKey);
    // A whole date of birth, and a home address, meet a name mistyped twice.
    if (traits.birthday && traits.birthday->hasYear()) {
        const ContactDate& d = *traits.birthday;
        keys.add(KeyHash('d').text(std::to_string((d.year * 100 + d.month) * 100 + d.day)), kIdentifierKey);
    }
    if (!traits.homeStreet.empty() && !traits.homeZip.empty())
        keys.add(KeyHash('a').text(traits.homeStreet).text(traits.homeZip), kIdentifierKey);
    addNameKeys(traits.name, keys);
}

// Puts equal keys together: first by their top 16 bits (one counting pass), then each of the
// 65,536 small buckets sorted. Two passes over two million keys, not a full sort.
void groupKeys(std::vector<Keyed>& keys)
{
    constexpr int kBucketBits = 16;
    std::vector<std::size_t> start((std::size_t{1} << kBucketBits) + 1, 0);
    for (const Keyed& k : keys)
        ++start[(k.key >> (64 - kBucketBits)) + 1];
    std::partial_sum(start.begin(), start.end(), start.begin());
    std::vector<Keyed> sorted(keys.size());
    std::vector<std::size_t> next(start.begin(), start.end() - 1);
    for (const Keyed& k : keys)
        sorted[next[k.key >> (64 - kBucketBits)]++] = k;
    for (std::size_t b = 0; b + 1 < start.size(); ++b)
        std::sort(sorted.begin() + static_cast<std::ptrdiff_t>(start[b]), sorted.begin() + static_cast<std::ptrdiff_t>(start[b + 1]),
                  [](const Keyed& x, const Keyed& y) { return x.key < y.key; });
    keys = std::move(sorted);
}

// Calls `block(begin, end)` for each run of equal keys.
template <typename Block>
void forEachBlock(const std::vector<Keyed>& keys, Block&& block)
{
    for (std::size_t begin = 0; begin < keys.size();) {
        std::size_t end = begin + 1;
        while (end < keys.size() && keys[end].key == keys[begin].key)
            ++end;
        block(begin, end);
        begin = end;
    }
}

std::uint64_t orderedPair(std::uint32_t a, std::uint32_t b)
{
    return a < b ? std::uint64_t{a} << 32 | b : std::uint64_t{b} << 32 | a;
}

// The pairs already scored: two entries of one name share a dozen name blocks, and each pair
// is scored once. Open addressing over the pair's 64 bits; 0 is no pair (the lower row is in
// the high half, so no pair of two rows is 0).
class ScoredPairs {
public:
    // Whether `pair` was new (and is now known).
    bool insert(std::uint64_t pair)
    {
        if (2 * (m_count + 1) > m_slots.size())
            grow();
        std::size_t at = slotOf(pair);
        while (m_slots[at] != 0) {
            if (m_slots[at] == pair)
                return false;
            at = (at + 1) & (m_slots.size() - 1);
        }
        m_slots[at] = pair;
        ++m_count;
        return true;
    }

private:
    std::size_t slotOf(std::uint64_t pair) const
    {
        return static_cast<std::size_t>((pair * 0x9E3779B97F4A7C15ull) >> 20) & (m_slots.size() - 1);
    }
    void grow()
    {
        std::vector<std::uint64_t> old = std::move(m_slots);
        m_slots.assign(old.empty() ? std::size_t{1} << 16 : old.size() * 2, 0);
        m_count = 0;
        for (const std::uint64_t pair : old)
            if (pair != 0)
                insert(pair);
    }
    std::vector<std::uint64_t> m_slots;
    std::size_t m_count = 0;
};

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

std::vector<DuplicateGroup> groupsOf(Groups& groups, std::size_t rows)
{
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
    groupKeys(keys);

    // How common each name is, before any pair is scored.
    forEachBlock(keys, [&](std::size_t begin, std::size_t end) {
        if ((keys[begin].key & 3) == kWholeNameKey)
            for (std::size_t i = begin; i < end; ++i)
                traits[keys[i].row].nameCount = end - begin;
    });
    // The pairs of each block small enough to mean something, each scored once.
    Groups groups(rows);
    ScoredPairs scored;
    forEachBlock(keys, [&](std::size_t begin, std::size_t end) {
        const std::size_t limit = (keys[begin].key & 3) == kIdentifierKey ? kLargestIdentifierBlock : kLargestNameBlock;
        if (end - begin > limit)
            return;
        for (std::size_t i = begin; i < end; ++i)
            for (std::size_t j = i + 1; j < end; ++j) {
                const std::uint32_t a = keys[i].row, b = keys[j].row;
                if (a == b || groups.root(a) == groups.root(b) || !scored.insert(orderedPair(a, b)))
                    continue;
                if (duplicateScore(traits[a], traits[b]) >= kDuplicateScore && !(keptApart && keptApart(a, b)))
                    groups.join(a, b);
            }
    });
    return groupsOf(groups, rows);
}

std::vector<DuplicateGroup> findDuplicateGroups(const std::vector<ContactRecord>& contacts, const KeptApart& keptApart)
{
    return findDuplicateGroups(
        contacts.size(), [&contacts](std::size_t row, std::size_t column) -> std::string_view { return contacts[row][column]; },
        keptApart);
}

} // namespace qor
