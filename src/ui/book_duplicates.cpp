// A group of duplicates made one contact, from the Duplicates dialog.
#include "book_dialog.h"

namespace qor {

void BookDialog::mergeDuplicates(const DuplicateGroup& group, const ContactRecord& merged, std::string name)
{
    readForm();
    m_session->mergeDuplicates({DuplicateMerge{group, merged}}, std::move(name));
    showListChange();
}

} // namespace qor
