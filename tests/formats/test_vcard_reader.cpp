// The vCard reader on cards as phones, mail programs and web address books write them.
#include "contact_exchange.h"
#include "form_rules.h"
#include "vcard_reader.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>

using namespace qor;
using F = ContactField;

namespace {

std::string crlf(std::initializer_list<std::string_view> lines, std::string_view end = "\r\n")
{
    std::string s;
    for (std::string_view line : lines)
        s.append(line).append(end);
    return s;
}

ImportResult readOk(const std::string& bytes)
{
    ImportResult r = readVCards(bytes);
    EXPECT_TRUE(r.ok) << "line " << r.errorLine << ": " << r.error;
    return r;
}

} // namespace

TEST(VCardReader, IPhoneCard_typedPhonesGroupsOmittedYearAndEscapedLineBreaks)
{
    const auto r = readOk(crlf({
        "BEGIN:VCARD",
        "VERSION:3.0",
        "PRODID:-//Apple Inc.//iPhone OS 17.0//EN",
        "N:Appleseed;John;;;",
        "FN:John Appleseed",
        "ORG:Apple Inc.;",
        "item1.EMAIL;type=INTERNET;type=pref:john@example.com",
        "TEL;type=CELL;type=VOICE;type=pref:+1 555 0100",
        "TEL;type=HOME;type=VOICE:+1 555 0101",
        "TEL;type=WORK;type=VOICE:+1 555 0102",
        "TEL;type=MAIN:+1 555 0103",
        "item2.ADR;type=HOME;type=pref:;;1 Infinite Loop;Cupertino;CA;95014;United States",
        "item2.X-ABADR:us",
        "item3.URL;type=pref:http://example.com",
        "item3.X-ABLabel:_$!<HomePage>!$_",
        "BDAY;X-APPLE-OMIT-YEAR=1604:1604-05-17",
        "NOTE:Line one\\nLine two\\NLine three",
        "PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQAAAQABAAD",
        " /2wBDAAMCAgICAgMCAgIDAwMDBAYEBAQEBAgGBgUGCQgKCgkICQkKDA8MCgsOCwkJDRENDg8Q",
        "END:VCARD",
    }));
    ASSERT_EQ(r.contacts.size(), 1u);
    const ContactRecord& c = r.contacts[0];
    EXPECT_EQ(c[F::SURNAME], "Appleseed");
    EXPECT_EQ(c[F::FIRSTNAME], "John");
    EXPECT_EQ(c[F::EMAIL], "john@example.com");
    EXPECT_EQ(c[F::MOBILE], "+1 555 0100");
    EXPECT_EQ(c[F::TEL], "+1 555 0101");
    EXPECT_EQ(c[F::WORKTEL], "+1 555 0102");
    EXPECT_EQ(c[F::HOMESTREET], "1 Infinite Loop");
    EXPECT_EQ(c[F::HOMECITY], "Cupertino");
    EXPECT_EQ(c[F::HOMESTATE], "CA");
    EXPECT_EQ(c[F::HOMEZIP], "95014");
    EXPECT_EQ(c[F::DOBDAY], "17");
    EXPECT_EQ(c[F::DOBMON], "May");
    EXPECT_EQ(c[F::DOBYEAR], "");
    EXPECT_EQ(c[F::COMMENTS], "Line one Line two Line three");
    // The fourth number, the country, the URL, the organisation and the photo found no field.
    EXPECT_EQ(r.unplaced.countOf("more phone number"), 1u);
    EXPECT_EQ(r.unplaced.countOf("country"), 1u);
    EXPECT_EQ(r.unplaced.countOf("URL"), 1u);
    EXPECT_EQ(r.unplaced.countOf("organisation"), 1u);
    EXPECT_EQ(r.unplaced.countOf("photo"), 1u);
    EXPECT_EQ(r.unplaced.entries().size(), 5u) << r.unplaced.describe();
}

