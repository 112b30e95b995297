#include "book_session.h"
#include "test_books.h"
#include "temp_folder.h"
#include "without_write_access_posix.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace qor {
namespace {

using testing::bookOf;
using testing::contact;
using testing::fileContents;
using testing::TempFolder;
using testing::writeFile;
namespace fs = std::filesystem;

// A list that can go neither into the book nor beside it still lands in the rescue folder,
// for its owner only, and the save says where.
TEST(RescueCopy, anUnattendedSaveThatCanWriteNothingBesideTheBookKeepsTheListInTheRescueFolder)
{
    TempFolder folder("qor-rescue-");
    const fs::path books = folder.path() / "books";
    const fs::path data = folder.path() / "data";
    fs::create_directories(books);
    fs::create_directories(data);
    const fs::path book = books / "qor.qor";
    writeFile(book, bookOf({"A"}));
    // The book and its folder are read-only; the data folder belongs to whoever saves.
    fs::permissions(book, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(books, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read
                               | fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(data.c_str(), testing::kNobody, testing::kNobody), 0);
    }

    enum Step { Done, NotSavedBeside, NotRescued, NotInTheRescueFolder };
    const int step = testing::inChildWithoutRootsRights([&] {
        ::setenv("XDG_DATA_HOME", data.c_str(), 1);
        BookSession session(book);
        session.load();
        session.form = contact("Typed");
        session.add();
        const SaveResult saved = session.save(SaveMode::Unattended);
        if (saved.outcome != SaveOutcome::SavedBeside)
            return NotSavedBeside;
        if (!saved.rescued)
            return NotRescued;
        return saved.beside.parent_path() == data / "qor" / "rescue" ? Done : NotInTheRescueFolder;
    });
    ASSERT_EQ(step, Done);
    EXPECT_EQ(fileContents(book), bookOf({"A"}));
    std::vector<fs::path> rescued;
    for (const auto& entry : fs::directory_iterator(data / "qor" / "rescue"))
        rescued.push_back(entry.path());
    ASSERT_EQ(rescued.size(), 1u);
    EXPECT_EQ(rescued[0].filename().string().rfind("qor-conflict-", 0), 0u) << rescued[0];
    EXPECT_EQ(fileContents(rescued[0]), bookOf({"Typed", "A"}));
    EXPECT_EQ(fs::status(rescued[0]).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::status(data / "qor" / "rescue").permissions() & fs::perms::all, fs::perms::owner_all);
    fs::permissions(books, fs::perms::owner_all);
}

} // namespace
} // namespace qor
