// Telling the contacts of three lists apart by hash, and finding each one's copies.
#include "contact_numbers.h"

#include <algorithm>
#include <bit>
#include <limits>

namespace qor {

namespace {

constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();

// Numbers contacts as the lists' rows come, one list after the other.
//
// Two things keep this fast for lists of 100,000 contacts, which do not fit in the processor's
// caches. The lists share most of their rows in the same order, so the number of a row of ours
// or theirs is first guessed as the contact that follows, in the base, the one the row above
// held; a guess is checked by its hash and then its texts, with the two records read one after
// the other through memory. Only a row whose guess fails looks in the table. The table is open
// addressing in a flat array of 8-byte slots (part of the hash, and a number): a few megabytes
// that stay in the cache, where a node-based map would allocate a node a contact and miss the
// cache on every lookup.
class Numberer {
public:
    Numberer(const std::array<const MergeRows*, 3>& lists, ContactHasher hash)
        : m_lists(lists), m_hash(hash)
    {
        const std::size_t rows = lists[0]->count + lists[1]->count + lists[2]->count;
        // At most two thirds full, so that probes stay short.
        m_slots.assign(std::bit_ceil(std::max<std::size_t>(16, rows + rows / 2)), Slot{});
        m_mask = m_slots.size() - 1;
    }

    std::uint32_t count() const { return static_cast<std::uint32_t>(m_firstSeen.size()); }

    // The number of the contact in row `row` of list `list`; `guess` is kNone or a number the
    // row probably has.
    std::uint32_t numberOf(std::size_t list, std::size_t row, std::uint32_t guess)
    {
        const ContactRecord& record = m_lists[list]->row(row);
        const std::uint64_t hash = m_hash(record);
        const ContactRecord* texts = &record;
        if (guess != kNone && m_hashOf[guess] == hash && holds(guess, list, record, texts))
            return guess;
        const auto tag = static_cast<std::uint32_t>(hash >> 32);
        for (std::size_t at = static_cast<std::size_t>(hash) & m_mask;; at = (at + 1) & m_mask) {
            Slot& slot = m_slots[at];
            if (slot.number == kNone) {
                slot = {tag, count()};
                m_firstSeen.push_back({list, row});
                m_hashOf.push_back(hash);
                return slot.number;
            }
            if (slot.tag == tag && m_hashOf[slot.number] == hash && holds(slot.number, list, record, texts))
                return slot.number;
        }
    }

    // The number of the base's row below the first row that held `number`, if any.
    std::uint32_t followingInBase(std::uint32_t number, const std::vector<std::uint32_t>& baseNumbers) const
    {
        const Seen seen = m_firstSeen[number];
        return seen.list == kBaseList && seen.row + 1 < baseNumbers.size() ? baseNumbers[seen.row + 1] : kNone;
    }

private:
    // Whether contact `number` has the texts of `record`, just read from list `list`. Reading
    // another row of the same list may overwrite `record`, so then `texts` moves to a copy.
    bool holds(std::uint32_t number, std::size_t list, const ContactRecord& record, const ContactRecord*& texts)
    {
        const Seen seen = m_firstSeen[number];
        if (seen.list == list && texts == &record) {
            m_scratch = record;
            texts = &m_scratch;
        }
        return m_lists[seen.list]->row(seen.row).texts == texts->texts;
    }

    struct Slot {
        std::uint32_t tag = 0; // the hash's upper half
        std::uint32_t number = kNone;
    };
    struct Seen {
        std::size_t list;
        std::size_t row;
    };
    std::array<const MergeRows*, 3> m_lists;
    ContactHasher m_hash;
    std::vector<Slot> m_slots;
    std::size_t m_mask = 0;
    std::vector<Seen> m_firstSeen;    // by number: the row that holds that contact's texts
    std::vector<std::uint64_t> m_hashOf; // by number
    ContactRecord m_scratch;
};

} // namespace

ContactNumbers numberContacts(const MergeRows& base, const MergeRows& ours, const MergeRows& theirs,
                              ContactHasher hash)
{
    const std::array<const MergeRows*, 3> lists = {&base, &ours, &theirs};
    Numberer numberer(lists, hash);
    ContactNumbers numbers;
    for (std::size_t list = 0; list < lists.size(); ++list) {
        std::vector<std::uint32_t>& of = numbers.of[list];
        of.resize(lists[list]->count);
        std::uint32_t guess = kNone;
        for (std::size_t row = 0; row < of.size(); ++row) {
            of[row] = numberer.numberOf(list, row, guess);
            if (list != kBaseList)
                guess = numberer.followingInBase(of[row], numbers.of[kBaseList]);
        }
    }
    numbers.count = numberer.count();
    return numbers;
}

NumberedList::NumberedList(std::vector<std::uint32_t> contactOfRow, std::uint32_t contactCount)
    : m_contactOf(std::move(contactOfRow)), m_start(std::size_t{contactCount} + 1, 0),
      m_rows(m_contactOf.size()), m_rank(m_contactOf.size())
{
    // A counting sort: the copies of each contact, then where each contact's rows begin.
    for (const std::uint32_t contact : m_contactOf)
        ++m_start[contact + 1];
    for (std::size_t contact = 0; contact < contactCount; ++contact)
        m_start[contact + 1] += m_start[contact];
    std::vector<std::uint32_t> next(m_start.begin(), m_start.end() - 1);
    for (std::size_t row = 0; row < m_contactOf.size(); ++row) {
        const std::uint32_t contact = m_contactOf[row];
        m_rank[row] = next[contact] - m_start[contact];
        m_rows[next[contact]++] = static_cast<std::uint32_t>(row);
    }
}

} // namespace qor
