// Keeping the book file's identity through a save: its owner, group, mode, links, extended
// attributes and ACL, which a careless replace by rename would lose without a word.
#include "book_file.h"
#include "book_file_fixture.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <set>
#include <string>

#include <sys/stat.h>
#include <unistd.h>
#ifndef _WIN32
#include <grp.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#endif

using namespace qor;
using namespace qor::testing;
namespace fs = std::filesystem;

namespace {

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

} // namespace

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
