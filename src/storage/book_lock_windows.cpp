// The lock beside the book on Windows: a file made only if it is not there and kept open, shared
// for reading only, for as long as it is held, so that no other process can remove it meanwhile.
#ifdef _WIN32
#include "book_lock.h"
#include "book_lock_platform.h"

#include <string>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace qor::lock_detail {

namespace {

class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle()
    {
        if (h_ != INVALID_HANDLE_VALUE)
            CloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }

private:
    HANDLE h_;
};

// How long ago the file was last written; negative when its time is ahead of the clock.
std::chrono::milliseconds ageOf(HANDLE file)
{
    FILETIME written {}, now {};
    if (!GetFileTime(file, nullptr, nullptr, &written))
        return {};
    GetSystemTimeAsFileTime(&now);
    const auto ticks = [](const FILETIME& t) {
        return static_cast<long long>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
    };
    return std::chrono::milliseconds((ticks(now) - ticks(written)) / 10000); // in 100 ns ticks
}

std::string utf8(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return {reinterpret_cast<const char*>(text.data()), text.size()};
}

// The name of the program `process` runs, without its folder and extension; "" when it cannot
// be read.
std::string programOf(HANDLE process)
{
    std::wstring name(32768, L'\0');
    DWORD size = static_cast<DWORD>(name.size());
    if (!QueryFullProcessImageNameW(process, 0, name.data(), &size))
        return {};
    name.resize(size);
    return utf8(std::filesystem::path(name).stem());
}

// Whether anything is at `path`. Access denied is what a folder that takes no file gives, but also
// what a file being removed gives, which cannot even be looked at until the last process that
// has it open closes it.
bool somethingAt(const std::filesystem::path& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES || GetLastError() == ERROR_ACCESS_DENIED;
}

} // namespace

long long currentProcessId() { return GetCurrentProcessId(); }

std::string programName() { return programOf(GetCurrentProcess()); }

std::string hostName()
{
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(name, &size))
        return {};
    return utf8(std::filesystem::path(std::wstring(name, size)));
}

bool isRunning(long long pid, const std::string& program)
{
    if (pid > static_cast<long long>(MAXDWORD))
        return false; // no process has such an id
    const HANDLE process =
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    // Denied: it runs, as a user whose processes are not ours to see.
    if (!process)
        return GetLastError() != ERROR_INVALID_PARAMETER;
    bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    // After a crash or a restart the id may have come back for another program, which would
    // keep the lock from ever going stale.
    if (running && !program.empty()) {
        const std::string name = programOf(process);
        const std::u8string named(reinterpret_cast<const char8_t*>(program.data()), program.size());
        running = name.empty() || name == utf8(std::filesystem::path(named).stem());
    }
    CloseHandle(process);
    return running;
}

Made makeLockFile(const std::filesystem::path& path, std::intptr_t& handle)
{
    // Shared for reading only: no other process can remove it while it is held, and any program
    // may read it (with DELETE access here, only those that share it for deleting could).
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        const bool there = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS
                           || error == ERROR_SHARING_VIOLATION || (error == ERROR_ACCESS_DENIED && somethingAt(path));
        return there ? Made::There : Made::Refused;
    }
    const std::string text = holderText();
    DWORD written = 0;
    if (!WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)
        || written != text.size()) { // a full disk
        removeOwnLockFile(path, reinterpret_cast<std::intptr_t>(file));
        return Made::Refused;
    }
    handle = reinterpret_cast<std::intptr_t>(file);
    return Made::Made;
}

Found removeIfStale(const std::filesystem::path& path)
{
    std::string text(kMostRead, '\0');
    std::chrono::milliseconds age {};
    {
        // Shared for deleting too, so that this look never keeps its holder from removing it.
        const Handle file(CreateFileW(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.get() == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            // Access denied: most often a file being removed, which cannot be opened meanwhile.
            if (error == ERROR_ACCESS_DENIED)
                Sleep(10);
            return error == ERROR_FILE_NOT_FOUND || error == ERROR_ACCESS_DENIED ? Found::Gone : Found::Live;
        }
        DWORD read = 0;
        if (!ReadFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &read, nullptr))
            return Found::Live;
        text.resize(read);
        age = ageOf(file.get());
    }
    if (!isStale(text, age))
        return Found::Live;
    // A holder keeps its file open without sharing it for deleting: this fails while a process
    // that took the lock over meanwhile holds it, and the next look reads that holder.
    if (DeleteFileW(path.c_str()))
        return Found::Removed;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_SHARING_VIOLATION ? Found::Gone : Found::Stuck;
}

void removeOwnLockFile(const std::filesystem::path& path, std::intptr_t handle) noexcept
{
    CloseHandle(reinterpret_cast<HANDLE>(handle));
    // Removed by its name once closed: until it is gone it still names this live process, so no
    // other process takes it for stale and puts its own in its place meanwhile. Refused while
    // another program that does not share it for deleting reads it: tried again for half a
    // second, as Qt did.
    for (int attempt = 0; attempt < 500; ++attempt) {
        if (DeleteFileW(path.c_str()) || GetLastError() != ERROR_SHARING_VIOLATION)
            return;
        Sleep(1);
    }
}

} // namespace qor::lock_detail

#endif