TEST(VCardReader, AndroidVersion21_quotedPrintableUtf8BareTypesAndSoftLineBreaks)
{
    const auto r = readOk(crlf({
        "BEGIN:VCARD",
        "VERSION:2.1",
        "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=4D=C3=BC=6C=6C=65=72;J=C3=BC=72=67=65=6E;;;",
        "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:J=C3=BC=72=67=65=6E=20=4D=C3=BC=6C=6C=65=72",
        "TEL;CELL;PREF:+49 170 1234567",
        "TEL;HOME:030 123456",
        "TEL;WORK:030 654321",
        "TEL;FAX:030 999",
        "EMAIL;HOME:juergen@example.de",
        "EMAIL;WORK:j.mueller@example.com",
        "ADR;HOME;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:;;Hauptstra=C3=9Fe 1;Berlin;;10115;",
        "NOTE;ENCODING=QUOTED-PRINTABLE:A note with a soft line b=",
        "reak=0D=0Aand a second line",
        "END:VCARD",
    }));
    ASSERT_EQ(r.contacts.size(), 1u);
    const ContactRecord& c = r.contacts[0];
    EXPECT_EQ(c[F::SURNAME], "M\xC3\xBCller");
    EXPECT_EQ(c[F::FIRSTNAME], "J\xC3\xBCrgen");
    EXPECT_EQ(c[F::MOBILE], "+49 170 1234567");
    EXPECT_EQ(c[F::TEL], "030 123456");
    EXPECT_EQ(c[F::WORKTEL], "030 654321");
    EXPECT_EQ(c[F::EMAIL], "juergen@example.de");
    EXPECT_EQ(c[F::HOMESTREET], "Hauptstra\xC3\x9F" "e 1");
    EXPECT_EQ(c[F::HOMEZIP], "10115");
    EXPECT_EQ(c[F::COMMENTS], "A note with a soft line break and a second line");
    EXPECT_EQ(r.unplaced.describe(), "1 more phone number and 1 more e-mail address were not imported");
}

TEST(VCardReader, OutlookVersion21_windows1252WithoutCharsetAndAQuotedPrintableLabel)
{
    const auto r = readOk(crlf({
        "BEGIN:VCARD",
        "VERSION:2.1",
        "N;LANGUAGE=de:M\xFCller;J\xFCrgen",
        "FN:J\xFCrgen M\xFCller",
        "TEL;WORK;VOICE:0221 1234",
        "TEL;CELL;VOICE:0171 5678",
        "ADR;WORK;PREF:;;Stra\xDF" "e 1;K\xF6ln;;50667;Deutschland",
        "LABEL;WORK;PREF;ENCODING=QUOTED-PRINTABLE:Stra=DFe 1=0D=0A=",
        "K=F6ln 50667",
        "EMAIL;PREF;INTERNET:juergen@example.de",
        "REV:20240101T000000Z",
        "END:VCARD",
    }));
    ASSERT_EQ(r.contacts.size(), 1u);
    const ContactRecord& c = r.contacts[0];
    EXPECT_EQ(c[F::SURNAME], "M\xC3\xBCller");
    EXPECT_EQ(c[F::FIRSTNAME], "J\xC3\xBCrgen");
    EXPECT_EQ(c[F::WORKTEL], "0221 1234");
    EXPECT_EQ(c[F::MOBILE], "0171 5678");
    EXPECT_EQ(c[F::WORKSTREET], "Stra\xC3\x9F" "e 1");
    EXPECT_EQ(c[F::WORKCITY], "K\xC3\xB6ln");
    EXPECT_EQ(c[F::EMAIL], "juergen@example.de");
    EXPECT_EQ(r.unplaced.describe(), "1 country was not imported");
}

