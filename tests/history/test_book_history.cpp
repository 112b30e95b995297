// The book's history: every save can be undone byte for byte, whatever happens to the history
// file, and nothing that happens to it touches the book.
#include "history_fixture.h"

#include "book_stamp.h"
#include "history_delta.h"

#include <random>

using namespace qor;
using namespace qor::testing;
namespace fs = std::filesystem;

namespace {

// A list edited as a user would, one command a save, with every book it was saved as.
std::vector<std::string> editAndSave(History& test, std::vector<ContactRecord>& list, int saves,
                                     const std::function<HistoryNote(const std::string&)>& save)
{
    std::mt19937 random(7);
    std::vector<std::string> books;
    for (int i = 0; i < saves; ++i) {
        const std::size_t at = list.empty() ? 0 : random() % list.size();
        switch (list.empty() ? 0 : random() % 4) {
        case 0: list.insert(list.begin(), contact("Added " + std::to_string(i), "note " + std::to_string(i))); break;
        case 1: list[at][ContactField::COMMENTS] += " edited " + std::to_string(i); break;
        case 2: list.erase(list.begin() + static_cast<std::ptrdiff_t>(at)); break;
        default: std::reverse(list.begin(), list.end()); break; // load then save: the order turns
        }
        books.push_back(bookOf(list));
        const HistoryNote note = save(books.back());
        EXPECT_TRUE(note.recorded) << note.error;
    }
    (void)test;
    return books;
}

} // namespace

