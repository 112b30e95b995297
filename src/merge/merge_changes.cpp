// What each side of a merge changed, and where the two sides met.
#include "merge_changes.h"

#include <algorithm>
#include <string>
#include <unordered_map>

namespace qor {

namespace {

// A removed or added row and its place: 0 on top, else 1 + the row of the side that it stands
// below, the nearest that the side kept from the base.
struct Placed {
    std::size_t place;
    std::size_t row;
};

// A contact's surname and first name as one key, "" when both are empty (a name that says
// nothing pairs nothing). The length keeps "Ann" "Lee" apart from "An" "nLee".
std::string nameKey(const ContactRecord& record)
{
    const std::string& surname = record[ContactField::SURNAME];
    const std::string& firstName = record[ContactField::FIRSTNAME];
    if (surname.empty() && firstName.empty())
        return {};
    return std::to_string(surname.size()) + ':' + surname + firstName;
}

// Pairs removed and added rows of the same name, in list order, and takes them out of the two
// lists.
void pairByName(const MergeRows& baseRows, const MergeRows& sideRows, std::vector<Placed>& removed,
                std::vector<Placed>& added, std::vector<std::size_t>& replaced)
{
    struct Queue {
        std::vector<std::size_t> removed; // indexes into `removed`, in list order
        std::size_t next = 0;
    };
    std::unordered_map<std::string, Queue> byName;
    for (std::size_t i = 0; i < removed.size(); ++i)
        if (std::string key = nameKey(baseRows.row(removed[i].row)); !key.empty())
            byName[std::move(key)].removed.push_back(i);
    if (byName.empty())
        return;
    std::vector<bool> removedPaired(removed.size(), false);
    std::size_t keptAdded = 0;
    for (const Placed& add : added) {
        const auto found = byName.find(nameKey(sideRows.row(add.row)));
        if (found != byName.end() && found->second.next < found->second.removed.size()) {
            const std::size_t i = found->second.removed[found->second.next++];
            replaced[removed[i].row] = add.row;
            removedPaired[i] = true;
        } else {
            added[keptAdded++] = add;
        }
    }
    added.resize(keptAdded);
    std::size_t keptRemoved = 0;
    for (std::size_t i = 0; i < removed.size(); ++i)
        if (!removedPaired[i])
            removed[keptRemoved++] = removed[i];
    removed.resize(keptRemoved);
}

// Pairs removed and added rows in the same place, first with first, and so on.
void pairByPlace(std::vector<Placed>& removed, std::vector<Placed>& added, std::vector<std::size_t>& replaced)
{
    const auto byPlace = [](const Placed& a, const Placed& b) { return a.place < b.place; };
    std::stable_sort(removed.begin(), removed.end(), byPlace);
    std::stable_sort(added.begin(), added.end(), byPlace);
    for (std::size_t r = 0, a = 0; r < removed.size() && a < added.size();) {
        if (removed[r].place < added[a].place) {
            ++r;
        } else if (added[a].place < removed[r].place) {
            ++a;
        } else {
            replaced[removed[r++].row] = added[a++].row;
        }
    }
}

void countChange(std::size_t was, std::size_t now, std::size_t& added, std::size_t& removed)
{
    if (now > was)
        added += now - was;
    else
        removed += was - now;
}

} // namespace

std::vector<std::size_t> replacementsBy(const MergeRows& baseRows, const NumberedList& base,
                                        const MergeRows& sideRows, const NumberedList& side)
{
    std::vector<std::size_t> replaced(base.size(), kKeptRow);
    std::vector<Placed> removed;
    std::size_t place = 0;
    for (std::size_t row = 0; row < base.size(); ++row) {
        const std::uint32_t contact = base.contactAt(row);
        const std::uint32_t kept = std::min(base.copies(contact), side.copies(contact));
        const std::uint32_t gone = base.copies(contact) - kept;
        const std::uint32_t rank = base.rankOf(row);
        if (rank < gone) {
            replaced[row] = kRemovedRow;
            removed.push_back({place, row});
        } else {
            place = side.rowOf(contact, side.copies(contact) - kept + (rank - gone)) + 1;
        }
    }
    std::vector<Placed> added;
    place = 0;
    for (std::size_t row = 0; row < side.size(); ++row) {
        const std::uint32_t contact = side.contactAt(row);
        const std::uint32_t kept = std::min(base.copies(contact), side.copies(contact));
        if (side.rankOf(row) < side.copies(contact) - kept)
            added.push_back({place, row});
        else
            place = row + 1;
    }
    if (removed.empty() || added.empty())
        return replaced;
    pairByName(baseRows, sideRows, removed, added, replaced);
    pairByPlace(removed, added, replaced);
    return replaced;
}

MergeAccount accountOf(const NumberedList& base, const NumberedList& ours, const NumberedList& theirs,
                       const std::vector<std::size_t>& replacedHere, const std::vector<std::size_t>& replacedThere)
{
    MergeAccount account;
    for (std::uint32_t contact = 0; contact < base.contactCount(); ++contact) {
        const std::size_t was = base.copies(contact);
        countChange(was, ours.copies(contact), account.addedHere, account.removedHere);
        countChange(was, theirs.copies(contact), account.addedThere, account.removedThere);
    }
    for (std::size_t row = 0; row < base.size(); ++row) {
        const std::size_t here = replacedHere[row];
        const std::size_t there = replacedThere[row];
        if (here == kKeptRow || there == kKeptRow)
            continue;
        const bool changedHere = here != kRemovedRow;
        const bool changedThere = there != kRemovedRow;
        if (changedHere && changedThere) {
            // Both put the same contact in its place: one change, made once.
            if (ours.contactAt(here) != theirs.contactAt(there))
                ++account.changedInBoth;
        } else if (changedThere) {
            ++account.deletedHereChangedThere;
        } else if (changedHere) {
            ++account.deletedThereChangedHere;
        }
    }
    return account;
}

} // namespace qor
