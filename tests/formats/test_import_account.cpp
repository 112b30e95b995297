// Issue 24, items 8 to 10: nothing is dropped unseen, a contact already in the book is not put
// in again, and headers and byte-order marks as real files have them are recognised.
#include "contact_exchange.h"
#include "known_contacts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace qor;
using F = ContactField;

TEST(ImportAccount, EveryPropertyWithoutAFieldIsCountedByKind_andCardMetadataSkipped)
{
    const ImportResult r = importContacts("BEGIN:VCARD\r\nVERSION:3.0\r\n"
                                          "PRODID:-//Apple Inc.//iPhone OS 17.2//EN\r\n"
                                          "REV:2024-01-01T10:00:00Z\r\nUID:5C1B-2A\r\nX-ABUID:5C1B-2A:ABPerson\r\n"
                                          "SORT-STRING:Lee\r\nMAILER:Microsoft Outlook\r\nCLIENTPIDMAP:1;urn:uuid:1\r\n"
                                          "N:Lee;Ann;;;\r\nFN:Ann Lee\r\nORG:Acme Ltd;\r\n"
                                          "PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQ\r\n"
                                          "TEL;TYPE=CELL:1\r\nTEL;TYPE=HOME:2\r\nTEL;TYPE=WORK:3\r\nTEL;TYPE=HOME:4\r\n"
                                          "TEL;TYPE=CELL:5\r\n"
                                          "END:VCARD\r\n");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.unplaced.describe(), "1 organisation, 1 photo and 2 more phone numbers were not imported");

    const ImportResult more = importContacts("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lee;Ann;;;\r\nX-AIM:ann\r\n"
                                             "IMPP:xmpp:ann@example.org\r\nX-ABDATE:2001-01-01\r\nitem1.X-ABLabel:_$!<Other>!$_\r\n"
                                             "X-ABRELATEDNAMES:Bo\r\nX-PHONETIC-LAST-NAME:Lii\r\nX-CUSTOM-THING:1\r\nEND:VCARD\r\n");
    ASSERT_TRUE(more.ok) << more.error;
    EXPECT_EQ(more.unplaced.describe(), "2 instant messaging addresses, 1 other date, 1 related person, "
                                        "1 phonetic name and 1 X-CUSTOM-THING property were not imported");
}

TEST(ImportAccount, ContactsAlreadyInTheBook_areRemovedFromTheImportAndCounted)
{
    ContactRecord ann, bo, annAgain;
    ann[F::SURNAME] = "Lee";
    ann[F::FIRSTNAME] = "Ann";
    bo[F::SURNAME] = "Kim";
    annAgain = ann;
    annAgain[F::EMAIL] = "ann@example.org"; // differs in one field: a contact of its own
    const std::vector<ContactRecord> book = {bo, ann};
    std::vector<ContactRecord> imported = {ann, annAgain, bo, ann};
    const std::size_t removed = removeContactsInBook(imported, book.size(), [&book](std::size_t row, ContactTexts& t) {
        for (std::size_t c = 0; c < kFieldCount; ++c)
            t[c] = book[row][c];
    });
    EXPECT_EQ(removed, 3u);
    ASSERT_EQ(imported.size(), 1u);
    EXPECT_EQ(imported[0], annAgain);

    std::vector<ContactRecord> twice = {annAgain, annAgain};
    EXPECT_EQ(removeContactsInBook(twice, book.size(), [&book](std::size_t row, ContactTexts& t) {
                  for (std::size_t c = 0; c < kFieldCount; ++c)
                      t[c] = book[row][c];
              }),
              0u);
    EXPECT_EQ(twice.size(), 2u) << "equal contacts of the file are both kept when the book has neither";
}

// Contacts that share a surname and the size of their texts with one of the book are only left
// out when every text is equal; a book of many such contacts finds its equal one wherever it is.
TEST(ImportAccount, ContactsAlreadyInTheBook_areThoseEqualInEveryText_notInTheirSurnameAndSize)
{
    const auto with = [](std::initializer_list<std::pair<F, const char*>> texts) {
        ContactRecord r;
        r[F::SURNAME] = "Lee";
        for (const auto& [field, text] : texts)
            r[field] = text;
        return r;
    };
    std::vector<ContactRecord> book;
    for (int i = 0; i < 500; ++i)
        book.push_back(with({{F::EMAIL, i % 2 ? "ab" : "ba"}, {F::TEL, i < 499 ? "1" : "2"}}));
    const struct {
        const char* name;
        ContactRecord imported;
        std::size_t removed;
    } cases[] = {
        {"equal to the book's last contact", with({{F::EMAIL, "ab"}, {F::TEL, "2"}}), 1},
        {"equal to the book's first contact", with({{F::EMAIL, "ba"}, {F::TEL, "1"}}), 1},
        {"the same bytes in another order", with({{F::EMAIL, "aa"}, {F::TEL, "1"}}), 0},
        {"a text moved to another field", with({{F::EMAIL, "ab"}, {F::WORKTEL, "1"}}), 0},
        {"another surname, the rest equal", [&] { ContactRecord r = book[0]; r[F::SURNAME] = "Lea"; return r; }(), 0},
    };
    for (const auto& c : cases) {
        std::vector<ContactRecord> imported = {c.imported};
        EXPECT_EQ(removeContactsInBook(imported, book.size(),
                                       [&book](std::size_t row, ContactTexts& t) {
                                           for (std::size_t col = 0; col < kFieldCount; ++col)
                                               t[col] = book[row][col];
                                       }),
                  c.removed)
            << c.name;
    }
}

TEST(ImportAccount, CsvHeadersInAnyCase_areTheNamesTheyAre)
{
    const ImportResult r = importContacts("first name,LAST NAME,e-mail address,MOBILE PHONE,home street\r\n"
                                          "Ann,Lee,ann@example.org,555 0001,1 Main St\r\n");
    ASSERT_TRUE(r.ok) << r.error;
    const ContactRecord& c = r.contacts.at(0);
    EXPECT_EQ(c[F::FIRSTNAME], "Ann");
    EXPECT_EQ(c[F::SURNAME], "Lee");
    EXPECT_EQ(c[F::EMAIL], "ann@example.org");
    EXPECT_EQ(c[F::MOBILE], "555 0001");
    EXPECT_EQ(c[F::HOMESTREET], "1 Main St");
    EXPECT_TRUE(r.unplaced.empty()) << r.unplaced.describe();
}

TEST(ImportAccount, AVCardFileBeginningWithAByteOrderMark_isRecognisedByFormatDetection)
{
    for (const std::string& start : {std::string("\xEF\xBB\xBF"), std::string("\xEF\xBB\xBF\r\n\r\n"),
                                     std::string("\xEF\xBB\xBF  \r\n")}) {
        const ImportResult r = importContacts(start + "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lee;Ann;;;\r\nEND:VCARD\r\n");
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.contacts.at(0)[F::SURNAME], "Lee");
    }
}
