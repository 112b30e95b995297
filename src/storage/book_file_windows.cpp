// Reading and safely replacing the book on Windows.
#ifdef _WIN32
#include "book_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <io.h>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace qor {

namespace {

// The attributes a replaced book keeps. Read-only never gets this far.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE
                                  | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Paths in messages are UTF-8, as every text the window shows, and without the "\\?\" that
// a resolved path carries: the user never typed it.
std::string pathText(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    std::string_view shown(reinterpret_cast<const char*>(text.data()), text.size());
    if (shown.starts_with("\\\\?\\UNC\\"))
        return "\\" + std::string(shown.substr(7));
    if (shown.starts_with("\\\\?\\"))
        shown.remove_prefix(4);
    return std::string(shown);
}

std::string describe(const std::string& what, const std::filesystem::path& path, DWORD error)
{
    return what + " " + pathText(path) + ": " + std::system_category().message(static_cast<int>(error));
}

// The write seam and the C runtime report errno values, not Windows error codes.
std::string describeErrno(const std::string& what, const std::filesystem::path& path, int error)
{
    return what + " " + pathText(path) + ": " + std::generic_category().message(error);
}

class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle()
    {
        if (valid())
            CloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return h_; }

private:
    HANDLE h_;
};

// A file opened for writing both as a handle (to flush it) and as a C runtime descriptor (for
// the write seam, which stands in for write(2)). Closing the descriptor closes the handle.
class TempFile {
public:
    ~TempFile() { close(); }
    bool open(HANDLE h)
    {
        fd_ = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_BINARY | _O_WRONLY);
        if (fd_ < 0)
            CloseHandle(h);
        return fd_ >= 0;
    }
    int fd() const { return fd_; }
    HANDLE handle() const { return reinterpret_cast<HANDLE>(_get_osfhandle(fd_)); }
    int close()
    {
        const int r = fd_ >= 0 ? _close(fd_) : 0;
        fd_ = -1;
        return r;
    }

private:
    int fd_ = -1;
};

// The file that `path` finally names once links and junctions are followed, or `path` itself
// when nothing is there yet.
std::filesystem::path finalPath(const std::filesystem::path& path)
{
    Handle h(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!h.valid())
        return path;
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetFinalPathNameByHandleW(h.get(), name.data(), static_cast<DWORD>(name.size()),
                                                  FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (n == 0)
            return path;
        if (n < name.size()) {
            name.resize(n);
            return name;
        }
        name.resize(n);
    }
}

// Creates a new, empty file named like "qor.qor.a8Xk2p" beside `target`, so two saves never
// share a temporary file and a leftover is recognised by its name.
HANDLE createTempBeside(const std::filesystem::path& target, std::filesystem::path& temp, DWORD& error)
{
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device seed;
    std::mt19937 random(seed());
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::wstring suffix = L".";
        for (int i = 0; i < 6; ++i)
            suffix += static_cast<wchar_t>(kLetters[pick(random)]);
        temp = target;
        temp += suffix;
        const HANDLE h = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                     nullptr);
        if (h != INVALID_HANDLE_VALUE)
            return h;
        error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            return INVALID_HANDLE_VALUE;
    }
    return INVALID_HANDLE_VALUE;
}

// Opens the file at `path` for reading, as readBookFile refuses it: an invalid handle, with
// `result`'s status and error saying why, when it cannot be read. `size` is its size.
HANDLE openForReading(const std::filesystem::path& path, BookBytes& result, LARGE_INTEGER& size)
{
    result.status = ReadStatus::Unreadable;
    const HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD e = GetLastError();
        result.status = (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND) ? ReadStatus::Missing
                                                                                 : ReadStatus::Unreadable;
        result.error = describe("cannot open", path, e);
        return INVALID_HANDLE_VALUE;
    }
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileSizeEx(h, &size)) {
        result.error = pathText(path) + " is not a regular file";
        CloseHandle(h);
        return INVALID_HANDLE_VALUE;
    }
    return h;
}

} // namespace

BookBytes readBookFile(const std::filesystem::path& path)
{
    BookBytes result;
    LARGE_INTEGER size{};
    Handle h(openForReading(path, result, size));
    if (!h.valid())
        return result;

    // One byte more than the size, so a file of the expected size ends with a read of 0 bytes
    // without growing the buffer.
    std::size_t capacity = static_cast<std::size_t>(size.QuadPart) + 1;
    auto bytes = std::make_unique_for_overwrite<char[]>(capacity);
    std::size_t done = 0;
    for (;;) {
        if (done == capacity) { // the file grew meanwhile
            const std::size_t larger = capacity + capacity / 2 + 4096;
            auto grown = std::make_unique_for_overwrite<char[]>(larger);
            std::memcpy(grown.get(), bytes.get(), done);
            bytes = std::move(grown);
            capacity = larger;
        }
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(capacity - done, 1u << 30));
        if (!ReadFile(h.get(), bytes.get() + done, want, &got, nullptr)) {
            result.error = describe("cannot read", path, GetLastError());
            return result;
        }
        if (got == 0)
            break;
        done += got;
    }
    result.status = ReadStatus::Read;
    result.data = std::move(bytes);
    result.size = done;
    return result;
}

