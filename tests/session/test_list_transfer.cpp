// Import into the list and export of it, through the session: what the list, the book and the
// exported files hold afterwards, whatever the imported file held.
#include "form_rules.h"
#include "list_transfer.h"
#include "test_books.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

namespace qor {
namespace {

using testing::fileContents;
using testing::OpenBook;
using testing::rowsOf;
using testing::writeFile;
using F = ContactField;

TEST(ListTransfer, importedLineEndsBecomeSpacesAndTheSavedBookAndEveryExportKeepTheContactsWhole)
{
    OpenBook open(nullptr);
    const std::filesystem::path cards = open.folder.path() / "in.vcf";
    writeFile(cards, "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lee;Ann;;;\r\nNOTE:x\rSURNAME=Forged\rEMAIL=evil@example.org\r\n"
                     "END:VCARD\r\nBEGIN:VCARD\r\nVERSION:2.1\r\nN:Kim;Bo\r;;;\r\n"
                     "NOTE;ENCODING=QUOTED-PRINTABLE:a=0Db\r\nEND:VCARD\r\n");
    const TransferOutcome imported = importIntoList(open.session, cards);
    ASSERT_TRUE(imported.ok) << imported.message;
    const std::vector<ContactRecord> rows = rowsOf(open.session.store());
    ASSERT_EQ(rows.size(), 3u); // the two, and the empty contact of a missing book
    // A raw CR ends the card's line (issue 24): what follows it is no property, never text.
    EXPECT_EQ(rows[0][F::COMMENTS], "x");
    EXPECT_EQ(rows[0][F::SURNAME], "Lee");
    EXPECT_EQ(rows[1][F::FIRSTNAME], "Bo");
    EXPECT_EQ(rows[1][F::COMMENTS], "a b");

    // The book holds as many contacts as the list, with the same texts.
    ASSERT_EQ(open.session.save(SaveMode::Attended).outcome, SaveOutcome::Saved);
    const std::string book = fileContents(open.path);
    OpenBook again(&book);
    std::vector<ContactRecord> back = rowsOf(again.session.store());
    std::reverse(back.begin(), back.end()); // a load lists the file's last contact first
    ASSERT_EQ(back.size(), rows.size());
    EXPECT_EQ(back[0].texts, rows[0].texts);
    EXPECT_EQ(back[1].texts, rows[1].texts);

    // Every export ends its lines with CR LF and holds no other CR or LF.
    const std::regex stray("\r(?!\n)|(^|[^\r])\n");
    for (const ExchangeFormat format : {ExchangeFormat::VCard4, ExchangeFormat::VCard3, ExchangeFormat::QorCsv,
                                        ExchangeFormat::GoogleCsv, ExchangeFormat::OutlookCsv}) {
        const std::filesystem::path out = open.folder.path() / "out";
        ASSERT_TRUE(exportList(open.session, out, format).ok);
        EXPECT_FALSE(std::regex_search(fileContents(out), stray)) << static_cast<int>(format);
    }
}

TEST(ListTransfer, importingAFileTwiceDoesNotDoubleTheList)
{
    OpenBook open(nullptr);
    const std::filesystem::path cards = open.folder.path() / "in.vcf";
    writeFile(cards, "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lee;Ann;;;\r\nURL:http://example.org\r\nEND:VCARD\r\n"
                     "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Kim;Bo;;;\r\nEND:VCARD\r\n");
    const TransferOutcome first = importIntoList(open.session, cards);
    ASSERT_TRUE(first.ok) << first.message;
    EXPECT_EQ(first.count, 2u);
    EXPECT_EQ(first.alreadyInBook, 0u);
    EXPECT_EQ(first.message, "1 URL was not imported");
    const int rows = open.session.store().rowCount();

    // One contact changed in the file since: only it comes in.
    writeFile(cards, "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lee;Ann;;;\r\nURL:http://example.org\r\nEND:VCARD\r\n"
                     "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Kim;Bo;;;\r\nEMAIL:bo@example.org\r\nEND:VCARD\r\n");
    const TransferOutcome second = importIntoList(open.session, cards);
    ASSERT_TRUE(second.ok) << second.message;
    EXPECT_EQ(second.count, 1u);
    EXPECT_EQ(second.alreadyInBook, 1u);
    EXPECT_EQ(second.message, "1 contact was already in the book; 1 URL was not imported");
    EXPECT_EQ(open.session.store().rowCount(), rows + 1);
    EXPECT_EQ(open.session.store().text(0, columnOf(F::EMAIL)), "bo@example.org");
}

TEST(ListTransfer, valuesInACharsetThatCannotBeDecodedAreCountedInTheOutcome)
{
    OpenBook open(nullptr);
    const std::filesystem::path cards = open.folder.path() / "in.vcf";
    writeFile(cards, "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=X-MARTIAN:\x82\xA0;Ann;;;\r\n"
                     "NOTE;CHARSET=SHIFT_JIS:\x95\x5C\r\nEND:VCARD\r\n");
    const TransferOutcome imported = importIntoList(open.session, cards);
    ASSERT_TRUE(imported.ok) << imported.message;
    EXPECT_EQ(imported.undecoded, 1u);
    EXPECT_EQ(imported.message, "1 value in charset X-MARTIAN was not decoded and keeps its bytes");
    EXPECT_EQ(open.session.store().text(0, columnOf(F::SURNAME)), "\\x82\\xA0");
    EXPECT_EQ(open.session.store().text(0, columnOf(F::COMMENTS)), "表");
}

} // namespace
} // namespace qor
