// The parts of BookLock: what a lock file says about its holder and when a lock is stale, which
// both platforms share, and what each platform does with the file and knows of its processes.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace qor::lock_detail {

// A holder killed between making its lock file and writing its name into it leaves the file
// empty; one that is still writing is at most this far behind.
inline constexpr std::chrono::milliseconds kUnnamedLockAge{10000};

// The most of a lock file that is read: its three lines are far shorter.
inline constexpr std::size_t kMostRead = 4096;

// This process as its lock file names it: "<pid>\n<program>\n<host>\n".
std::string holderText();

// Whether a lock file holding `text`, last written `age` ago (negative when its time is ahead of
// this machine's clock), is stale: see BookLock.
bool isStale(std::string_view text, std::chrono::milliseconds age);

// --- Each platform's part.

long long currentProcessId();
// The file name of this program (without ".exe" on Windows); "" when it cannot be told.
std::string programName();
// This machine's name; "" when it cannot be told.
std::string hostName();
// False only when the process `pid` surely does not run on this machine, or runs a program whose
// name is not `program`'s file name (the id was reused after the holder died); true when that
// cannot be told.
bool isRunning(long long pid, const std::string& program);

enum class Made {
    Made,    // made and named: `handle` holds it open
    There,   // something is there already
    Refused, // the folder takes no lock file, or its name could not be written: nothing is left
};
// Makes the lock file `path` if nothing is there, writes holderText() into it, and keeps it open
// so that no other process takes it for stale while this one lives.
Made makeLockFile(const std::filesystem::path& path, std::intptr_t& handle);

enum class Found {
    Removed, // a stale lock, now removed
    Gone,    // it vanished, or changed, while this process looked: look again
    Live,    // a lock held elsewhere, or something that cannot be told stale
    Stuck,   // a stale lock this process may not remove
};
// Looks at what is at `path`, where a lock file could not be made, and removes it when it is a
// stale lock. Of two processes that look at the same stale lock at once, at most one removes
// it, and neither removes the lock the other makes in its place.
Found removeIfStale(const std::filesystem::path& path);

// Closes the lock file `path` that makeLockFile made and `handle` holds open, and removes it,
// but never a file that has replaced it: on POSIX the name is checked; on Windows no other
// process can remove a file held open, nor take one naming this live process for stale. Never
// fails: a file left goes stale when this process ends.
void removeOwnLockFile(const std::filesystem::path& path, std::intptr_t handle) noexcept;

} // namespace qor::lock_detail
