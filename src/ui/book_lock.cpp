// The lock beside the book: a second window on the same book is told so at start, and the
// temporary files a killed save left are removed only when no other window holds the book.
#include "book_dialog.h"

#include "book_location.h"
#include "book_lock.h"
#include "user_messages.h"

namespace qor {

void BookDialog::lockBook()
{
    m_lock = std::make_unique<BookLock>(BookLock::tryAcquire(m_bookPath));
    switch (m_lock->state()) {
    case BookLock::State::Held:
        removeLeftoverTemporaries(m_bookPath);
        break;
    case BookLock::State::HeldElsewhere:
        m_messages->bookOpenElsewhere(this);
        break;
    case BookLock::State::Unavailable:
        // A folder that takes no lock file (read-only, say) says nothing about other windows.
        break;
    }
}

} // namespace qor
