// Reading and safely replacing the book on POSIX systems.
#ifndef _WIN32
#include "book_file.h"

#include "huge_pages.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qor {

namespace {

std::string describe(const std::string& what, const std::filesystem::path& path, int error)
{
    return what + " " + path.string() + ": " + std::system_category().message(error);
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    // Closes now and reports the result: a failing close can mean lost data.
    int close()
    {
        const int r = ::close(fd_);
        fd_ = -1;
        return r;
    }

private:
    int fd_;
};

// The file a chain of symbolic links at `path` ends at; a relative link is resolved against
// the folder that holds it. The final file need not exist.
bool resolveLinks(const std::filesystem::path& path, std::filesystem::path& target, std::string& error)
{
    target = path;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return true;
        std::string link(PATH_MAX, '\0');
        const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n < 0) {
            error = describe("cannot read the link", target, errno);
            return false;
        }
        link.resize(static_cast<std::size_t>(n));
        const std::filesystem::path next(link);
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    error = path.string() + ": too many levels of symbolic links";
    return false;
}

} // namespace

BookBytes readBookFile(const std::filesystem::path& path)
{
    BookBytes result;
    result.status = ReadStatus::Unreadable;
    // O_NONBLOCK: opening a named pipe must not wait for a writer.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) {
        const int e = errno;
        result.status = e == ENOENT ? ReadStatus::Missing : ReadStatus::Unreadable;
        result.error = describe("cannot open", path, e);
        return result;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        result.error = describe("cannot examine", path, errno);
        return result;
    }
    if (!S_ISREG(st.st_mode)) {
        result.error = path.string() + " is not a regular file";
        return result;
    }

    // One byte more than the size, so a file of the expected size ends with a read of 0 bytes
    // without growing the buffer.
    std::size_t capacity = static_cast<std::size_t>(st.st_size) + 1;
    auto bytes = std::make_unique_for_overwrite<char[]>(capacity);
    adviseHugePages(bytes.get(), capacity);
    std::size_t done = 0;
    for (;;) {
        if (done == capacity) { // the file grew meanwhile
            const std::size_t larger = capacity + capacity / 2 + 4096;
            auto grown = std::make_unique_for_overwrite<char[]>(larger);
            std::memcpy(grown.get(), bytes.get(), done);
            bytes = std::move(grown);
            capacity = larger;
        }
        const ssize_t n = ::read(fd.get(), bytes.get() + done, capacity - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            result.error = describe("cannot read", path, errno);
            return result;
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    result.status = ReadStatus::Read;
    result.data = std::move(bytes);
    result.size = done;
    return result;
}

WriteResult replaceFileSafely(const std::filesystem::path& path, std::string_view bytes,
                              const WriteFunction& write)
{
    std::filesystem::path target;
    std::string error;
    if (!resolveLinks(path, target, error))
        return {false, error};

    mode_t mode = 0600;
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            return {false, target.string() + " is not a regular file"};
        // Checked apart from access(2), which lets root write anything.
        if ((st.st_mode & S_IWUSR) == 0)
            return {false, target.string() + " is read-only"};
        if (::access(target.c_str(), W_OK) != 0)
            return {false, describe("cannot write", target, errno)};
        mode = st.st_mode & 07777;
    } else if (errno != ENOENT) {
        return {false, describe("cannot examine", target, errno)};
    }

    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    std::string tempName = (folder / target.filename()).string() + ".XXXXXX";
    FileDescriptor fd(::mkstemp(tempName.data()));
    if (fd.get() < 0)
        return {false, describe("cannot create a temporary file in", folder, errno)};
    ::fcntl(fd.get(), F_SETFD, FD_CLOEXEC);

    const auto fail = [&](const std::string& what, int e) -> WriteResult {
        if (fd.get() >= 0)
            fd.close();
        ::unlink(tempName.c_str());
        return {false, describe(what, target, e)};
    };

    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        errno = 0;
        const long n = write ? write(fd.get(), p, left) : static_cast<long>(::write(fd.get(), p, left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail("cannot write", n == 0 || errno == 0 ? EIO : errno);
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (::fsync(fd.get()) != 0)
        return fail("cannot sync", errno);
    if (::fchmod(fd.get(), mode) != 0)
        return fail("cannot set the mode of", errno);
    if (fd.close() != 0)
        return fail("cannot close", errno);
    if (::rename(tempName.c_str(), target.c_str()) != 0)
        return fail("cannot rename over", errno);

    // The rename is done: the new book is in place. Syncing the folder makes it last through a
    // power cut; a folder that cannot be synced does not undo the save.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return {true, {}};
}

} // namespace qor

#endif
