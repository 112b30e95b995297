// Reading and safely replacing the book on POSIX systems.
#ifndef _WIN32
#include "book_file.h"

#include "book_location.h"
#include "huge_pages.h"
#include "posix_file.h"

#include <cerrno>
#include <cstring>
#include <random>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qor {

using posix::describe;
using posix::FileDescriptor;

namespace posix {

std::string describe(const std::string& what, const std::filesystem::path& path, int error)
{
    return what + " " + path.string() + ": " + std::system_category().message(error);
}

FileDescriptor::~FileDescriptor()
{
    if (fd_ >= 0)
        ::close(fd_);
}

int FileDescriptor::close()
{
    const int r = ::close(fd_);
    fd_ = -1;
    return r;
}

long SaveCalls::writeSome(int fd, const char* data, std::size_t size) const
{
    return write ? write(fd, data, size) : static_cast<long>(::write(fd, data, size));
}

int SaveCalls::syncFile(int fd) const { return sync ? sync(fd) : ::fsync(fd); }

int writeAll(int fd, std::string_view bytes, const SaveCalls& calls)
{
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        errno = 0;
        const long n = calls.writeSome(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n == 0 || errno == 0 ? EIO : errno;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return 0;
}

void syncFolder(const std::filesystem::path& folder)
{
    // The file is in place; a folder that cannot be synced does not undo that.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

} // namespace posix

namespace {

constexpr int kTemporaryNameAttempts = 100;

bool isDanglingLink(const std::filesystem::path& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

std::string danglingLink(const std::filesystem::path& path)
{
    std::error_code ec;
    const std::filesystem::path to = std::filesystem::read_symlink(path, ec);
    return path.string() + " is a link to " + (ec ? std::string("a file") : to.string())
         + ", which does not exist; a save does not create it";
}

// Creates a fresh temporary file beside `target`, named as temporaryNameFor says, mode 0600.
int createTemporary(const std::filesystem::path& target, std::string& name)
{
    static std::mt19937 random{std::random_device{}()};
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    int fd = -1;
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        name = (folder / temporaryNameFor(target.filename().string(), static_cast<std::uint32_t>(random()))).string();
        fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST)
            break;
    }
    return fd;
}

// Opens the file at `path` for reading, as readBookFile refuses it: the descriptor, or -1 with
// `result`'s status and error saying why. `st` is the open file's status.
int openForReading(const std::filesystem::path& path, BookBytes& result, struct stat& st)
{
    result.status = ReadStatus::Unreadable;
    // O_NONBLOCK: opening a named pipe must not wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int e = errno;
        result.status = e == ENOENT && !isDanglingLink(path) ? ReadStatus::Missing : ReadStatus::Unreadable;
        result.error = result.status == ReadStatus::Missing ? describe("cannot open", path, e) : danglingLink(path);
        return -1;
    }
    if (::fstat(fd, &st) != 0) {
        result.error = describe("cannot examine", path, errno);
        ::close(fd);
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        result.error = path.string() + " is not a regular file";
        ::close(fd);
        return -1;
    }
    return fd;
}

// read(2), tried again when a signal interrupts it.
ssize_t readSome(int fd, char* into, std::size_t size)
{
    for (;;) {
        const ssize_t n = ::read(fd, into, size);
        if (n >= 0 || errno != EINTR)
            return n;
    }
}

} // namespace

