// Syncing the book file: through the command save path, its history and its lock, with the state
// kept beside it; a book with nothing to take is never written.
#include "book_history.h"
#include "book_sync.h"
#include "fake_carddav_server.h"
#include "test_books.h"

#include <gtest/gtest.h>

namespace qor {
namespace {

using testing::FakeCardDavServer;

std::string phoneCard(const std::string& uid, const std::string& surname, const std::string& extra = {})
{
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nN:" + surname + ";;;;\r\nFN:" + surname + "\r\n" + extra
        + "END:VCARD\r\n";
}

struct SyncedBook {
    testing::TempFolder folder{"qor-book-sync-"};
    std::filesystem::path book = folder.path() / "qor.qor";
    FakeCardDavServer server;

    BookSync sync(bool allowEmptying = false)
    {
        SyncState state;
        std::string error;
        const bool first = !std::filesystem::exists(syncStatePath(book));
        EXPECT_TRUE(syncStateFor(book, first ? FakeCardDavServer::kBook : "", "u", state, error)) << error;
        return syncBook(book, state, server, {allowEmptying});
    }
    std::size_t historyStates() const { return listHistory(book).states.size(); }
};

TEST(BookSync, receivedContactsAreSavedThroughTheBooksHistory)
{
    SyncedBook b;
    testing::writeFile(b.book, testing::bookOf({"Lee"}));
    b.server.put("roe.vcf", phoneCard("roe", "Roe"));
    const BookSync done = b.sync();
    ASSERT_TRUE(done.ok) << done.error;
    EXPECT_EQ(done.figures.describe(), "1 sent, 1 received, 0 deleted here, 0 deleted there, 0 changed in both places");
    EXPECT_EQ(done.saved.outcome, SaveOutcome::Saved);
    const std::string written = testing::fileContents(b.book);
    EXPECT_NE(written.find("SURNAME=Roe"), std::string::npos);
    EXPECT_NE(written.find("SURNAME=Lee"), std::string::npos);
    EXPECT_GE(b.historyStates(), 1u);
    EXPECT_TRUE(readSyncState(syncStatePath(b.book)).ok);
}

TEST(BookSync, aSyncWithNothingToTakeLeavesTheBookByteForByte)
{
    SyncedBook b;
    testing::writeFile(b.book, testing::bookOf({"Lee", "Roe"}));
    ASSERT_TRUE(b.sync().ok);
    const std::string before = testing::fileContents(b.book);
    const auto stamp = std::filesystem::last_write_time(b.book);
    const std::size_t states = b.historyStates();
    const BookSync again = b.sync();
    ASSERT_TRUE(again.ok) << again.error;
    EXPECT_EQ(testing::fileContents(b.book), before);
    EXPECT_EQ(std::filesystem::last_write_time(b.book), stamp);
    EXPECT_EQ(b.historyStates(), states);
}

TEST(BookSync, aBookThatIsNotABookIsNeitherSyncedNorSent)
{
    SyncedBook b;
    testing::writeFile(b.book, "this is a letter, not a book\n");
    const BookSync done = b.sync();
    EXPECT_FALSE(done.ok);
    EXPECT_NE(done.error.find("not a QOR contact book"), std::string::npos) << done.error;
    EXPECT_EQ(testing::fileContents(b.book), "this is a letter, not a book\n");
    EXPECT_TRUE(b.server.log.empty());
}

TEST(BookSync, aMissingBookIsMadeFromTheAddressBook)
{
    SyncedBook b;
    b.server.put("roe.vcf", phoneCard("roe", "Roe"));
    ASSERT_TRUE(b.sync().ok);
    EXPECT_NE(testing::fileContents(b.book).find("SURNAME=Roe"), std::string::npos);
}

TEST(BookSync, aCardChangedWhileItIsSentIsMergedByASecondPass)
{
    SyncedBook b;
    testing::writeFile(b.book, testing::bookOf({"Lee"}));
    ASSERT_TRUE(b.sync().ok);
    std::string edited = testing::bookOf({"Lee"});
    edited.replace(edited.find("MOBILE="), 7, "MOBILE=555-here");
    testing::writeFile(b.book, edited);
    const std::string href = b.server.cards.begin()->first;
    const std::string name = href.substr(std::string(FakeCardDavServer::kPath).size());
    b.server.before = [&b, name](const std::string& method, int count) {
        if (method == "PUT" && count == 1)
            b.server.put(name, phoneCard("x", "Lee", "TEL;TYPE=cell:555-there\r\n"));
    };
    const BookSync done = b.sync();
    ASSERT_TRUE(done.ok) << done.error;
    EXPECT_EQ(done.figures.changedInBoth, 1u);
    const std::string written = testing::fileContents(b.book);
    EXPECT_NE(written.find("MOBILE=555-here"), std::string::npos);
    EXPECT_NE(written.find("MOBILE=555-there"), std::string::npos);
    EXPECT_EQ(b.server.cards.size(), 2u);
}

TEST(BookSync, theAccountComesFromBesideTheBookAndAnotherOneStartsAfresh)
{
    SyncedBook b;
    SyncState state;
    std::string error;
    EXPECT_FALSE(syncStateFor(b.book, "", "", state, error));
    EXPECT_NE(error.find("never synced"), std::string::npos) << error;
    testing::writeFile(b.book, testing::bookOf({"Lee"}));
    ASSERT_TRUE(b.sync().ok);
    ASSERT_TRUE(syncStateFor(b.book, "", "", state, error)) << error;
    EXPECT_EQ(state.cards.size(), 1u);
    ASSERT_TRUE(syncStateFor(b.book, FakeCardDavServer::kBook, "u", state, error));
    EXPECT_EQ(state.cards.size(), 1u);
    ASSERT_TRUE(syncStateFor(b.book, "https://other.example/", "u", state, error));
    EXPECT_TRUE(state.cards.empty());
    testing::writeFile(syncStatePath(b.book), "damaged\n");
    EXPECT_FALSE(syncStateFor(b.book, "", "", state, error));
}

} // namespace
} // namespace qor
