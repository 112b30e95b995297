// Writing the book over itself, for the files a rename would harm: a second hard link, an
// owner that cannot be given back, a folder that takes no new file.
#ifndef _WIN32
#include "posix_file.h"

#include <cerrno>
#include <memory>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace qor::posix {

int readFromStart(int fd, std::size_t size, std::string& out)
{
    out.resize(size);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, out.data() + done, size - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    out.resize(done);
    return 0;
}

namespace {

// Makes sure `size` bytes will fit before the first byte of the book changes: the file-size
// limit allows them and, where the file system can, the blocks are reserved now.
int reserve(int fd, std::size_t size, std::size_t oldSize)
{
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && size > limit.rlim_cur)
        return EFBIG;
    if (size <= oldSize)
        return 0;
#ifdef __linux__
    // KEEP_SIZE: nothing a reader sees changes, even when the reservation fails half-way.
    if (::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) != 0 && errno != EOPNOTSUPP
        && errno != ENOSYS)
        return errno;
#else
    (void)fd;
#endif
    return 0;
}

// Puts the old bytes back after a failed write. The blocks they need are the file's own.
bool restore(int fd, const std::string& old)
{
    const char* p = old.data();
    std::size_t left = old.size();
    off_t at = 0;
    while (left > 0) {
        const ssize_t n = ::pwrite(fd, p, left, at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        at += n;
        left -= static_cast<std::size_t>(n);
    }
    return ::ftruncate(fd, static_cast<off_t>(old.size())) == 0 && ::fsync(fd) == 0;
}

} // namespace

WriteResult writeInPlace(const std::filesystem::path& target, const struct stat& st, std::string_view bytes,
                         const SaveCalls& calls)
{
    FileDescriptor fd(::open(target.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
    if (fd.get() < 0)
        return {false, describe("cannot open", target, errno)};
    struct stat now {};
    if (::fstat(fd.get(), &now) != 0)
        return {false, describe("cannot examine", target, errno)};
    if (now.st_ino != st.st_ino || now.st_dev != st.st_dev)
        return {false, target.string() + " was replaced while it was being saved"};

    std::string old;
    if (const int e = readFromStart(fd.get(), static_cast<std::size_t>(now.st_size), old))
        return {false, describe("cannot read", target, e)};
    if (const int e = reserve(fd.get(), bytes.size(), old.size()))
        return {false, describe("no room to write", target, e)};

    const auto putBack = [&](const std::string& what, int e) -> WriteResult {
        const std::string why = describe(what, target, e);
        if (restore(fd.get(), old))
            return {false, why};
        return {false, why + "; the old contents could not be put back whole either"};
    };
    if (::lseek(fd.get(), 0, SEEK_SET) != 0)
        return {false, describe("cannot seek in", target, errno)};
    if (const int e = writeAll(fd.get(), bytes, calls))
        return putBack("cannot write", e);
    if (calls.syncFile(fd.get()) != 0)
        return putBack("cannot sync", errno);
    if (::ftruncate(fd.get(), static_cast<off_t>(bytes.size())) != 0)
        return putBack("cannot truncate", errno);
    if (::fsync(fd.get()) != 0)
        return {false, describe("cannot sync", target, errno)};
    if (fd.close() != 0)
        return {false, describe("cannot close", target, errno)};
    return {true, {}};
}

} // namespace qor::posix

#endif
