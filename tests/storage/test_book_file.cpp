// Reading the book file and replacing it safely: a save leaves either the old book or the new
// one, whatever fails on the way, since a half-written book would lose the user's contacts.
#include "book_file.h"
#include "book_file_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <new>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

using namespace qor;
using namespace qor::testing;
namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
constexpr const char* kNoSymbolicLinks =
    "making a symbolic link on Windows needs a privilege, and std::filesystem here cannot make one";
#endif

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

TEST_F(BookFile, DirectoryOrNamedPipe_isUnreadableAndCannotBeReplaced)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no named pipes in the file system; a directory is covered by BookFileWindows";
#else
    fs::create_directory(book_);
    BookBytes read = readBookFile(book_);
    EXPECT_EQ(read.status, ReadStatus::Unreadable);
    EXPECT_FALSE(read.error.empty());
    EXPECT_FALSE(replaceFileSafely(book_, kOld).ok);
    EXPECT_TRUE(fs::is_directory(book_));

    fs::remove(book_);
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
#else
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
#endif
}

TEST_F(BookFile, DanglingSymbolicLink_isUnreadableAndReplaceNeverCreatesItsTarget)
{
#ifdef _WIN32
    GTEST_SKIP() << kNoSymbolicLinks;
#else
    fs::create_symlink("later.qor", book_);
    const BookBytes read = readBookFile(book_);
    EXPECT_EQ(read.status, ReadStatus::Unreadable);
    EXPECT_NE(read.error.find("later.qor"), std::string::npos) << read.error;
    const WriteResult r = replaceFileSafely(book_, kOld);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("does not exist"), std::string::npos) << r.error;
    EXPECT_TRUE(fs::is_symlink(book_));
    EXPECT_FALSE(fs::exists(dir_ / "later.qor"));
    EXPECT_EQ(entries(), std::set<std::string>{kBookFileName});

    // A link to a link to nothing is the same.
    fs::remove(book_);
    fs::create_symlink("hop.qor", book_);
    fs::create_symlink("nowhere.qor", dir_ / "hop.qor");
    EXPECT_EQ(readBookFile(book_).status, ReadStatus::Unreadable);
    EXPECT_FALSE(replaceFileSafely(book_, kOld).ok);
    EXPECT_FALSE(fs::exists(dir_ / "nowhere.qor"));
#endif
}

TEST_F(BookFile, InPieces_handsOverEveryByteInOrder_andRefusesWhatTheWholeReadRefuses)
{
    std::string bytes = newBook(3u << 20);
    bytes[17] = '\0';
    writeFile(book_, bytes);
    std::string joined;
    std::size_t largest = 0;
    const auto gather = [&](std::string_view piece) {
        joined.append(piece);
        largest = std::max(largest, piece.size());
    };
    const BookBytes read = readBookFileInPieces(book_, 64u << 10, gather);
    EXPECT_EQ(read.status, ReadStatus::Read);
    EXPECT_EQ(read.size, bytes.size());
    EXPECT_EQ(read.data, nullptr);
    EXPECT_EQ(joined, bytes);
    EXPECT_EQ(largest, 64u << 10);

    // Whatever readBookFile refuses, in the same words; no piece is handed over.
    const std::vector<std::pair<const char*, std::function<void()>>> refused{
        {"missing", [&] { fs::remove(book_); }},
        {"a directory", [&] { fs::create_directory(book_); }},
#ifndef _WIN32
        {"a named pipe", [&] { fs::remove(book_); ASSERT_EQ(::mkfifo(book_.c_str(), 0600), 0); }},
        {"a dangling link", [&] { fs::remove(book_); fs::create_symlink("later.qor", book_); }},
#endif
    };
    for (const auto& [what, make] : refused) {
        SCOPED_TRACE(what);
        make();
        joined.clear();
        const BookBytes whole = readBookFile(book_);
        const BookBytes pieces = readBookFileInPieces(book_, 64u << 10, gather);
        EXPECT_NE(pieces.status, ReadStatus::Read);
        EXPECT_EQ(pieces.status, whole.status);
        EXPECT_EQ(pieces.error, whole.error);
        EXPECT_TRUE(joined.empty());
    }
}

