#pragma once

#include "contact_record.h"

#include <string>
#include <string_view>
#include <vector>

namespace qor {

// Whether a combo box keeps its entries in alphabetical order, compared without regard to case.
bool isSortedCombo(int controlId);

// The entries of combo box `controlId` in the order its dropped list shows them
// (sorted boxes sorted without regard to case). Empty for a control that is not a combo box.
const std::vector<std::string>& comboEntriesInListOrder(int controlId);

// The first entry, in list order, that begins with `text` without regard to case; -1 when
// `text` is empty or no entry begins with it. This is what the form shows for a field.
int findComboEntry(const std::vector<std::string>& entriesInListOrder, std::string_view text);

// findComboEntry for combo box `controlId`, answered from an index of every beginning of every
// entry: loading a big book asks it for fourteen fields of every contact.
int findComboEntryFast(int controlId, std::string_view text);

} // namespace qor
