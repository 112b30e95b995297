// The vCard writer: the shape of its cards, its folding and its choice of date properties.
#include "contact_exchange.h"
#include "vcard_writer.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

using namespace qor;
using F = ContactField;

namespace {

std::string write(const std::vector<ContactRecord>& records, VCardVersion version = VCardVersion::V4)
{
    return writeVCards(rowsOf(records), version);
}

ContactRecord with(std::initializer_list<std::pair<ContactField, std::string>> texts)
{
    ContactRecord r;
    for (const auto& [f, t] : texts)
        r[f] = t;
    return r;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        EXPECT_NE(end, std::string::npos) << "every line ends in CR LF";
        out.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return out;
}

bool hasLine(const std::string& text, const std::string& line)
{
    for (const std::string& l : lines(text))
        if (l == line)
            return true;
    return false;
}

} // namespace

TEST(VCardWriter, Card_hasVersionProdIdUidFnAndN_andLeavesEmptyFieldsOut)
{
    const std::string v4 = write({with({{F::SURNAME, "Lee"}, {F::FIRSTNAME, "Ann"}, {F::MOBILE, "555"}})});
    const auto l = lines(v4);
    ASSERT_GE(l.size(), 7u);
    EXPECT_EQ(l[0], "BEGIN:VCARD");
    EXPECT_EQ(l[1], "VERSION:4.0");
    EXPECT_TRUE(l[2].starts_with("PRODID:"));
    EXPECT_TRUE(l[3].starts_with("UID:urn:uuid:"));
    EXPECT_EQ(l[4], "FN:Ann Lee");
    EXPECT_EQ(l[5], "N:Lee;Ann;;;");
    EXPECT_EQ(l[6], "TEL;TYPE=cell:555");
    EXPECT_EQ(l.back(), "END:VCARD");
    EXPECT_EQ(l.size(), 8u) << v4;
    EXPECT_EQ(lines(write({ContactRecord{}}, VCardVersion::V3))[1], "VERSION:3.0");
}

TEST(VCardWriter, Uid_isTheSameForTheSameBook_andDiffersBetweenEqualContacts)
{
    const std::vector<ContactRecord> twins{with({{F::SURNAME, "Twin"}}), with({{F::SURNAME, "Twin"}})};
    EXPECT_EQ(write(twins), write(twins));
    const auto l = lines(write(twins));
    std::vector<std::string> uids;
    for (const std::string& line : l)
        if (line.starts_with("UID:"))
            uids.push_back(line);
    ASSERT_EQ(uids.size(), 2u);
    EXPECT_NE(uids[0], uids[1]);
}

TEST(VCardWriter, Fn_followsTheDisplayNameRule)
{
    EXPECT_TRUE(hasLine(write({with({{F::NICKNAME, "Bo"}, {F::EMAIL, "b@x"}})}), "FN:Bo"));
    EXPECT_TRUE(hasLine(write({with({{F::EMAIL, "b@x"}})}), "FN:b@x"));
    EXPECT_TRUE(hasLine(write({ContactRecord{}}), "FN:Unnamed"));
    EXPECT_TRUE(hasLine(write({ContactRecord{}}), "N:;;;;")) << "N is always there, so FN is never read as names";
}

TEST(VCardWriter, Values_areEscapedAndTypedAsTheFieldTableSays)
{
    const std::string v = write({with({{F::NICKNAME, "a,b"}, {F::SURNAME, "x;y"}, {F::COMMENTS, "c\\d"},
                                       {F::TEL, "1"}, {F::WORKTEL, "2"}, {F::HOMECITY, "Oslo"},
                                       {F::WORKZIP, "W1"}, {F::LOOKS, "7"}, {F::RATING, "3"}})});
    EXPECT_TRUE(hasLine(v, "NICKNAME:a\\,b"));
    EXPECT_TRUE(hasLine(v, "N:x\\;y;;;;"));
    EXPECT_TRUE(hasLine(v, "NOTE:c\\\\d"));
    EXPECT_TRUE(hasLine(v, "TEL;TYPE=home,voice:1"));
    EXPECT_TRUE(hasLine(v, "TEL;TYPE=work,voice:2"));
    EXPECT_TRUE(hasLine(v, "ADR;TYPE=home:;;;Oslo;;;"));
    EXPECT_TRUE(hasLine(v, "ADR;TYPE=work:;;;;;W1;"));
    EXPECT_TRUE(hasLine(v, "X-QOR-LOOKS:7"));
    EXPECT_TRUE(hasLine(v, "X-QOR-RATING:3"));
}

