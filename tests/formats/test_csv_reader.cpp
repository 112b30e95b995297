// CSV in and out: columns matched by name, Google's and Outlook's layouts, quoting, defused formulas,
// line ends, faults.
#include "contact_exchange.h"
#include "csv_reader.h"
#include "csv_text.h"
#include "csv_writer.h"
#include "exchange_text.h"
#include "form_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace qor;
using F = ContactField;

namespace {

ImportResult readOk(const std::string& bytes)
{
    ImportResult r = readCsvContacts(bytes);
    EXPECT_TRUE(r.ok) << "line " << r.errorLine << ": " << r.error;
    return r;
}

ContactRecord sample()
{
    ContactRecord r;
    r[F::SURNAME] = "M\xC3\xBCller";
    r[F::FIRSTNAME] = "J\xC3\xBCrgen";
    r[F::NICKNAME] = "Jay";
    r[F::EMAIL] = "j@example.de";
    r[F::MOBILE] = "0171";
    r[F::TEL] = "030";
    r[F::WORKTEL] = "040";
    r[F::HOMESTREET] = "Hauptstr. 1, Hof";
    r[F::HOMECITY] = "Berlin";
    r[F::WORKZIP] = "20095";
    r[F::COMMENTS] = "says \"hi\"";
    r[F::DOBDAY] = "17";
    r[F::DOBMON] = "May";
    r[F::DOBYEAR] = "1980";
    r[F::ANDAY] = "2";
    r[F::ANMON] = "Jun";
    r[F::ANYEAR] = "2001";
    return r;
}

// The fields Google's and Outlook's layouts carry.
void expectStandardFields(const ContactRecord& got, const ContactRecord& want)
{
    for (F f : {F::SURNAME, F::FIRSTNAME, F::NICKNAME, F::EMAIL, F::MOBILE, F::TEL, F::WORKTEL, F::HOMESTREET,
                F::HOMECITY, F::WORKZIP, F::COMMENTS, F::DOBDAY, F::DOBMON, F::DOBYEAR, F::ANDAY, F::ANMON,
                F::ANYEAR})
        EXPECT_EQ(got[f], want[f]) << static_cast<int>(f);
}

} // namespace

TEST(CsvWriter, QorLayout_isTheKeysThenQuotedFieldsWithCrLf)
{
    ContactRecord r;
    r[F::SURNAME] = "a,b";
    r[F::FIRSTNAME] = "say \"x\"";
    r[F::NICKNAME] = " pad";
    const std::string csv = writeCsvContacts(rowsOf({r}), CsvLayout::Qor);
    EXPECT_TRUE(csv.starts_with("SURNAME,FIRSTNAME,NICKNAME,OVERALL,EMAIL,")) << "no byte-order mark";
    EXPECT_NE(csv.find("PERSONALITY,DOBDAY,DOBMON,DOBYEAR,ANDAY,ANMON,ANYEAR\r\n"), std::string::npos);
    EXPECT_NE(csv.find("\r\n\"a,b\",\"say \"\"x\"\"\",\" pad\",,"), std::string::npos) << csv;
    EXPECT_TRUE(csv.ends_with(",,\r\n"));
}

TEST(CsvWriter, GoogleAndOutlookLayouts_haveTheirImportersColumnNamesAndAByteOrderMark)
{
    const std::string google = writeCsvContacts(rowsOf({sample()}), CsvLayout::Google);
    const std::string outlook = writeCsvContacts(rowsOf({sample()}), CsvLayout::Outlook);
    EXPECT_TRUE(google.starts_with("\xEF\xBB\xBFName,Given Name,Family Name,"));
    for (const char* column : {"E-mail 1 - Value", "Phone 1 - Type", "Phone 1 - Value", "Address 1 - Street"})
        EXPECT_NE(google.find(column), std::string::npos) << column;
    EXPECT_NE(google.find(",1980-05-17,"), std::string::npos);
    EXPECT_TRUE(outlook.starts_with("\xEF\xBB\xBF" "First Name,Last Name,"));
    for (const char* column : {"E-mail Address", "Mobile Phone", "Home Street", "Business Phone"})
        EXPECT_NE(outlook.find(column), std::string::npos) << column;
    EXPECT_NE(outlook.find(",6/2/2001,5/17/1980,"), std::string::npos) << "Outlook's order: anniversary first";
}

