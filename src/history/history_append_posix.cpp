// Appending to the history on POSIX systems.
#ifndef _WIN32
#include "history_append.h"

#include "posix_file.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace qor {

WriteResult writeHistoryTail(const std::filesystem::path& path, std::uint64_t at, std::string_view bytes)
{
    WriteResult result;
    bool created = false;
    int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0 && errno == ENOENT) {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        created = fd >= 0;
    }
    if (fd < 0) {
        result.error = posix::describe("Cannot open", path, errno);
        return result;
    }
    posix::FileDescriptor file(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        result.error = posix::describe("Cannot write", path, errno ? errno : EINVAL);
        return result;
    }
    const WriteFunction noWrite;
    const SyncFunction noSync;
    const posix::SaveCalls calls{noWrite, noSync};
    const auto offset = static_cast<off_t>(at);
    int error = 0;
    if (static_cast<std::uint64_t>(st.st_size) != at && ::ftruncate(fd, offset) != 0)
        error = errno;
    if (error == 0 && ::lseek(fd, offset, SEEK_SET) < 0)
        error = errno;
    if (error == 0)
        error = posix::writeAll(fd, bytes, calls);
    if (error == 0 && calls.syncFile(fd) != 0)
        error = errno;
    if (error != 0) {
        // What did reach the file is no entry: a reader would take it for a torn write, but
        // the next append should not have to.
        if (::ftruncate(fd, offset) == 0)
            ::fsync(fd);
        result.error = posix::describe("Cannot write", path, error);
        return result;
    }
    if (file.close() != 0) {
        result.error = posix::describe("Cannot write", path, errno);
        return result;
    }
    if (created)
        posix::syncFolder(path.has_parent_path() ? path.parent_path() : ".");
    result.ok = true;
    return result;
}

} // namespace qor
#endif