BookBytes readBookFileInPieces(const std::filesystem::path& path, std::size_t pieceSize, const PieceFunction& piece)
{
    BookBytes result;
    LARGE_INTEGER size{};
    Handle h(openForReading(path, result, size));
    if (!h.valid())
        return result;
    const auto buffer = std::make_unique_for_overwrite<char[]>(pieceSize);
    for (;;) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(pieceSize, 1u << 30));
        if (!ReadFile(h.get(), buffer.get(), want, &got, nullptr)) {
            result.error = describe("cannot read", path, GetLastError());
            return result;
        }
        if (got == 0)
            break;
        result.size += got;
        piece(std::string_view(buffer.get(), got));
    }
    result.status = ReadStatus::Read;
    return result;
}

WriteResult replaceFileSafely(const std::filesystem::path& path, std::string_view bytes,
                              const WriteFunction& write, const SyncFunction& sync)
{
    const std::filesystem::path target = finalPath(path);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (!exists && GetLastError() != ERROR_FILE_NOT_FOUND)
        return {false, describe("cannot examine", target, GetLastError())};
    if (exists) {
        if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_REPARSE_POINT))
            return {false, pathText(target) + " is not a regular file"};
        // The read-only attribute is the user's "do not change this file", whatever the ACL allows.
        if (attributes & FILE_ATTRIBUTE_READONLY)
            return {false, pathText(target) + " is read-only"};
        // Asked now, so a book that another program holds open, or that the ACL keeps from us, is
        // refused before anything is written.
        Handle probe(CreateFileW(target.c_str(), GENERIC_WRITE | DELETE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!probe.valid())
            return {false, describe("cannot write", target, GetLastError())};
    }

    std::filesystem::path temp;
    DWORD createError = 0;
    TempFile file;
    const HANDLE created = createTempBeside(target, temp, createError);
    if (created == INVALID_HANDLE_VALUE)
        return {false, describe("cannot create a temporary file beside", target, createError)};
    if (!file.open(created)) {
        const int error = errno;
        DeleteFileW(temp.c_str());
        return {false, describeErrno("cannot open", temp, error)};
    }

    const auto fail = [&](const std::string& message) -> WriteResult {
        file.close();
        DeleteFileW(temp.c_str());
        return {false, message};
    };

    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const std::size_t chunk = std::min<std::size_t>(left, 1u << 30);
        errno = 0;
        const long n = write ? write(file.fd(), p, chunk)
                             : static_cast<long>(_write(file.fd(), p, static_cast<unsigned>(chunk)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(describeErrno("cannot write", target, n == 0 || errno == 0 ? EIO : errno));
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (sync) {
        errno = 0;
        if (sync(file.fd()) != 0)
            return fail(describeErrno("cannot sync", target, errno ? errno : EIO));
    } else if (!FlushFileBuffers(file.handle())) {
        return fail(describe("cannot sync", target, GetLastError()));
    }
    if (file.close() != 0)
        return fail(describeErrno("cannot close", target, errno));

    if (!exists) {
        if (!MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH))
            return fail(describe("cannot create", target, GetLastError()));
        return {true, {}};
    }
    // ReplaceFileW gives the new file the old one's owner, ACL, attributes and creation time; a
    // new book above takes the folder's inherited ACL, as any new file there. The attributes are
    // also set here, since not every implementation of ReplaceFileW carries them over.
    SetFileAttributesW(temp.c_str(), attributes & kKeptAttributes);
    if (!ReplaceFileW(target.c_str(), temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
        const DWORD error = GetLastError();
        if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES)
            return fail(describe("cannot replace", target, error));
        // Stopped half-way: the old book is gone and the new one is whole under the temporary
        // name. Put it in place; never delete the only copy.
        if (!MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH))
            return {false, describe("cannot replace", target, error) + "; the book is saved as " + pathText(temp)};
    }
    return {true, {}};
}

WriteResult writeNewFile(const std::filesystem::path& path, std::string_view bytes)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return {false, describe("cannot create", path, static_cast<int>(GetLastError()))};
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
        DWORD n = 0;
        const std::size_t want = std::min<std::size_t>(bytes.size() - done, 1u << 30);
        ok = WriteFile(h, bytes.data() + done, static_cast<DWORD>(want), &n, nullptr) && n > 0;
        done += n;
    }
    ok = ok && FlushFileBuffers(h);
    const DWORD error = GetLastError();
    CloseHandle(h);
    if (!ok) {
        DeleteFileW(path.c_str());
        return {false, describe("cannot write", path, static_cast<int>(error))};
    }
    return {true, {}};
}

WriteResult replaceFileSafelyInPieces(const std::filesystem::path& path, const PieceProducer& produce)
{
    // ReplaceFileW takes a whole file: the pieces are gathered into one.
    std::string bytes;
    produce([&bytes](std::string_view piece) { bytes += piece; });
    return replaceFileSafely(path, bytes);
}

} // namespace qor

#endif
