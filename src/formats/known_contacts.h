#pragma once

#include "contact_record.h"

#include <array>
#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

namespace qor {

// The 34 texts of one contact of the book, as views.
using ContactTexts = std::array<std::string_view, kFieldCount>;

// Removes from `imported` every contact whose 34 texts equal those of a contact of the book
// (`bookRows` of them; `bookRow(i, texts)` fills the texts of the i-th), keeping the others in
// their order, and returns how many it removed: importing a file twice does not double the
// book. Two contacts of the file that are equal are both kept when the book has neither.
//
// The imported contacts are hashed once and each contact of the book once (no copy of it is
// made), so a book and a file of 100,000 contacts each take one pass over both, not 10^10
// comparisons. A contact of the book has all its texts hashed only when its surname and the
// size of its texts are those of an imported one: a card into a big book hashed every byte of
// the book.
std::size_t removeContactsInBook(std::vector<ContactRecord>& imported, std::size_t bookRows,
                                 const std::function<void(std::size_t, ContactTexts&)>& bookRow);

} // namespace qor