namespace {

// Values a spreadsheet would run, and what every layout writes for them.
struct Defused {
    std::string value, written;
};
const Defused kFormulas[] = {
    {"=HYPERLINK(\"http://x.example\")", "'=HYPERLINK(\"http://x.example\")"},
    {"+1+cmd|' /C calc'!A0", "'+1+cmd|' /C calc'!A0"},
    {"-2+3", "'-2+3"},
    {"-", "'-"},
    {"@SUM(1)", "'@SUM(1)"},
    {"\t=1", "'\t=1"},
    {"\r=1", "'\r=1"},
    {"+", "'+"},
    {"'=1", "''=1"}, // an apostrophe of its own before a formula: one more
    {"''@x", "'''@x"},
    {"+44 (0)20 7946-0958", "+44 (0)20 7946-0958"}, // a telephone number calls nothing
    {"+1 555 0100 ext 2", "'+1 555 0100 ext 2"},
    {"'+44 1", "'+44 1"},
    {"--05-17", "--05-17"}, // a date without a year, as Google reads it
    {"--05-17=1", "'--05-17=1"},
    {"'s-Hertogenbosch", "'s-Hertogenbosch"}, // no formula behind the apostrophe
    {"'", "'"},
    {"a=b", "a=b"},
    {" =1", " =1"},
};

// The value of column `header` in the first record after the header.
std::string cellOf(const std::string& csv, std::string_view header)
{
    CsvRecords records(withoutByteOrderMark(csv), ',');
    std::vector<std::string> names, cells;
    EXPECT_TRUE(records.next(names) && records.next(cells));
    const auto column = std::find(names.begin(), names.end(), header) - names.begin();
    return cells.at(static_cast<std::size_t>(column));
}

} // namespace

TEST(CsvWriter, FormulasAreDefusedWithAnApostropheInEveryLayout)
{
    const std::pair<CsvLayout, std::string_view> layouts[] = {
        {CsvLayout::Qor, "FIRSTNAME"}, {CsvLayout::Google, "Given Name"}, {CsvLayout::Outlook, "First Name"}};
    for (const Defused& d : kFormulas) {
        SCOPED_TRACE(::testing::PrintToString(d.value));
        for (const auto& [layout, header] : layouts) {
            ContactRecord r;
            r[F::FIRSTNAME] = d.value;
            EXPECT_EQ(cellOf(writeCsvContacts(rowsOf({r}), layout), header), d.written) << header;
        }
        EXPECT_EQ(startsAFormula(d.value), d.written != d.value);
    }
}

TEST(CsvReader, DefusingApostrophesAreTakenAwayInEveryLayoutAndOtherCellsKeptAsTheyAre)
{
    for (const std::string_view header : {"SURNAME,FIRSTNAME", "Family Name,Given Name", "Last Name,First Name"})
        for (const Defused& d : kFormulas) {
            SCOPED_TRACE(std::string(header) + " " + ::testing::PrintToString(d.value));
            std::string csv = std::string(header) + "\r\nLee,";
            appendCsvField(csv, d.written);
            const auto r = readOk(csv + "\r\n");
            std::string want = d.value;
            flattenLineEnds(want); // no value in the list may end a line of the book
            EXPECT_EQ(r.contacts.at(0)[F::FIRSTNAME], want);
        }
    // Formulas other programs wrote are text to QOR: nothing is taken away.
    for (const std::string_view cell : {"=1+1", "'x", "''", "-5", "@x"}) {
        const auto r = readOk("Last Name,First Name\r\nLee," + std::string(cell) + "\r\n");
        EXPECT_EQ(r.contacts.at(0)[F::FIRSTNAME], cell);
    }
}

