// The XML a WebDAV server sends: namespaces however prefixed, entities, CDATA; and what is refused.
#include "dav_multistatus.h"
#include "xml_reader.h"

#include <gtest/gtest.h>

namespace qor {
namespace {

struct Spelling {
    const char* name;
    const char* xml;
};

class MultistatusSpellings : public ::testing::TestWithParam<Spelling> {};

// The same reply, written the ways servers write it, reads the same.
TEST_P(MultistatusSpellings, readTheSame)
{
    const XmlDocument doc = readXml(GetParam().xml);
    ASSERT_TRUE(doc.root) << doc.error;
    const std::vector<DavResponse> responses = davResponses(*doc.root);
    ASSERT_EQ(responses.size(), 1u);
    EXPECT_EQ(responses[0].href, "/a b/c.vcf");
    const XmlElement* etag = responses[0].prop(kDav, "getetag");
    ASSERT_NE(etag, nullptr);
    EXPECT_EQ(etag->text, "\"e&1\"");
    const XmlElement* data = responses[0].prop(kCardDav, "address-data");
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->text, "BEGIN:VCARD\r\nN:<Lee>\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Xml, MultistatusSpellings,
    ::testing::Values(
        Spelling{"prefixed", "<?xml version=\"1.0\"?><D:multistatus xmlns:D=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:carddav\">"
                             "<D:response><D:href> /a b/c.vcf </D:href><D:propstat><D:prop><D:getetag>&quot;e&amp;1&quot;"
                             "</D:getetag><C:address-data>BEGIN:VCARD&#13;\nN:&lt;Lee&gt;&#x0D;\n</C:address-data></D:prop>"
                             "<D:status>HTTP/1.1 200 OK</D:status></D:propstat></D:response></D:multistatus>"},
        Spelling{"defaultNamespace",
                 "<multistatus xmlns=\"DAV:\"><!-- a comment --><response><href>/a b/c.vcf</href><propstat><prop>"
                 "<getetag>\"e&amp;1\"</getetag><address-data xmlns=\"urn:ietf:params:xml:ns:carddav\"><![CDATA[BEGIN:VCARD\r\nN:<Lee>\r\n]]>"
                 "</address-data></prop><status>HTTP/1.1 200 OK</status></propstat></response></multistatus>"},
        Spelling{"missingPropsApart",
                 "<x:multistatus xmlns:x='DAV:' xmlns:y='urn:ietf:params:xml:ns:carddav'><x:response><x:href>/a b/c.vcf</x:href>"
                 "<x:propstat><x:prop><x:getetag>\"e&amp;1\"</x:getetag><y:address-data>BEGIN:VCARD&#13;&#10;N:&lt;Lee>&#13;&#10;"
                 "</y:address-data></x:prop><x:status>HTTP/1.1 200 OK</x:status></x:propstat><x:propstat><x:prop>"
                 "<x:displayname/></x:prop><x:status>HTTP/1.1 404 Not Found</x:status></x:propstat></x:response></x:multistatus>"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(XmlReader, aPrefixIsScopedToItsElement)
{
    const XmlDocument doc = readXml("<a xmlns:p='one'><p:b/><c xmlns:p='two'><p:d/></c><p:e/></a>");
    ASSERT_TRUE(doc.root) << doc.error;
    EXPECT_TRUE(doc.root->children[0].is("one", "b"));
    EXPECT_TRUE(doc.root->children[1].children[0].is("two", "d"));
    EXPECT_TRUE(doc.root->children[2].is("one", "e"));
    EXPECT_NE(doc.root->find("two", "d"), nullptr);
}

TEST(XmlReader, characterReferencesBecomeUtf8)
{
    const XmlDocument doc = readXml("<a>&#233;&#x20AC;&#x1F600;</a>");
    ASSERT_TRUE(doc.root) << doc.error;
    EXPECT_EQ(doc.root->text, "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
}

TEST(XmlReader, refusesWhatIsNotWellFormedAndNeverExpandsDeclaredEntities)
{
    for (const char* bad : {"", "<a>", "<a></b>", "<p:a/>", "<a>&unknown;</a>", "<a>&#xZZ;</a>", "<a/><b/>",
                            "<!DOCTYPE a [<!ENTITY x 'y'>]><a>&x;</a>", "<a b=c/>", "<a>&#x110000;</a>"}) {
        const XmlDocument doc = readXml(bad);
        EXPECT_FALSE(doc.root) << bad;
        EXPECT_FALSE(doc.error.empty()) << bad;
    }
}

TEST(XmlReader, refusesNestingDeeperThanARealReply)
{
    std::string deep;
    for (int i = 0; i < 300; ++i)
        deep += "<a>";
    for (int i = 0; i < 300; ++i)
        deep += "</a>";
    EXPECT_FALSE(readXml(deep).root);
}

TEST(XmlReader, escapesWhatABodyMayNotHold)
{
    EXPECT_EQ(xmlEscaped("a<b>&\"c\""), "a&lt;b&gt;&amp;&quot;c&quot;");
}

TEST(DavMultistatus, readsStatusLines)
{
    EXPECT_EQ(statusCode("HTTP/1.1 404 Not Found"), 404);
    EXPECT_EQ(statusCode("HTTP/1.1 2x0 OK"), 0);
    EXPECT_EQ(statusCode("nothing"), 0);
}

} // namespace
} // namespace qor
