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
    EXPECT_EQ(rows[0][F::COMMENTS], "x SURNAME=Forged EMAIL=evil@example.org");
    EXPECT_EQ(rows[1][F::FIRSTNAME], "Bo ");
    EXPECT_EQ(rows[1][F::COMMENTS], "a b");

    // The book holds as many contacts as the list, with the same texts.
    ASSERT_EQ(open.session.save(SaveMode::Attended).outcome, SaveOutcome::Saved);
    const std::string book = fileContents(open.path);
    OpenBook again(&book);
    std::vector<ContactRecord> back = rowsOf(again.session.store());
    std::reverse(back.begin(), back.end()); // a load lists the file's last contact first
    ASSERT_EQ(back.size(), rows.size());
    EXPECT_EQ(back[0].texts, rows[0].texts);
    EXPECT_EQ(back[1][F::COMMENTS], rows[1][F::COMMENTS]); // "Bo " loses its end: the book trims lines

    // Every export ends its lines with CR LF and holds no other CR or LF.
    const std::regex stray("\r(?!\n)|(^|[^\r])\n");
    for (const ExchangeFormat format : {ExchangeFormat::VCard4, ExchangeFormat::VCard3, ExchangeFormat::QorCsv,
                                        ExchangeFormat::GoogleCsv, ExchangeFormat::OutlookCsv}) {
        const std::filesystem::path out = open.folder.path() / "out";
        ASSERT_TRUE(exportList(open.session, out, format).ok);
        EXPECT_FALSE(std::regex_search(fileContents(out), stray)) << static_cast<int>(format);
    }
}

} // namespace
} // namespace qor
