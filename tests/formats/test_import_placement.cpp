// Issue 24, items 3 to 5: typed values take their slots before untyped ones, parameters mean
// the same in every spelling of the standards, and the preferred value wins the one slot.
#include "charset_cards.h"
#include "contact_exchange.h"

#include <gtest/gtest.h>

#include <string>

using namespace qor;
using namespace qor::test;
using F = ContactField;

namespace {

std::string card3(std::initializer_list<std::string> lines)
{
    std::string card = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lee;Ann;;;\r\n";
    for (const std::string& line : lines)
        card += line + "\r\n";
    return card + "END:VCARD\r\n";
}

} // namespace

TEST(ImportPlacement, GmailCard_typedValuesTakeTheirSlotsBeforeUntypedOnesWhateverTheOrder)
{
    const ImportResult r = importOk(card3({
        "TEL:+1 555 0000",                        // untyped, first in the file
        "TEL;TYPE=CELL:+1 555 0001",
        "TEL;TYPE=HOME:+1 555 0002",
        "TEL;TYPE=WORK:+1 555 0003",
        "TEL;TYPE=OTHER:+1 555 0004",
        "ADR:;;9 Untyped Rd;Elsewhere;;;",
        "ADR;TYPE=WORK:;;2 Work St;Worktown;;;",
        "ADR;TYPE=HOME:;;1 Home St;Hometown;;;",
    }));
    const ContactRecord& c = r.contacts.at(0);
    EXPECT_EQ(c[F::MOBILE], "+1 555 0001");
    EXPECT_EQ(c[F::TEL], "+1 555 0002");
    EXPECT_EQ(c[F::WORKTEL], "+1 555 0003");
    EXPECT_EQ(c[F::HOMESTREET], "1 Home St");
    EXPECT_EQ(c[F::WORKSTREET], "2 Work St");
    EXPECT_EQ(r.unplaced.describe(), "2 more phone numbers and 1 more address were not imported");
}

TEST(ImportPlacement, UntypedValues_fillTheSlotsTheTypedOnesLeave)
{
    const ImportResult r = importOk(card3({"TEL:+1 555 0000", "TEL;TYPE=HOME:+1 555 0002", "ADR:;;9 Untyped Rd;;;;",
                                           "ADR;TYPE=HOME:;;1 Home St;;;;"}));
    const ContactRecord& c = r.contacts.at(0);
    EXPECT_EQ(c[F::TEL], "+1 555 0002");
    EXPECT_EQ(c[F::MOBILE], "+1 555 0000");
    EXPECT_EQ(c[F::HOMESTREET], "1 Home St");
    EXPECT_EQ(c[F::WORKSTREET], "9 Untyped Rd");
    EXPECT_TRUE(r.unplaced.empty()) << r.unplaced.describe();
}

TEST(ImportPlacement, GoogleCsv_mainHomeAndOtherLabels)
{
    const ImportResult r = importOk(
        "Given Name,Family Name,Phone 1 - Type,Phone 1 - Value,Phone 2 - Type,Phone 2 - Value,Phone 3 - Type,"
        "Phone 3 - Value,Address 1 - Type,Address 1 - Street,Address 2 - Type,Address 2 - Street\r\n"
        "Ann,Lee,Main,111,Home,222,Other,333,Other,9 Other Rd,Home,1 Home St\r\n");
    const ContactRecord& c = r.contacts.at(0);
    EXPECT_EQ(c[F::TEL], "222");
    EXPECT_EQ(c[F::MOBILE], "111");
    EXPECT_EQ(c[F::HOMESTREET], "1 Home St");
    EXPECT_EQ(c[F::WORKSTREET], "9 Other Rd");
    EXPECT_EQ(r.unplaced.describe(), "1 more phone number was not imported");
}

