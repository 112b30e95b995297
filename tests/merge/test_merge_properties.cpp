#include "contact_hash.h"
#include "contact_numbers.h"
#include "merge_lists.h"
#include "merge_test_lists.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>

namespace qor {
namespace {

using testing::contactOf;
using testing::wordsOf;

using Counts = std::map<std::string, long>;

Counts countsOf(const std::vector<ContactRecord>& list)
{
    Counts counts;
    for (const ContactRecord& record : list)
        ++counts[wordsOf({record})];
    return counts;
}

// Whether `changed` holds no contact twice and what it kept of `base` in base's order, as when
// nothing was moved (deleted and added again elsewhere) or duplicated.
bool keptInOrder(const std::vector<ContactRecord>& base, const std::vector<ContactRecord>& changed)
{
    const Counts inBase = countsOf(base), inChanged = countsOf(changed);
    const auto many = [](const auto& entry) { return entry.second > 1; };
    if (std::any_of(inBase.begin(), inBase.end(), many) || std::any_of(inChanged.begin(), inChanged.end(), many))
        return false;
    const auto common = [](const std::vector<ContactRecord>& list, const Counts& other) {
        std::vector<std::string> words;
        for (const ContactRecord& record : list)
            if (std::string word = wordsOf({record}); other.contains(word))
                words.push_back(std::move(word));
        return words;
    };
    return common(base, inChanged) == common(changed, inBase);
}

// The merge as multiset arithmetic: the base plus the changes of both sides, where a change
// both sides made the same way is made once, as far as they agree.
Counts modelMerge(const std::vector<ContactRecord>& base, const std::vector<ContactRecord>& ours,
                  const std::vector<ContactRecord>& theirs, MergeAccount& account)
{
    const Counts b = countsOf(base), o = countsOf(ours), t = countsOf(theirs);
    std::set<std::string> contacts;
    for (const Counts* counts : {&b, &o, &t})
        for (const auto& entry : *counts)
            contacts.insert(entry.first);
    const auto count = [](const Counts& counts, const std::string& key) {
        const auto found = counts.find(key);
        return found == counts.end() ? 0L : found->second;
    };
    Counts merged;
    for (const std::string& key : contacts) {
        const long was = count(b, key), here = count(o, key) - was, there = count(t, key) - was;
        const long shared = here > 0 && there > 0 ? std::min(here, there) : here < 0 && there < 0 ? std::max(here, there) : 0;
        if (const long n = was + here + there - shared; n > 0)
            merged[key] = n;
        (here > 0 ? account.addedHere : account.removedHere) += static_cast<std::size_t>(std::abs(here));
        (there > 0 ? account.addedThere : account.removedThere) += static_cast<std::size_t>(std::abs(there));
    }
    return merged;
}

// Rows read through one record that every call overwrites, as from the window's packed store.
struct OneRecordRows {
    explicit OneRecordRows(const std::vector<ContactRecord>& list)
        : rows{list.size(), [&list, this](std::size_t i) -> const ContactRecord& {
                   buffer = list[i];
                   return buffer;
               }}
    {
    }
    ContactRecord buffer;
    MergeRows rows;
};

class RandomLists {
public:
    std::vector<ContactRecord> base()
    {
        std::vector<ContactRecord> list;
        for (int n = below(9); n > 0; --n)
            list.push_back(contact());
        return list;
    }
    // `base` after a few Adds (on top, or anywhere as an import of another program might),
    // Deletes and Updates in place.
    std::vector<ContactRecord> changed(std::vector<ContactRecord> list)
    {
        for (int n = below(5); n > 0; --n) {
            const int op = below(4);
            if (op == 0 || list.empty())
                list.insert(list.begin(), contact());
            else if (op == 1)
                list.insert(list.begin() + below(static_cast<int>(list.size()) + 1), contact());
            else if (op == 2)
                list.erase(list.begin() + below(static_cast<int>(list.size())));
            else
                list[static_cast<std::size_t>(below(static_cast<int>(list.size())))] = contact();
        }
        return list;
    }

private:
    int below(int n) { return static_cast<int>(m_random() % static_cast<unsigned>(n)); }
    // Few distinct contacts, so that duplicates and the same change on both sides are common.
    ContactRecord contact() { return contactOf(std::string(1, "ABCD"[below(4)]) + (below(2) ? "" : ".1")); }
    std::mt19937 m_random{20240601};
};

TEST(MergeLists, agreesWithMultisetArithmeticAndKeepsEachSidesOrder)
{
    RandomLists random;
    for (int round = 0; round < 2000; ++round) {
        const std::vector<ContactRecord> base = random.base();
        const std::vector<ContactRecord> ours = random.changed(base), theirs = random.changed(base);
        const std::string lists = "base " + wordsOf(base) + ", ours " + wordsOf(ours) + ", theirs " + wordsOf(theirs);

        MergeAccount expected;
        const Counts model = modelMerge(base, ours, theirs, expected);
        const MergedList merged = mergeLists(base, ours, theirs);
        ASSERT_EQ(countsOf(merged.rows), model) << lists;
        ASSERT_EQ(merged.account.addedHere, expected.addedHere) << lists;
        ASSERT_EQ(merged.account.removedHere, expected.removedHere) << lists;
        ASSERT_EQ(merged.account.addedThere, expected.addedThere) << lists;
        ASSERT_EQ(merged.account.removedThere, expected.removedThere) << lists;

        // Each contact told of as changed in both places, or deleted on one side and changed on
        // the other, was removed on both sides, and one that both changed was added on both.
        const MergeAccount& a = merged.account;
        ASSERT_LE(a.changedInBoth + a.deletedHereChangedThere + a.deletedThereChangedHere,
                  std::min(a.removedHere, a.removedThere)) << lists;
        ASSERT_LE(a.changedInBoth, std::min(a.addedHere, a.addedThere)) << lists;

        // Our rows in our order, theirs in their order, and the plan is the list.
        const MergePlan plan = planMerge(mergeRowsOf(base), mergeRowsOf(ours), mergeRowsOf(theirs));
        std::size_t next[2] = {0, 0};
        for (std::size_t i = 0; i < plan.rows.size(); ++i) {
            const MergeSource source = plan.rows[i];
            const auto side = static_cast<std::size_t>(source.side);
            ASSERT_GE(source.row, next[side]) << lists;
            next[side] = source.row + 1;
            ASSERT_EQ(merged.rows[i], (source.side == MergeSide::Ours ? ours : theirs)[source.row]) << lists;
        }

        // The same whichever side is ours, as far as the contacts go.
        const MergedList swapped = mergeLists(base, theirs, ours);
        ASSERT_EQ(countsOf(swapped.rows), model) << lists;
        ASSERT_EQ(swapped.account, (MergeAccount{a.addedHere, a.removedHere, a.addedThere, a.removedThere,
                                                 a.changedInBoth, a.deletedThereChangedHere, a.deletedHereChangedThere}))
            << lists;

        // A side that changed nothing gets the other side's list.
        ASSERT_EQ(wordsOf(mergeLists(base, ours, base).rows), wordsOf(ours)) << lists;
        const MergedList theirsOnly = mergeLists(base, base, theirs);
        ASSERT_EQ(countsOf(theirsOnly.rows), countsOf(theirs)) << lists;
        if (keptInOrder(base, theirs)) {
            ASSERT_EQ(wordsOf(theirsOnly.rows), wordsOf(theirs)) << lists;
        }

        // Rows read one at a time through one record give the same merge.
        const OneRecordRows b(base), o(ours), t(theirs);
        const MergedList streamed = mergeLists(b.rows, o.rows, t.rows);
        ASSERT_EQ(streamed.rows, merged.rows) << lists;
        ASSERT_EQ(streamed.account, merged.account) << lists;
    }
}

TEST(MergeLists, contactsAreToldApartByTheirTextsWhateverTheHashSays)
{
    // Every contact colliding with every other, as no real hash would, numbers the rows as
    // the real hash does: a collision costs time, never a contact.
    RandomLists random;
    for (int round = 0; round < 300; ++round) {
        const std::vector<ContactRecord> base = random.base();
        const std::vector<ContactRecord> ours = random.changed(base), theirs = random.changed(base);
        const OneRecordRows b(base), o(ours), t(theirs);
        const ContactNumbers real = numberContacts(b.rows, o.rows, t.rows);
        const ContactNumbers colliding =
            numberContacts(b.rows, o.rows, t.rows, [](const ContactRecord&) { return std::uint64_t{7}; });
        ASSERT_EQ(colliding.count, real.count);
        ASSERT_EQ(colliding.of, real.of);
        std::set<std::string> distinct;
        for (const auto* list : {&base, &ours, &theirs})
            for (const ContactRecord& record : *list)
                distinct.insert(wordsOf({record}));
        ASSERT_EQ(real.count, distinct.size());
    }
}

TEST(ContactHash, coversTheTextsAndWhereOneFieldEnds)
{
    ContactRecord ab = contactOf("ab"), a = contactOf("a");
    ab[ContactField::FIRSTNAME] = "c";
    a[ContactField::FIRSTNAME] = "bc";
    EXPECT_NE(hashContact(ab), hashContact(a));
    ContactRecord read = ab;
    read.windows1252Fields.set(columnOf(ContactField::FIRSTNAME));
    EXPECT_EQ(hashContact(read), hashContact(ab));
}

} // namespace
} // namespace qor