TEST(CsvReader, GoogleAndOutlookExports_readBackTheirFields)
{
    ContactRecord formulas = sample();
    formulas[F::SURNAME] = "=HYPERLINK(\"http://x.example\")";
    formulas[F::FIRSTNAME] = "'=1";
    formulas[F::MOBILE] = "+44 7700 900123";
    formulas[F::COMMENTS] = "-2+3";
    formulas[F::HOMECITY] = "'s-Hertogenbosch";
    for (CsvLayout layout : {CsvLayout::Google, CsvLayout::Outlook}) {
        const auto r = readOk(writeCsvContacts(rowsOf({sample(), ContactRecord{}, formulas}), layout));
        ASSERT_EQ(r.contacts.size(), 3u);
        expectStandardFields(r.contacts[0], sample());
        EXPECT_EQ(r.contacts[1], ContactRecord{});
        expectStandardFields(r.contacts[2], formulas);
        EXPECT_TRUE(r.unplaced.empty()) << r.unplaced.describe();
    }
}

TEST(CsvReader, ColumnsAreMatchedByName_neverByPosition)
{
    const auto r = readOk("Notes,E-mail Address,Company,Last Name,Mobile Phone,First Name\r\n"
                          "hello,a@b.c,ACME,Lee,555,Ann\r\n"
                          "\r\n"
                          ",,,Kim\r\n");
    ASSERT_EQ(r.contacts.size(), 2u);
    EXPECT_EQ(r.contacts[0][F::SURNAME], "Lee");
    EXPECT_EQ(r.contacts[0][F::FIRSTNAME], "Ann");
    EXPECT_EQ(r.contacts[0][F::EMAIL], "a@b.c");
    EXPECT_EQ(r.contacts[0][F::MOBILE], "555");
    EXPECT_EQ(r.contacts[0][F::COMMENTS], "hello");
    EXPECT_EQ(r.contacts[1][F::SURNAME], "Kim");
    EXPECT_EQ(r.unplaced.describe(), "1 organisation was not imported");
}

TEST(CsvReader, GoogleExport_typedPhonesSeveralValuesInACellAndAnniversaryEvents)
{
    const auto r = readOk("\xEF\xBB\xBFName,Given Name,Family Name,Birthday,Group Membership,E-mail 1 - Type,"
                          "E-mail 1 - Value,Phone 1 - Type,Phone 1 - Value,Phone 2 - Type,Phone 2 - Value,"
                          "Address 1 - Type,Address 1 - Formatted,Address 1 - Street,Address 1 - City,"
                          "Address 1 - Country,Event 1 - Type,Event 1 - Value,Website 1 - Type,Website 1 - Value\r\n"
                          "Ann Lee,Ann,Lee,--05-17,* myContacts,* Home,a@x.org ::: b@x.org,Mobile,111,"
                          "Work Fax,222,Work,\"1 Main St\nSpringfield\",1 Main St,Springfield,USA,"
                          "Anniversary,2001-06-02,Blog,http://x.org\r\n");
    ASSERT_EQ(r.contacts.size(), 1u);
    const ContactRecord& c = r.contacts[0];
    EXPECT_EQ(c[F::FIRSTNAME], "Ann");
    EXPECT_EQ(c[F::SURNAME], "Lee");
    EXPECT_EQ(c[F::DOBDAY], "17");
    EXPECT_EQ(c[F::DOBMON], "May");
    EXPECT_EQ(c[F::DOBYEAR], "");
    EXPECT_EQ(c[F::EMAIL], "a@x.org");
    EXPECT_EQ(c[F::MOBILE], "111");
    EXPECT_EQ(c[F::WORKSTREET], "1 Main St");
    EXPECT_EQ(c[F::WORKCITY], "Springfield");
    EXPECT_EQ(c[F::ANDAY], "2");
    EXPECT_EQ(c[F::ANYEAR], "2001");
    EXPECT_EQ(r.unplaced.describe(), "1 value in column \"Website 1 - Value\", 1 more e-mail address, "
                                      "1 more phone number and 1 address part were not imported");
}

