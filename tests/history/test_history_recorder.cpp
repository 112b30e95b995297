// A session's recorder: its saves neither read the book they replace again nor the whole history
// (but for a check of it whole once a day), and still give every state back byte for byte; a
// history changed behind its back, torn or damaged is read whole and cut or set aside. The fast
// cut of a book cuts where the line-by-line one does.
#include "history_fixture.h"

#include "book_stamp.h"
#include "history_delta.h"

#include <map>
#include <random>

using namespace qor;
using namespace qor::testing;

namespace {

// Saves as a session makes them: the recorder is shown the book found on disk before each save.
class Recorder : public History {
protected:
    HistoryNote saveKnown(const std::string& bytes, std::int64_t time = kNow, const HistoryRules& rules = {})
    {
        const std::string onDisk = fileContents(book_);
        if (foundInPieces_) { // as a session reads it: a piece at a time, cut into keys
            PieceKeyCutter cutter;
            for (std::size_t at = 0; at < onDisk.size(); at += foundInPieces_)
                cutter.add(std::string_view(onDisk).substr(at, foundInPieces_));
            recorder_.bookFound(book_, cutter.keys(), hashBytes(onDisk), time);
        } else {
            recorder_.bookFound(book_, readBookFile(book_), hashBytes(onDisk), time);
        }
        lastBefore_ = recorder_.bookBefore(book_, hashBytes(onDisk), bytes);
        writeFile(book_, bytes);
        return recorder_.record(book_, lastBefore_, bytes, time, std::tm{}, rules);
    }
    std::vector<ContactRecord> manyContacts(std::size_t count)
    {
        std::vector<ContactRecord> list;
        for (std::size_t i = 0; i < count; ++i)
            list.push_back(contact("Surname " + std::to_string(i), std::string(200, 'a' + static_cast<char>(i % 26))));
        return list;
    }
    HistoryRecorder recorder_;
    BookBefore lastBefore_;
    std::size_t foundInPieces_ = 0; // the size of the pieces the book found is read in; 0: whole
    // Three books, each a contact more.
    const std::string ada = bookOf({contact("Ada")});
    const std::string bea = bookOf({contact("Bea"), contact("Ada")});
    const std::string cyd = bookOf({contact("Cyd"), contact("Bea"), contact("Ada")});
};

// The cut as the book's lines tell it, one line at a time: what the fast cut must match.
std::vector<std::string> cutByLines(const std::string& book)
{
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < book.size();) {
        const std::size_t feed = book.find('\n', at);
        const std::size_t end = feed == std::string::npos ? book.size() : feed + 1;
        lines.push_back(book.substr(at, end - at));
        at = end;
    }
    std::vector<std::string> pieces;
    std::string piece;
    std::string blanks; // blank lines since the last line that was not
    for (const std::string& line : lines) {
        if (line.starts_with("SURNAME=") && !(piece.empty() && blanks.empty())) {
            if (piece.empty()) {
                pieces.push_back(blanks);
            } else {
                pieces.push_back(piece);
                if (!blanks.empty())
                    pieces.push_back(blanks);
            }
            piece.clear();
            blanks.clear();
        }
        if (line.find_first_not_of(std::string("\r\n\0", 3)) == std::string::npos) {
            blanks += line;
        } else {
            piece += blanks + line;
            blanks.clear();
        }
    }
    if (!piece.empty() || !blanks.empty())
        pieces.push_back(piece + blanks);
    return pieces;
}

} // namespace

