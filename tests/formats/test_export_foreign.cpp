// Issue 24, items 11 and 12: exports put QOR's fields where other programs look for them, and
// every date the date rules read, a year-less one too, reaches every format that has dates.
#include "contact_exchange.h"
#include "csv_text.h"
#include "exchange_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace qor;
using F = ContactField;

namespace {

ContactRecord everyField()
{
    ContactRecord r;
    const std::pair<F, const char*> values[] = {
        {F::SURNAME, "Lee"}, {F::FIRSTNAME, "Ann"}, {F::NICKNAME, "Annie"}, {F::OVERALL, "9"},
        {F::EMAIL, "ann@example.org"}, {F::LIKES, "jazz, cats"}, {F::DISLIKES, "rain"}, {F::COMMENTS, "met in Köln"},
        {F::HOMECITY, "Springfield"}, {F::HOMESTATE, "IL"}, {F::HOMESTREET, "12 Elm St"}, {F::HOMEZIP, "62704"},
        {F::MOBILE, "+1 555 0001"}, {F::TEL, "+1 555 0002"}, {F::WORKSTREET, "1 Work Rd"}, {F::WORKCITY, "Chicago"},
        {F::WORKSTATE, "IL"}, {F::WORKZIP, "60601"}, {F::WORKTEL, "+1 555 0003"}, {F::RATING, "4"},
        {F::BESTFEATURE, "Eyes"}, {F::EYES, "Green"}, {F::HAIR, "Red"}, {F::HEIGHT, "5'7\""}, {F::BODY, "7"},
        {F::INBED, "8"}, {F::LOOKS, "6"}, {F::PERSONALITY, "10"}, {F::DOBDAY, "17"}, {F::DOBMON, "May"},
        {F::DOBYEAR, "1980"}, {F::ANDAY, "2"}, {F::ANMON, "Jun"}, {F::ANYEAR, ""},
    };
    for (const auto& [field, text] : values)
        r[field] = text;
    return r;
}

std::vector<std::string> headerOf(const std::string& csv)
{
    CsvRecords records(withoutByteOrderMark(csv), ',');
    std::vector<std::string> names;
    EXPECT_TRUE(records.next(names));
    return names;
}

std::string cellOf(const std::string& csv, std::string_view header)
{
    CsvRecords records(withoutByteOrderMark(csv), ',');
    std::vector<std::string> names, cells;
    EXPECT_TRUE(records.next(names) && records.next(cells));
    const auto column = std::find(names.begin(), names.end(), header) - names.begin();
    return column < static_cast<long>(cells.size()) ? cells[static_cast<std::size_t>(column)] : "(no column)";
}

// Every column name of the CSV file Outlook (2003 to 2016) exports its contacts in.
const std::vector<std::string> kOutlookHeader = {
    "Title", "First Name", "Middle Name", "Last Name", "Suffix", "Company", "Department", "Job Title",
    "Business Street", "Business Street 2", "Business Street 3", "Business City", "Business State",
    "Business Postal Code", "Business Country/Region", "Home Street", "Home Street 2", "Home Street 3", "Home City",
    "Home State", "Home Postal Code", "Home Country/Region", "Other Street", "Other Street 2", "Other Street 3",
    "Other City", "Other State", "Other Postal Code", "Other Country/Region", "Assistant's Phone", "Business Fax",
    "Business Phone", "Business Phone 2", "Callback", "Car Phone", "Company Main Phone", "Home Fax", "Home Phone",
    "Home Phone 2", "ISDN", "Mobile Phone", "Other Fax", "Other Phone", "Pager", "Primary Phone", "Radio Phone",
    "TTY/TDD Phone", "Telex", "Account", "Anniversary", "Assistant's Name", "Billing Information", "Birthday",
    "Business Address PO Box", "Categories", "Children", "Directory Server", "E-mail Address", "E-mail Type",
    "E-mail Display Name", "E-mail 2 Address", "E-mail 2 Type", "E-mail 2 Display Name", "E-mail 3 Address",
    "E-mail 3 Type", "E-mail 3 Display Name", "Gender", "Government ID Number", "Hobby", "Home Address PO Box",
    "Initials", "Internet Free Busy", "Keywords", "Language", "Location", "Manager's Name", "Mileage", "Notes",
    "Office Location", "Organizational ID Number", "Other Address PO Box", "Priority", "Private", "Profession",
    "Referred By", "Sensitivity", "Spouse", "User 1", "User 2", "User 3", "User 4", "Web Page",
};

} // namespace

