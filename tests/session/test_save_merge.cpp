// Two writers of one book: a save that finds the book changed merges both sides' changes.
#include "book_import.h"
#include "book_session.h"
#include "merge_note.h"
#include "test_books.h"

#include <gtest/gtest.h>

namespace qor {
namespace {

using testing::bookOf;
using testing::contact;
using testing::fileContents;
using testing::surnames;
using testing::TempFolder;
using testing::writeFile;
using F = ContactField;
using Names = std::vector<std::string>;

struct TwoSessions {
    explicit TwoSessions(const std::string& book)
    {
        writeFile(path, book);
        one.load();
        two.load();
    }
    TempFolder folder{"qor-merge-"};
    std::filesystem::path path = folder.path() / "qor.qor";
    BookSession one{path};
    BookSession two{path};
};

// Marks the row holding `surname` and runs `command` on it.
void onRow(BookSession& session, const std::string& surname, bool (BookSession::*command)())
{
    const Names names = surnames(session.store());
    session.mark().set(static_cast<int>(std::find(names.begin(), names.end(), surname) - names.begin()));
    (session.*command)();
}

// Gives the contact `surname` other texts in every other field.
void change(BookSession& session, const std::string& surname, const std::string& texts)
{
    session.form = contact(surname, texts);
    onRow(session, surname, &BookSession::update);
}

TEST(SaveMerge, bothSidesChangesGoTogetherAndAContactChangedInBothIsKeptTwice)
{
    TwoSessions s(bookOf({"A", "B", "C", "D", "E"})); // the list: E, D, C, B, A
    // The other window: deletes B and E, changes C, adds Two; its save keeps the book as both
    // read it in the history.
    onRow(s.two, "B", &BookSession::remove);
    onRow(s.two, "E", &BookSession::remove);
    change(s.two, "C", "two");
    s.two.form = contact("Two");
    s.two.add();
    ASSERT_EQ(s.two.save(SaveMode::Attended).outcome, SaveOutcome::Saved);

    // This one: deletes A, changes C and D, adds One.
    onRow(s.one, "A", &BookSession::remove);
    change(s.one, "C", "one");
    change(s.one, "D", "one");
    s.one.form = contact("One");
    s.one.add();
    const std::vector<ContactRecord> before = testing::rowsOf(s.one.store());

    const SaveResult asked = s.one.save(SaveMode::Attended);
    ASSERT_EQ(asked.outcome, SaveOutcome::Conflict);
    EXPECT_TRUE(asked.canMerge);
    EXPECT_FALSE(asked.mergeBaseUnknown);
    EXPECT_EQ(otherSideChanges(asked.account), "+2, -3"); // Two, C changed; B, C, E

    const SaveResult merged = s.one.answerConflict(ConflictChoice::Merge);
    ASSERT_EQ(merged.outcome, SaveOutcome::Saved);
    EXPECT_TRUE(merged.merged);
    EXPECT_EQ(merged.account.changedInBoth, 1u);
    EXPECT_EQ(mergeNote(merged.account, false), "1 contact was changed in both places; both versions are kept.");
    // Their additions with none of the rows kept here above them go on top, in their order.
    const std::vector<ContactRecord> result = {contact("Two"), contact("C", "two"), contact("One"),
                                               contact("D", "one"), contact("C", "one")};
    EXPECT_EQ(testing::rowsOf(s.one.store()), result);
    EXPECT_EQ(fileContents(s.path).substr(0, 30), "CREATOR=QOR 1.0\r\nSURNAME=Two\r\n");

    // The next save asks nothing; the merge is one change that Undo takes back.
    EXPECT_EQ(s.one.undoName(), "Merge with the book on disk");
    EXPECT_EQ(s.one.save(SaveMode::Attended).outcome, SaveOutcome::Saved);
    EXPECT_TRUE(s.one.undo());
    EXPECT_EQ(testing::rowsOf(s.one.store()), before);
    EXPECT_TRUE(s.one.redo());
    EXPECT_EQ(testing::rowsOf(s.one.store()), result);
}

TEST(SaveMerge, aSaveAfterASaveOfItsOwnIsNoConflictAndWritesNoCopy)
{
    // What the session wrote is what it compares with next: save, edit, save again.
    TwoSessions s(bookOf({"A"}));
    for (const std::string name : {"B", "C", "D"}) {
        s.one.form = contact(name);
        s.one.add();
        const SaveResult saved = s.one.save(SaveMode::Attended);
        EXPECT_EQ(saved.outcome, SaveOutcome::Saved) << name;
        EXPECT_FALSE(saved.merged);
    }
    EXPECT_EQ(fileContents(s.path), bookOf({"D", "C", "B", "A"}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(s.folder.path()), {}), 2); // book and history
}

TEST(SaveMerge, anImportIntoABookAWindowHoldsIsMergedByTheWindowsNextSave)
{
    TwoSessions s(bookOf({"A"}));
    ASSERT_EQ(s.one.lockBook(), BookLock::State::Held); // the window's lock
    s.one.form = contact("Typed");
    s.one.add();

    const BookImport imported = importIntoBook(s.path, {contact("Imported")});
    ASSERT_TRUE(imported.ok) << imported.error;
    EXPECT_EQ(fileContents(s.path), bookOf({"Imported", "A"}));

    // Closing: nobody is asked, and nothing is lost.
    const SaveResult closed = s.one.save(SaveMode::Unattended);
    EXPECT_EQ(closed.outcome, SaveOutcome::Saved);
    EXPECT_TRUE(closed.merged);
    EXPECT_EQ(fileContents(s.path), bookOf({"Imported", "Typed", "A"}));
}

TEST(SaveMerge, whatCannotBeMergedIsNotOfferedAndAMergeFindsTheBookAsItIsWhenAnswered)
{
    TwoSessions s(bookOf({"A"}));
    s.one.form = contact("Mine");
    s.one.add();
    // Emptied, or no longer a book: the user decides, and Merge is no answer.
    for (const std::string& bytes : {std::string("\n \n"), std::string("Dear diary,\n")}) {
        writeFile(s.path, bytes);
        const SaveResult asked = s.one.save(SaveMode::Attended);
        ASSERT_EQ(asked.outcome, SaveOutcome::Conflict);
        EXPECT_FALSE(asked.canMerge);
        EXPECT_EQ(s.one.answerConflict(ConflictChoice::Merge).outcome, SaveOutcome::Failed);
        EXPECT_EQ(fileContents(s.path), bytes);
    }
    // Changed again while the question was open: the merge takes what is there then.
    writeFile(s.path, bookOf({"A", "First"}));
    ASSERT_EQ(s.one.save(SaveMode::Attended).outcome, SaveOutcome::Conflict);
    writeFile(s.path, bookOf({"A", "Second"}));
    EXPECT_EQ(s.one.answerConflict(ConflictChoice::Merge).outcome, SaveOutcome::Saved);
    EXPECT_EQ(surnames(s.one.store()), (Names{"Second", "Mine", "A"}));
}

} // namespace
} // namespace qor
