#include "book_location.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include <stdlib.h>

using namespace qor;
namespace fs = std::filesystem;

namespace {

class BookLocation : public ::testing::Test {
protected:
    void SetUp() override { dir_ = folder_.path(); }
    void touch(const std::string& name) const { std::ofstream(dir_ / name) << "x"; }
    std::set<std::string> entries() const
    {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_))
            names.insert(e.path().filename().string());
        return names;
    }
    qor::testing::TempFolder folder_{"qor-book-location-"};
    fs::path dir_;
};

std::tm at(int year, int month, int day, int hour, int minute, int second)
{
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

} // namespace

TEST_F(BookLocation, TemporaryNames_followTheirPatternAndNoUserNameMatchesIt)
{
    for (std::uint32_t random : {0u, 1u, 12345u, 4294967295u}) {
        const std::string name = temporaryNameFor("qor.qor", random);
        EXPECT_EQ(name.size(), 14u) << name;
        EXPECT_TRUE(isTemporaryNameFor("qor.qor", name)) << name;
        EXPECT_FALSE(isTemporaryNameFor("other.qor", name)) << name;
    }
    EXPECT_NE(temporaryNameFor("qor.qor", 1), temporaryNameFor("qor.qor", 2));
    for (const char* userName : {"qor.qor.backup", "qor.qor.BACKUP", "qor.qor.Backup", "qor.qor.A1B2C", "qor.qor.A1B2C3D",
                                 "qor.qor.a1b2c3", "qor.qor", "qor.qorXA1B2C3", "xqor.qor.A1B2C3"})
        EXPECT_FALSE(isTemporaryNameFor("qor.qor", userName)) << userName;
    EXPECT_TRUE(isTemporaryNameFor("qor.qor", "qor.qor.A1B2C3"));
}

TEST_F(BookLocation, Leftovers_areRemovedAndNothingElse)
{
    touch("qor.qor");
    touch("qor.qor.K3Q0Z7");
    touch("qor.qor.A0A0A0");
    touch("qor.qor.backup");
    touch("other.qor.K3Q0Z7");
    fs::create_directory(dir_ / "qor.qor.B1B1B1");
    std::set<std::string> kept{"qor.qor", "qor.qor.backup", "other.qor.K3Q0Z7", "qor.qor.B1B1B1"};
#ifndef _WIN32 // a symbolic link needs a privilege on Windows
    fs::create_symlink("qor.qor", dir_ / "qor.qor.C2C2C2");
    kept.insert("qor.qor.C2C2C2");
#endif
    EXPECT_EQ(removeLeftoverTemporaries(dir_ / "qor.qor"), 2);
    EXPECT_EQ(entries(), kept);

#ifndef _WIN32
    // Through a link, the leftovers are beside the file it points to.
    fs::create_directory(dir_ / "real");
    touch("real/book.qor");
    touch("real/book.qor.Z9Z9Z9");
    fs::create_symlink("real/book.qor", dir_ / "link.qor");
    EXPECT_EQ(removeLeftoverTemporaries(dir_ / "link.qor"), 1);
    EXPECT_FALSE(fs::exists(dir_ / "real/book.qor.Z9Z9Z9"));
    EXPECT_TRUE(fs::exists(dir_ / "real/book.qor"));
#endif
}

TEST_F(BookLocation, ConflictCopy_isNamedForItsTimeAndNeverTakesAUsedName)
{
    const fs::path book = dir_ / "qor.qor";
    const std::tm when = at(2026, 12, 7, 14, 15, 2);
    EXPECT_EQ(conflictCopyPath(book, when), dir_ / "qor-conflict-20261207-141502.qor");
    touch("qor-conflict-20261207-141502.qor");
    EXPECT_EQ(conflictCopyPath(book, when), dir_ / "qor-conflict-20261207-141502-2.qor");
#ifdef _WIN32 // a symbolic link needs a privilege there: a file takes the name instead
    touch("qor-conflict-20261207-141502-2.qor");
#else
    fs::create_symlink("nowhere", dir_ / "qor-conflict-20261207-141502-2.qor");
#endif
    EXPECT_EQ(conflictCopyPath(book, when), dir_ / "qor-conflict-20261207-141502-3.qor");
    EXPECT_EQ(conflictCopyPath(dir_ / "qor.qor", at(2027, 1, 2, 3, 4, 5)), dir_ / "qor-conflict-20270102-030405.qor");
}
