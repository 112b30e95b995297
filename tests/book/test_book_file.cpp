#include "book_file.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include <sys/stat.h>
#include <unistd.h>
#ifndef _WIN32
#include <sys/resource.h>
#endif

using namespace qor;
namespace fs = std::filesystem;

namespace {

class BookFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = folder_.path();
        book_ = dir_ / kBookFileName;
    }

    static void writeFile(const fs::path& p, const std::string& bytes) { qor::testing::writeFile(p, bytes); }
    static std::string contents(const fs::path& p) { return qor::testing::fileContents(p); }
    static unsigned modeOf(const fs::path& p)
    {
        return static_cast<unsigned>(fs::status(p).permissions()) & 07777;
    }
    std::set<std::string> entries() const
    {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_))
            names.insert(e.path().filename().string());
        return names;
    }

    qor::testing::TempFolder folder_{"qor-book-file-"};
    fs::path dir_;
    fs::path book_;
};

const std::string kOld = "CREATOR=QOR 1.0\r\nSURNAME=Old\r\n";

#ifdef _WIN32
constexpr const char* kNoSymbolicLinks =
    "making a symbolic link on Windows needs a privilege, and std::filesystem here cannot make one";
#endif

std::string newBook(std::size_t size)
{
    std::string s;
    for (std::size_t i = 0; s.size() < size; ++i)
        s += "SURNAME=New " + std::to_string(i) + "\r\n";
    s.resize(size);
    return s;
}

} // namespace

// --- Reading -------------------------------------------------------------------------------

TEST_F(BookFile, MissingFile_isReportedMissing)
{
    EXPECT_EQ(readBookFile(book_).status, ReadStatus::Missing);
}

TEST_F(BookFile, RegularFile_isReadWholeWithEveryByte)
{
    std::string bytes = newBook(3u << 20);
    bytes[17] = '\0';
    bytes[100] = '\xFF';
    writeFile(book_, bytes);
    const BookBytes read = readBookFile(book_);
    ASSERT_EQ(read.status, ReadStatus::Read);
    EXPECT_EQ(read.bytes(), bytes);

    writeFile(book_, "");
    EXPECT_EQ(readBookFile(book_).status, ReadStatus::Read);
    EXPECT_TRUE(readBookFile(book_).bytes().empty());
}

TEST_F(BookFile, Directory_isUnreadableAndCannotBeReplaced)
{
    fs::create_directory(book_);
    BookBytes read = readBookFile(book_);
    EXPECT_EQ(read.status, ReadStatus::Unreadable);
    EXPECT_FALSE(read.error.empty());
    EXPECT_FALSE(replaceFileSafely(book_, kOld).ok);
    EXPECT_TRUE(fs::is_directory(book_));
    EXPECT_EQ(entries(), std::set<std::string>{kBookFileName});
}

TEST_F(BookFile, NamedPipe_isUnreadableAndCannotBeReplaced)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no named pipes in the file system";
#else
    ASSERT_EQ(::mkfifo(book_.c_str(), 0600), 0);
    // No writer is attached: a blocking open would hang here.
    EXPECT_EQ(readBookFile(book_).status, ReadStatus::Unreadable);
    EXPECT_FALSE(replaceFileSafely(book_, kOld).ok);
    EXPECT_TRUE(fs::is_fifo(book_));
    EXPECT_EQ(entries(), std::set<std::string>{kBookFileName});
#endif
}

TEST_F(BookFile, SymbolicLink_isFollowedOnReadAndKeptOnReplace)
{
#ifdef _WIN32
    GTEST_SKIP() << kNoSymbolicLinks;
#endif
    fs::create_directory(dir_ / "books");
    writeFile(dir_ / "books" / "real.qor", kOld);
    fs::create_symlink("real.qor", dir_ / "books" / "hop.qor"); // relative to its own folder
    fs::create_symlink("books/hop.qor", book_);

    EXPECT_EQ(readBookFile(book_).bytes(), kOld);
    ASSERT_TRUE(replaceFileSafely(book_, "new bytes").ok);
    EXPECT_TRUE(fs::is_symlink(book_));
    EXPECT_EQ(fs::read_symlink(book_), "books/hop.qor");
    EXPECT_TRUE(fs::is_symlink(dir_ / "books" / "hop.qor"));
    EXPECT_EQ(contents(dir_ / "books" / "real.qor"), "new bytes");
    EXPECT_EQ(entries(), (std::set<std::string>{"books", kBookFileName}));
}

