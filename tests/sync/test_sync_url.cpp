// Addresses as the sync reads them: the server's hrefs, this machine, the address book's path.
#include "sync_url.h"

#include <gtest/gtest.h>

namespace qor {
namespace {

TEST(SyncUrl, takesAnAddressApart)
{
    const SyncUrl u = parseSyncUrl("HTTPS://Dav.Example:8443/ann/book/?x#y");
    ASSERT_TRUE(u.valid);
    EXPECT_EQ(u.scheme, "https");
    EXPECT_EQ(u.host, "dav.example");
    EXPECT_EQ(u.origin(), "https://Dav.Example:8443");
    EXPECT_EQ(u.path, "/ann/book/");
    EXPECT_EQ(parseSyncUrl("http://[::1]:5232").host, "::1");
    EXPECT_EQ(parseSyncUrl("http://[::1]:5232").path, "/");
}

TEST(SyncUrl, refusesWhatIsNotAnHttpAddressWithoutAUser)
{
    for (const char* bad : {"", "ftp://host/", "host/path", "http://", "http://ann:pw@host/", "http://[::1/"})
        EXPECT_FALSE(parseSyncUrl(bad).valid) << bad;
}

TEST(SyncUrl, resolvesTheServersHrefs)
{
    const SyncUrl base = parseSyncUrl("https://dav.example/ann/book/");
    EXPECT_EQ(resolveHref(base, "/ann/book/a.vcf"), "https://dav.example/ann/book/a.vcf");
    EXPECT_EQ(resolveHref(base, "a.vcf"), "https://dav.example/ann/book/a.vcf");
    EXPECT_EQ(resolveHref(base, "http://other/x"), "http://other/x");
}

TEST(SyncUrl, twoSpellingsOfOneResourceHaveOneKey)
{
    EXPECT_EQ(hrefKey("/ann%40home/b%20c.vcf"), "/ann@home/b c.vcf");
    EXPECT_EQ(hrefKey("https://dav.example/ann%40home/"), hrefKey("/ann@home/"));
    EXPECT_EQ(hrefKey("/100%"), "/100%");
}

TEST(SyncUrl, plainHttpGoesOnlyToThisMachine)
{
    for (const char* here : {"localhost", "127.0.0.1", "127.1.2.3", "::1", "LOCALHOST"})
        EXPECT_TRUE(isLoopbackHost(here)) << here;
    for (const char* there : {"dav.example", "10.0.0.1", "128.0.0.1", "localhost.example", "::2"})
        EXPECT_FALSE(isLoopbackHost(there)) << there;
}

} // namespace
} // namespace qor
