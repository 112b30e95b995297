// Reading and safely replacing the book on Windows.
#ifdef _WIN32
#include "book_file.h"

#include "huge_pages.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <system_error>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace qor {

namespace {

std::string describe(const std::string& what, const std::filesystem::path& path, int error)
{
    return what + " " + path.string() + ": " + std::system_category().message(error);
}

} // namespace

BookBytes readBookFile(const std::filesystem::path& path)
{
    BookBytes result;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD e = GetLastError();
        result.status = (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND) ? ReadStatus::Missing
                                                                                 : ReadStatus::Unreadable;
        result.error = describe("cannot open", path, static_cast<int>(e));
        return result;
    }
    LARGE_INTEGER size{};
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileSizeEx(h, &size)) {
        CloseHandle(h);
        result.status = ReadStatus::Unreadable;
        result.error = path.string() + " is not a regular file";
        return result;
    }
    const auto total = static_cast<std::size_t>(size.QuadPart);
    auto bytes = std::make_unique_for_overwrite<char[]>(total);
    std::size_t done = 0;
    while (done < total) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(total - done, 1u << 30));
        if (!ReadFile(h, bytes.get() + done, want, &got, nullptr) || got == 0) {
            const DWORD e = GetLastError();
            CloseHandle(h);
            result.status = ReadStatus::Unreadable;
            result.error = describe("cannot read", path, static_cast<int>(e));
            return result;
        }
        done += got;
    }
    CloseHandle(h);
    result.status = ReadStatus::Read;
    result.data = std::move(bytes);
    result.size = total;
    return result;
}

WriteResult replaceFileSafely(const std::filesystem::path& path, std::string_view bytes,
                              const WriteFunction& write, const SyncFunction& /*sync*/)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES
        && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)))
        return {false, path.string() + " is read-only or not a regular file"};
    std::filesystem::path temp = path;
    temp += L".new";
    HANDLE h = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return {false, describe("cannot create", temp, static_cast<int>(GetLastError()))};
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
        const std::size_t want = std::min<std::size_t>(bytes.size() - done, 1u << 30);
        if (write) {
            const long n = write(-1, bytes.data() + done, want);
            ok = n > 0;
            done += ok ? static_cast<std::size_t>(n) : 0;
        } else {
            DWORD n = 0;
            ok = WriteFile(h, bytes.data() + done, static_cast<DWORD>(want), &n, nullptr) && n > 0;
            done += n;
        }
    }
    ok = ok && FlushFileBuffers(h);
    const DWORD error = GetLastError();
    CloseHandle(h);
    if (ok && attributes != INVALID_FILE_ATTRIBUTES)
        ok = ReplaceFileW(path.c_str(), temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
    else if (ok)
        ok = MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) {
        DeleteFileW(temp.c_str());
        return {false, describe("cannot save", path, static_cast<int>(error ? error : GetLastError()))};
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

} // namespace qor

#endif
