// The lock beside the book between processes on POSIX systems: held by another process, left by a
// killed one, taken over by many at once; folders that take no lock; two names of one book.
#ifndef _WIN32
#include "book_lock.h"
#include "temp_folder.h"
#include "without_write_access_posix.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace qor;
using namespace std::chrono_literals;
using qor::testing::fileContents;
using qor::testing::writeFile;
using State = BookLock::State;
namespace fs = std::filesystem;

namespace {

// A child process that tries for the lock on `book` once it reads a byte from `start` (when
// given), then holds what it got until it is told to let go, or to die holding it.
class OtherProcess {
public:
    explicit OtherProcess(const fs::path& book, int start = -1)
    {
        int ready[2], order[2];
        if (::pipe(ready) != 0 || ::pipe(order) != 0 || (pid_ = ::fork()) < 0)
            throw std::runtime_error("cannot start a process");
        if (pid_ == 0) {
            char byte = 0;
            if (start >= 0 && ::read(start, &byte, 1) != 1)
                ::_exit(1);
            BookLock lock = BookLock::tryAcquire(book);
            byte = static_cast<char>(lock.state());
            if (::write(ready[1], &byte, 1) == 1 && ::read(order[0], &byte, 1) == 1 && byte == 'k')
                ::_exit(0); // killed holding it: the lock file stays
            lock.release();
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(order[0]);
        ready_ = ready[0];
        order_ = order[1];
    }
    OtherProcess(const OtherProcess&) = delete;
    ~OtherProcess()
    {
        letGo();
        ::close(ready_);
    }
    State state()
    {
        char byte = static_cast<char>(State::Unavailable);
        if (!state_ && ::read(ready_, &byte, 1) == 1)
            state_ = static_cast<State>(byte);
        return state_.value_or(State::Unavailable);
    }
    void letGo() { end('r'); }
    void dieHolding() { end('k'); }

private:
    void end(char how)
    {
        if (order_ < 0)
            return;
        (void)!::write(order_, &how, 1); // the end of the pipe lets it go too
        ::close(order_);
        order_ = -1;
        ::waitpid(pid_, nullptr, 0);
    }

    pid_t pid_ = -1;
    int ready_ = -1, order_ = -1;
    std::optional<State> state_;
};

class BookLockPosix : public ::testing::Test {
protected:
    fs::path book() const { return folder_.path() / "qor.qor"; }
    fs::path lockFile() const { return folder_.path() / "qor.qor.lock"; }
    void writeStaleLock() const
    {
        writeFile(lockFile(), "");
        fs::last_write_time(lockFile(), fs::file_time_type::clock::now() - 60s);
    }

    qor::testing::TempFolder folder_{"qor-book-lock-"};
};

// tryAcquire's answer from a process that may not write into the book's folder: this one, or
// when this one is root (who writes anywhere) a child that has become the user nobody.
State stateWithoutWriteAccess(const fs::path& book)
{
    if (::geteuid() != 0)
        return BookLock::tryAcquire(book).state();
    const int answer = qor::testing::inChildWithoutRootsRights(
        [&book] { return static_cast<int>(BookLock::tryAcquire(book).state()); });
    EXPECT_LT(answer, 100) << "could not become nobody";
    return static_cast<State>(answer);
}

} // namespace

TEST_F(BookLockPosix, AnotherProcess_holdsItUntilItLetsGoOrDies)
{
    {
        OtherProcess other(book());
        ASSERT_EQ(other.state(), State::Held);
        EXPECT_EQ(BookLock::tryAcquire(book()).state(), State::HeldElsewhere);
        other.letGo();
        EXPECT_TRUE(BookLock::tryAcquire(book()).held());
    }
    OtherProcess killed(book());
    ASSERT_EQ(killed.state(), State::Held);
    killed.dieHolding();
    ASSERT_TRUE(fs::exists(lockFile())); // naming a process that is gone
    const BookLock lock = BookLock::tryAcquire(book());
    EXPECT_TRUE(lock.held());
    EXPECT_TRUE(fileContents(lockFile()).starts_with(std::to_string(::getpid()) + "\n"));
}

TEST_F(BookLockPosix, FlockOnTheFile_isHeldWhateverTheFileSays)
{
    writeStaleLock();
    const int fd = ::open(lockFile().c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    EXPECT_EQ(BookLock::tryAcquire(book()).state(), State::HeldElsewhere);
    ::close(fd);
    EXPECT_TRUE(BookLock::tryAcquire(book()).held());
}

TEST_F(BookLockPosix, StaleLockTakenOverByManyAtOnce_isHeldByOne)
{
    constexpr int kTakers = 8;
    const std::string go(kTakers, 'g');
    for (int round = 0; round < 10; ++round) {
        writeFile(lockFile(), "2147483646\nqor\n\n"); // naming a process that is gone
        int start[2];
        ASSERT_EQ(::pipe(start), 0);
        std::vector<std::unique_ptr<OtherProcess>> takers;
        for (int i = 0; i < kTakers; ++i)
            takers.push_back(std::make_unique<OtherProcess>(book(), start[0]));
        ASSERT_EQ(::write(start[1], go.data(), go.size()), static_cast<ssize_t>(go.size())); // all of them go
        ::close(start[0]);
        ::close(start[1]);
        int held = 0;
        for (const auto& taker : takers) {
            held += taker->state() == State::Held;
            EXPECT_NE(taker->state(), State::Unavailable);
        }
        EXPECT_EQ(held, 1) << "round " << round;
        takers.clear();
        EXPECT_FALSE(fs::exists(lockFile()));
    }
}

TEST_F(BookLockPosix, FolderThatTakesNoLock_isUnavailable)
{
    fs::create_symlink("other.qor", folder_.path() / "loop.qor");
    fs::create_symlink("loop.qor", folder_.path() / "other.qor");
    EXPECT_EQ(BookLock::tryAcquire(folder_.path() / "loop.qor").state(), State::Unavailable);

    for (const bool staleLockThere : {false, true}) {
        SCOPED_TRACE(staleLockThere);
        fs::permissions(folder_.path(), fs::perms::owner_all);
        fs::remove(lockFile());
        if (staleLockThere)
            writeStaleLock();
        fs::permissions(folder_.path(), static_cast<fs::perms>(0555));
        EXPECT_EQ(stateWithoutWriteAccess(book()), State::Unavailable);
        EXPECT_EQ(fs::exists(lockFile()), staleLockThere);
    }
}

TEST_F(BookLockPosix, TwoNamesOfOneBook_shareOneLockBesideItsFile)
{
    fs::create_directories(folder_.path() / "real");
    fs::create_directories(folder_.path() / "elsewhere");
    writeFile(folder_.path() / "real" / "qor.qor", "");
    fs::create_symlink("../real/qor.qor", folder_.path() / "elsewhere" / "book.qor");
    const BookLock byLink = BookLock::tryAcquire(folder_.path() / "elsewhere" / "book.qor");
    ASSERT_TRUE(byLink.held());
    EXPECT_EQ(fs::canonical(byLink.path()), fs::canonical(folder_.path() / "real" / "qor.qor.lock"));
    EXPECT_EQ(BookLock::tryAcquire(folder_.path() / "real" / "qor.qor").state(), State::HeldElsewhere);
}

TEST_F(BookLockPosix, Release_leavesALockThatReplacedItsOwn)
{
    BookLock lock = BookLock::tryAcquire(book());
    ASSERT_TRUE(lock.held());
    fs::remove(lockFile());
    writeFile(lockFile(), "1\nanother\n\n");
    lock.release();
    EXPECT_EQ(fileContents(lockFile()), "1\nanother\n\n");
}

#endif
