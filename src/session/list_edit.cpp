#include "list_edit.h"

#include "contact_hash.h"
#include "contact_store.h"
#include "merge_lists.h"

#include <algorithm>
#include <deque>
#include <unordered_map>

namespace qor {

namespace {

// Of the store rows paired with the target's rows (-1: none), in target order, the longest run
// whose store rows rise: the rows that can stay where they are. Patience sorting, n log n.
std::vector<bool> longestRisingRun(const std::vector<int>& storeRows)
{
    std::vector<int> tails;            // per length, the index ending the best run so far
    std::vector<int> before(storeRows.size(), -1);
    for (int i = 0; i < static_cast<int>(storeRows.size()); ++i) {
        if (storeRows[i] < 0)
            continue;
        const auto at = std::lower_bound(tails.begin(), tails.end(), storeRows[i],
                                         [&storeRows](int index, int row) { return storeRows[index] < row; });
        if (at != tails.begin())
            before[i] = *(at - 1);
        if (at == tails.end())
            tails.push_back(i);
        else
            *at = i;
    }
    std::vector<bool> kept(storeRows.size(), false);
    for (int i = tails.empty() ? -1 : tails.back(); i >= 0; i = before[i])
        kept[i] = true;
    return kept;
}

} // namespace

ListEdit editTowards(const ContactStore& store, const std::vector<ContactRecord>& target)
{
    // Each of our rows waits, by its contact's hash, to be paired with the first identical
    // contact of the target.
    std::unordered_map<std::uint64_t, std::deque<int>> waiting;
    ContactRecord record;
    for (int row = 0; row < store.rowCount(); ++row) {
        store.copyRecord(row, record);
        waiting[hashContact(record)].push_back(row);
    }
    std::vector<int> paired(target.size(), -1);
    for (std::size_t i = 0; i < target.size(); ++i) {
        const auto found = waiting.find(hashContact(target[i]));
        if (found == waiting.end())
            continue;
        std::deque<int>& rows = found->second;
        // A hash shared by different contacts pairs only the identical ones.
        for (auto it = rows.begin(); it != rows.end(); ++it) {
            store.copyRecord(*it, record);
            if (record == target[i]) {
                paired[i] = *it;
                rows.erase(it);
                break;
            }
        }
    }
    const std::vector<bool> stays = longestRisingRun(paired);

    ListEdit edit;
    std::vector<bool> storeRowStays(static_cast<std::size_t>(store.rowCount()), false);
    for (std::size_t i = 0; i < target.size(); ++i) {
        if (stays[i])
            storeRowStays[static_cast<std::size_t>(paired[i])] = true;
        else
            edit.added.push_back({static_cast<int>(i), target[i]});
    }
    for (int row = 0; row < store.rowCount(); ++row)
        if (!storeRowStays[static_cast<std::size_t>(row)])
            edit.removed.push_back({row, store.record(row)});
    return edit;
}

ListEdit editForMerge(const ContactStore& store, const MergePlan& plan, const std::vector<ContactRecord>& theirs)
{
    ListEdit edit;
    std::vector<bool> ourRowStays(static_cast<std::size_t>(store.rowCount()), false);
    for (std::size_t i = 0; i < plan.rows.size(); ++i) {
        const MergeSource& source = plan.rows[i];
        if (source.side == MergeSide::Ours)
            ourRowStays[source.row] = true;
        else
            edit.added.push_back({static_cast<int>(i), theirs[source.row]});
    }
    for (int row = 0; row < store.rowCount(); ++row)
        if (!ourRowStays[static_cast<std::size_t>(row)])
            edit.removed.push_back({row, store.record(row)});
    return edit;
}

void applyEdit(ContactStore& store, const ListEdit& edit, bool forward)
{
    const std::vector<ListEdit::Row>& going = forward ? edit.removed : edit.added;
    const std::vector<ListEdit::Row>& coming = forward ? edit.added : edit.removed;
    std::vector<int> removed;
    removed.reserve(going.size());
    for (const ListEdit::Row& row : going)
        removed.push_back(row.row);
    std::vector<ContactStore::AddedRow> added;
    added.reserve(coming.size());
    for (const ListEdit::Row& row : coming)
        added.push_back({row.row, &row.record});
    store.editRows(removed, added);
}

} // namespace qor
