#pragma once

#include "contact_record.h"

#include <vector>

namespace qor {

class ContactStore;
struct MergePlan;

// A change that makes the list another list, holding only the rows it changes: the rows that
// went (at their rows in the list before) and the rows that came (at their rows in the list
// after), both top to bottom. Every other row stays, in its order.
struct ListEdit {
    struct Row {
        int row = 0;
        ContactRecord record;
    };
    std::vector<Row> removed;
    std::vector<Row> added;

    bool empty() const { return removed.empty() && added.empty(); }
};

// The edit that makes the list in `store` the list `target` (list order) and keeps as many of
// its rows as it can: identical contacts are paired in order, and of the pairs, the longest run
// that keeps both lists' order stays.
ListEdit editTowards(const ContactStore& store, const std::vector<ContactRecord>& target);

// The edit a merge plan makes of our list (the store): our rows the plan leaves out go, and
// the rows it takes from `theirs` come in where it puts them.
ListEdit editForMerge(const ContactStore& store, const MergePlan& plan, const std::vector<ContactRecord>& theirs);

// Makes the edit (forward) or takes it back (backward).
void applyEdit(ContactStore& store, const ListEdit& edit, bool forward);

} // namespace qor