TEST_F(Recorder, LaterSavesReadNeitherTheBookNorTheWholeHistoryAndEveryStateComesBack)
{
    std::vector<ContactRecord> list = manyContacts(200);
    std::vector<std::string> books{bookOf(list)};
    writeFile(book_, books[0]);
    ASSERT_TRUE(saveKnown(books[0]).recorded); // the first: the book is read and kept whole
    EXPECT_FALSE(lastBefore_.remembered);
    for (int i = 1; i <= 5; ++i) {
        list[static_cast<std::size_t>(i * 37) % list.size()][ContactField::COMMENTS] += " edited";
        books.push_back(bookOf(list));
        const HistoryNote note = saveKnown(books.back());
        ASSERT_TRUE(note.recorded) << note.error;
        EXPECT_TRUE(lastBefore_.remembered) << i;
        EXPECT_EQ(lastBefore_.bytes.size, 0u) << i;
    }
    // The book is kept whole once; each later save adds one record's worth.
    EXPECT_LT(fileContents(history_).size(), books[0].size() + 5 * 1000);
    const std::vector<HistoryState> listed = states();
    ASSERT_EQ(listed.size(), books.size() + 1);
    for (std::size_t i = 0; i < books.size(); ++i)
        EXPECT_EQ(stateBytes(static_cast<int>(books.size() - i)), books[i]) << i;
    EXPECT_EQ(listed[0].facts.added, 1);
    EXPECT_EQ(listed[0].facts.removed, 1);
    EXPECT_EQ(listed[0].facts.contacts, 200u);
}

TEST_F(Recorder, ANewSessionAppendsAfterTheLastEntryWithoutReadingTheBookAgain)
{
    std::vector<ContactRecord> list = manyContacts(300);
    writeFile(book_, bookOf(list));
    ASSERT_TRUE(saveKnown(bookOf(list)).recorded);
    const std::size_t oneSession = fileContents(history_).size();
    std::vector<std::string> books{bookOf(list)};
    for (int session = 0; session < 3; ++session) {
        recorder_ = HistoryRecorder{};
        // A session lists the book the other way from its file: its first save turns it around.
        std::reverse(list.begin(), list.end());
        list[7][ContactField::COMMENTS] += " edited";
        books.push_back(bookOf(list));
        ASSERT_TRUE(saveKnown(books.back(), kNow + session).recorded);
        EXPECT_TRUE(lastBefore_.remembered) << session;
    }
    // Each save holds the contact it changed and a run of the others, however they turned.
    EXPECT_LT(fileContents(history_).size(), oneSession + 3 * 1000);
    for (std::size_t i = 0; i < books.size(); ++i)
        EXPECT_EQ(stateBytes(static_cast<int>(books.size() - i)), books[i]) << i;
}

TEST_F(Recorder, ABookFoundInPiecesIsRecordedByteForByteAsTheBookFoundWhole)
{
    for (const TextEncoding encoding : {TextEncoding::Utf8, TextEncoding::Windows1252, TextEncoding::Utf16LE,
                                        TextEncoding::Utf16BE}) {
        std::vector<ContactRecord> list = manyContacts(60);
        std::map<std::size_t, std::string> histories; // the later saves' entries, by the size of the pieces read
        for (const std::size_t pieces : {std::size_t{0}, std::size_t{1}, std::size_t{7}, std::size_t{1000}, std::size_t{1} << 20}) {
            std::filesystem::remove(history_);
            writeFile(book_, bookOf(list, encoding));
            foundInPieces_ = 0;
            recorder_ = HistoryRecorder{};
            ASSERT_TRUE(saveKnown(bookOf(list, encoding)).recorded);
            const std::size_t kept = fileContents(history_).size(); // the book kept whole, with its time
            std::vector<ContactRecord> edited = list;
            foundInPieces_ = pieces;
            for (int session = 0; session < 2; ++session) {
                recorder_ = HistoryRecorder{}; // each session's first save: the book found is cut
                std::reverse(edited.begin(), edited.end());
                edited[5][ContactField::COMMENTS] += " edited";
                ASSERT_TRUE(saveKnown(bookOf(edited, encoding), kNow + session).recorded);
                EXPECT_TRUE(lastBefore_.remembered) << pieces;
            }
            histories[pieces] = fileContents(history_).substr(kept); // the entries of the saves after
        }
        for (const auto& [pieces, history] : histories)
            EXPECT_EQ(history, histories[0]) << static_cast<int>(encoding) << " in pieces of " << pieces;
    }
}

