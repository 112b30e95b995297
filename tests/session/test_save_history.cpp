// Every save of the session goes into the book's history, and nothing that happens to the
// history fails a save.
#include "book_session.h"
#include "test_books.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

namespace qor {
namespace {

using testing::bookOf;
using testing::contact;
using testing::fileContents;
using testing::TempFolder;
using testing::writeFile;

struct SavedBook {
    explicit SavedBook(const std::string& bytes)
    {
        writeFile(path, bytes);
        session.load();
    }
    SaveResult save() { return session.save(SaveMode::Attended); }
    TempFolder folder{"qor-session-history-"};
    std::filesystem::path path = folder.path() / "qor.qor";
    BookSession session{path};
};

TEST(SaveHistory, eachSaveIsAStateAndTheBookFoundBeforeTheFirstIsOne)
{
    const std::string found = bookOf({"A", "B"});
    SavedBook book(found);
    const SaveResult first = book.save();
    ASSERT_EQ(first.outcome, SaveOutcome::Saved);
    EXPECT_TRUE(first.historyError.empty()) << first.historyError;
    const std::string afterFirst = fileContents(book.path);

    book.session.form = contact("C");
    book.session.add();
    ASSERT_EQ(book.save().outcome, SaveOutcome::Saved);

    const HistoryListing listing = listHistory(book.path);
    ASSERT_TRUE(listing.ok) << listing.error;
    ASSERT_EQ(listing.states.size(), 3u);
    EXPECT_EQ(listing.states[0].facts.contacts, 3u);
    EXPECT_EQ(listing.states[0].facts.added, 1);
    EXPECT_EQ(listing.states[0].facts.removed, 0);
    EXPECT_EQ(rebuildState(book.path, 1).bytes, fileContents(book.path));
    EXPECT_EQ(rebuildState(book.path, 2).bytes, afterFirst);
    EXPECT_EQ(rebuildState(book.path, 3).bytes, found);
}

TEST(SaveHistory, linesQorDidNotReadComeBackFromTheHistory)
{
    const std::string withNotes = "# my notes\nSURNAME=A\nEMAIL=a@example.org\nSHOESIZE=44\n";
    SavedBook book(withNotes);
    const SaveResult saved = book.save();
    ASSERT_EQ(saved.outcome, SaveOutcome::Saved);
    EXPECT_GT(saved.unreadLines, 0u);
    EXPECT_EQ(rebuildState(book.path, 2).bytes, withNotes);
}

TEST(SaveHistory, aHistoryThatCannotBeWrittenOrIsDamagedNeverFailsTheSave)
{
    {
        SavedBook book(bookOf({"A"}));
        std::filesystem::create_directory(historyPathFor(book.path)); // no file can go there
        book.session.form = contact("B");
        book.session.add();
        const SaveResult saved = book.save();
        EXPECT_EQ(saved.outcome, SaveOutcome::Saved);
        EXPECT_FALSE(saved.historyError.empty());
        EXPECT_EQ(fileContents(book.path), bookOf({"B", "A"}));
    }
    {
        SavedBook book(bookOf({"A"}));
        writeFile(historyPathFor(book.path), "not a history at all");
        const SaveResult saved = book.save();
        EXPECT_EQ(saved.outcome, SaveOutcome::Saved);
        EXPECT_TRUE(saved.historyError.empty()) << saved.historyError;
        EXPECT_EQ(fileContents(saved.historySetAside), "not a history at all");
        EXPECT_EQ(listHistory(book.path).states.size(), 2u);
    }
}

TEST(SaveHistory, laterSavesOfASessionChainWithoutKeepingTheBookWholeAgain)
{
    SavedBook book(bookOf({"A", "B"}));
    std::vector<std::string> books;
    for (int i = 0; i < 4; ++i) {
        book.session.form = contact("Added " + std::to_string(i));
        book.session.add();
        const SaveResult saved = book.save();
        ASSERT_EQ(saved.outcome, SaveOutcome::Saved);
        EXPECT_TRUE(saved.historyError.empty()) << saved.historyError;
        books.push_back(fileContents(book.path));
    }
    const std::string history = fileContents(historyPathFor(book.path));
    // The book found is kept whole once, in the first entry; each later one holds one record.
    EXPECT_EQ(history.find(bookOf({"A", "B"})), history.rfind(bookOf({"A", "B"})));
    const HistoryListing listing = listHistory(book.path);
    ASSERT_TRUE(listing.ok) << listing.error;
    ASSERT_EQ(listing.states.size(), 5u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(rebuildState(book.path, 4 - i).bytes, books[static_cast<std::size_t>(i)]);
        if (i > 0) { // the first rewrites the records of the book found in QOR's own way
            EXPECT_EQ(listing.states[static_cast<std::size_t>(3 - i)].facts.added, 1) << i;
        }
    }
    EXPECT_EQ(rebuildState(book.path, 5).bytes, bookOf({"A", "B"}));
}

std::vector<std::string> manyNames()
{
    std::vector<std::string> names;
    for (int i = 0; i < 200; ++i)
        names.push_back("Contact " + std::to_string(i));
    return names;
}

TEST(SaveHistory, aNewSessionsFirstSaveAddsItsChangeNotTheBookAgain)
{
    SavedBook book(bookOf(manyNames()));
    ASSERT_EQ(book.save().outcome, SaveOutcome::Saved);
    const std::filesystem::path history = historyPathFor(book.path);
    const std::uintmax_t afterFirst = std::filesystem::file_size(history);
    std::vector<std::string> books{fileContents(book.path)};
    for (int i = 0; i < 2; ++i) {
        BookSession next(book.path);
        next.load();
        next.form = contact("Added " + std::to_string(i));
        next.add();
        const SaveResult saved = next.save(SaveMode::Attended);
        ASSERT_EQ(saved.outcome, SaveOutcome::Saved);
        EXPECT_TRUE(saved.historyError.empty()) << saved.historyError;
        books.push_back(fileContents(book.path));
    }
    EXPECT_LT(std::filesystem::file_size(history), afterFirst + 2 * 2000);
    const HistoryListing listing = listHistory(book.path);
    ASSERT_TRUE(listing.ok) << listing.error;
    EXPECT_EQ(listing.states[0].facts.added, 1);
    EXPECT_EQ(listing.states[0].facts.removed, 0);
    for (std::size_t i = 0; i < books.size(); ++i)
        EXPECT_EQ(rebuildState(book.path, static_cast<int>(books.size() - i)).bytes, books[i]) << i;
}

TEST(SaveHistory, aMergeWithAnotherWindowsSaveFollowsItsEntryWithoutKeepingTheBookWhole)
{
    SavedBook book(bookOf(manyNames()));
    ASSERT_EQ(book.save().outcome, SaveOutcome::Saved);
    BookSession other(book.path);
    other.load();
    other.form = contact("Theirs");
    other.add();
    ASSERT_EQ(other.save(SaveMode::Attended).outcome, SaveOutcome::Saved);
    const std::string theirs = fileContents(book.path);
    const std::filesystem::path history = historyPathFor(book.path);
    const std::uintmax_t before = std::filesystem::file_size(history);

    book.session.form = contact("Mine");
    book.session.add();
    const SaveResult merged = book.session.save(SaveMode::Unattended);
    ASSERT_EQ(merged.outcome, SaveOutcome::Saved);
    EXPECT_TRUE(merged.historyError.empty()) << merged.historyError;
    EXPECT_LT(std::filesystem::file_size(history), before + 2000);
    EXPECT_EQ(rebuildState(book.path, 1).bytes, fileContents(book.path));
    EXPECT_EQ(rebuildState(book.path, 2).bytes, theirs);
}

} // namespace
} // namespace qor