TEST(VCardReader, CardWithoutVersionOrNames_takesItsNamesFromFN)
{
    const auto r = readOk(crlf({"BEGIN:VCARD", "FN:Mary Ann Lee", "EMAIL:m@example.org", "END:VCARD",
                                "BEGIN:VCARD", "FN:Cher", "END:VCARD"},
                               "\n"));
    ASSERT_EQ(r.contacts.size(), 2u);
    EXPECT_EQ(r.contacts[0][F::FIRSTNAME], "Mary Ann");
    EXPECT_EQ(r.contacts[0][F::SURNAME], "Lee");
    EXPECT_EQ(r.contacts[0][F::EMAIL], "m@example.org");
    EXPECT_EQ(r.contacts[1][F::FIRSTNAME], "Cher");
    EXPECT_TRUE(r.unplaced.empty());
}

TEST(VCardReader, NWinsOverFN_andAnXQorValueWinsOverTheStandardProperty)
{
    const auto r = readOk(crlf({"BEGIN:VCARD", "VERSION:4.0", "FN:Somebody Else", "N:Lee;Ann;;;",
                                "X-QOR-DOBDAY:05", "BDAY:19800517", "x-qor-hair:Red", "END:VCARD"}));
    const ContactRecord& c = r.contacts.at(0);
    EXPECT_EQ(c[F::SURNAME], "Lee");
    EXPECT_EQ(c[F::FIRSTNAME], "Ann");
    EXPECT_EQ(c[F::DOBDAY], "05");
    EXPECT_EQ(c[F::DOBMON], "May");
    EXPECT_EQ(c[F::HAIR], "Red");
}

TEST(VCardReader, FoldingEscapesAndUntypedPhones)
{
    const auto r = readOk(crlf({
        "begin:vcard",
        "version:4.0",
        "n:O\\'Brien\\, Jr.;Se\\;an;;;",
        "NICKNAME:Shay\\,Shane",
        "NOTE:folded with a space",
        "  and a tab",
        "\tend; back\\\\slash\\:colon",
        "TEL:111",
        "TEL;VALUE=uri:tel:+1-222",
        "TEL:333",
        "ADR:;;Untyped St;;;;",
        "ADR;TYPE=HOME:;;Second St;;;;",
        "ADR:;;Third St;;;;",
        "end:vcard",
    }));
    const ContactRecord& c = r.contacts.at(0);
    EXPECT_EQ(c[F::SURNAME], "O\\'Brien, Jr.");
    EXPECT_EQ(c[F::FIRSTNAME], "Se;an");
    EXPECT_EQ(c[F::NICKNAME], "Shay,Shane");
    EXPECT_EQ(c[F::COMMENTS], "folded with a space and a tabend; back\\slash:colon");
    EXPECT_EQ(c[F::TEL], "111");
    EXPECT_EQ(c[F::MOBILE], "+1-222");
    // The typed address takes its slot first, whatever the order (issue 24); untyped ones take
    // the slots left, and one more is counted.
    EXPECT_EQ(c[F::HOMESTREET], "Second St");
    EXPECT_EQ(c[F::WORKSTREET], "Untyped St");
    EXPECT_EQ(r.unplaced.describe(), "1 more phone number and 1 more address were not imported");
}

TEST(VCardReader, ManyCardsInOneFile_comeInFileOrder)
{
    std::string bytes;
    for (int i = 0; i < 500; ++i)
        bytes += crlf({"BEGIN:VCARD", "VERSION:3.0", "N:Person" + std::to_string(i) + ";;;;", "END:VCARD"});
    const auto r = readOk(bytes);
    ASSERT_EQ(r.contacts.size(), 500u);
    EXPECT_EQ(r.contacts[0][F::SURNAME], "Person0");
    EXPECT_EQ(r.contacts[499][F::SURNAME], "Person499");
}

TEST(VCardReader, ByteOrderMarkBlankLinesAndCtrlZ_areTolerated)
{
    const auto r = readOk("\xEF\xBB\xBF\r\n" + crlf({"BEGIN:VCARD", "", "N:A;B;;;", "END:VCARD", "", "\x1A"}));
    EXPECT_EQ(r.contacts.at(0)[F::SURNAME], "A");
}