TEST_F(Recorder, ATornLastEntryIsCutOffByTheFirstSaveOfASession)
{
    writeFile(book_, ada);
    ASSERT_TRUE(saveKnown(ada).recorded);
    const std::size_t firstEnd = fileContents(history_).size();
    ASSERT_TRUE(saveKnown(bea).recorded);
    const std::string whole = fileContents(history_);
    // The next append died halfway, after the book was written.
    writeFile(history_, whole + whole.substr(firstEnd, 30));
    recorder_ = HistoryRecorder{};
    ASSERT_TRUE(saveKnown(cyd).recorded);
    EXPECT_FALSE(lastBefore_.remembered); // read whole to tell a torn end from damage
    ASSERT_EQ(states().size(), 4u);
    EXPECT_EQ(stateBytes(1), cyd);
    EXPECT_EQ(stateBytes(2), bea);
    EXPECT_TRUE(fileContents(history_).starts_with(whole));
}

TEST_F(Recorder, DamageInsideAnOlderEntryIsFoundByTheDailyCheckOrByDroppingTheOldest)
{
    struct Case {
        const char* what;
        std::int64_t later;   // the next session's save, this long after the last check
        HistoryRules rules;   // whether that save drops the oldest
        bool setAside;
    };
    const std::vector<Case> cases{
        {"within a day, unseen", kCheckWholeEvery - 1, {}, false},
        {"a day on, checked whole", kCheckWholeEvery, {}, true},
        {"a clock put back, checked whole", -10, {}, true},
        {"read whole to drop the oldest", 10, rulesKeeping(1, 5, 0), true},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all(folder_.path());
        std::filesystem::create_directories(folder_.path());
        recorder_ = HistoryRecorder{};
        writeFile(book_, ada);
        ASSERT_TRUE(saveKnown(ada).recorded);
        ASSERT_TRUE(saveKnown(bea).recorded);
        // A wrong byte inside the first entry's contents: every frame still lines up.
        std::string damaged = fileContents(history_);
        damaged[kHistoryHead.size() + kFrameOpeningSize + 60] ^= 0x20;
        writeFile(history_, damaged);
        recorder_ = HistoryRecorder{};
        const HistoryNote note = saveKnown(cyd, kNow + c.later, c.rules);
        EXPECT_TRUE(note.recorded) << c.what << ": " << note.error;
        EXPECT_EQ(!note.setAside.empty(), c.setAside) << c.what;
        if (!c.setAside)
            continue;
        EXPECT_TRUE(fileContents(note.setAside).starts_with(damaged)) << c.what;
        // A new history, which the next save keeps the book in whole.
        recorder_ = HistoryRecorder{};
        ASSERT_TRUE(saveKnown(bea, kNow + c.later).recorded) << c.what;
        EXPECT_EQ(stateBytes(1), bea) << c.what;
        EXPECT_EQ(stateBytes(2), cyd) << c.what;
    }
}

TEST_F(Recorder, ABookNotTheOneLastRecordedIsReadAndKeptWhole)
{
    const std::string other = bookOf({contact("Other")});
    const std::string both = bea;
    writeFile(book_, ada);
    ASSERT_TRUE(saveKnown(ada).recorded);
    writeFile(book_, other); // another program wrote the book since
    ASSERT_TRUE(saveKnown(both).recorded);
    EXPECT_FALSE(lastBefore_.remembered);
    EXPECT_EQ(stateBytes(1), both);
    EXPECT_EQ(stateBytes(2), other);
    EXPECT_EQ(stateBytes(3), ada);
}