TEST(ImportPlacement, OutlookCsv_otherStreetNeverTakesTheHomeAddressBeforeHomeStreet)
{
    const ImportResult r = importOk("First Name,Last Name,Other Street,Other City,Home Street,Home City,Business Street,"
                                    "Other Phone,Home Phone\r\n"
                                    "Ann,Lee,9 Other Rd,Elsewhere,1 Home St,Hometown,,555 0000,555 0002\r\n"
                                    "Bo,Berg,9 Other Rd,Elsewhere,1 Home St,Hometown,2 Work St,,\r\n");
    const ContactRecord& ann = r.contacts.at(0);
    EXPECT_EQ(ann[F::HOMESTREET], "1 Home St");
    EXPECT_EQ(ann[F::HOMECITY], "Hometown");
    EXPECT_EQ(ann[F::WORKSTREET], "9 Other Rd");
    EXPECT_EQ(ann[F::TEL], "555 0002");
    EXPECT_EQ(ann[F::MOBILE], "555 0000");
    EXPECT_EQ(r.contacts.at(1)[F::HOMESTREET], "1 Home St");
    EXPECT_EQ(r.contacts.at(1)[F::WORKSTREET], "2 Work St");
    EXPECT_EQ(r.unplaced.describe(), "1 more address was not imported");
}

TEST(ImportPlacement, ParametersInEveryStandardSpelling_meanTheSame)
{
    const char* spellings[] = {
        "TEL;TYPE=\"work,voice\":+1 555 0003",             // RFC 6350's own example
        "TEL;VALUE=uri;TYPE=\"voice,work\":tel:+1 555 0003",
        "TEL;TYPE=work,voice:+1 555 0003",
        "TEL;TYPE=WORK;TYPE=VOICE:+1 555 0003",
        "TEL;WORK;VOICE:+1 555 0003",                      // 2.1's bare parameters
        "tel;type=Work:+1 555 0003",
        "item1.TEL;type=\"WORK\";type=VOICE:+1 555 0003",
    };
    for (const char* line : spellings) {
        SCOPED_TRACE(line);
        const ImportResult r = importOk(card3({line, "ADR;TYPE=\"work,postal\":;;2 Work St;;;;"}));
        EXPECT_EQ(r.contacts.at(0)[F::WORKTEL], "+1 555 0003");
        EXPECT_EQ(r.contacts.at(0)[F::TEL], "");
        EXPECT_EQ(r.contacts.at(0)[F::WORKSTREET], "2 Work St");
    }
}

TEST(ImportPlacement, ThePreferredValueWinsTheOneSlot_inEveryVersionAndInGoogleCsv)
{
    struct Case {
        const char* what;
        std::string file;
    };
    const Case cases[] = {
        {"4.0 PREF=1", "BEGIN:VCARD\r\nVERSION:4.0\r\nN:Lee;Ann;;;\r\nEMAIL;PREF=2:old@x.org\r\nEMAIL:other@x.org\r\n"
                       "EMAIL;PREF=1:best@x.org\r\nTEL;TYPE=cell:111\r\nTEL;TYPE=cell;PREF=1:222\r\nEND:VCARD\r\n"},
        {"3.0 TYPE=pref", card3({"EMAIL;TYPE=INTERNET:old@x.org", "EMAIL;TYPE=INTERNET;TYPE=pref:best@x.org",
                                 "EMAIL;TYPE=INTERNET:other@x.org", "TEL;TYPE=CELL:111", "TEL;TYPE=CELL,pref:222"})},
        {"2.1 bare PREF", "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Lee;Ann;;;\r\nEMAIL;INTERNET:old@x.org\r\n"
                          "EMAIL;INTERNET:other@x.org\r\nEMAIL;PREF;INTERNET:best@x.org\r\nTEL;CELL:111\r\n"
                          "TEL;CELL;PREF:222\r\nEND:VCARD\r\n"},
        {"Google's * mark", "Given Name,Family Name,E-mail 1 - Type,E-mail 1 - Value,E-mail 2 - Type,E-mail 2 - Value,"
                            "Phone 1 - Type,Phone 1 - Value,Phone 2 - Type,Phone 2 - Value\r\n"
                            "Ann,Lee,Home,old@x.org ::: other@x.org,* Work,best@x.org,Mobile,111,* Mobile,222\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ImportResult r = importOk(c.file);
        EXPECT_EQ(r.contacts.at(0)[F::EMAIL], "best@x.org");
        EXPECT_EQ(r.contacts.at(0)[F::MOBILE], "222");
        EXPECT_EQ(r.unplaced.describe(), "2 more e-mail addresses and 1 more phone number were not imported");
    }
}