TEST(VCardReader, DamagedFiles_areRefusedWithTheLineAtFault)
{
    struct Case {
        std::string bytes;
        std::size_t line;
        std::string_view says;
    };
    const Case cases[] = {
        {crlf({"BEGIN:VCARD", "N:A;;;;", "BEGIN:VCARD", "N:B;;;;", "END:VCARD"}), 3, "inside"},
        {crlf({"BEGIN:VCARD", "N:A;;;;", "END:VCARD", "BEGIN:VCARD", "N:B;;;;"}), 4, "no END"},
        {std::string("BEGIN:VCARD\r\nN:A;;;;\r\nNOTE:a") + '\0' + "b\r\nEND:VCARD\r\n", 3, "binary"},
        {std::string("BEGIN:VCARD\r\nN:A\0;;;;\r\nEND:VCARD\r\n", 29), 2, "binary"},
        {crlf({"BEGIN:VCARD", "END:VCARD", "Some words", "BEGIN:VCARD", "END:VCARD"}), 3, "outside"},
        {crlf({"BEGIN:VCARD", "END:VCARD", "END:VCARD"}), 3, "without BEGIN"},
    };
    for (const Case& c : cases) {
        const ImportResult r = readVCards(c.bytes);
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.contacts.empty()) << "all or nothing";
        EXPECT_EQ(r.errorLine, c.line) << r.error;
        EXPECT_NE(r.error.find(c.says), std::string::npos) << r.error;
    }
}

TEST(VCardReader, LineEndsInAnyForm_neverReachAText)
{
    // Quoted-printable line ends become spaces; a raw CR ends the file's line (issue 24: old
    // Macintosh files end every line so), so what follows it is a line of its own, never text.
    struct Case {
        const char* what;
        std::string version;
        std::string line; // one property, or two lines of a folded one
        F field;
        std::string want;
    };
    const Case cases[] = {
        {"quoted-printable line ends", "2.1", "NOTE;ENCODING=QUOTED-PRINTABLE:one=0Atwo=0Dthree=0D=0Afour", F::COMMENTS,
         "one two three four"},
        {"quoted-printable CR in Latin-1", "2.1",
         "NOTE;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:M=FCller=0DSURNAME=3DForged", F::COMMENTS,
         "M\xC3\xBCller SURNAME=Forged"},
        {"quoted-printable CR in a name", "2.1", "N;ENCODING=QUOTED-PRINTABLE:Lee=0D;Ann=0DMarie;;;", F::FIRSTNAME,
         "Ann Marie"},
        {"a raw CR in a text", "3.0", "NOTE:x\rSURNAME=Forged\rEMAIL=evil@example.org", F::COMMENTS, "x"},
        {"a raw CR beside escapes", "4.0", "NOTE:a\\n\rb\\,c\r", F::COMMENTS, "a "},
        {"a raw CR in a folded line", "4.0", "NOTE:fold\r\r\n ed", F::COMMENTS, "folded"},
        {"a raw CR in a structured name", "4.0", "N:Lee\rX;Ann;;;", F::SURNAME, "Lee"},
        {"a raw CR in an address part", "3.0", "ADR;TYPE=home:;;1 Main\rSt;Town;;;", F::HOMESTREET, "1 Main"},
        {"a raw CR between the names of FN", "4.0", "FN:Ann\rLee", F::FIRSTNAME, "Ann"},
        {"a raw CR in a phone number", "3.0", "TEL;TYPE=cell:+1\r555", F::MOBILE, "+1"},
        {"a raw CR in a value of QOR's own", "4.0", "X-QOR-LIKES:cats\rdogs", F::LIKES, "cats"},
        {"a raw CR in a Windows-1252 file", "2.1", "NOTE:caf\xE9\rbar", F::COMMENTS, "caf\xC3\xA9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto r = readOk(crlf({"BEGIN:VCARD", "VERSION:" + c.version, c.line, "END:VCARD"}));
        ASSERT_EQ(r.contacts.size(), 1u);
        EXPECT_EQ(r.contacts[0][c.field], c.want);
        for (const std::string& text : r.contacts[0].texts)
            EXPECT_FALSE(holdsLineEnd(text)) << ::testing::PrintToString(text);
    }
}