TEST_F(BookFile, DanglingSymbolicLink_readsMissingAndReplaceCreatesItsTarget)
{
#ifdef _WIN32
    GTEST_SKIP() << kNoSymbolicLinks;
#endif
    fs::create_symlink("later.qor", book_);
    EXPECT_EQ(readBookFile(book_).status, ReadStatus::Missing);
    ASSERT_TRUE(replaceFileSafely(book_, kOld).ok);
    EXPECT_TRUE(fs::is_symlink(book_));
    EXPECT_EQ(contents(dir_ / "later.qor"), kOld);
}

// --- Replacing -----------------------------------------------------------------------------

TEST_F(BookFile, NewBook_isCreatedWithMode0600AndExistingBookKeepsItsMode)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no POSIX modes: a new book takes its folder's ACL and a replaced one keeps "
                    "its own (BookFileWindows tests)";
#endif
    const mode_t oldMask = ::umask(0);
    const WriteResult created = replaceFileSafely(book_, kOld);
    ::umask(oldMask);
    ASSERT_TRUE(created.ok) << created.error;
    EXPECT_EQ(modeOf(book_), 0600u);
    EXPECT_EQ(contents(book_), kOld);

    fs::permissions(book_, fs::perms(0640));
    ASSERT_TRUE(replaceFileSafely(book_, "second").ok);
    EXPECT_EQ(modeOf(book_), 0640u);
    EXPECT_EQ(contents(book_), "second");
    EXPECT_EQ(entries(), std::set<std::string>{kBookFileName});
}

TEST_F(BookFile, ReadOnlyBook_isRefusedAndLeftByteForByte)
{
    writeFile(book_, kOld);
    fs::permissions(book_, fs::perms(0444));
    const WriteResult r = replaceFileSafely(book_, "must not land");
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());
    EXPECT_EQ(contents(book_), kOld);
    EXPECT_EQ(modeOf(book_), 0444u);
    EXPECT_EQ(entries(), std::set<std::string>{kBookFileName});
}

TEST_F(BookFile, DiskFailingAtAnyByte_leavesTheOldBookAndNoTemporaryFile)
{
    const std::string bytes = newBook(70000);
    for (std::size_t failAt : {std::size_t{0}, std::size_t{1}, std::size_t{4095}, std::size_t{4096},
                               std::size_t{65536}, bytes.size() - 1}) {
        SCOPED_TRACE(failAt);
        writeFile(book_, kOld);
        std::size_t written = 0;
        const auto failing = [&](int fd, const char* data, std::size_t size) -> long {
            if (written >= failAt) {
                errno = ENOSPC;
                return -1;
            }
            // Short writes of at most 4 KiB, so the failure can land inside a buffer.
            const std::size_t n = std::min({size, failAt - written, std::size_t{4096}});
            const long w = ::write(fd, data, n);
            written += static_cast<std::size_t>(w);
            return w;
        };
        const WriteResult r = replaceFileSafely(book_, bytes, failing);
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.error.find("No space"), std::string::npos) << r.error;
        EXPECT_EQ(contents(book_), kOld);
        EXPECT_EQ(entries(), std::set<std::string>{kBookFileName});
    }
}

TEST_F(BookFile, ShortAndInterruptedWrites_stillWriteEveryByte)
{
    writeFile(book_, kOld);
    const std::string bytes = newBook(10000);
    int calls = 0;
    const auto dribbling = [&](int fd, const char* data, std::size_t size) -> long {
        if (++calls % 3 == 0) {
            errno = EINTR;
            return -1;
        }
        return ::write(fd, data, std::min<std::size_t>(size, 7));
    };
    ASSERT_TRUE(replaceFileSafely(book_, bytes, dribbling).ok);
    EXPECT_EQ(contents(book_), bytes);

    const auto stuck = [](int, const char*, std::size_t) -> long { return 0; };
    EXPECT_FALSE(replaceFileSafely(book_, kOld, stuck).ok);
    EXPECT_EQ(contents(book_), bytes);
    EXPECT_EQ(entries(), std::set<std::string>{kBookFileName});
}

TEST_F(BookFile, FileSizeLimit_failsCleanlyAndLeavesTheOldBook)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no file-size limit for a process";
#else
    writeFile(book_, kOld);
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit limited = old;
    limited.rlim_cur = 10000;
    struct sigaction ignore {}, previous {};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(::sigaction(SIGXFSZ, &ignore, &previous), 0);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const WriteResult r = replaceFileSafely(book_, newBook(50000));
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::sigaction(SIGXFSZ, &previous, nullptr);

    EXPECT_FALSE(r.ok);
    EXPECT_EQ(contents(book_), kOld);
    EXPECT_EQ(entries(), std::set<std::string>{kBookFileName});
#endif
}
