// The fixture of the book file's tests: a fresh folder for the book, and the looks at files
// (bytes, mode, inode, folder entries) by which its reading, replacing and keeping of identity
// are all checked.
#pragma once

#include "book_file.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <set>
#include <string>

#include <sys/stat.h>
#include <unistd.h>
#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace qor::testing {

namespace fs = std::filesystem;

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

inline const std::string kOld = "CREATOR=QOR 1.0\r\nSURNAME=Old\r\n";

inline std::string newBook(std::size_t size)
{
    std::string s;
    for (std::size_t i = 0; s.size() < size; ++i)
        s += "SURNAME=New " + std::to_string(i) + "\r\n";
    s.resize(size);
    return s;
}

} // namespace qor::testing
