// The lock beside the book, on every platform: which left locks are stale, waiting for a holder
// to let go.
#include "book_lock.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

using namespace qor;
using namespace std::chrono_literals;
using qor::testing::fileContents;
using qor::testing::writeFile;
using State = BookLock::State;
namespace fs = std::filesystem;

namespace {

class BookLockTest : public ::testing::Test {
protected:
    fs::path book() const { return folder_.path() / "qor.qor"; }
    fs::path lockFile() const { return folder_.path() / "qor.qor.lock"; }
    // What this process writes into a lock it holds.
    std::string ownHolderText() const
    {
        const BookLock lock = BookLock::tryAcquire(book());
        EXPECT_TRUE(lock.held());
        return fileContents(lockFile());
    }

    qor::testing::TempFolder folder_{"qor-book-lock-"};
};

} // namespace

TEST_F(BookLockTest, LeftLock_isTakenOverOnlyWhenStale)
{
    const std::string own = ownHolderText();
    const std::string ownId = own.substr(0, own.find('\n'));
    ASSERT_FALSE(fs::exists(lockFile()));
    struct Case {
        const char* what;
        std::string contents;
        bool old; // else just written
        State expected;
    };
    const Case cases[] = {
        {"a process id no process has", "2147483646\nqor\n\n", false, State::Held},
        {"the same on another machine", "2147483646\nqor\nsome-other-host.invalid\n", true, State::HeldElsewhere},
        {"a live process, this one", own, true, State::HeldElsewhere},
#if defined(__linux__) || defined(_WIN32)
        {"this process's id for another program", ownId + "\nsome-other-program\n\n", false, State::Held},
#endif
        {"no holder, old", "", true, State::Held},
        {"no holder, new", "", false, State::HeldElsewhere},
        {"not a lock's lines, old", "x\r\n", true, State::Held},
        {"not a lock's lines, new", "12ab\nqor\n\n", false, State::HeldElsewhere},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeFile(lockFile(), c.contents);
        if (c.old)
            fs::last_write_time(lockFile(), fs::file_time_type::clock::now() - 60s);
        {
            const BookLock lock = BookLock::tryAcquire(book());
            EXPECT_EQ(lock.state(), c.expected);
            EXPECT_EQ(lock.path(), lockFile());
            EXPECT_EQ(fileContents(lockFile()), c.expected == State::Held ? own : c.contents);
        }
        // Gone with the object that held it; another's stays.
        EXPECT_EQ(fs::exists(lockFile()), c.expected != State::Held);
        fs::remove(lockFile());
    }
}

TEST_F(BookLockTest, Acquire_waitsForAHolderThatLetsGoWithinTheWait)
{
    struct Case {
        std::chrono::milliseconds holdFor, wait;
        State expected;
    };
    for (const Case& c : {Case{200ms, 5000ms, State::Held}, Case{900ms, 300ms, State::HeldElsewhere}}) {
        SCOPED_TRACE(c.wait.count());
        BookLock holder = BookLock::tryAcquire(book());
        ASSERT_TRUE(holder.held());
        std::thread letGo([&] {
            std::this_thread::sleep_for(c.holdFor);
            holder.release();
        });
        const auto start = std::chrono::steady_clock::now();
        const BookLock waiter = BookLock::acquire(book(), c.wait);
        const auto waited = std::chrono::steady_clock::now() - start;
        letGo.join();
        EXPECT_EQ(waiter.state(), c.expected);
        EXPECT_GE(waited, std::min(c.holdFor, c.wait));
        EXPECT_LT(waited, c.wait + 1s);
    }
}
