// Groups of duplicates merged in the list as one undoable change; the command line's merge of
// the groups that need no choice, through the book's save; the pairs kept apart beside the book.
#include "book_duplicates.h"
#include "book_history.h"
#include "book_session.h"
#include "book_text.h"
#include "duplicate_search.h"
#include "not_duplicates_file.h"
#include "test_books.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace qor {
namespace {

using testing::contact;
using testing::fileContents;
using testing::rowsOf;
using testing::surnames;
using testing::TempFolder;
using testing::writeFile;
using F = ContactField;

ContactRecord person(const std::string& surname, const std::string& first, const std::string& email = {},
                     const std::string& mobile = {})
{
    ContactRecord r = contact(surname);
    r[F::FIRSTNAME] = first;
    r[F::EMAIL] = email;
    r[F::MOBILE] = mobile;
    return r;
}

// A book that the window lists as `rows`, row 0 on top (the file holds them the other way).
std::string bookListing(const std::vector<ContactRecord>& rows)
{
    return formatBook(
               rows.size(), [&rows](std::size_t i) -> const ContactRecord& { return rows[rows.size() - 1 - i]; },
               TextEncoding::Utf8)
        .bytes;
}

// The book a save of the list `rows` writes: top to bottom.
std::string savedListing(const std::vector<ContactRecord>& rows)
{
    return formatBook(rows.size(), [&rows](std::size_t i) -> const ContactRecord& { return rows[i]; }, TextEncoding::Utf8)
        .bytes;
}

struct Book {
    explicit Book(const std::vector<ContactRecord>& rows) { writeFile(path, bookListing(rows)); }
    TempFolder folder{"qor-duplicates-"};
    std::filesystem::path path = folder.path() / "qor.qor";
};

// Ann entered twice, the older without her mobile: equal but for an empty field.
const ContactRecord kAnn = person("Lee", "Ann", "ann@example.org", "07700 900123");
const ContactRecord kAnnOlder = person("Lee", "Ann", "ann@example.org");
// John entered twice, his mobile written two ways: a choice.
const ContactRecord kJohn = person("Doe", "John", {}, "07700 900999");
const ContactRecord kJohnOlder = person("Doe", "John", {}, "+44 7700 900999");

TEST(MergeDuplicates, groupsBecomeOneContactEachAtTheirTopRowsAsOneUndoableChange)
{
    Book book({contact("P"), kAnn, contact("Q"), kAnnOlder, kJohn, contact("R"), kJohnOlder});
    BookSession session(book.path);
    session.load();
    const std::vector<ContactRecord> before = rowsOf(session.store());
    ContactRecord john = kJohn;
    john[F::COMMENTS] = "merged";
    session.mergeDuplicates({{{1, 3}, kAnn}, {{4, 6}, john}}, "Merge duplicates");
    EXPECT_EQ(surnames(session.store()), (std::vector<std::string>{"P", "Lee", "Q", "Doe", "R"}));
    EXPECT_EQ(session.store().record(3), john);
    EXPECT_EQ(session.undoName(), "Merge duplicates");

    ASSERT_TRUE(session.undo()); // one change: every member back where it was
    EXPECT_EQ(rowsOf(session.store()), before);
    EXPECT_EQ(session.undoName(), "");
    ASSERT_TRUE(session.redo());
    EXPECT_EQ(surnames(session.store()), (std::vector<std::string>{"P", "Lee", "Q", "Doe", "R"}));
}

TEST(MergeDuplicates, oneMergeMarksAndShowsItsContact)
{
    Book book({contact("P"), kJohn, kJohnOlder});
    BookSession session(book.path);
    session.load();
    session.mergeDuplicates({{{1, 2}, kJohnOlder}}, mergeName({kJohn, kJohnOlder}));
    EXPECT_EQ(session.mark().row(), 1);
    EXPECT_EQ(session.form, kJohnOlder);
    EXPECT_EQ(session.undoName(), "Merge \"Doe, John\" x 2");
}

TEST(MergeDuplicates, theCommandMergesOnlyGroupsThatNeedNoChoiceThroughTheSaveAndItsHistory)
{
    Book book({contact("P"), kAnn, kJohn, kAnnOlder, kJohnOlder});
    const MergedDuplicates done = mergeBookDuplicates(book.path);
    ASSERT_TRUE(done.ok) << done.error;
    EXPECT_EQ(done.merged, 1u);
    EXPECT_EQ(done.leftOver, 1u);
    EXPECT_EQ(fileContents(book.path), savedListing({contact("P"), kAnn, kJohn, kJohnOlder}));
    const HistoryListing history = listHistory(book.path);
    ASSERT_TRUE(history.ok);
    const std::size_t states = history.states.size();
    EXPECT_GE(states, 1u);

    // Nothing left to merge: the book is not written again.
    const MergedDuplicates again = mergeBookDuplicates(book.path);
    ASSERT_TRUE(again.ok);
    EXPECT_EQ(again.merged, 0u);
    EXPECT_EQ(listHistory(book.path).states.size(), states);
    EXPECT_EQ(fileContents(book.path), savedListing({contact("P"), kAnn, kJohn, kJohnOlder}));

    // Read again, the book lists its last contact on top.
    const BookDuplicates found = findBookDuplicates(book.path);
    ASSERT_TRUE(found.ok);
    ASSERT_EQ(found.groups.size(), 1u);
    EXPECT_TRUE(found.groups.front() == (GroupMembers{kJohnOlder, kJohn}));
}

TEST(MergeDuplicates, theCommandRefusesABookThatIsNotThereOrNotABook)
{
    TempFolder folder("qor-duplicates-");
    const std::filesystem::path missing = folder.path() / "none.qor";
    EXPECT_NE(findBookDuplicates(missing).error.find("no such book"), std::string::npos);
    EXPECT_FALSE(mergeBookDuplicates(missing).ok);
    EXPECT_FALSE(std::filesystem::exists(missing));
    const std::filesystem::path notABook = folder.path() / "notes.qor";
    writeFile(notABook, "shopping: milk, eggs\n");
    EXPECT_FALSE(mergeBookDuplicates(notABook).ok);
    EXPECT_EQ(fileContents(notABook), "shopping: milk, eggs\n");
}

TEST(NotDuplicatesFile, pairsKeptApartStayApartWhileTheirContactsAreUnchanged)
{
    Book book({kJohn, contact("P"), kJohnOlder});
    ASSERT_TRUE(keepApart(book.path, {kJohn, kJohnOlder}).ok);
#ifndef _WIN32
    struct stat info {};
    ASSERT_EQ(::stat(notDuplicatesPathFor(book.path).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u); // the owner's alone, as the book
#endif
    EXPECT_TRUE(findBookDuplicates(book.path).groups.empty());

    // Another contact changed and moved: the pair is still known.
    writeFile(book.path, bookListing({contact("New"), kJohnOlder, contact("P2"), kJohn}));
    EXPECT_TRUE(findBookDuplicates(book.path).groups.empty());
    // One of the pair changed: it is another contact, proposed again.
    ContactRecord changed = kJohn;
    changed[F::LIKES] = "jazz";
    writeFile(book.path, bookListing({changed, kJohnOlder}));
    EXPECT_EQ(findBookDuplicates(book.path).groups.size(), 1u);

    // A second group kept apart adds to the file, and a damaged file forgets nothing else.
    ASSERT_TRUE(keepApart(book.path, {changed, kJohnOlder}).ok);
    EXPECT_EQ(readNotDuplicates(book.path).size(), 2u);
    writeFile(notDuplicatesPathFor(book.path), fileContents(notDuplicatesPathFor(book.path)) + "garbage\n");
    EXPECT_EQ(readNotDuplicates(book.path).size(), 2u);
}

} // namespace
} // namespace qor