TEST_F(Recorder, AHistoryChangedBehindItsBackIsReadAndCheckedWholeAgain)
{
    writeFile(book_, ada);
    ASSERT_TRUE(saveKnown(ada).recorded);
    ASSERT_TRUE(saveKnown(bea).recorded);
    // Another program garbles a byte inside the first entry and adds one at the end.
    std::string damaged = fileContents(history_);
    damaged[40] = static_cast<char>(damaged[40] ^ 0x20);
    writeFile(history_, damaged + "x");
    const HistoryNote note = saveKnown(cyd);
    ASSERT_TRUE(note.recorded) << note.error;
    EXPECT_FALSE(note.setAside.empty());
    EXPECT_EQ(fileContents(note.setAside), damaged + "x");
    // The new history keeps the book replaced whole, read again since it no longer follows.
    EXPECT_FALSE(lastBefore_.remembered);
    ASSERT_EQ(states().size(), 2u);
    EXPECT_EQ(stateBytes(1), cyd);
    EXPECT_EQ(stateBytes(2), bea);
}

TEST_F(Recorder, AFailedAppendLeavesTheNextSaveToReadTheBookAgain)
{
    writeFile(book_, ada);
    ASSERT_TRUE(saveKnown(ada).recorded);
    std::filesystem::rename(history_, history_.string() + ".away");
    std::filesystem::create_directory(history_); // no file can go there
    EXPECT_FALSE(saveKnown(bea).recorded);
    std::filesystem::remove(history_);
    std::filesystem::rename(history_.string() + ".away", history_);
    ASSERT_TRUE(saveKnown(cyd).recorded);
    EXPECT_FALSE(lastBefore_.remembered);
    ASSERT_EQ(states().size(), 4u);
    EXPECT_EQ(stateBytes(1), cyd);
    EXPECT_EQ(stateBytes(2), bea); // found by the save after the one that failed
    EXPECT_EQ(stateBytes(3), ada);
}

TEST_F(Recorder, TheOldestSavesGoAsTheyDidWhenTheRecorderKnowsTheSizes)
{
    const HistoryRules rules = rulesKeeping(2, 100, 0);
    std::vector<ContactRecord> list{contact("Ada")};
    writeFile(book_, bookOf(list));
    for (int i = 0; i < 6; ++i) {
        list.insert(list.begin(), contact("Added " + std::to_string(i)));
        ASSERT_TRUE(saveKnown(bookOf(list), kNow - 10000 + i * 1000, rules).recorded);
    }
    // Only the two newest saves stay, the older of them now holding its book whole.
    ASSERT_EQ(states().size(), 3u);
    EXPECT_EQ(stateBytes(1), bookOf(list));
    list.insert(list.begin(), contact("Last"));
    ASSERT_TRUE(saveKnown(bookOf(list), kNow, rules).recorded);
    EXPECT_EQ(stateBytes(1), bookOf(list));
}

TEST(HistoryPieces, TheFastCutCutsWhereTheLinesTellInAnyMixOfLineEnds)
{
    const std::vector<std::string> parts{"SURNAME=A\n", "SURNAME=B\r\n", "EMAIL=x\n", "\n", "\r\n", std::string("\0\n", 2),
                                         "\r\r\n", "SURNAME=", "SURNAME", "CREATOR=QOR\n", "tail no feed", "S"};
    std::mt19937 random(11);
    for (int round = 0; round < 3000; ++round) {
        std::string book;
        const int count = static_cast<int>(random() % 40);
        for (int i = 0; i < count; ++i)
            book += parts[random() % parts.size()];
        std::vector<PieceKey> keys;
        const std::vector<std::string_view> pieces = cutIntoPieces(book, keys);
        std::vector<std::string> cut(pieces.begin(), pieces.end());
        ASSERT_EQ(cut, cutByLines(book)) << ::testing::PrintToString(book);
        ASSERT_EQ(joinPieces(pieces), book);
        ASSERT_EQ(keys, keysOf(pieces));
        ASSERT_EQ(cutIntoPieces(book), pieces);
        // Read a piece at a time, of any sizes: the keys of the whole book's cut.
        PieceKeyCutter cutter;
        for (std::size_t at = 0, size = 0; at < book.size(); at += size) {
            size = 1 + random() % 24;
            cutter.add(std::string_view(book).substr(at, size));
        }
        ASSERT_EQ(cutter.keys(), keys) << ::testing::PrintToString(book);
    }
}

