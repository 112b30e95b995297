#include "book_file.h"
#include "book_stamp.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <functional>
#include <set>
#include <string>

#include <sys/stat.h>
#include <unistd.h>
#ifndef _WIN32
#include <grp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <sys/xattr.h>
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

#ifndef _WIN32
    static ino_t inodeOf(const fs::path& p)
    {
        struct stat st {};
        EXPECT_EQ(::stat(p.c_str(), &st), 0);
        return st.st_ino;
    }
    static struct stat statOf(const fs::path& p)
    {
        struct stat st {};
        EXPECT_EQ(::stat(p.c_str(), &st), 0);
        return st;
    }

    // replaceFileSafely with a file-size limit of `limit` bytes, SIGXFSZ ignored as the
    // program ignores it.
    WriteResult replaceUnderFileSizeLimit(const std::string& bytes, rlim_t limit) const
    {
        struct rlimit old {};
        EXPECT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
        struct rlimit limited = old;
        limited.rlim_cur = limit;
        struct sigaction ignore {}, previous {};
        ignore.sa_handler = SIG_IGN;
        EXPECT_EQ(::sigaction(SIGXFSZ, &ignore, &previous), 0);
        EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
        const WriteResult r = replaceFileSafely(book_, bytes);
        ::setrlimit(RLIMIT_FSIZE, &old);
        ::sigaction(SIGXFSZ, &previous, nullptr);
        return r;
    }
#endif

    qor::testing::TempFolder folder_{"qor-book-file-"};
    fs::path dir_;
    fs::path book_;
};

#ifndef _WIN32
constexpr uid_t kNobody = 65534;

// Runs `body` in a child process that has given up root for the user and group nobody; true
// when `body` returned true there.
bool runAsNobody(const std::function<bool()>& body)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        const bool dropped = ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
        ::_exit(dropped && body() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
#endif

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

// --- Keeping the file's identity -------------------------------------------------------------

TEST_F(BookFile, SecondHardLink_isWrittenInPlaceSoBothNamesGetTheNewBook)
{
#ifdef _WIN32
    GTEST_SKIP() << "the Windows save replaces the file; writing in place is the POSIX save's";
#else
    writeFile(book_, kOld);
    fs::create_hard_link(book_, dir_ / "other.qor");
    const ino_t inode = inodeOf(book_);
    ASSERT_TRUE(replaceFileSafely(book_, "new and longer bytes").ok);
    EXPECT_EQ(contents(dir_ / "other.qor"), "new and longer bytes");
    EXPECT_EQ(inodeOf(book_), inode);
    ASSERT_TRUE(replaceFileSafely(book_, "short").ok); // shorter: the rest is cut off
    EXPECT_EQ(contents(dir_ / "other.qor"), "short");
    EXPECT_EQ(fs::hard_link_count(book_), 2u);
    EXPECT_EQ(entries(), (std::set<std::string>{kBookFileName, "other.qor"}));
#endif
}

TEST_F(BookFile, InPlaceWriteFailingAtAnyByte_putsTheOldBookBack)
{
#ifdef _WIN32
    GTEST_SKIP() << "the Windows save replaces the file; writing in place is the POSIX save's";
#else
    const std::string bytes = newBook(20000);
    for (std::size_t failAt : {std::size_t{0}, std::size_t{10}, std::size_t{4096}, bytes.size() - 1}) {
        SCOPED_TRACE(failAt);
        fs::remove(dir_ / "other.qor");
        writeFile(book_, kOld);
        fs::create_hard_link(book_, dir_ / "other.qor");
        std::size_t written = 0;
        const auto failing = [&](int fd, const char* data, std::size_t size) -> long {
            if (written >= failAt) {
                errno = ENOSPC;
                return -1;
            }
            const long w = ::write(fd, data, std::min(size, failAt - written));
            written += static_cast<std::size_t>(w);
            return w;
        };
        const WriteResult r = replaceFileSafely(book_, bytes, failing);
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.error.find("No space"), std::string::npos) << r.error;
        EXPECT_EQ(contents(dir_ / "other.qor"), kOld);
        EXPECT_EQ(entries(), (std::set<std::string>{kBookFileName, "other.qor"}));
    }
#endif
}