TEST_F(History, EverySaveIsAStateAndEveryStateComesBackByteForByte)
{
    std::vector<ContactRecord> list{contact("Ada"), contact("Brunel"), contact("Curie")};
    const std::string first = bookOf(list);
    writeFile(book_, first);
    const std::vector<std::string> books = editAndSave(*this, list, 60, [&](const std::string& bytes) {
        return save(bytes);
    });

    const std::vector<HistoryState> listed = states();
    ASSERT_EQ(listed.size(), books.size() + 1); // the book found at the first save, then each save
    for (std::size_t i = 0; i < books.size(); ++i) {
        const int number = static_cast<int>(books.size() - i);
        EXPECT_EQ(stateBytes(number), books[i]) << "state " << number;
        EXPECT_EQ(listed[static_cast<std::size_t>(number - 1)].number, number);
        EXPECT_EQ(listed[static_cast<std::size_t>(number - 1)].facts.contacts, parseBook(books[i], {}).records.size());
    }
    EXPECT_EQ(stateBytes(static_cast<int>(listed.size())), first);
    EXPECT_EQ(listed.back().facts.added, -1); // found, not saved: what changed is not known
    EXPECT_FALSE(rebuildState(book_, static_cast<int>(listed.size()) + 1).ok);
    EXPECT_FALSE(rebuildState(book_, 0).ok);
    // The history holds the changes, not a copy a save.
    std::size_t allBooks = 0;
    for (const std::string& book : books)
        allBooks += book.size();
    EXPECT_LT(fs::file_size(history_), allBooks / 3);
#ifndef _WIN32
    EXPECT_EQ(fs::status(history_).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
#endif
}

TEST_F(History, CountsTheContactsAddedAndRemovedBySave)
{
    save(std::vector<ContactRecord>{contact("Ada"), contact("Brunel")});
    save(std::vector<ContactRecord>{contact("New"), contact("Ada"), contact("Brunel")});
    save(std::vector<ContactRecord>{contact("New"), contact("Ada", "edited")});
    const std::vector<HistoryState> listed = states();
    ASSERT_EQ(listed.size(), 3u); // a missing book is no state
    const auto facts = [&](std::size_t i) {
        return std::tuple(listed[i].facts.contacts, listed[i].facts.added, listed[i].facts.removed);
    };
    EXPECT_EQ(facts(0), std::tuple(2u, 1, 2));
    EXPECT_EQ(facts(1), std::tuple(3u, 1, 0));
    EXPECT_EQ(facts(2), std::tuple(2u, 2, 0));
    EXPECT_EQ(listed[0].facts.time, kNow);
}

TEST_F(History, ABookChangedByAnotherProgramIsKeptWholeAndTheOlderStatesStay)
{
    save(std::vector<ContactRecord>{contact("Ada")});
    // Another program's book, with lines QOR does not read: the next save drops them, the
    // history keeps them.
    const std::string foreign = "# my own notes\nSURNAME=Ada\nEMAIL=ada@example.org\nPHONE=123\n";
    writeFile(book_, foreign);
    save(std::vector<ContactRecord>{contact("Ada"), contact("Babbage")});
    const std::vector<HistoryState> listed = states();
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_EQ(stateBytes(2), foreign);
    EXPECT_EQ(listed[1].facts.added, -1);
    EXPECT_EQ(stateBytes(3), bookOf({contact("Ada")}));
}

TEST_F(History, PiecesAreRecordsInEveryEncoding)
{
    const std::vector<ContactRecord> list{contact("Ada"), contact("Bea"), contact("Cyd")};
    for (const TextEncoding encoding : {TextEncoding::Utf8, TextEncoding::Windows1252, TextEncoding::Utf16LE,
                                        TextEncoding::Utf16BE}) {
        const std::string bytes = bookOf(list, encoding);
        const std::vector<std::string_view> pieces = cutIntoPieces(bytes);
        EXPECT_EQ(pieces.size(), 6u) << static_cast<int>(encoding); // head, 3 records, 2 blank lines
        EXPECT_EQ(pieces[1].size(), pieces[5].size()); // the last record reads as the first
        EXPECT_EQ(recordCount(pieces), 3u);
        EXPECT_EQ(joinPieces(pieces), bytes);
    }
    EXPECT_EQ(cutIntoPieces("no records\r\nat all").size(), 1u);
    EXPECT_TRUE(cutIntoPieces("").empty());
}

TEST_F(History, ACrashAtAnyByteOfAnEntryLeavesTheEntriesBefore)
{
    const std::vector<std::string> books{bookOf({contact("Ada")}), bookOf({contact("Ada"), contact("Brunel")}),
                                         bookOf({contact("Curie"), contact("Brunel")})};
    save(books[0]);
    save(books[1]);
    const std::string twoSaves = fileContents(history_);
    save(books[2]);
    const std::string threeSaves = fileContents(history_);
    for (std::size_t size = twoSaves.size(); size < threeSaves.size(); ++size) {
        writeFile(history_, threeSaves.substr(0, size));
        ASSERT_EQ(states().size(), 2u) << "cut at " << size;
        EXPECT_EQ(stateBytes(1), books[1]);
        EXPECT_EQ(stateBytes(2), books[0]);
        // A write that grew the file but never got its bytes to the disk leaves zeros.
        writeFile(history_, twoSaves + std::string(size - twoSaves.size(), '\0'));
        ASSERT_EQ(states().size(), 2u) << "zeros to " << size;
    }
    // The next save cuts the torn entry off and appends after the sound ones.
    writeFile(history_, threeSaves.substr(0, threeSaves.size() - 5));
    writeFile(book_, books[1]);
    EXPECT_TRUE(save(books[2]).recorded);
    EXPECT_EQ(fileContents(history_), threeSaves);
    // A history whose very first write was cut short is an empty one.
    for (const std::string& torn : {std::string("QORH"), std::string(3, '\0')}) {
        writeFile(history_, torn);
        EXPECT_TRUE(states().empty());
    }
}

TEST_F(History, ADamagedHistoryIsSetAsideAndANewOneStarted)
{
    const std::string ada = bookOf({contact("Ada")});
    const std::string both = bookOf({contact("Ada"), contact("Brunel")});
    save(ada);
    const std::size_t firstEnd = fileContents(history_).size();
    save(both);
    const std::string sound = fileContents(history_);
    // Any byte of the first entry (the head included) made wrong damages the history; the
    // last entry's contents made wrong read as a write cut short.
    constexpr std::size_t kOpening = 20;
    std::size_t damaged = 0;
    for (std::size_t at = 0; at < sound.size(); at += 7) {
        std::string bad = sound;
        bad[at] = static_cast<char>(bad[at] ^ 0x5A);
        writeFile(history_, bad);
        const HistoryListing listing = listHistory(book_);
        if (at < firstEnd) {
            EXPECT_FALSE(listing.ok) << "byte " << at;
            ++damaged;
        } else if (at >= firstEnd + kOpening) {
            ASSERT_TRUE(listing.ok) << "byte " << at;
            EXPECT_EQ(listing.states.size(), 1u);
        }
    }
    EXPECT_GT(damaged, 0u);

    std::string bad = sound;
    bad[firstEnd / 2] ^= 1;
    writeFile(history_, bad);
    const HistoryNote note = save(ada, kNow, {});
    EXPECT_TRUE(note.recorded) << note.error;
    ASSERT_FALSE(note.setAside.empty());
    EXPECT_EQ(fileContents(note.setAside), bad); // kept as it was, for whoever wants to look
    EXPECT_TRUE(note.setAside.filename().string().starts_with("qor.qor.history.damaged-"));
    EXPECT_EQ(fileContents(book_), ada);
    ASSERT_EQ(states().size(), 2u); // the book found, then this save
    EXPECT_EQ(stateBytes(2), both);
}

TEST_F(History, OnlySavesBeyondTheDaysAndSavesKeptGoOnceTheFileOutgrowsItsRoom)
{
    HistoryRules rules = rulesKeeping(5, 1000, 2000);
    std::vector<ContactRecord> list{contact("Ada"), contact("Brunel")};
    std::vector<std::string> books;
    std::int64_t time = kNow;
    for (int i = 0; i < 30; ++i) {
        list.insert(list.begin(), contact("Contact " + std::to_string(i), std::string(100, 'x')));
        books.push_back(bookOf(list));
        time += i < 20 ? 3600 : 10; // the last ten saves fall within the days kept
        const HistoryNote note = save(books.back(), time, rules);
        ASSERT_TRUE(note.recorded) << note.error;
        ASSERT_TRUE(note.error.empty()) << note.error;
    }
    const std::vector<HistoryState> listed = states();
    EXPECT_GE(listed.size(), 10u);
    EXPECT_LT(listed.size(), 31u);
    for (std::size_t n = 1; n <= listed.size(); ++n)
        EXPECT_EQ(stateBytes(static_cast<int>(n)), books[books.size() - n]) << "state " << n;
    const std::uint64_t room = fs::file_size(book_) + rules.slackBytes;
    EXPECT_LE(fs::file_size(history_), room + 10 * 400); // only the saves kept may stand over it

    // Saves all within the days kept are all kept, however big.
    rules.keepSeconds = 1'000'000;
    for (int i = 0; i < 20; ++i) {
        list.insert(list.begin(), contact("Late " + std::to_string(i), std::string(100, 'y')));
        save(list, time + i, rules);
    }
    EXPECT_GE(states().size(), listed.size() + 20);
}

#ifndef _WIN32
TEST_F(History, TheHistoryLiesBesideTheFileTheBookLinksTo)
{
    fs::create_directory(folder_.path() / "real");
    writeFile(folder_.path() / "real" / "book.qor", "");
    fs::create_symlink("real/book.qor", book_);
    EXPECT_EQ(historyPathFor(book_), folder_.path() / "real" / "book.qor.history");
}
#endif
