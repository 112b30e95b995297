// The lock beside the book: a second window on the same book is told so at start, and the
// temporary files a killed save left are removed only when no other window holds the book.
#include "book_dialog.h"

#include "book_location.h"
#include "user_messages.h"

#include <QLockFile>

namespace qor {

void BookDialog::lockBook()
{
    std::filesystem::path target;
    std::string error;
    if (!resolveBookLinks(m_bookPath, target, error))
        return;
    // Beside the file the links end at, so two windows reaching one book by different names
    // find the same lock.
    m_lock = std::make_unique<QLockFile>(QString::fromStdString(target.string() + ".lock"));
    // The window holds the lock for hours: it goes stale only when its holder is gone.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0)) {
        removeLeftoverTemporaries(m_bookPath);
        return;
    }
    // A folder that takes no lock file (read-only, say) says nothing about other windows.
    if (m_lock->error() == QLockFile::LockFailedError)
        m_messages->bookOpenElsewhere(this);
}

} // namespace qor
