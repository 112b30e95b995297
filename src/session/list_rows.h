#pragma once

#include "book_text.h"
#include "contact_record.h"

#include <string_view>
#include <vector>

namespace qor {

// A book's bytes as the window's list would hold them: each record as the form's exchange gives
// it back, the file's last record on top.
struct ListOfBook {
    std::vector<ContactRecord> rows; // list order
    BookReading reading;
};
ListOfBook listOfBook(std::string_view bytes);

} // namespace qor
