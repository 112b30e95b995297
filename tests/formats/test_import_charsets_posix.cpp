// Issue 24, item 2, charsets that iconv decodes and Wine's code pages (on which the Windows
// build's tests run) lack: ISO-2022-JP (50220) and GB18030 (54936). Windows itself has both.
#include "charset_cards.h"
#include "contact_exchange.h"

#include <gtest/gtest.h>

using namespace qor;
using namespace qor::test;
using F = ContactField;

TEST(ImportCharsetsPosix, StatefulAndFourByteCharsets_areDecoded)
{
    // ISO-2022-JP switches with ESC and writes its characters in ASCII's bytes, ';' included.
    const ImportResult r = importCard({
        "N;CHARSET=ISO-2022-JP:\x1B$BNkLZ\x1B(B;\x1B$B2V;R\x1B(B;;;",
        "NOTE;CHARSET=GB18030;ENCODING=QUOTED-PRINTABLE:" + quotedPrintable("\xC0\xEE\xC4\xC8\x95\x32\x82\x36"),
    });
    ASSERT_TRUE(r.ok) << r.error;
    const ContactRecord& c = r.contacts.at(0);
    EXPECT_EQ(c[F::SURNAME], "鈴木");
    EXPECT_EQ(c[F::FIRSTNAME], "花子");
    EXPECT_EQ(c[F::COMMENTS], "李娜𠀀");
    EXPECT_TRUE(r.undecoded.empty()) << r.undecoded.describe();
}
