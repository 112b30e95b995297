// The lock beside the book: where it is, what its file says, when it is stale, waiting for it.
#include "book_lock.h"

#include "book_location.h"
#include "book_lock_platform.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string>
#include <thread>

namespace qor {

namespace lock_detail {

namespace {

struct Holder {
    long long pid = 0;
    std::string program;
    std::string host;
};

// The next line of `text`, without its end ("\n" or "\r\n"); "" when there is none.
std::string_view takeLine(std::string_view& text)
{
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.ends_with('\r'))
        line.remove_suffix(1);
    return line;
}

// The holder a lock file names, or nothing when its first line is not a process id: the file
// is empty, cut short, or not a lock file at all.
std::optional<Holder> holderIn(std::string_view text)
{
    const std::string_view pidLine = takeLine(text);
    Holder holder;
    const auto [end, error] = std::from_chars(pidLine.data(), pidLine.data() + pidLine.size(), holder.pid);
    if (pidLine.empty() || error != std::errc() || end != pidLine.data() + pidLine.size() || holder.pid <= 0)
        return std::nullopt;
    holder.program = takeLine(text);
    holder.host = takeLine(text);
    return holder;
}

} // namespace

std::string holderText()
{
    return std::to_string(currentProcessId()) + "\n" + programName() + "\n" + hostName() + "\n";
}

bool isStale(std::string_view text, std::chrono::milliseconds age)
{
    const std::optional<Holder> holder = holderIn(text);
    if (!holder)
        return age > kUnnamedLockAge;
    // A process on another machine sharing the folder cannot be seen from here. A lock that
    // names no host is taken to be this one's, as Qt does.
    if (!holder->host.empty() && holder->host != hostName())
        return false;
    return !isRunning(holder->pid, holder->program);
}

} // namespace lock_detail

namespace {

constexpr std::chrono::milliseconds kPollInterval{50};

// How many times one try makes the lock file again after a stale one was removed or one
// vanished under it, before it gives up as if the lock were held: other processes are taking
// and letting go of it as fast as this one looks.
constexpr int kAttempts = 8;

} // namespace

BookLock BookLock::tryAcquire(const std::filesystem::path& book, Kind kind)
{
    using namespace lock_detail;
    std::filesystem::path path;
    std::string error;
    if (!resolveBookLinks(book, path, error))
        return {};
    path += kind == Kind::Window ? ".lock" : ".save-lock";
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::intptr_t handle = -1;
        switch (makeLockFile(path, handle)) {
        case Made::Made:
            return {path, State::Held, handle};
        case Made::Refused:
            return {path, State::Unavailable, -1};
        case Made::There:
            break;
        }
        switch (removeIfStale(path)) {
        case Found::Live:
            return {path, State::HeldElsewhere, -1};
        case Found::Stuck:
            return {path, State::Unavailable, -1};
        case Found::Removed:
        case Found::Gone:
            break;
        }
    }
    return {path, State::HeldElsewhere, -1};
}

BookLock BookLock::acquire(const std::filesystem::path& book, std::chrono::milliseconds wait, Kind kind)
{
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        BookLock lock = tryAcquire(book, kind);
        const auto now = std::chrono::steady_clock::now();
        if (lock.state() != State::HeldElsewhere || now >= deadline)
            return lock;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(kPollInterval, deadline - now));
    }
}

BookLock::BookLock(BookLock&& other) noexcept
    : path_(std::move(other.path_)), state_(other.state_), handle_(other.handle_)
{
    other.path_.clear();
    other.state_ = State::Unavailable;
    other.handle_ = -1;
}

BookLock& BookLock::operator=(BookLock&& other) noexcept
{
    if (this != &other) {
        release();
        path_ = std::move(other.path_);
        state_ = other.state_;
        handle_ = other.handle_;
        other.path_.clear();
        other.state_ = State::Unavailable;
        other.handle_ = -1;
    }
    return *this;
}

BookLock::~BookLock() { release(); }

void BookLock::release() noexcept
{
    if (state_ != State::Held)
        return;
    lock_detail::removeOwnLockFile(path_, handle_);
    handle_ = -1;
    state_ = State::Unavailable;
}

} // namespace qor
