#include "book_session.h"
#include "field_table.h"
#include "form_rules.h"
#include "test_books.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

namespace qor {
namespace {

using testing::bookOf;
using testing::contact;
using testing::surnames;
using testing::fileContents;
using testing::OpenBook;
using testing::writeFile;
using F = ContactField;

std::vector<std::filesystem::path> besideTheBook(const std::filesystem::path& book)
{
    std::vector<std::filesystem::path> out;
    for (const auto& entry : std::filesystem::directory_iterator(book.parent_path()))
        if (entry.path() != book && entry.path() != historyPathFor(book)) // the history is told of apart
            out.push_back(entry.path());
    return out;
}

TEST(BookSessionLoad, listsTheFileLastContactFirstAndShowsRowZero)
{
    const std::string book = bookOf({"A", "B", "C"});
    OpenBook open(&book);
    EXPECT_FALSE(open.report.refusal);
    EXPECT_EQ(surnames(open.session.store()), (std::vector<std::string>{"C", "B", "A"}));
    EXPECT_EQ(open.session.form[F::SURNAME], "C");
    EXPECT_FALSE(open.session.mark().isSet());
}

TEST(BookSessionLoad, aBookThatCannotBeUsedOpensAsOneContactAndIsNeverReplaced)
{
    struct Case {
        const char* name;
        std::string bytes;
        std::optional<BookRefusal> refusal;
    };
    const std::vector<Case> cases = {
        {"missing", {}, std::nullopt},
        {"not a book", std::string("\x7f" "ELF\x02\x01\x01\0\0\0binary", 16), BookRefusal::NotABook},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OpenBook open(c.bytes.empty() ? nullptr : &c.bytes);
        EXPECT_EQ(open.report.refusal, c.refusal);
        EXPECT_EQ(open.session.store().rowCount(), 1);
        EXPECT_EQ(open.session.bookRefused(), c.refusal.has_value());
        // Closing such a book unchanged has nothing to write and nothing to lose.
        EXPECT_EQ(open.session.nothingToSaveOnClose(), c.refusal.has_value());
        const SaveResult saved = open.session.save(SaveMode::Attended);
        if (!c.refusal) {
            EXPECT_EQ(saved.outcome, SaveOutcome::Saved);
            continue;
        }
        EXPECT_EQ(saved.outcome, SaveOutcome::Failed);
        EXPECT_NE(saved.error.find("not a QOR contact book"), std::string::npos) << saved.error;
        EXPECT_EQ(fileContents(open.path), c.bytes);
        open.session.add();
        EXPECT_FALSE(open.session.nothingToSaveOnClose());
        // Nobody there to put it right: the list goes beside the book, which stays.
        const SaveResult unattended = open.session.save(SaveMode::Unattended);
        EXPECT_EQ(unattended.outcome, SaveOutcome::SavedBeside);
        EXPECT_EQ(fileContents(open.path), c.bytes);
        EXPECT_EQ(besideTheBook(open.path), std::vector<std::filesystem::path>{unattended.beside});
    }
}

// The book is read a piece at a time: a book of several pieces, with records, lines, CR LF pairs
// and UTF-8 sequences cut between pieces, gives the rows the reader of the whole book gives, and a
// save writes the bytes formatting those rows gives.
TEST(BookSessionLoad, aBookOfManyPiecesGivesTheRowsOfTheWholeBookAndSavesTheSameBytes)
{
    std::string book = "CREATOR=QOR 1.0\r\n";
    for (int i = 0; book.size() < 3 * 1024 * 1024 + 100; ++i) {
        for (const FieldInfo& info : fieldTable()) {
            std::string value = std::to_string(i * 7 + static_cast<int>(info.key.size()));
            if (i % 5 == 0)
                value += " M\xC3\xBCller \xE2\x82\xAC";
            if (i % 97 == 0)
                value += " caf\xE9"; // Windows-1252 bytes a legacy program left
            book += std::string(info.key) + "=" + value + (i % 3 ? "\r\n" : "\n");
        }
        book += "\r\n";
    }
    const ParsedBook parsed = parseBook(book, ContactRecord{});
    OpenBook open(&book);
    ASSERT_FALSE(open.report.refusal);
    const ContactStore& store = open.session.store();
    ASSERT_EQ(static_cast<std::size_t>(store.rowCount()), parsed.records.size());
    for (std::size_t i = 0; i < parsed.records.size(); ++i) {
        ContactRecord expected = parsed.records[parsed.records.size() - 1 - i];
        passThroughForm(expected);
        ASSERT_EQ(store.record(static_cast<int>(i)), expected) << "row " << i;
    }
    std::vector<ContactRecord> rows;
    for (int row = 0; row < store.rowCount(); ++row)
        rows.push_back(store.record(row));
    const FormattedBook expected = formatBook(rows.size(), [&rows](std::size_t i) -> const ContactRecord& { return rows[i]; },
                                              parsed.encoding);
    ASSERT_EQ(open.session.save(SaveMode::Attended).outcome, SaveOutcome::Saved);
    EXPECT_TRUE(fileContents(open.path) == expected.bytes);
}

TEST(BookSessionCommands, addUpdateAndDeleteWorkOnTheMarkedRowAndTheMarkFollowsItsContact)
{
    const std::string book = bookOf({"A", "B"});
    OpenBook open(&book);
    BookSession& s = open.session;
    // No mark yet: Update and Delete change nothing.
    s.form = contact("Changed");
    EXPECT_FALSE(s.update());
    EXPECT_FALSE(s.remove());
    EXPECT_EQ(surnames(s.store()), (std::vector<std::string>{"B", "A"}));

    s.mark().set(1); // "A"
    s.form = contact("New");
    EXPECT_TRUE(s.add());
    EXPECT_EQ(surnames(s.store()), (std::vector<std::string>{"New", "B", "A"}));
    EXPECT_EQ(s.mark().row(), 2); // still "A"

    s.form = contact("A2");
    EXPECT_TRUE(s.update());
    EXPECT_EQ(surnames(s.store()), (std::vector<std::string>{"New", "B", "A2"}));

    s.mark().set(1);
    EXPECT_TRUE(s.remove());
    EXPECT_EQ(surnames(s.store()), (std::vector<std::string>{"New", "A2"}));
    EXPECT_FALSE(s.mark().isSet()); // the marked row went: nothing acts on its neighbour
    EXPECT_EQ(s.form[F::SURNAME], "A2"); // the form keeps what it had
    EXPECT_FALSE(s.update());

    s.mark().set(0);
    s.store().removeRowAt(1); // a row below the mark goes: the mark stays
    EXPECT_EQ(s.mark().row(), 0);
    s.mark().set(7); // a row that does not exist clears the mark
    EXPECT_FALSE(s.mark().isSet());
}

TEST(BookSessionCommands, addAndUpdateTurnEveryLineEndInTheFormIntoASpaceInTheListAndTheForm)
{
    // What any front end may leave in the form: a lone CR would end the line in the book and
    // begin a forged contact there.
    const std::string book = bookOf({"A"});
    OpenBook open(&book);
    BookSession& s = open.session;
    for (const bool update : {false, true}) {
        SCOPED_TRACE(update ? "Update" : "Add");
        s.form = contact("Lee");
        s.form[F::COMMENTS] = "x\rSURNAME=Forged\r\nEMAIL=evil@example.org\n";
        s.form.windows1252Fields.set(columnOf(F::COMMENTS));
        s.mark().set(0);
        EXPECT_TRUE(update ? s.update() : s.add());
        EXPECT_EQ(s.form[F::COMMENTS], "x SURNAME=Forged EMAIL=evil@example.org ");
        EXPECT_FALSE(s.form.windows1252Fields.any());
        EXPECT_EQ(s.store().text(0, columnOf(F::COMMENTS)), s.form[F::COMMENTS]);
    }
    EXPECT_EQ(surnames(s.store()), (std::vector<std::string>{"Lee", "A"}));
    ASSERT_EQ(s.save(SaveMode::Attended).outcome, SaveOutcome::Saved);
    EXPECT_EQ(fileContents(open.path).find("SURNAME=Forged\r\n"), std::string::npos);
}

TEST(BookSessionCommands, showingARowReplacesTheFormAndANonRowLeavesIt)
{
    const std::string book = bookOf({"A", "B"});
    OpenBook open(&book);
    open.session.form = contact("Typed");
    open.session.showRow(5);
    EXPECT_EQ(open.session.form[F::SURNAME], "Typed");
    open.session.showRow(1);
    EXPECT_EQ(open.session.form[F::SURNAME], "A");
    open.session.clearForm();
    EXPECT_EQ(open.session.form, ContactRecord{});
}

TEST(BookSessionSave, writesTheListTopToBottomSoALoadAndSaveReverseTheFile)
{
    const std::string book = bookOf({"A", "B"});
    OpenBook open(&book);
    EXPECT_EQ(open.session.save(SaveMode::Attended).outcome, SaveOutcome::Saved);
    EXPECT_EQ(fileContents(open.path), bookOf({"B", "A"}));
}

// A UTF-8 book where a legacy program left a line in Windows-1252 is written back with that
// line's bytes: the list's rows keep which of their fields came from such bytes.
TEST(BookSessionSave, aFieldReadFromWindows1252BytesIsWrittenBackInThem)
{
    const std::string book = bookOf({"caf\xE9", "Jos\xC3\xA9"});
    OpenBook open(&book);
    EXPECT_EQ(open.session.save(SaveMode::Attended).outcome, SaveOutcome::Saved);
    EXPECT_EQ(fileContents(open.path), bookOf({"Jos\xC3\xA9", "caf\xE9"}));
}

TEST(BookSessionSave, aBookChangedOnDiskIsAQuestionAndEachAnswerKeepsWhatItPromises)
{
    const std::string book = bookOf({"A"});
    const std::string theirs = bookOf({"Theirs"});
    struct Case {
        ConflictChoice choice;
        SaveOutcome outcome;
        std::string bookAfter;
        bool besideWritten;
    };
    // The book this session read was never saved by QOR, so its history does not hold it: the
    // merge keeps every contact of both sides.
    const std::vector<Case> cases = {
        {ConflictChoice::GoBack, SaveOutcome::WentBack, theirs, false},
        {ConflictChoice::SaveBeside, SaveOutcome::SavedBeside, theirs, true},
        {ConflictChoice::Overwrite, SaveOutcome::Saved, bookOf({"Mine", "A"}), false},
        {ConflictChoice::Merge, SaveOutcome::Saved, bookOf({"Theirs", "Mine", "A"}), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.choice));
        OpenBook open(&book);
        open.session.form = contact("Mine");
        open.session.add();
        writeFile(open.path, theirs); // another program rewrites the book
        const SaveResult asked = open.session.save(SaveMode::Attended);
        ASSERT_EQ(asked.outcome, SaveOutcome::Conflict);
        const std::string beside = asked.beside.filename().string();
        EXPECT_EQ(beside.rfind("qor-conflict-", 0), 0u) << beside;
        EXPECT_EQ(asked.beside.extension(), ".qor");
        EXPECT_EQ(fileContents(open.path), theirs); // nothing written before the answer
        EXPECT_TRUE(asked.canMerge);
        EXPECT_EQ(asked.account.addedThere, 1u);
        EXPECT_TRUE(asked.mergeBaseUnknown);

        const SaveResult answered = open.session.answerConflict(c.choice);
        EXPECT_EQ(answered.outcome, c.outcome);
        EXPECT_EQ(fileContents(open.path), c.bookAfter);
        if (c.besideWritten) {
            EXPECT_EQ(answered.beside, asked.beside); // the file the question named
            EXPECT_EQ(fileContents(asked.beside), bookOf({"Mine", "A"}));
        }
        EXPECT_EQ(besideTheBook(open.path).size(), c.besideWritten ? 1u : 0u);
        // Only an overwrite or a merge makes the book what this session knows; otherwise it asks
        // again.
        const bool known = c.choice == ConflictChoice::Overwrite || c.choice == ConflictChoice::Merge;
        const SaveOutcome next = open.session.save(SaveMode::Attended).outcome;
        EXPECT_EQ(next, known ? SaveOutcome::Saved : SaveOutcome::Conflict);
    }
}

TEST(BookSessionSave, theSameBytesAreNoChangeButABookRemovedOrMadeMeanwhileIs)
{
    const std::string book = bookOf({"A"});
    OpenBook open(&book);
    writeFile(open.path, book); // written again, unchanged
    EXPECT_EQ(open.session.save(SaveMode::Attended).outcome, SaveOutcome::Saved);
    std::filesystem::remove(open.path);
    EXPECT_EQ(open.session.save(SaveMode::Attended).outcome, SaveOutcome::Conflict);
    EXPECT_FALSE(std::filesystem::exists(open.path));

    OpenBook missing(nullptr);
    writeFile(missing.path, bookOf({"Made meanwhile"}));
    EXPECT_EQ(missing.session.save(SaveMode::Attended).outcome, SaveOutcome::Conflict);
    EXPECT_EQ(missing.session.answerConflict(ConflictChoice::GoBack).outcome, SaveOutcome::WentBack);
    EXPECT_EQ(fileContents(missing.path), bookOf({"Made meanwhile"}));
}

TEST(BookSessionSave, anUnattendedSaveNeverAsksAndKeepsBothSides)
{
    // A book it can merge with: merged.
    const std::string book = bookOf({"A"});
    OpenBook merging(&book);
    writeFile(merging.path, bookOf({"Theirs"}));
    const SaveResult merged = merging.session.save(SaveMode::Unattended);
    EXPECT_EQ(merged.outcome, SaveOutcome::Saved);
    EXPECT_TRUE(merged.merged);
    EXPECT_EQ(fileContents(merging.path), bookOf({"Theirs", "A"}));
    EXPECT_TRUE(besideTheBook(merging.path).empty());

    // A file that is no longer a book: the list goes beside it.
    OpenBook open(&book);
    writeFile(open.path, "Dear diary,\n");
    const SaveResult saved = open.session.save(SaveMode::Unattended);
    EXPECT_EQ(saved.outcome, SaveOutcome::SavedBeside);
    EXPECT_EQ(fileContents(open.path), "Dear diary,\n");
    EXPECT_EQ(fileContents(saved.beside), bookOf({"A"}));
    // An answer with no question waiting changes nothing.
    EXPECT_EQ(open.session.answerConflict(ConflictChoice::Overwrite).outcome, SaveOutcome::Failed);
    EXPECT_EQ(fileContents(open.path), "Dear diary,\n");
}

TEST(BookSessionSave, theFirstSaveThatWouldDropLinesKeepsTheBookAsItWasBesideItAndSaysSoOnce)
{
    const std::string script = "#!/bin/sh\nHOST=example.org\nEMAIL=ops@example.org\nexec run\n";
    OpenBook open(&script);
    ASSERT_FALSE(open.report.refusal);
    const SaveResult first = open.session.save(SaveMode::Attended);
    ASSERT_EQ(first.outcome, SaveOutcome::Saved);
    EXPECT_EQ(first.unreadLines, 3u);
    ASSERT_FALSE(first.keptOld.empty());
    EXPECT_EQ(first.keptOld.filename().string().rfind("qor-before-", 0), 0u) << first.keptOld;
    EXPECT_EQ(fileContents(first.keptOld), script);
#ifndef _WIN32
    EXPECT_EQ(std::filesystem::status(first.keptOld).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
#endif
    const SaveResult second = open.session.save(SaveMode::Attended);
    EXPECT_EQ(second.outcome, SaveOutcome::Saved);
    EXPECT_TRUE(second.keptOld.empty());
    EXPECT_EQ(besideTheBook(open.path).size(), 1u);

    // A book QOR wrote holds nothing it does not read: nothing is kept.
    const std::string book = bookOf({"A"});
    OpenBook plain(&book);
    EXPECT_TRUE(plain.session.save(SaveMode::Attended).keptOld.empty());
    EXPECT_TRUE(besideTheBook(plain.path).empty());
}

} // namespace
} // namespace qor
