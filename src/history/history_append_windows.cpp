// Appending to the history on Windows.
#ifdef _WIN32
#include "history_append.h"

#include <string>
#include <system_error>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace qor {

namespace {

std::string describe(const std::string& what, const std::filesystem::path& path, DWORD error)
{
    const std::u8string text = path.u8string();
    return what + " " + std::string(reinterpret_cast<const char*>(text.data()), text.size()) + ": "
         + std::system_category().message(static_cast<int>(error));
}

bool cutTo(HANDLE file, std::uint64_t at)
{
    LARGE_INTEGER offset;
    offset.QuadPart = static_cast<LONGLONG>(at);
    return SetFilePointerEx(file, offset, nullptr, FILE_BEGIN) && SetEndOfFile(file);
}

} // namespace

WriteResult writeHistoryTail(const std::filesystem::path& path, std::uint64_t at, std::string_view bytes)
{
    WriteResult result;
    // A new file takes its folder's ACL, as a new book does.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        result.error = describe("Cannot open", path, GetLastError());
        return result;
    }
    DWORD error = 0;
    if (!cutTo(file, at))
        error = GetLastError();
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (error == 0 && left > 0) {
        const DWORD chunk = static_cast<DWORD>(left > (1u << 30) ? (1u << 30) : left);
        DWORD written = 0;
        if (!WriteFile(file, data, chunk, &written, nullptr) || written == 0) {
            error = GetLastError();
            break;
        }
        data += written;
        left -= written;
    }
    if (error == 0 && !FlushFileBuffers(file))
        error = GetLastError();
    if (error != 0) {
        if (cutTo(file, at))
            FlushFileBuffers(file);
        CloseHandle(file);
        result.error = describe("Cannot write", path, error);
        return result;
    }
    CloseHandle(file);
    result.ok = true;
    return result;
}

} // namespace qor
#endif