TEST(CsvReader, OutlookExport_inWindows1252WithEmptyDatesAndDefaults)
{
    const auto r = readOk("First Name,Last Name,Birthday,Anniversary,Gender,Priority,Sensitivity,Home Phone,"
                          "Home Phone 2,Notes\r\n"
                          "Ren\xE9,Dupr\xE9,0/0/00,0/0/00,Unspecified,Normal,Normal,01 23,04 56,\"two\r\nlines\"\r\n");
    const ContactRecord& c = r.contacts.at(0);
    EXPECT_EQ(c[F::FIRSTNAME], "Ren\xC3\xA9");
    EXPECT_EQ(c[F::SURNAME], "Dupr\xC3\xA9");
    EXPECT_EQ(c[F::DOBDAY], "");
    EXPECT_EQ(c[F::TEL], "01 23");
    EXPECT_EQ(c[F::COMMENTS], "two lines");
    EXPECT_EQ(r.unplaced.describe(), "1 more phone number was not imported");
}

TEST(CsvReader, SemicolonSeparatedFilesFromEuropeanSpreadsheets_areRead)
{
    const auto r = readOk("Last Name;First Name\r\nLee;Ann\r\n");
    EXPECT_EQ(r.contacts.at(0)[F::FIRSTNAME], "Ann");
}

TEST(CsvReader, DamagedFiles_areRefusedWithTheLineAtFault)
{
    const ImportResult unclosed = readCsvContacts("SURNAME,COMMENTS\r\nLee,ok\r\nKim,\"never\r\nclosed\r\n");
    EXPECT_FALSE(unclosed.ok);
    EXPECT_TRUE(unclosed.contacts.empty());
    EXPECT_EQ(unclosed.errorLine, 3u);

    const ImportResult binary = readCsvContacts(std::string("SURNAME\r\nLee\r\nK\0m\r\n", 19));
    EXPECT_FALSE(binary.ok);
    EXPECT_EQ(binary.errorLine, 3u);

    const ImportResult unknown = readCsvContacts("Colour,Size\r\nred,big\r\n");
    EXPECT_FALSE(unknown.ok);
    EXPECT_EQ(unknown.errorLine, 1u);
}

TEST(CsvReader, LineEndsInAnyCell_becomeSpaces)
{
    struct Case {
        const char* what;
        std::string bytes;
        F field;
        std::string want;
    };
    const Case cases[] = {
        {"a lone CR in a quoted cell", "SURNAME,COMMENTS\r\nLee,\"x\rSURNAME=Forged\rEMAIL=evil@example.org\"\r\n",
         F::COMMENTS, "x SURNAME=Forged EMAIL=evil@example.org"},
        // A CR outside quotes ends the record (issue 24: old Macintosh files end their lines so).
        {"a lone CR in a plain cell", "SURNAME,COMMENTS\r\nLee,x\ry\r\n", F::COMMENTS, "x"},
        {"a CR before the separator", "Last Name,First Name\r\nLee\r,Ann\r\n", F::SURNAME, "Lee"},
        {"every line end in a quoted cell", "First Name,Last Name,Notes\r\nAnn,Lee,\"a\r\nb\rc\nd\"\r\n", F::COMMENTS,
         "a b c d"},
        {"a lone CR among several phone numbers", "Given Name,Phone 1 - Type,Phone 1 - Value\r\nAnn,Mobile,\"1\r2 ::: 3\"\r\n",
         F::MOBILE, "1 2"},
        {"a lone CR in Windows-1252", "Last Name,Notes\r\nDupr\xE9,\"caf\xE9\rbar\"\r\n", F::COMMENTS,
         "caf\xC3\xA9 bar"},
        {"a lone CR with semicolons", "Last Name;Notes\r\nLee;\"a\rb\"\r\n", F::COMMENTS, "a b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto r = readOk(c.bytes);
        ASSERT_GE(r.contacts.size(), 1u);
        EXPECT_EQ(r.contacts[0][c.field], c.want);
        for (const std::string& text : r.contacts[0].texts)
            EXPECT_FALSE(holdsLineEnd(text)) << ::testing::PrintToString(text);
    }
}