// --- Replacing -----------------------------------------------------------------------------

TEST_F(BookFile, NewBook_isCreatedWithMode0600AndExistingBookKeepsItsMode)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no POSIX modes: a new book takes its folder's ACL and a replaced one keeps "
                    "its own (BookFileWindows tests)";
#else
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
#endif
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

TEST_F(BookFile, InPieces_writesThePiecesInOrder_andAFailingProducerLeavesTheOldBook)
{
    const std::string bytes = newBook(70000);
    const struct {
        const char* name;
        bool secondLink; // written in place: the pieces are gathered first
    } cases[] = {{"renamed into place", false}, {"written in place", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(book_, kOld);
        if (c.secondLink)
            fs::create_hard_link(book_, dir_ / "other.qor");
        const std::set<std::string> before = entries();
        const auto inPieces = [&bytes](const PieceFunction& put) {
            for (std::size_t at = 0; at < bytes.size(); at += 777)
                put(std::string_view(bytes).substr(at, 777));
        };
        ASSERT_TRUE(replaceFileSafelyInPieces(book_, inPieces).ok);
        EXPECT_EQ(contents(book_), bytes);
        EXPECT_EQ(entries(), before);

        writeFile(book_, kOld);
        const auto failing = [](const PieceFunction& put) {
            put("SURNAME=Half");
            throw std::bad_alloc();
        };
        EXPECT_THROW(replaceFileSafelyInPieces(book_, failing), std::bad_alloc);
        EXPECT_EQ(contents(book_), kOld);
        EXPECT_EQ(entries(), before);
        std::error_code ec;
        fs::remove(dir_ / "other.qor", ec);
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
    WriteResult r = replaceUnderFileSizeLimit(newBook(50000), 10000);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(contents(book_), kOld);
    EXPECT_EQ(entries(), std::set<std::string>{kBookFileName});

    // Written in place (a second hard link), the limit is known before any byte changes.
    fs::create_hard_link(book_, dir_ / "other.qor");
    r = replaceUnderFileSizeLimit(newBook(50000), 10000);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("too large"), std::string::npos) << r.error;
    EXPECT_EQ(contents(book_), kOld);
#endif
}

TEST_F(BookFile, FailingSync_isReportedAndLeavesTheOldBook)
{
    writeFile(book_, kOld);
    int syncs = 0;
    const auto failingSync = [&](int) {
        ++syncs;
        errno = EIO;
        return -1;
    };
    const WriteResult r = replaceFileSafely(book_, newBook(5000), {}, failingSync);
    EXPECT_EQ(syncs, 1);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("sync"), std::string::npos) << r.error;
    EXPECT_EQ(contents(book_), kOld);
    EXPECT_EQ(entries(), std::set<std::string>{kBookFileName});

    // Written in place (a second hard link), a failing sync puts the old bytes back.
    fs::create_hard_link(book_, dir_ / "other.qor");
    syncs = 0;
    EXPECT_FALSE(replaceFileSafely(book_, newBook(5000), {}, failingSync).ok);
    EXPECT_EQ(syncs, 1);
    EXPECT_EQ(contents(book_), kOld);
    EXPECT_EQ(contents(dir_ / "other.qor"), kOld);
}

// --- New files -------------------------------------------------------------------------------

TEST_F(BookFile, NewFile_isMode0600AndNeverReplacesWhatIsThere)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no POSIX modes, and symbolic links need a privilege there";
#else
    const fs::path copy = dir_ / "copy.qor";
    const mode_t oldMask = ::umask(0);
    const WriteResult made = writeNewFile(copy, kOld);
    ::umask(oldMask);
    ASSERT_TRUE(made.ok) << made.error;
    EXPECT_EQ(contents(copy), kOld);
    EXPECT_EQ(modeOf(copy), 0600u);

    EXPECT_FALSE(writeNewFile(copy, "other").ok);
    EXPECT_EQ(contents(copy), kOld);
    fs::create_symlink("target.qor", dir_ / "link.qor");
    EXPECT_FALSE(writeNewFile(dir_ / "link.qor", "other").ok);
    EXPECT_FALSE(fs::exists(dir_ / "target.qor"));
#endif
}
