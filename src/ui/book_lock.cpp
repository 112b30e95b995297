// The lock beside the book: a second window on the same book is told so at start, and the
// temporary files a killed save left are removed only when no other window holds the book.
#include "book_dialog.h"

#include "book_location.h"
#include "user_messages.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLockFile>

namespace qor {

namespace {
// A lock file without its holder's name: its holder was killed between making the file and
// writing its name, a moment long. One this old is taken to be stale.
constexpr qint64 kUnnamedLockAgeMs = 10000;

bool isUnnamedAndOld(const QLockFile& lock, const QString& path)
{
    qint64 pid = 0;
    QString host, application;
    if (lock.getLockInfo(&pid, &host, &application))
        return false;
    const QDateTime modified = QFileInfo(path).lastModified();
    return modified.isValid() && modified.msecsTo(QDateTime::currentDateTime()) > kUnnamedLockAgeMs;
}
} // namespace

void BookDialog::lockBook()
{
    std::filesystem::path target;
    std::string error;
    if (!resolveBookLinks(bookPath(), target, error))
        return;
    // Beside the file the links end at, so two windows reaching one book by different names
    // find the same lock.
    const QString lockPath = QString::fromStdString(target.string() + ".lock");
    m_lock = std::make_unique<QLockFile>(lockPath);
    // The window holds the lock for hours: it goes stale only when its holder is gone.
    m_lock->setStaleLockTime(0);
    bool locked = m_lock->tryLock(0);
    if (!locked && m_lock->error() == QLockFile::LockFailedError && isUnnamedAndOld(*m_lock, lockPath))
        locked = m_lock->removeStaleLockFile() && m_lock->tryLock(0);
    if (locked) {
        removeLeftoverTemporaries(bookPath());
        return;
    }
    // A folder that takes no lock file (read-only, say) says nothing about other windows.
    if (m_lock->error() == QLockFile::LockFailedError)
        m_messages->bookOpenElsewhere(this);
}

} // namespace qor