TEST(VCardWriter, LongLines_foldAt75OctetsNeverInsideAUtf8Sequence)
{
    std::string note;
    for (int i = 0; i < 300; ++i)
        note += i % 3 == 0 ? "\xE2\x82\xAC" : i % 3 == 1 ? "\xC3\xA9" : "a"; // euro sign, e acute, a
    const std::string v = write({with({{F::COMMENTS, note}})});
    bool sawContinuation = false;
    for (const std::string& l : lines(v)) {
        EXPECT_LE(l.size(), 75u);
        if (!l.empty() && l[0] == ' ') {
            sawContinuation = true;
            EXPECT_NE(static_cast<unsigned char>(l[1]) & 0xC0, 0x80) << "a line begins inside a character";
        }
    }
    EXPECT_TRUE(sawContinuation);
}

TEST(VCardWriter, Dates_goToBdayExactly_orAsTheDateRulesReadThemBesideTheirTextsOfQorsOwn)
{
    // The BDAY line, after its parameters.
    const auto bday = [](const char* d, const char* m, const char* y, VCardVersion v = VCardVersion::V4) {
        const std::string card = write({with({{F::DOBDAY, d}, {F::DOBMON, m}, {F::DOBYEAR, y}})}, v);
        for (const std::string& l : lines(card))
            if (l.starts_with("BDAY"))
                return l.substr(4);
        return std::string("none");
    };
    EXPECT_EQ(bday("17", "May", "1980"), ":19800517");
    EXPECT_EQ(bday("1", "Jan", ""), ":--0101");
    EXPECT_EQ(bday("", "May", "1980"), ":1980-05");
    EXPECT_EQ(bday("", "", "1980"), ":1980");
    EXPECT_EQ(bday("", "Dec", ""), ":--12");
    EXPECT_EQ(bday("9", "", ""), ":---09");
    EXPECT_EQ(bday("9", "", "1980"), "none") << "no vCard date has a day and a year alone";
    EXPECT_EQ(bday("29", "Feb", "1984"), ":19840229");
    // Dates the date rules read but the form does not spell so (issue 24, item 12).
    EXPECT_EQ(bday("09", "May", "1980"), ":19800509");
    EXPECT_EQ(bday("17", "march", "1980"), ":19800317");
    EXPECT_EQ(bday("17", "May", "80"), ":--0517") << "a year of two digits is no year";
    EXPECT_EQ(bday("30", "Feb", ""), "none");
    EXPECT_EQ(bday("29", "Feb", "1981"), "none");
    // vCard 3.0: full dates, and Apple's year-less form that phones and mail programs read.
    EXPECT_EQ(bday("17", "May", "1980", VCardVersion::V3), ":1980-05-17");
    EXPECT_EQ(bday("17", "May", "", VCardVersion::V3), ";X-APPLE-OMIT-YEAR=1604:1604-05-17");
    EXPECT_EQ(bday("17", "march", "", VCardVersion::V3), ";X-APPLE-OMIT-YEAR=1604:1604-03-17");
    EXPECT_EQ(bday("", "May", "1980", VCardVersion::V3), "none");

    const std::string odd = write({with({{F::DOBDAY, "09"}, {F::DOBMON, "May"}})});
    EXPECT_TRUE(hasLine(odd, "BDAY:--0509"));
    EXPECT_TRUE(hasLine(odd, "X-QOR-DOBDAY:09"));
    EXPECT_TRUE(hasLine(odd, "X-QOR-DOBMON:May"));
    EXPECT_FALSE(hasLine(odd, "X-QOR-DOBYEAR:"));

    const ContactRecord married = with({{F::ANDAY, "2"}, {F::ANMON, "Jun"}, {F::ANYEAR, "2001"}});
    EXPECT_TRUE(hasLine(write({married}), "ANNIVERSARY:20010602"));
    EXPECT_TRUE(hasLine(write({married}, VCardVersion::V3), "X-ANNIVERSARY:2001-06-02"));
    const ContactRecord yearless = with({{F::ANDAY, "2"}, {F::ANMON, "Jun"}});
    EXPECT_TRUE(hasLine(write({yearless}, VCardVersion::V3), "X-ANNIVERSARY;X-APPLE-OMIT-YEAR=1604:1604-06-02"));
}
