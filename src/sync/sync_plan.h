#pragma once

#include "contact_record.h"
#include "sync_figures.h"
#include "sync_state.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qor {

// A card of the address book as this sync sees it, with the contact it holds.
struct ServerCard {
    std::string href;
    std::string etag;
    ContactRecord contact;
    std::uint64_t hash = 0; // hashContact(contact)
};

// One change the sync makes on the server. Update and Create send row `row` of the merged list.
struct CardChange {
    enum class Kind { Create, Update, Delete };
    Kind kind = Kind::Create;
    std::string href; // Update, Delete
    std::string etag; // the ETag the change was decided on: If-Match
    std::size_t row = 0;
};

// What a sync does, decided before anything is written: the book's new list, and the server's
// changes that make the address book hold the same contacts.
struct SyncPlan {
    std::vector<ContactRecord> merged; // the book's list after the sync, list order
    bool bookChanges = false;          // merged differs from ours
    std::vector<CardChange> changes;
    SyncFigures figures; // received, deletedHere, changedInBoth (sent and deletedThere as done)
};

// The three-way merge of a sync. The base, the contacts as last synced, is made from the state's
// hashes: a card's last contact is in the base when one side still holds it (the card unchanged
// on the server, or a contact of that hash in the book). A contact changed on one side only is
// thus a change from the base, so the merge takes it; one changed on both sides is in neither,
// and the merge keeps both versions; a deletion against an unchanged contact deletes it, against
// a changed one keeps the changed one. This base needs no copy of the last synced contacts and
// stays right after a sync cut short anywhere: what was sent but not recorded is on both sides,
// and the merge takes a change made the same way on both sides once.
//
// Then the server is brought to the merged list: a contact of the list no card holds is sent, as
// the update of a card the list no longer holds with the same surname and first name, or else
// with the same e-mail address or telephone number (a contact renamed), so that the card keeps
// what QOR has no field for; otherwise as a new card. A card the list no longer holds is deleted.
//
// `ours`: the book's list; `theirs`: every readable card now on the server, in href order.
SyncPlan planSync(const SyncState& state, const std::vector<ContactRecord>& ours, const std::vector<ServerCard>& theirs);

} // namespace qor