TEST(HistoryPieces, ABookTurnedAroundIsOneRunBackwards)
{
    std::vector<ContactRecord> list;
    for (int i = 0; i < 5000; ++i)
        list.push_back(contact("Surname " + std::to_string(i)));
    const std::string before = bookOf(list);
    std::reverse(list.begin(), list.end());
    const std::string after = bookOf(list);
    const std::vector<std::string_view> beforePieces = cutIntoPieces(before);
    const std::vector<std::string_view> afterPieces = cutIntoPieces(after);
    const PieceDelta delta = deltaBetween(beforePieces, afterPieces);
    EXPECT_LE(delta.steps.size(), 3u); // the head, the records and the blank lines between
    EXPECT_EQ(delta.added, 0u);
    EXPECT_EQ(delta.removed, 0u);
    std::vector<std::string_view> rebuilt;
    ASSERT_TRUE(applyDelta(beforePieces, delta.steps, rebuilt));
    EXPECT_EQ(joinPieces(rebuilt), after);
}

TEST(HistoryPieces, StepsRebuildTheStateAfterAndCountWhatEachKeyGainedOrLost)
{
    const std::vector<std::string> kinds{"SURNAME=a\n", "SURNAME=b\n", "SURNAME=c\n", "SURNAME=d\n",
                                         "\n", "\r\n", "CREATOR=QOR\n"};
    std::mt19937 random(5);
    for (int round = 0; round < 2000; ++round) {
        std::vector<std::string> beforeText;
        std::vector<std::string> afterText;
        // Now and then a book big enough that pieces missed near are given whole at first.
        const unsigned size = round % 50 == 0 ? 5000 + random() % 3000 : random() % 30;
        for (unsigned i = 0; i < size; ++i)
            beforeText.push_back(kinds[random() % kinds.size()]);
        if (size > 30) // records of their own, so that the pieces near are not all alike
            for (unsigned i = 0; i < size; i += 3)
                beforeText[i] = "SURNAME=" + std::to_string(i) + "\n";
        // Mostly the same pieces, some changed, dropped or added: as one save leaves a book.
        for (const std::string& piece : beforeText) {
            const unsigned what = random() % 10;
            if (what == 0)
                continue;
            // A changed record, in a big book one unlike any before.
            const std::string changed = size > 30 ? "SURNAME=new " + std::to_string(afterText.size()) + "\n"
                                                  : kinds[random() % kinds.size()];
            afterText.push_back(what == 1 ? changed : piece);
            if (what == 2)
                afterText.push_back(kinds[random() % kinds.size()]);
        }
        if (round % 5 == 0)
            std::reverse(afterText.begin(), afterText.end());
        const std::vector<std::string_view> before(beforeText.begin(), beforeText.end());
        const std::vector<std::string_view> after(afterText.begin(), afterText.end());
        const PieceDelta delta = deltaBetween(before, after);
        std::vector<std::string_view> rebuilt;
        ASSERT_TRUE(applyDelta(before, delta.steps, rebuilt));
        ASSERT_EQ(joinPieces(rebuilt), joinPieces(after));
        std::uint64_t kept = 0; // for each record, the fewer of its copies before and after
        std::map<std::string, std::pair<std::uint64_t, std::uint64_t>> copies;
        for (const std::string& piece : beforeText)
            ++copies[piece].first;
        for (const std::string& piece : afterText)
            ++copies[piece].second;
        for (const auto& [piece, counts] : copies)
            kept += piece.starts_with("SURNAME=") ? std::min(counts.first, counts.second) : 0;
        EXPECT_EQ(delta.added, recordCount(after) - kept);
        EXPECT_EQ(delta.removed, recordCount(before) - kept);
    }
}
