// Issue 24, items 6 and 7: every card that had a name gives a named contact, and an address
// that only a LABEL gives (older mail programs) fills the address of its type.
#include "charset_cards.h"
#include "contact_exchange.h"
#include "vcard_label.h"

#include <gtest/gtest.h>

#include <string>

using namespace qor;
using namespace qor::test;
using F = ContactField;

TEST(ImportNames, EveryCardWithAName_givesANamedContact)
{
    struct Case {
        const char* what;
        std::string file;
        std::string surname, firstName, account;
    };
    const Case cases[] = {
        {"an empty N beside FN", card("3.0", {"N:;;;;", "FN:Ann Lee"}), "Lee", "Ann", ""},
        {"an N of a middle name only", card("3.0", {"N:;;Maria;;", "FN: Maria "}), "", "Maria",
         "1 name part was not imported"},
        {"a company card: ORG alone", card("3.0", {"N:;;;;", "ORG:Acme Ltd"}), "Acme Ltd", "", ""},
        {"Outlook's company card: FN is the ORG", card("2.1", {"N:", "FN:Acme Ltd", "ORG:Acme Ltd;Sales"}), "Acme Ltd",
         "", "1 department was not imported"},
        {"Apple's company card", card("3.0", {"N:;;;;", "FN:Initech", "ORG:Initech;", "X-ABShowAs:COMPANY"}),
         "Initech", "", ""},
        {"a 4.0 organisation without ORG", card("4.0", {"KIND:org", "FN:Globex Corporation"}), "Globex Corporation",
         "", ""},
        {"a person at a company", card("3.0", {"N:Lee;Ann;;;", "FN:Ann Lee", "ORG:Acme Ltd"}), "Lee", "Ann",
         "1 organisation was not imported"},
        {"two names, the first wins", card("4.0", {"N;ALTID=1:Lee;Ann;;;", "N;ALTID=1;LANGUAGE=ja:李;安;;;"}), "Lee",
         "Ann", "1 more name was not imported"},
        {"a CSV row of a company", "First Name,Last Name,Company\r\n,,Acme Ltd\r\n", "Acme Ltd", "", ""},
        {"Google's organisation column", "Name,Given Name,Family Name,Organization 1 - Name\r\n,,,Globex\r\n", "Globex",
         "", ""},
        {"Google's new layout", "First Name,Last Name,Organization Name\r\nAnn,Lee,Globex\r\n", "Lee", "Ann",
         "1 organisation was not imported"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ImportResult r = importOk(c.file);
        ASSERT_EQ(r.contacts.size(), 1u);
        EXPECT_EQ(r.contacts[0][F::SURNAME], c.surname);
        EXPECT_EQ(r.contacts[0][F::FIRSTNAME], c.firstName);
        EXPECT_EQ(r.unplaced.describe(), c.account);
    }
}

TEST(ImportNames, ALabelOnlyAddress_fillsTheStreetTownAndPostcodeOfItsType)
{
    const ImportResult r = importOk(card("2.1", {
        "N:Lee;Ann",
        "LABEL;HOME;ENCODING=QUOTED-PRINTABLE:12 Elm St=0D=0ASpringfield, IL 62704=0D=0AUSA",
        "ADR;HOME:;;1 Home St;Hometown;;;",         // an ADR of its type: the label only prints it
        "LABEL;WORK:Hauptstr. 5\\n50667 K\xC3\xB6ln", // no ADR of its type: the label fills it
    }));
    const ContactRecord& c = r.contacts.at(0);
    EXPECT_EQ(c[F::HOMESTREET], "1 Home St");
    EXPECT_EQ(c[F::WORKSTREET], "Hauptstr. 5");
    EXPECT_EQ(c[F::WORKCITY], "Köln");
    EXPECT_EQ(c[F::WORKZIP], "50667");
    EXPECT_TRUE(r.unplaced.empty()) << r.unplaced.describe();

    const ImportResult outlook = importOk(card("2.1", {
        "N:Lee;Ann", "LABEL;HOME;ENCODING=QUOTED-PRINTABLE:12 Elm St=0D=0ASpringfield, IL 62704=0D=0AUSA"}));
    const ContactRecord& o = outlook.contacts.at(0);
    EXPECT_EQ(o[F::HOMESTREET], "12 Elm St");
    EXPECT_EQ(o[F::HOMECITY], "Springfield");
    EXPECT_EQ(o[F::HOMESTATE], "IL");
    EXPECT_EQ(o[F::HOMEZIP], "62704");
    EXPECT_EQ(outlook.unplaced.describe(), "1 country was not imported");
}

TEST(ImportNames, LabelsAreReadAsEnvelopesAreWritten)
{
    struct Case {
        const char* label;
        const char* street;
        const char* city;
        const char* state;
        const char* zip;
        const char* country;
    };
    const Case cases[] = {
        {"100 Waters Edge\\nBaytown\\, LA 30314\\nUnited States of America", "100 Waters Edge", "Baytown", "LA", "30314",
         "United States of America"},
        {"Flat 2\\n10 High St\\nLeeds LS1 4AB", "Flat 2, 10 High St", "Leeds", "", "LS1 4AB", ""},
        {"10 Downing St\\nLondon\\nSW1A 2AA\\nUnited Kingdom", "10 Downing St", "London", "", "SW1A 2AA", "United Kingdom"},
        {"Rue de Rivoli 1\r\n75001 Paris\r\nFrance", "Rue de Rivoli 1", "Paris", "", "75001", "France"},
        {"24 Sussex Dr\\nOttawa\\, ON K1A 0B1", "24 Sussex Dr", "Ottawa", "ON", "K1A 0B1", ""},
        {"1 Main St\\nSpringfield", "1 Main St", "Springfield", "", "", ""},
        {"PO Box 7", "PO Box 7", "", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const LabelAddress a = readVCardLabel(c.label);
        EXPECT_EQ(a.street, c.street);
        EXPECT_EQ(a.city, c.city);
        EXPECT_EQ(a.state, c.state);
        EXPECT_EQ(a.zip, c.zip);
        EXPECT_EQ(a.country, c.country);
    }
}
