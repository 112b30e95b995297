// The lock beside the book on POSIX systems: a file made with O_EXCL, with a BSD flock on it for
// as long as it is held, as Qt's QLockFile does.
#ifndef _WIN32
#include "book_lock.h"
#include "book_lock_platform.h"
#include "posix_file.h"

#include <cerrno>
#include <climits>
#include <ctime>
#include <limits>
#include <string>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qor::lock_detail {

namespace {

// The file name of the program the link /proc/<pid>/exe names; "" when it cannot be read (the
// process is another user's, or there is no /proc).
[[maybe_unused]] std::string programBehind(const std::string& exeLink)
{
    char target[PATH_MAX];
    const ssize_t n = ::readlink(exeLink.c_str(), target, sizeof target);
    if (n <= 0 || static_cast<std::size_t>(n) == sizeof target)
        return {};
    std::string name = std::filesystem::path(std::string(target, static_cast<std::size_t>(n))).filename().string();
    // The program file was replaced (by an update, say) since it started.
    constexpr std::string_view kDeleted = " (deleted)";
    if (name.ends_with(kDeleted))
        name.resize(name.size() - kDeleted.size());
    return name;
}

// How long ago the file was last written; negative when its time is ahead of the clock.
std::chrono::milliseconds ageOf(const struct stat& st)
{
    timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    using namespace std::chrono;
    return duration_cast<milliseconds>(seconds(now.tv_sec - st.st_mtim.tv_sec)
                                       + nanoseconds(now.tv_nsec - st.st_mtim.tv_nsec));
}

} // namespace

long long currentProcessId() { return ::getpid(); }

std::string programName()
{
#ifdef __linux__
    return programBehind("/proc/self/exe");
#else
    return {};
#endif
}

std::string hostName()
{
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return {};
    return name;
}

bool isRunning(long long pid, const std::string& program)
{
    if (pid > std::numeric_limits<pid_t>::max())
        return false; // no process here has such an id
    // EPERM: it runs, as another user.
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
        return false;
#ifdef __linux__
    // After a crash or a restart the id may have come back for another program, which would
    // keep the lock from ever going stale.
    const std::string running = programBehind("/proc/" + std::to_string(pid) + "/exe");
    const std::string named = std::filesystem::path(program).filename().string();
    if (!running.empty() && !named.empty() && running != named)
        return false;
#else
    (void)program;
#endif
    return true;
}

Made makeLockFile(const std::filesystem::path& path, std::intptr_t& handle)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) // EACCES, EROFS, ENOENT (no folder), ENOSPC...: the folder takes no lock file
        return errno == EEXIST ? Made::There : Made::Refused;
    // The flock tells others the file is held before they read it. Taking it fails only while
    // another process looks at the new file, which then finds it unnamed and new, or naming this
    // live process: held either way.
    ::flock(fd, LOCK_EX | LOCK_NB);
    // Not synced: after a power cut an empty lock is stale once 10 s old, where one naming a
    // process id could name a process that came back with that id.
    const WriteFunction noWrite;
    const SyncFunction noSync;
    if (posix::writeAll(fd, holderText(), {noWrite, noSync}) != 0) {
        ::unlink(path.c_str());
        ::close(fd);
        return Made::Refused;
    }
    handle = fd;
    return Made::Made;
}

Found removeIfStale(const std::filesystem::path& path)
{
    const posix::FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0)
        return errno == ENOENT ? Found::Gone : Found::Live;
    // A holder keeps a flock on its file, so one that cannot be had is held whatever it says.
    // Holding it here also keeps a second process that finds the same stale lock from removing
    // it until this look is over. A file system without flock leaves only what the file says.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK)
        return Found::Live;
    struct stat st {};
    std::string text;
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || posix::readFromStart(fd.get(), kMostRead, text) != 0
        || !isStale(text, ageOf(st)))
        return Found::Live;
    // Removed by its name only while that name is still the file just judged: another process
    // may have removed it and made its own lock there meanwhile.
    struct stat now {};
    if (::lstat(path.c_str(), &now) != 0 || now.st_dev != st.st_dev || now.st_ino != st.st_ino)
        return Found::Gone;
    if (::unlink(path.c_str()) != 0)
        return errno == ENOENT ? Found::Gone : Found::Stuck;
    return Found::Removed;
}

void removeOwnLockFile(const std::filesystem::path& path, std::intptr_t handle) noexcept
{
    const int fd = static_cast<int>(handle);
    struct stat mine {}, there {};
    // Someone may have removed the file, and another process made its own lock there since.
    if (::fstat(fd, &mine) == 0 && ::lstat(path.c_str(), &there) == 0 && mine.st_dev == there.st_dev
        && mine.st_ino == there.st_ino)
        ::unlink(path.c_str());
    // The flock goes with the descriptor, after the file is gone from its folder.
    ::close(fd);
}

} // namespace qor::lock_detail

#endif
