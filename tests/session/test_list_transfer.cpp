// Import into the list and export of it, through the session: what the list and the book hold
// afterwards, whatever the file held.
#include "form_rules.h"
#include "list_transfer.h"
#include "session_test_books.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qor {
namespace {

using testing::fileContents;
using testing::OpenBook;
using testing::rowsOf;
using testing::writeFile;
using F = ContactField;

// Whether `bytes` has a CR or LF that is not part of a CR LF line end.
bool hasStrayLineEnd(const std::string& bytes)
{
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n'))
            return true;
        if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r'))
            return true;
    }
    return false;
}

TEST(ListTransfer, importedLineEndsBecomeSpacesAndTheSavedBookReadsBackAsTheSameContacts)
{
    const std::string forgery = "x\rSURNAME=Forged\rEMAIL=evil@example.org";
    const std::string files[] = {
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lee;Ann;;;\r\nNOTE:" + forgery + "\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Kim;Bo;;;\r\nNOTE;ENCODING=QUOTED-PRINTABLE:a=0Db\r\nEND:VCARD\r\n",
        "SURNAME,FIRSTNAME,COMMENTS\r\nLee,Ann,\"" + forgery + "\"\r\nKim,Bo\rX,a\rb\r\n",
    };
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        OpenBook open(nullptr);
        const std::filesystem::path cards = open.folder.path() / "in.txt";
        writeFile(cards, file);
        const TransferOutcome imported = importIntoList(open.session, cards);
        ASSERT_TRUE(imported.ok) << imported.message;
        EXPECT_EQ(imported.count, 2u);
        const std::vector<ContactRecord> rows = rowsOf(open.session.store());
        ASSERT_EQ(rows.size(), 3u); // the two, and the empty contact of a missing book
        EXPECT_EQ(rows[0][F::COMMENTS], "x SURNAME=Forged EMAIL=evil@example.org");
        EXPECT_EQ(rows[1][F::COMMENTS], "a b");
        for (const ContactRecord& row : rows)
            for (const std::string& text : row.texts)
                EXPECT_FALSE(holdsLineEnd(text)) << ::testing::PrintToString(text);

        // The book: as many contacts as the list, each with the same texts.
        ASSERT_EQ(open.session.save(SaveMode::Attended).outcome, SaveOutcome::Saved);
        const std::string book = fileContents(open.path);
        OpenBook again(&book);
        std::vector<ContactRecord> back = rowsOf(again.session.store());
        std::reverse(back.begin(), back.end()); // a load lists the file's last contact first
        ASSERT_EQ(back.size(), rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i)
            EXPECT_EQ(back[i].texts, rows[i].texts) << i;

        // Every export: its line ends are its own, never a value's.
        for (const ExchangeFormat format : {ExchangeFormat::VCard4, ExchangeFormat::VCard3, ExchangeFormat::QorCsv,
                                            ExchangeFormat::GoogleCsv, ExchangeFormat::OutlookCsv}) {
            const std::filesystem::path out = open.folder.path() / "out";
            ASSERT_TRUE(exportList(open.session, out, format).ok);
            EXPECT_FALSE(hasStrayLineEnd(fileContents(out))) << static_cast<int>(format);
        }
    }
}

} // namespace
} // namespace qor
