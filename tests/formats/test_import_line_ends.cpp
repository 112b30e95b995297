// Issue 24, item 1: files from phones and mail programs end their lines in every way there is
// (CR LF, LF, CR, CR CR LF, a mix), and vCard and CSV are read the same whatever they use.
#include "contact_exchange.h"
#include "form_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace qor;
using F = ContactField;

namespace {

struct LineEnds {
    const char* what;
    std::vector<std::string> ends; // used in turn, line after line
};

const LineEnds kLineEnds[] = {
    {"CR LF", {"\r\n"}},
    {"LF", {"\n"}},
    {"CR (old Macintosh)", {"\r"}},
    {"CR CR LF (some phones)", {"\r\r\n"}},
    {"mixed", {"\r\n", "\r", "\n", "\r\r\n"}},
};

std::string joined(const std::vector<std::string>& lines, const LineEnds& style)
{
    std::string bytes;
    for (std::size_t i = 0; i < lines.size(); ++i)
        bytes += lines[i] + style.ends[i % style.ends.size()];
    return bytes;
}

void expectNoLineEnd(const ImportResult& r)
{
    for (const ContactRecord& c : r.contacts)
        for (const std::string& text : c.texts)
            EXPECT_FALSE(holdsLineEnd(text)) << ::testing::PrintToString(text);
}

} // namespace

TEST(ImportLineEnds, VCardsWithEveryLineEnd_foldAndJoinSoftBreaksAcrossThem)
{
    const std::vector<std::string> lines = {
        "BEGIN:VCARD",
        "VERSION:2.1",
        "N:Lee;Ann;;;",
        "NOTE:folded ",
        " across a line end",
        "TEL;CELL;ENCODING=QUOTED-PRINTABLE:+1 555=",
        "0100",
        "ADR;HOME:;;1 Main St;Town;;12345;",
        "END:VCARD",
        "BEGIN:VCARD",
        "VERSION:3.0",
        "N:Berg;Bo;;;",
        "END:VCARD",
    };
    for (const LineEnds& style : kLineEnds) {
        SCOPED_TRACE(style.what);
        const ImportResult r = importContacts(joined(lines, style));
        ASSERT_TRUE(r.ok) << "line " << r.errorLine << ": " << r.error;
        ASSERT_EQ(r.contacts.size(), 2u);
        const ContactRecord& ann = r.contacts[0];
        EXPECT_EQ(ann[F::SURNAME], "Lee");
        EXPECT_EQ(ann[F::COMMENTS], "folded across a line end");
        EXPECT_EQ(ann[F::MOBILE], "+1 5550100");
        EXPECT_EQ(ann[F::HOMESTREET], "1 Main St");
        EXPECT_EQ(ann[F::HOMEZIP], "12345");
        EXPECT_EQ(r.contacts[1][F::SURNAME], "Berg");
        EXPECT_TRUE(r.unplaced.empty()) << r.unplaced.describe();
        expectNoLineEnd(r);
    }
}

TEST(ImportLineEnds, CsvWithEveryLineEnd_keepsRecordsApartAndQuotedBreaksAsSpaces)
{
    const std::vector<std::string> lines = {
        "First Name,Last Name,Notes",
        "Ann,Lee,\"two",
        "lines\"",
        "Bo,Berg,plain",
    };
    for (const LineEnds& style : kLineEnds) {
        SCOPED_TRACE(style.what);
        const ImportResult r = importContacts(joined(lines, style));
        ASSERT_TRUE(r.ok) << "line " << r.errorLine << ": " << r.error;
        ASSERT_EQ(r.contacts.size(), 2u);
        EXPECT_EQ(r.contacts[0][F::COMMENTS], "two lines");
        EXPECT_EQ(r.contacts[1][F::SURNAME], "Berg");
        EXPECT_EQ(r.contacts[1][F::COMMENTS], "plain");
        expectNoLineEnd(r);
    }
}

TEST(ImportLineEnds, FaultsAreReportedOnTheirLineWhateverTheLineEnds)
{
    const std::vector<std::string> card = {"BEGIN:VCARD", "N:A;;;;", "END:VCARD", "BEGIN:VCARD", "N:B;;;;"};
    const std::vector<std::string> csv = {"Last Name,Notes", "Lee,x", "Berg,\"open"};
    for (const LineEnds& style : kLineEnds) {
        SCOPED_TRACE(style.what);
        const ImportResult noEnd = importContacts(joined(card, style));
        EXPECT_FALSE(noEnd.ok);
        EXPECT_EQ(noEnd.errorLine, 4u) << noEnd.error;
        const ImportResult unclosed = importContacts(joined(csv, style));
        EXPECT_FALSE(unclosed.ok);
        EXPECT_EQ(unclosed.errorLine, 3u) << unclosed.error;
        const ImportResult binary = importContacts(joined({"BEGIN:VCARD", "N:A;;;;", std::string("NOTE:a\0b", 8), "END:VCARD"}, style));
        EXPECT_FALSE(binary.ok);
        EXPECT_EQ(binary.errorLine, 3u) << binary.error;
    }
}

TEST(ImportLineEnds, ALoneCrInAFileOfCrLf_endsItsLineWhereverItStands)
{
    // Read once as a file of CR LF, the CR would hide the e-mail line inside the photo's; the
    // reader sees that a CR ended no line and reads the file again.
    const ImportResult r = importContacts("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lee;Ann;;;\r\n"
                                          "PHOTO;ENCODING=b:AAAA\rEMAIL:ann@example.org\r\nEND:VCARD\r\n");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.contacts.at(0)[F::EMAIL], "ann@example.org");
    EXPECT_EQ(r.unplaced.describe(), "1 photo was not imported");
    // A card cut short by a CR alone is still one card.
    const ImportResult cut = importContacts("BEGIN:VCARD\r\nN:Lee;Ann;;;\rEND:VCARD\r\n");
    ASSERT_TRUE(cut.ok) << cut.error;
    EXPECT_EQ(cut.contacts.size(), 1u);
}
