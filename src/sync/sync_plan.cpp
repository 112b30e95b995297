#include "sync_plan.h"

#include "contact_hash.h"
#include "merge_lists.h"

#include <algorithm>
#include <map>
#include <set>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace qor {

namespace {

using Names = std::pair<std::string, std::string>;

Names namesOf(const ContactRecord& c) { return {c[ContactField::SURNAME], c[ContactField::FIRSTNAME]}; }
bool hasNames(const Names& n) { return !n.first.empty() || !n.second.empty(); }

bool sharesAWayToReach(const ContactRecord& a, const ContactRecord& b)
{
    for (ContactField f : {ContactField::EMAIL, ContactField::MOBILE, ContactField::TEL, ContactField::WORKTEL})
        if (!a[f].empty() && a[f] == b[f])
            return true;
    return false;
}

// Rows by hash, each hash's rows in order.
using RowsByHash = std::unordered_map<std::uint64_t, std::vector<std::size_t>>;

RowsByHash rowsByHash(const std::vector<ContactRecord>& list, std::vector<std::uint64_t>& hashes)
{
    RowsByHash rows;
    hashes.resize(list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        hashes[i] = hashContact(list[i]);
        rows[hashes[i]].push_back(i);
    }
    return rows;
}

// The rows of `to` that `from` does not hold, and the rows of `from` that `to` does not hold,
// counting copies.
void difference(const std::vector<std::uint64_t>& from, const std::vector<std::uint64_t>& to,
                std::vector<std::size_t>& added, std::vector<std::size_t>& removed)
{
    std::unordered_map<std::uint64_t, std::size_t> waiting;
    for (std::uint64_t h : from)
        ++waiting[h];
    for (std::size_t i = 0; i < to.size(); ++i) {
        auto found = waiting.find(to[i]);
        if (found != waiting.end() && found->second > 0)
            --found->second;
        else
            added.push_back(i);
    }
    for (std::size_t i = from.size(); i-- > 0;) {
        auto found = waiting.find(from[i]);
        if (found->second > 0) {
            --found->second;
            removed.push_back(i);
        }
    }
}

} // namespace

SyncPlan planSync(const SyncState& state, const std::vector<ContactRecord>& ours, const std::vector<ServerCard>& theirs)
{
    SyncPlan plan;
    std::vector<std::uint64_t> ourHashes;
    const RowsByHash ourRows = rowsByHash(ours, ourHashes);
    std::map<std::string, const ServerCard*> theirsByHref;
    for (const ServerCard& card : theirs)
        theirsByHref[card.href] = &card;

    // The names of the book's contacts that no card holds: a contact changed here.
    std::unordered_set<std::uint64_t> theirHashes;
    for (const ServerCard& card : theirs)
        theirHashes.insert(card.hash);
    std::set<Names> changedHere;
    for (std::size_t row = 0; row < ours.size(); ++row)
        if (!theirHashes.contains(ourHashes[row]))
            changedHere.insert(namesOf(ours[row]));

    std::vector<ContactRecord> base;
    std::unordered_map<std::uint64_t, std::size_t> oursTaken;
    for (const auto& [href, last] : state.cards) {
        const auto there = theirsByHref.find(href);
        const ServerCard* card = there == theirsByHref.end() ? nullptr : there->second;
        const auto here = ourRows.find(last.hash);
        if (card != nullptr && card->hash == last.hash) {
            base.push_back(card->contact);
        } else if (here != ourRows.end() && oursTaken[last.hash] < here->second.size()) {
            base.push_back(ours[here->second[oursTaken[last.hash]++]]);
        } else if (card != nullptr && !ourRows.contains(card->hash) && hasNames(namesOf(card->contact))
                   && changedHere.contains(namesOf(card->contact))) {
            // Changed there, and changed here from the same last contact: both are kept.
            ++plan.figures.changedInBoth;
        }
    }

    std::vector<ContactRecord> theirList;
    theirList.reserve(theirs.size());
    for (const ServerCard& card : theirs)
        theirList.push_back(card.contact);
    plan.merged = mergeLists(base, ours, theirList).rows;

    // The book's side of it.
    std::vector<std::uint64_t> mergedHashes;
    rowsByHash(plan.merged, mergedHashes);
    std::vector<std::size_t> added, removed;
    difference(ourHashes, mergedHashes, added, removed);
    plan.bookChanges = !added.empty() || !removed.empty();
    plan.figures.received = added.size();
    std::multimap<Names, std::size_t> addedByNames;
    for (std::size_t row : added)
        addedByNames.emplace(namesOf(plan.merged[row]), row);
    for (std::size_t row : removed) {
        const auto replaced = addedByNames.find(namesOf(ours[row]));
        if (replaced != addedByNames.end() && hasNames(replaced->first))
            addedByNames.erase(replaced);
        else
            ++plan.figures.deletedHere;
    }

    // The server's side: each card the merged list still holds is claimed by one of its rows.
    std::unordered_map<std::uint64_t, std::vector<const ServerCard*>> cardsByHash;
    for (const ServerCard& card : theirs)
        cardsByHash[card.hash].push_back(&card);
    std::vector<std::size_t> toSend;
    for (std::size_t row = 0; row < plan.merged.size(); ++row) {
        auto& cards = cardsByHash[mergedHashes[row]];
        if (!cards.empty())
            cards.erase(cards.begin());
        else
            toSend.push_back(row);
    }
    std::multimap<Names, const ServerCard*> unclaimed;
    for (const ServerCard& card : theirs) {
        const auto& left = cardsByHash[card.hash];
        if (std::find(left.begin(), left.end(), &card) != left.end())
            unclaimed.emplace(namesOf(card.contact), &card);
    }
    // Names first; then a contact renamed here is still the card's when it shares a way to
    // reach the person.
    std::vector<std::size_t> unpaired;
    for (std::size_t row : toSend) {
        const Names names = namesOf(plan.merged[row]);
        const auto replaced = hasNames(names) ? unclaimed.find(names) : unclaimed.end();
        if (replaced != unclaimed.end()) {
            plan.changes.push_back({CardChange::Kind::Update, replaced->second->href, replaced->second->etag, row});
            unclaimed.erase(replaced);
        } else {
            unpaired.push_back(row);
        }
    }
    for (std::size_t row : unpaired) {
        const auto replaced = std::find_if(unclaimed.begin(), unclaimed.end(), [&](const auto& entry) {
            return sharesAWayToReach(plan.merged[row], entry.second->contact);
        });
        if (replaced != unclaimed.end()) {
            plan.changes.push_back({CardChange::Kind::Update, replaced->second->href, replaced->second->etag, row});
            unclaimed.erase(replaced);
        } else {
            plan.changes.push_back({CardChange::Kind::Create, {}, {}, row});
        }
    }
    for (const auto& [names, card] : unclaimed)
        plan.changes.push_back({CardChange::Kind::Delete, card->href, card->etag, 0});
    return plan;
}

} // namespace qor
