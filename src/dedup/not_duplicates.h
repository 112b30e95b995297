#pragma once

#include "contact_record.h"

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qor {

// The pairs of contacts the user said are not one person, each contact known by its hash
// (contact_hash.h): a pair stays known while both contacts keep their texts, wherever they
// move in the list and whatever happens to the others. A contact that is edited is a new
// contact, which the finder may propose again.
class NotDuplicates {
public:
    bool contains(std::uint64_t a, std::uint64_t b) const { return m_pairs.count(ordered(a, b)) > 0; }
    bool empty() const { return m_pairs.empty(); }
    std::size_t size() const { return m_pairs.size(); }
    // Every pair of `contacts`.
    void addGroup(const std::vector<ContactRecord>& contacts);
    void add(std::uint64_t a, std::uint64_t b) { m_pairs.insert(ordered(a, b)); }

    // The text kept beside the book: a first line naming the format, then one pair a line, two
    // hashes in hexadecimal. parse skips lines it cannot read, so a damaged line forgets one
    // pair, never the rest.
    std::string format() const;
    static NotDuplicates parse(std::string_view text);

private:
    using Pair = std::pair<std::uint64_t, std::uint64_t>;
    static Pair ordered(std::uint64_t a, std::uint64_t b) { return a < b ? Pair{a, b} : Pair{b, a}; }
    std::set<Pair> m_pairs;
};

} // namespace qor
