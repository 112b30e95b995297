// A card QOR updates keeps what QOR has no field for; a new card is one a phone reads.
#include "card_update.h"
#include "vcard_reader.h"

#include <gtest/gtest.h>

namespace qor {
namespace {

using F = ContactField;

ContactRecord readBack(const std::string& card)
{
    ImportResult read = readVCards(card);
    EXPECT_TRUE(read.ok) << read.error;
    return read.contacts.empty() ? ContactRecord{} : read.contacts.front();
}

ContactRecord ann()
{
    ContactRecord c;
    c[F::SURNAME] = "Lee";
    c[F::FIRSTNAME] = "Ann";
    c[F::MOBILE] = "555-9";
    c[F::EMAIL] = "ann@example.com";
    c[F::EYES] = "green";
    c[F::COMMENTS] = "a long comment, long enough that its line must be folded at seventy-five octets";
    return c;
}

const std::string kPhoneCard =
    "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:phone-ann\r\nN:Lee;Ann;;;\r\nFN:Ann Lee\r\n"
    "TEL;TYPE=cell:555-1\r\nitem1.TEL;TYPE=cell:555-2\r\nTEL;TYPE=fax:555-3\r\nEMAIL:old@example.com\r\n"
    "ORG:Acme;Sales\r\nTITLE:Buyer\r\nCATEGORIES:friends,work\r\nPHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQAAAQABAAD/\r\n"
    " 2wBDAAgGBgcGBQgHBwcJCQgKDA==\r\nREV:2020-01-01T00:00:00Z\r\nX-QOR-EYES:blue\r\nNOTE:old note\r\nEND:VCARD\r\n";

TEST(CardUpdate, writesQorsFieldsAfreshAndKeepsEveryOtherProperty)
{
    const std::string card = updatedCard(kPhoneCard, ann());
    for (const char* kept : {"UID:phone-ann", "ORG:Acme;Sales", "TITLE:Buyer", "CATEGORIES:friends,work",
                             "item1.TEL;TYPE=cell:555-2", "TEL;TYPE=fax:555-3", "VERSION:3.0"})
        EXPECT_NE(card.find(kept), std::string::npos) << kept << " is not in\n" << card;
    for (const char* gone : {"555-1", "old@example.com", "X-QOR-EYES:blue", "old note", "REV:"})
        EXPECT_EQ(card.find(gone), std::string::npos) << gone << " is still in\n" << card;
    // The photo is kept whole, folded again.
    std::string unfolded = card;
    for (std::size_t at; (at = unfolded.find("\r\n ")) != std::string::npos;)
        unfolded.erase(at, 3);
    EXPECT_NE(unfolded.find("PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQAAAQABAAD/2wBDAAgGBgcGBQgHBwcJCQgKDA=="),
              std::string::npos)
        << card;
    EXPECT_EQ(readBack(card), ann());
}

TEST(CardUpdate, aVersion4CardStaysVersion4)
{
    const std::string card = updatedCard("BEGIN:VCARD\r\nVERSION:4.0\r\nUID:urn:uuid:1\r\nFN:Ann Lee\r\n"
                                         "KIND:individual\r\nEND:VCARD\r\n",
                                         ann());
    EXPECT_NE(card.find("VERSION:4.0"), std::string::npos) << card;
    EXPECT_EQ(card.find("VERSION:3.0"), std::string::npos) << card;
    EXPECT_NE(card.find("UID:urn:uuid:1"), std::string::npos) << card;
    EXPECT_NE(card.find("KIND:individual"), std::string::npos) << card;
    EXPECT_EQ(readBack(card), ann());
}

TEST(CardUpdate, everyLineIsFoldedWithinSeventyFiveOctets)
{
    ContactRecord c = ann();
    c[F::COMMENTS] = std::string(100, 'x') + "\xC3\xA9\xC3\xA9\xC3\xA9" + std::string(100, 'y');
    for (const std::string& card : {updatedCard(kPhoneCard, c), newCard(c, "u")}) {
        std::size_t start = 0;
        for (std::size_t end; (end = card.find("\r\n", start)) != std::string::npos; start = end + 2) {
            EXPECT_LE(end - start, 75u) << card.substr(start, end - start);
            EXPECT_NE(static_cast<unsigned char>(card[start]) & 0xC0, 0x80) << "a UTF-8 sequence is cut";
        }
        EXPECT_EQ(readBack(card), c);
    }
}

TEST(CardUpdate, aNewCardCarriesTheUidItIsGiven)
{
    const std::string uid = randomUid();
    EXPECT_EQ(uid.size(), 36u);
    EXPECT_NE(uid, randomUid());
    const std::string card = newCard(ann(), uid);
    EXPECT_TRUE(card.starts_with("BEGIN:VCARD\r\nVERSION:3.0\r\n")) << card;
    EXPECT_TRUE(card.ends_with("END:VCARD\r\n")) << card;
    EXPECT_NE(card.find("UID:" + uid + "\r\n"), std::string::npos) << card;
    EXPECT_EQ(card.find("UID:", card.find("UID:") + 1), std::string::npos) << card;
    EXPECT_EQ(readBack(card), ann());
}

} // namespace
} // namespace qor
