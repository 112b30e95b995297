#pragma once

#include "contact_record.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace qor {

// The three-way merge of contact lists: what a save does when the book on disk changed since
// this window read or last wrote it, and what the command line, a sync and the duplicate finder
// reuse. Three lists go in, all in list order (row 0 on top, as the book file holds them top to
// bottom): `base`, what this side last read or wrote; `ours`, this side's list now; `theirs`,
// the other side's list now (the file).
//
// There is no identity: a contact is its 34 texts (windows1252Fields do not count), and an
// Update is the removal of one contact and the addition of another. So the merge is counted,
// contact by contact, over lists that may hold the same contact more than once:
//
// - A contact added on either side is in the result, one removed on either side is not, one
//   left alone on both sides stays. Where only one side changed how often a contact stands,
//   the result takes that side's count.
// - Where both sides changed it the same way, the change is made once: a contact added on both
//   sides once stands once, a duplicate removed on both sides is removed once (the result holds
//   max(ours, theirs) copies after additions, min(ours, theirs) after removals). Where one side
//   added copies and the other removed some, both changes hold: ours + theirs - base.
// - So a contact changed on both sides is kept in both versions, and one removed on one side
//   and changed on the other is kept as changed: nothing typed on either side is lost.
// - A row is copied whole from the side it comes from, windows1252Fields included; where both
//   sides hold a contact, our row is the one kept.
//
// The result's order: our list's order for every row we keep. Each contact only the other side
// added goes right below the rows we keep that stand above it in their list (the lowest of them
// in our list, so that their additions keep their order too), above our own additions there;
// one with no such row above it goes on top, as an import would put it. A contact both sides
// updated in place thus shows its two versions side by side, theirs first. Of identical
// copies, the topmost of our list are kept and the topmost of theirs are the ones they added
// (new rows go in on top). The three lists must run the same way, top to bottom: what the
// result holds never depends on the order, but where their additions go does, and so does
// which contact took another's place.

// One list read row by row: row(i) for i = 0 .. count-1. A reference returned by `row` need
// only stay valid until that list's next call, so a packed store can copy each row into one
// record; the merge never needs two rows of one list at once.
struct MergeRows {
    std::size_t count = 0;
    std::function<const ContactRecord&(std::size_t)> row;
};
// The rows of `records`, which must outlive the MergeRows.
MergeRows mergeRowsOf(const std::vector<ContactRecord>& records);

// What each side changed since the base, and where they met, for the front end to tell. An
// Update counts as one removed and one added.
struct MergeAccount {
    std::size_t addedThere = 0, removedThere = 0; // what the other side (the file) changed
    std::size_t addedHere = 0, removedHere = 0;   // what this side (the list) changed
    // Contacts of the base that each side replaced by a different contact: both versions are
    // kept. A side replaced a contact when it removed it and added one with the same surname
    // and first name (not both empty), or else one in its place: right below the same contact
    // that the side kept from the base (or both on top). The same change made on both sides is
    // no conflict.
    std::size_t changedInBoth = 0;
    // Contacts one side deleted and the other replaced (same rule): the changed one is kept.
    std::size_t deletedHereChangedThere = 0;
    std::size_t deletedThereChangedHere = 0;

    bool operator==(const MergeAccount&) const = default;
};

enum class MergeSide : std::uint8_t { Ours, Theirs };

// Where a row of the result comes from: row `row` of our list or of theirs.
struct MergeSource {
    MergeSide side = MergeSide::Ours;
    std::size_t row = 0;
    bool operator==(const MergeSource&) const = default;
};

// The merge as a plan: the result's rows as rows of the two lists, so that a front end can
// apply it to the store it has without copying every contact.
struct MergePlan {
    std::vector<MergeSource> rows; // list order
    MergeAccount account;
};

// The merged list itself: copies of the rows the plan names.
struct MergedList {
    std::vector<ContactRecord> rows; // list order
    MergeAccount account;
};

// Merges as described above. Never fails and never drops a contact the rules keep: contacts
// are told apart by a 64-bit hash of their texts, and two contacts with the same hash are
// compared text by text, so a collision costs time, never a contact. Deterministic: the same
// lists give the same result. Merging two lists of 100,000 contacts takes a fraction of a second.
MergePlan planMerge(const MergeRows& base, const MergeRows& ours, const MergeRows& theirs);
MergedList mergeLists(const MergeRows& base, const MergeRows& ours, const MergeRows& theirs);
MergedList mergeLists(const std::vector<ContactRecord>& base, const std::vector<ContactRecord>& ours,
                      const std::vector<ContactRecord>& theirs);

} // namespace qor
