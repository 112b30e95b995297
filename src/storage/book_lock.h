#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <utility>

namespace qor {

// The lock beside the book, held while a window is open on it or while a command-line verb
// writes it, so that a second window is warned and a writer never saves over a window's book.
//
// It is the file "<book>.lock" beside the file the book's symbolic links end at, so that two
// processes reaching one book by different names find the same lock. It is made only if it is
// not there, and holds its holder's process id, program name and host name on three lines
// ("4711\nqor\nmyhost\n"): the lines Qt's QLockFile begins its lock files with, so a lock left
// by a window of an earlier QOR is understood. A lock is stale, and is taken over, when its
// holder is a process on this host that no longer runs (or whose id now belongs to another
// program), or when it names no holder (its holder was killed before writing its name) and is
// more than 10 seconds old. It never goes stale by age alone: a window holds it for hours.
class BookLock {
public:
    // Which lock: the window's, held while a window is open on the book ("<book>.lock"), or the
    // writer's, held only while one writer reads the book again, merges and replaces it
    // ("<book>.save-lock"), so that writers take turns and none saves over what another just
    // wrote. Both follow the rules above.
    enum class Kind {
        Window,
        Writer,
    };

    enum class State {
        Held,          // this object holds it
        HeldElsewhere, // another live holder has it: another process, or another BookLock here
        Unavailable,   // no lock could be made (a read-only folder, even one with a stale lock in
                       // it; a book whose links cannot be resolved; a full disk): this says
                       // nothing about other holders
    };

    // Tries once, without waiting. Takes over a stale lock; when two processes take over the
    // same stale lock at once only one of them holds it. Never throws for a file system error:
    // each gives Unavailable, or HeldElsewhere when a lock is there that cannot be read or
    // cannot be told stale.
    static BookLock tryAcquire(const std::filesystem::path& book, Kind kind = Kind::Window);

    // As tryAcquire, trying again every 50 ms until `wait` has passed: for a command-line writer
    // that waits briefly for a window's save. Returns at once with Held or Unavailable; gives
    // HeldElsewhere only when the lock was still held elsewhere at the end of the wait.
    static BookLock acquire(const std::filesystem::path& book, std::chrono::milliseconds wait,
                            Kind kind = Kind::Window);

    // Holds nothing: Unavailable, with an empty path.
    BookLock() = default;
    BookLock(BookLock&& other) noexcept;
    BookLock& operator=(BookLock&& other) noexcept;
    BookLock(const BookLock&) = delete;
    BookLock& operator=(const BookLock&) = delete;
    ~BookLock();

    State state() const { return state_; }
    bool held() const { return state_ == State::Held; }

    // The lock file; empty when the book's links could not be resolved.
    const std::filesystem::path& path() const { return path_; }

    // Removes the lock file if this object holds it, and only the file it made: a file that
    // replaced it is left alone. Afterwards the state is Unavailable. Does nothing when not
    // held; never fails (a lock file that cannot be removed goes stale when this process ends).
    void release() noexcept;

private:
    BookLock(std::filesystem::path path, State state, std::intptr_t handle)
        : path_(std::move(path)), state_(state), handle_(handle) {}

    std::filesystem::path path_;
    State state_ = State::Unavailable;
    std::intptr_t handle_ = -1; // the open lock file while held: a descriptor, or a Windows HANDLE
};

} // namespace qor