BookBytes readBookFile(const std::filesystem::path& path)
{
    BookBytes result;
    struct stat st {};
    FileDescriptor fd(openForReading(path, result, st));
    if (fd.get() < 0)
        return result;

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
        const ssize_t n = readSome(fd.get(), bytes.get() + done, capacity - done);
        if (n < 0) {
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

BookBytes readBookFileInPieces(const std::filesystem::path& path, std::size_t pieceSize, const PieceFunction& piece)
{
    BookBytes result;
    struct stat st {};
    FileDescriptor fd(openForReading(path, result, st));
    if (fd.get() < 0)
        return result;
    const auto buffer = std::make_unique_for_overwrite<char[]>(pieceSize);
    for (;;) {
        const ssize_t n = readSome(fd.get(), buffer.get(), pieceSize);
        if (n < 0) {
            result.error = describe("cannot read", path, errno);
            return result;
        }
        if (n == 0)
            break;
        result.size += static_cast<std::size_t>(n);
        piece(std::string_view(buffer.get(), static_cast<std::size_t>(n)));
    }
    result.status = ReadStatus::Read;
    return result;
}

namespace {

std::string gathered(const PieceProducer& produce)
{
    std::string bytes;
    produce([&bytes](std::string_view piece) { bytes += piece; });
    return bytes;
}

WriteResult replaceWithPieces(const std::filesystem::path& path, const PieceProducer& produce,
                              const posix::SaveCalls& calls)
{
    std::filesystem::path target;
    std::string error;
    if (!resolveBookLinks(path, target, error))
        return {false, error};

    mode_t mode = 0600;
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists) {
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
    } else if (target != path) {
        return {false, danglingLink(path)};
    }

    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    // A second hard link would be split off by a rename and keep the old contacts; a folder
    // that takes no new file would make every save fail.
    if (exists && (st.st_nlink > 1 || ::access(folder.c_str(), W_OK | X_OK) != 0))
        return posix::writeInPlace(target, st, gathered(produce), calls);

    std::string tempName;
    FileDescriptor fd(createTemporary(target, tempName));
    if (fd.get() < 0)
        return {false, describe("cannot create a temporary file in", folder, errno)};

    const auto fail = [&](const std::string& what, int e) -> WriteResult {
        if (fd.get() >= 0)
            fd.close();
        ::unlink(tempName.c_str());
        return {false, describe(what, target, e)};
    };

    if (exists && posix::copyIdentity(fd.get(), target, st) != 0) {
        // The new file could not be made the old one's equal (another owner, an attribute
        // only the system may set): the old file itself takes the new bytes.
        fd.close();
        ::unlink(tempName.c_str());
        return posix::writeInPlace(target, st, gathered(produce), calls);
    }
    int writeError = 0;
    try {
        produce([&](std::string_view piece) {
            if (writeError == 0)
                writeError = posix::writeAll(fd.get(), piece, calls);
        });
    } catch (...) {
        fd.close();
        ::unlink(tempName.c_str());
        throw;
    }
    if (writeError != 0)
        return fail("cannot write", writeError);
    // After the owner: a change of owner clears the set-user and set-group bits.
    if (::fchmod(fd.get(), mode) != 0)
        return fail("cannot set the mode of", errno);
    if (calls.syncFile(fd.get()) != 0)
        return fail("cannot sync", errno);
    if (fd.close() != 0)
        return fail("cannot close", errno);
    if (::rename(tempName.c_str(), target.c_str()) != 0)
        return fail("cannot rename over", errno);
    posix::syncFolder(folder);
    return {true, {}};
}

} // namespace

WriteResult replaceFileSafely(const std::filesystem::path& path, std::string_view bytes,
                              const WriteFunction& write, const SyncFunction& sync)
{
    return replaceWithPieces(path, [bytes](const PieceFunction& put) { put(bytes); }, posix::SaveCalls{write, sync});
}

WriteResult replaceFileSafelyInPieces(const std::filesystem::path& path, const PieceProducer& produce)
{
    const WriteFunction noWrite;
    const SyncFunction noSync;
    return replaceWithPieces(path, produce, posix::SaveCalls{noWrite, noSync});
}

WriteResult writeNewFile(const std::filesystem::path& path, std::string_view bytes)
{
    FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (fd.get() < 0)
        return {false, describe("cannot create", path, errno)};
    const WriteFunction noWrite;
    const SyncFunction noSync;
    const posix::SaveCalls calls{noWrite, noSync};
    int e = posix::writeAll(fd.get(), bytes, calls);
    if (e == 0 && ::fchmod(fd.get(), 0600) != 0)
        e = errno;
    if (e == 0 && ::fsync(fd.get()) != 0)
        e = errno;
    if (e == 0 && fd.close() != 0)
        e = errno;
    if (e != 0) {
        ::unlink(path.c_str());
        return {false, describe("cannot write", path, e)};
    }
    posix::syncFolder(path.has_parent_path() ? path.parent_path() : ".");
    return {true, {}};
}

} // namespace qor

#endif
