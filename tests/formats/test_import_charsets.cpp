// Issue 24, item 2: every charset a card declares is decoded before its escapes are read, on
// every system; a charset that cannot be decoded keeps its bytes and is reported.
#include "charset_cards.h"
#include "contact_exchange.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

using namespace qor;
using namespace qor::test;
using namespace std::literals;
using F = ContactField;

namespace {

struct Charset {
    std::string_view declared; // as a card spells it
    std::string_view bytes;    // a name in it
    std::string_view utf8;     // the same name
};

// Every charset here is decoded by iconv and by Windows's own code pages alike.
const Charset kCharsets[] = {
    {"SHIFT_JIS", "\x8E\x52\x93\x63"sv, "山田"},
    {"Shift_JIS", "\x83\x5C\x94\x5C\x95\x5C"sv, "ソ能表"}, // three second bytes of 0x5C, '\' in ASCII
    {"x-sjis", "\x95\x5C\x8E\xA6"sv, "表示"},
    {"EUC-JP", "\xBA\xB4\xC6\xA3\xB2\xD6\xBB\xD2"sv, "佐藤花子"},
    {"GB2312", "\xD5\xC5\xCE\xB0"sv, "张伟"},
    {"GBK", "\xCD\xF5\xB7\xBC"sv, "王芳"},
    {"Big5", "\xB3\xAF\xB3\x5C\xA5\x5C"sv, "陳許功"}, // 0x5C second bytes too
    {"EUC-KR", "\xB1\xE8\xB9\xCE\xC1\xD8"sv, "김민준"},
    {"KOI8-R", "\xE9\xD7\xC1\xCE\xCF\xD7"sv, "Иванов"},
    {"ISO-8859-2", "\x44\x76\x6F\xF8\xE1\x6B"sv, "Dvořák"},
    {"ISO-8859-7", "\xD0\xE1\xF0\xE1\xE4\xFC\xF0\xEF\xF5\xEB\xEF\xF2"sv, "Παπαδόπουλος"},
    {"ISO_8859-9", "\xDE\xFC\x6B\x72\xFC"sv, "Şükrü"},
    {"ISO-8859-15", "\x43\x61\x66\xE9\x20\xA4"sv, "Café €"},
    {"windows-1251", "\xCF\xE5\xF2\xF0\xEE\xE2"sv, "Петров"},
    {"CP1250", "\xA3\x75\x6B\x61\x73\x7A"sv, "Łukasz"},
    {"windows-1253", "\xC5\xEB\xDD\xED\xE7"sv, "Ελένη"},
    {"\"Windows-1252\"", "Andr\xE9"sv, "André"},
    {"UTF-8", "Zo\xC3\xAB"sv, "Zoë"},
    {"UTF-16LE", "\x5A\x00\x6F\x00\xEB\x00"sv, "Zoë"},
    {"UTF-16", "\x00\x5A\x00\x6F\x00\xEB"sv, "Zoë"}, // big-endian when unmarked (RFC 2781)
};

bool holdsNul(std::string_view bytes) { return bytes.find('\0') != std::string_view::npos; }

} // namespace

TEST(ImportCharsets, EveryDeclaredCharset_isDecodedRawAndQuotedPrintable)
{
    for (const Charset& c : kCharsets) {
        SCOPED_TRACE(c.declared);
        const std::string declared(c.declared);
        // Raw bytes in a structured name (their 0x5C must not escape the ';'), and in a note
        // after quoted-printable.
        const std::string raw = holdsNul(c.bytes) ? std::string() : "N;CHARSET=" + declared + ":" + std::string(c.bytes) + ";Ann;;;";
        const ImportResult r = importCard({raw.empty() ? "N:Lee;Ann;;;" : raw,
                                           "NOTE;CHARSET=" + declared + ";ENCODING=QUOTED-PRINTABLE:" + quotedPrintable(c.bytes)});
        ASSERT_TRUE(r.ok) << r.error;
        const ContactRecord& contact = r.contacts.at(0);
        if (!raw.empty()) {
            EXPECT_EQ(contact[F::SURNAME], c.utf8);
            EXPECT_EQ(contact[F::FIRSTNAME], "Ann");
        }
        EXPECT_EQ(contact[F::COMMENTS], c.utf8);
        EXPECT_TRUE(r.undecoded.empty()) << r.undecoded.describe();
        EXPECT_TRUE(r.unplaced.empty()) << r.unplaced.describe();
    }
}