TEST(ExportForeign, GoogleCsv_carriesThePersonalFieldsAsLabelledCustomFields_soARoundTripKeepsEveryField)
{
    const std::string google = exportContacts(rowsOf({everyField()}), ExchangeFormat::GoogleCsv);
    EXPECT_EQ(cellOf(google, "Custom Field 1 - Type"), "Overall");
    EXPECT_EQ(cellOf(google, "Custom Field 1 - Value"), "9");
    EXPECT_EQ(cellOf(google, "Custom Field 12 - Type"), "In bed");
    EXPECT_EQ(cellOf(google, "Custom Field 12 - Value"), "8");
    EXPECT_EQ(cellOf(google, "Event 1 - Value"), "--06-02");
    const ImportResult back = importContacts(google);
    ASSERT_TRUE(back.ok) << back.error;
    ASSERT_EQ(back.contacts.size(), 1u);
    EXPECT_EQ(back.contacts[0].texts, everyField().texts);
    EXPECT_TRUE(back.unplaced.empty()) << back.unplaced.describe();

    // An empty personal field has no label either.
    ContactRecord plain;
    plain[F::SURNAME] = "Kim";
    EXPECT_EQ(cellOf(exportContacts(rowsOf({plain}), ExchangeFormat::GoogleCsv), "Custom Field 1 - Type"), "");
}

TEST(ExportForeign, OutlookCsv_hasOnlyOutlooksColumns_userFieldsAndLabelledNotes)
{
    const std::string outlook = exportContacts(rowsOf({everyField()}), ExchangeFormat::OutlookCsv);
    for (const std::string& name : headerOf(outlook))
        EXPECT_NE(std::find(kOutlookHeader.begin(), kOutlookHeader.end(), name), kOutlookHeader.end()) << name;
    EXPECT_EQ(cellOf(outlook, "User 1"), "9");
    EXPECT_EQ(cellOf(outlook, "User 2"), "jazz, cats");
    EXPECT_EQ(cellOf(outlook, "User 3"), "rain");
    EXPECT_EQ(cellOf(outlook, "User 4"), "4");
    EXPECT_EQ(cellOf(outlook, "Notes"), "met in Köln\r\nNickname: Annie\r\nBest feature: Eyes\r\nEyes: Green\r\n"
                                        "Hair: Red\r\nHeight: 5'7\"\r\nBody: 7\r\nLooks: 6\r\nPersonality: 10\r\nIn bed: 8");
    EXPECT_EQ(cellOf(outlook, "Anniversary"), "6/2/1604") << "Outlook has no date without a year";
    // QOR reads its own Outlook file back whole.
    const ImportResult back = importContacts(outlook);
    ASSERT_TRUE(back.ok) << back.error;
    EXPECT_EQ(back.contacts.at(0).texts, everyField().texts);
    EXPECT_TRUE(back.unplaced.empty()) << back.unplaced.describe();
}

TEST(ExportForeign, YearlessAndRuleReadDates_reachEveryFormatThatHasDates)
{
    ContactRecord r;
    r[F::SURNAME] = "Lee";
    r[F::DOBDAY] = "17";
    r[F::DOBMON] = "march"; // the date rules read it; the form spells it "Mar"
    r[F::ANDAY] = "2";
    r[F::ANMON] = "Jun";
    const std::vector<ContactRecord> rows = {r};
    const std::pair<ExchangeFormat, std::vector<std::string>> expected[] = {
        {ExchangeFormat::VCard4, {"\r\nBDAY:--0317\r\n", "\r\nANNIVERSARY:--0602\r\n"}},
        {ExchangeFormat::VCard3,
         {"\r\nBDAY;X-APPLE-OMIT-YEAR=1604:1604-03-17\r\n", "\r\nX-ANNIVERSARY;X-APPLE-OMIT-YEAR=1604:1604-06-02\r\n"}},
        {ExchangeFormat::GoogleCsv, {",--03-17,", ",Anniversary,--06-02"}},
        {ExchangeFormat::OutlookCsv, {",6/2/1604,3/17/1604,"}},
        {ExchangeFormat::ICalendar, {"DTSTART;VALUE=DATE:20000317", "DTSTART;VALUE=DATE:20000602"}},
    };
    for (const auto& [format, pieces] : expected) {
        const std::string bytes = exportContacts(rowsOf(rows), format);
        for (const std::string& piece : pieces)
            EXPECT_NE(bytes.find(piece), std::string::npos) << static_cast<int>(format) << ": " << piece << "\n" << bytes;
        // Read back by QOR: the year-less date stays year-less.
        if (format == ExchangeFormat::ICalendar)
            continue;
        const ImportResult back = importContacts(bytes);
        ASSERT_TRUE(back.ok) << back.error;
        EXPECT_EQ(back.contacts.at(0)[F::ANDAY], "2") << static_cast<int>(format);
        EXPECT_EQ(back.contacts.at(0)[F::ANYEAR], "") << static_cast<int>(format);
        EXPECT_EQ(back.contacts.at(0)[F::DOBDAY], "17") << static_cast<int>(format);
    }
}
