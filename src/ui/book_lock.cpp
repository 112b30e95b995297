// The lock beside the book: a second window on the same book is told so at start, and the user
// opens it anyway or quits.
#include "book_dialog.h"

#include "user_messages.h"

namespace qor {

void BookDialog::lockBook()
{
    // A folder that takes no lock file (read-only, say) says nothing about other windows.
    if (m_session->lockBook() != BookLock::State::HeldElsewhere)
        return;
    m_openedElsewhere = true;
    m_quitAtStart = !m_messages->bookOpenElsewhere(this);
}

} // namespace qor