TEST(ImportCharsets, EscapesAreReadAfterDecoding_soASecondByteOf0x5CIsNoBackslash)
{
    // "ソ,表\n能" in Shift_JIS, with vCard's escapes for the comma and the line break; and an
    // address whose parts are separated after decoding.
    const ImportResult r = importCard({
        "N;CHARSET=SHIFT_JIS:\x83\x5C;\x95\x5C;;;",
        "NOTE;CHARSET=SHIFT_JIS:\x83\x5C\\,\x95\x5C\\n\x94\x5C",
        "ADR;HOME;CHARSET=SHIFT_JIS:;;\x95\x5C\x8E\xA6 1;\x8E\x52\x93\x63;;100-0001;",
    });
    ASSERT_TRUE(r.ok) << r.error;
    const ContactRecord& c = r.contacts.at(0);
    EXPECT_EQ(c[F::SURNAME], "ソ");
    EXPECT_EQ(c[F::FIRSTNAME], "表");
    EXPECT_EQ(c[F::COMMENTS], "ソ,表 能");
    EXPECT_EQ(c[F::HOMESTREET], "表示 1");
    EXPECT_EQ(c[F::HOMECITY], "山田");
    EXPECT_EQ(c[F::HOMEZIP], "100-0001");
}

TEST(ImportCharsets, ACharsetThatCannotBeDecoded_keepsItsBytesAndIsReported)
{
    const ImportResult r = importCard({
        "N;CHARSET=X-MAC-MARTIAN:\x82\xA0\x82\xA2;Ann;;;", // not UTF-8: kept as \xHH
        "NOTE;CHARSET=X-MAC-MARTIAN:Zo\xC3\xAB",           // UTF-8 already: kept as it is
        "NICKNAME;CHARSET=X-MAC-MARTIAN:Annie",             // ASCII is ASCII in every charset
        "TEL;CELL;CHARSET=SHIFT_JIS:\x82",                  // cut short: not Shift_JIS
    });
    ASSERT_TRUE(r.ok) << r.error;
    const ContactRecord& c = r.contacts.at(0);
    EXPECT_EQ(c[F::SURNAME], "\\x82\\xA0\\x82\\xA2");
    EXPECT_EQ(c[F::FIRSTNAME], "Ann");
    EXPECT_EQ(c[F::COMMENTS], "Zoë");
    EXPECT_EQ(c[F::NICKNAME], "Annie");
    EXPECT_EQ(c[F::MOBILE], "\\x82");
    EXPECT_EQ(r.undecoded.countOf("value in charset X-MAC-MARTIAN"), 2u);
    EXPECT_EQ(r.undecoded.countOf("value in charset SHIFT_JIS"), 1u);
    EXPECT_EQ(importMessage(r), "2 values in charset X-MAC-MARTIAN and 1 value in charset SHIFT_JIS were not "
                                "decoded and keep their bytes");
}

TEST(ImportCharsets, TheImportMessage_tellsUndecodedValuesBeforeWhatFoundNoField)
{
    const ImportResult r = importCard({"N;CHARSET=X-UNKNOWN:\xFF;;;;", "URL:http://example.org"});
    EXPECT_EQ(importMessage(r),
              "1 value in charset X-UNKNOWN was not decoded and keeps its bytes; 1 URL was not imported");
    EXPECT_EQ(importMessage(importCard({"N:Lee;;;;"})), "");
}