TEST_F(BookFile, ExtendedAttributesAndAcl_areCarriedOverToTheNewFile)
{
#ifdef _WIN32
    GTEST_SKIP() << "extended attributes and POSIX ACLs are POSIX; ReplaceFileW keeps a Windows ACL (BookFileWindows)";
#else
    writeFile(book_, kOld);
    if (::setxattr(book_.c_str(), "user.qor.origin", "kitchen", 7, 0) != 0)
        GTEST_SKIP() << "no extended attributes here: " << std::strerror(errno);
    const std::string setfacl = "setfacl -m u:12345:rw " + book_.string() + " 2>/dev/null";
    const bool haveAcl = std::system(setfacl.c_str()) == 0;
    std::string acl(256, '\0');
    const ssize_t aclSize = haveAcl ? ::getxattr(book_.c_str(), "system.posix_acl_access", acl.data(), acl.size()) : -1;
    acl.resize(aclSize > 0 ? static_cast<std::size_t>(aclSize) : 0);
    const unsigned mode = modeOf(book_);
    const ino_t inode = inodeOf(book_);

    ASSERT_TRUE(replaceFileSafely(book_, "new").ok);
    EXPECT_NE(inodeOf(book_), inode); // a new file, not the old one written over
    EXPECT_EQ(contents(book_), "new");
    char value[16] = {};
    ASSERT_EQ(::getxattr(book_.c_str(), "user.qor.origin", value, sizeof value), 7);
    EXPECT_EQ(std::string(value), "kitchen");
    EXPECT_EQ(modeOf(book_), mode);
    if (!haveAcl)
        GTEST_SKIP() << "no ACL support here; the extended attribute was kept";
    std::string after(256, '\0');
    const ssize_t afterSize = ::getxattr(book_.c_str(), "system.posix_acl_access", after.data(), after.size());
    ASSERT_GT(afterSize, 0);
    after.resize(static_cast<std::size_t>(afterSize));
    EXPECT_EQ(after, acl);
#endif
}

TEST_F(BookFile, AnotherUsersBook_keepsItsOwnerAndGroup)
{
#ifdef _WIN32
    GTEST_SKIP() << "owners and groups by number and fork() are POSIX; ReplaceFileW keeps the owner";
#else
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can make a file of another user";
    writeFile(book_, kOld);
    ASSERT_EQ(::chown(book_.c_str(), 12345, 23456), 0);
    ASSERT_EQ(::chmod(book_.c_str(), 02640), 0);
    // Saved by root: the new file is given back to its owner.
    ASSERT_TRUE(replaceFileSafely(book_, "by root").ok);
    EXPECT_EQ(statOf(book_).st_uid, 12345u);
    EXPECT_EQ(statOf(book_).st_gid, 23456u);
    EXPECT_EQ(modeOf(book_), 02640u);

    // Saved by a user who may write the book but cannot give a file to its owner: in place.
    ASSERT_EQ(::chmod(book_.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(dir_.c_str(), 0777), 0);
    const ino_t inode = inodeOf(book_);
    EXPECT_TRUE(runAsNobody([&] { return replaceFileSafely(book_, "by nobody").ok; }));
    EXPECT_EQ(contents(book_), "by nobody");
    EXPECT_EQ(statOf(book_).st_uid, 12345u);
    EXPECT_EQ(statOf(book_).st_gid, 23456u);
    EXPECT_EQ(inodeOf(book_), inode);
    EXPECT_EQ(entries(), std::set<std::string>{kBookFileName});
#endif
}

TEST_F(BookFile, FolderThatTakesNoNewFile_stillSavesAWritableBookInPlace)
{
#ifdef _WIN32
    GTEST_SKIP() << "the Windows save replaces the file; writing in place is the POSIX save's";
#else
    if (::geteuid() != 0)
        GTEST_SKIP() << "root writes into any folder; the case needs a second user";
    writeFile(book_, kOld);
    ASSERT_EQ(::chown(book_.c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(::chmod(dir_.c_str(), 0555), 0);
    EXPECT_TRUE(runAsNobody([&] { return replaceFileSafely(book_, "saved").ok; }));
    ::chmod(dir_.c_str(), 0700);
    EXPECT_EQ(contents(book_), "saved");
    EXPECT_EQ(statOf(book_).st_uid, kNobody);
    EXPECT_EQ(entries(), std::set<std::string>{kBookFileName});
#endif
}

// --- New files and stamps --------------------------------------------------------------------

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

TEST_F(BookFile, Stamp_changesWithTheBytesNotWithTheTime)
{
    EXPECT_EQ(stampOnDisk(book_).status, ReadStatus::Missing);
    EXPECT_TRUE(stampOnDisk(book_).sameContentAs(BookStamp{}));

    writeFile(book_, kOld);
    const BookStamp read = stampOnDisk(book_);
    EXPECT_TRUE(read.sameContentAs(stampOfWritten(kOld, book_)));
    EXPECT_FALSE(read.sameContentAs(BookStamp{}));

    std::string sameSize = kOld;
    sameSize[20] = 'X';
    writeFile(book_, sameSize);
    EXPECT_FALSE(stampOnDisk(book_).sameContentAs(read));

    writeFile(book_, kOld);
    fs::last_write_time(book_, fs::last_write_time(book_) + std::chrono::hours(1));
    EXPECT_TRUE(stampOnDisk(book_).sameContentAs(read));

    // Every byte counts, the length and the last byte of a long run included.
    EXPECT_NE(hashBytes(""), hashBytes(std::string(1, '\0')));
    std::string big = newBook(100003);
    const std::uint64_t bigHash = hashBytes(big);
    big.back() ^= 1;
    EXPECT_NE(hashBytes(big), bigHash);
    big.back() ^= 1;
    big[50001] ^= 0x40;
    EXPECT_NE(hashBytes(big), bigHash);
}
