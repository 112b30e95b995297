// The sync engine against an address book in memory: what each side's changes become, and what a
// server that fails, forgets or changes a card meanwhile does to a sync.
#include "fake_carddav_server.h"

#include "card_update.h"
#include "sync_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace qor {
namespace {

using testing::FakeCardDavServer;
using F = ContactField;

ContactRecord person(const std::string& surname, const std::string& first, const std::string& mobile = {})
{
    ContactRecord c;
    c[F::SURNAME] = surname;
    c[F::FIRSTNAME] = first;
    c[F::MOBILE] = mobile;
    return c;
}

std::string phoneCard(const std::string& uid, const std::string& surname, const std::string& first,
                      const std::string& extra = {})
{
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nN:" + surname + ";" + first + ";;;\r\nFN:" + first + " "
        + surname + "\r\n" + extra + "END:VCARD\r\n";
}

// A book and the sync's state, synced as the session does it: prepare, the book takes the
// merged list, send.
struct Desk {
    FakeCardDavServer server;
    SyncState state{FakeCardDavServer::kBook, "u", {}, FakeCardDavServer::kBook, {}, false, {}};
    std::vector<ContactRecord> book;
    SyncRun::Options options;

    bool sync(SyncFigures& figures, std::size_t* stale = nullptr)
    {
        SyncRun run(server, state, options);
        if (!run.prepare(book))
            return false;
        book = run.plan().merged;
        const bool sent = run.send();
        figures = run.figures();
        if (stale != nullptr)
            *stale = run.staleCards();
        return sent;
    }
    SyncFigures sync()
    {
        SyncFigures figures;
        EXPECT_TRUE(sync(figures));
        return figures;
    }
    std::vector<std::string> mobiles() const
    {
        std::vector<std::string> found;
        for (const ContactRecord& c : book)
            found.push_back(c[F::SURNAME] + "," + c[F::FIRSTNAME] + ":" + c[F::MOBILE]);
        std::sort(found.begin(), found.end());
        return found;
    }
    // The surname, first name and mobile of every card, read back as the next sync reads it.
    std::vector<std::string> serverMobiles() const
    {
        std::vector<std::string> found;
        for (const auto& [href, card] : server.cards) {
            const std::string& t = card.text;
            const std::size_t n = t.find("\nN:") + 3;
            const std::string names = t.substr(n, t.find(";;;", n) - n);
            const std::size_t tel = t.find("TEL;TYPE=cell:");
            const std::string mobile = tel == std::string::npos ? "" : t.substr(tel + 14, t.find("\r\n", tel) - tel - 14);
            found.push_back(names.substr(0, names.find(';')) + "," + names.substr(names.find(';') + 1) + ":" + mobile);
        }
        std::sort(found.begin(), found.end());
        return found;
    }
    ContactRecord* named(const std::string& first)
    {
        for (ContactRecord& c : book)
            if (c[F::FIRSTNAME] == first)
                return &c;
        return nullptr;
    }
};

// --- Each side's changes, as a table -------------------------------------------------------------

struct ChangeCase {
    const char* name;
    std::function<void(Desk&)> change; // after a first sync of Ann (555-1) and Bea (555-2)
    std::string figures;
    std::vector<std::string> after; // both sides: "Surname,First:mobile"
};

class SyncChanges : public ::testing::TestWithParam<ChangeCase> {};

TEST_P(SyncChanges, reachBothSidesAsTheRulesSay)
{
    Desk desk;
    desk.server.put("ann.vcf", phoneCard("ann", "Lee", "Ann", "TEL;TYPE=cell:555-1\r\n"));
    desk.book.push_back(person("Lee", "Bea", "555-2"));
    EXPECT_EQ(desk.sync().describe(), "1 sent, 1 received, 0 deleted here, 0 deleted there, 0 changed in both places");

    GetParam().change(desk);
    EXPECT_EQ(desk.sync().describe(), GetParam().figures);
    EXPECT_EQ(desk.mobiles(), GetParam().after);
    EXPECT_EQ(desk.serverMobiles(), GetParam().after);
    // And the next sync has nothing to do.
    EXPECT_EQ(desk.sync().describe(), "0 sent, 0 received, 0 deleted here, 0 deleted there, 0 changed in both places");
    EXPECT_EQ(desk.mobiles(), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Sync, SyncChanges,
    ::testing::Values(
        ChangeCase{"nothing", [](Desk&) {}, "0 sent, 0 received, 0 deleted here, 0 deleted there, 0 changed in both places",
                   {"Lee,Ann:555-1", "Lee,Bea:555-2"}},
        ChangeCase{"changedHere", [](Desk& d) { (*d.named("Ann"))[F::MOBILE] = "555-9"; },
                   "1 sent, 0 received, 0 deleted here, 0 deleted there, 0 changed in both places",
                   {"Lee,Ann:555-9", "Lee,Bea:555-2"}},
        ChangeCase{"renamedHere", [](Desk& d) { (*d.named("Ann"))[F::FIRSTNAME] = "Anna"; },
                   "1 sent, 0 received, 0 deleted here, 0 deleted there, 0 changed in both places",
                   {"Lee,Anna:555-1", "Lee,Bea:555-2"}},
        ChangeCase{"changedThere",
                   [](Desk& d) { d.server.put("ann.vcf", phoneCard("ann", "Lee", "Ann", "TEL;TYPE=cell:555-7\r\n")); },
                   "0 sent, 1 received, 0 deleted here, 0 deleted there, 0 changed in both places",
                   {"Lee,Ann:555-7", "Lee,Bea:555-2"}},
        ChangeCase{"changedBoth",
                   [](Desk& d) {
                       (*d.named("Ann"))[F::MOBILE] = "555-9";
                       d.server.put("ann.vcf", phoneCard("ann", "Lee", "Ann", "TEL;TYPE=cell:555-7\r\n"));
                   },
                   "1 sent, 1 received, 0 deleted here, 0 deleted there, 1 changed in both places: both kept",
                   {"Lee,Ann:555-7", "Lee,Ann:555-9", "Lee,Bea:555-2"}},
        ChangeCase{"changedBothTheSameWay",
                   [](Desk& d) {
                       (*d.named("Ann"))[F::MOBILE] = "555-7";
                       d.server.put("ann.vcf", phoneCard("ann", "Lee", "Ann", "TEL;TYPE=cell:555-7\r\n"));
                   },
                   "0 sent, 0 received, 0 deleted here, 0 deleted there, 0 changed in both places",
                   {"Lee,Ann:555-7", "Lee,Bea:555-2"}},
        ChangeCase{"deletedHere", [](Desk& d) { std::erase_if(d.book, [](auto& c) { return c[F::FIRSTNAME] == "Ann"; }); },
                   "0 sent, 0 received, 0 deleted here, 1 deleted there, 0 changed in both places", {"Lee,Bea:555-2"}},
        ChangeCase{"deletedThere", [](Desk& d) { d.server.remove("ann.vcf"); },
                   "0 sent, 0 received, 1 deleted here, 0 deleted there, 0 changed in both places", {"Lee,Bea:555-2"}},
        ChangeCase{"deletedHereChangedThere",
                   [](Desk& d) {
                       std::erase_if(d.book, [](auto& c) { return c[F::FIRSTNAME] == "Ann"; });
                       d.server.put("ann.vcf", phoneCard("ann", "Lee", "Ann", "TEL;TYPE=cell:555-7\r\n"));
                   },
                   "0 sent, 1 received, 0 deleted here, 0 deleted there, 0 changed in both places",
                   {"Lee,Ann:555-7", "Lee,Bea:555-2"}},
        ChangeCase{"deletedThereChangedHere",
                   [](Desk& d) {
                       (*d.named("Ann"))[F::MOBILE] = "555-9";
                       d.server.remove("ann.vcf");
                   },
                   "1 sent, 0 received, 0 deleted here, 0 deleted there, 0 changed in both places",
                   {"Lee,Ann:555-9", "Lee,Bea:555-2"}},
        ChangeCase{"addedOnBothSides",
                   [](Desk& d) {
                       d.book.push_back(person("Roe", "Cy", "1"));
                       d.server.put("di.vcf", phoneCard("di", "Roe", "Di", "TEL;TYPE=cell:2\r\n"));
                   },
                   "1 sent, 1 received, 0 deleted here, 0 deleted there, 0 changed in both places",
                   {"Lee,Ann:555-1", "Lee,Bea:555-2", "Roe,Cy:1", "Roe,Di:2"}}),
    [](const auto& info) { return std::string(info.param.name); });

// --- What the server keeps ----------------------------------------------------------------------

TEST(SyncRun, anUpdateKeepsWhatTheCardHoldsBeyondQorsFields)
{
    Desk desk;
    desk.server.put("ann.vcf", phoneCard("ann", "Lee", "Ann",
                                         "TEL;TYPE=cell:555-1\r\nORG:Acme\r\nPHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQ\r\n"));
    desk.sync();
    (*desk.named("Ann"))[F::MOBILE] = "555-9";
    desk.sync();
    // A rename too: the card is still hers.
    (*desk.named("Ann"))[F::SURNAME] = "Roe";
    desk.sync();
    ASSERT_EQ(desk.server.cards.size(), 1u);
    const std::string& text = desk.server.cards[std::string(FakeCardDavServer::kPath) + "ann.vcf"].text;
    EXPECT_NE(text.find("ORG:Acme"), std::string::npos) << text;
    EXPECT_NE(text.find("PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQ"), std::string::npos) << text;
    EXPECT_NE(text.find("UID:ann"), std::string::npos) << text;
    EXPECT_EQ(text.find("555-1"), std::string::npos) << text;
}

TEST(SyncRun, aSyncWithNothingChangedAsksOnlyForTheChanges)
{
    Desk desk;
    for (int i = 0; i < 250; ++i)
        desk.book.push_back(person("Lee", "P" + std::to_string(i)));
    desk.sync();
    desk.server.log.clear();
    EXPECT_EQ(desk.sync().sent, 0u);
    EXPECT_EQ(desk.server.log, std::vector<std::string>{"REPORT /u/book/"});
}

// --- A server in the way ------------------------------------------------------------------------

TEST(SyncRun, aCardChangedBetweenListingAndSendingIsLeftForTheNextPassToMerge)
{
    Desk desk;
    desk.server.put("ann.vcf", phoneCard("ann", "Lee", "Ann", "TEL;TYPE=cell:555-1\r\n"));
    desk.sync();
    (*desk.named("Ann"))[F::MOBILE] = "555-9";
    desk.server.before = [&desk](const std::string& method, int count) {
        if (method == "PUT" && count == 1)
            desk.server.put("ann.vcf", phoneCard("ann", "Lee", "Ann", "TEL;TYPE=cell:555-7\r\n"));
    };
    SyncFigures figures;
    std::size_t stale = 0;
    EXPECT_TRUE(desk.sync(figures, &stale));
    EXPECT_EQ(stale, 1u);
    EXPECT_EQ(figures.sent, 0u);
    EXPECT_EQ(desk.sync().describe(), "1 sent, 1 received, 0 deleted here, 0 deleted there, 1 changed in both places: both kept");
    EXPECT_EQ(desk.mobiles(), (std::vector<std::string>{"Lee,Ann:555-7", "Lee,Ann:555-9"}));
    EXPECT_EQ(desk.serverMobiles(), desk.mobiles());
}

TEST(SyncRun, aForgottenSyncTokenListsEverythingAgain)
{
    Desk desk;
    desk.server.put("ann.vcf", phoneCard("ann", "Lee", "Ann"));
    desk.sync();
    desk.server.forgetTokens();
    desk.server.put("bea.vcf", phoneCard("bea", "Lee", "Bea"));
    EXPECT_EQ(desk.sync().describe(), "0 sent, 1 received, 0 deleted here, 0 deleted there, 0 changed in both places");
    EXPECT_EQ(desk.book.size(), 2u);
}

TEST(SyncRun, aServerWithoutSyncCollectionIsListedByPropfind)
{
    Desk desk;
    desk.server.offersSyncCollection = false;
    desk.server.put("ann.vcf", phoneCard("ann", "Lee", "Ann"));
    desk.book.push_back(person("Lee", "Bea"));
    EXPECT_EQ(desk.sync().describe(), "1 sent, 1 received, 0 deleted here, 0 deleted there, 0 changed in both places");
    EXPECT_TRUE(desk.state.noSyncCollection);
    desk.server.remove("ann.vcf");
    EXPECT_EQ(desk.sync().describe(), "0 sent, 0 received, 1 deleted here, 0 deleted there, 0 changed in both places");
}

TEST(SyncRun, aPutReplyWithoutETagIsReadBackAndTheNextSyncHasNothingToDo)
{
    Desk desk;
    desk.server.etagInPutReply = false;
    desk.book.push_back(person("Lee", "Ann", "1"));
    desk.sync();
    EXPECT_EQ(desk.state.cards.begin()->second.etag, desk.server.cards.begin()->second.etag);
    desk.server.log.clear();
    EXPECT_EQ(desk.sync().describe(), "0 sent, 0 received, 0 deleted here, 0 deleted there, 0 changed in both places");
    EXPECT_EQ(desk.server.log, std::vector<std::string>{"REPORT /u/book/"});
}

TEST(SyncRun, aCardChangedBeforeItsETagIsReadBackIsComparedByTheNextSync)
{
    Desk desk;
    desk.server.etagInPutReply = false;
    desk.book.push_back(person("Lee", "Ann", "1"));
    // The phone changes the card between QOR's PUT and its read-back.
    desk.server.before = [&desk](const std::string& method, int count) {
        if (method == "REPORT" && count == 2)
            desk.server.put(desk.server.cards.begin()->first.substr(8), phoneCard("x", "Lee", "Ann", "TEL;TYPE=cell:2\r\n"));
    };
    desk.sync();
    EXPECT_EQ(desk.state.cards.begin()->second.etag, "");
    desk.server.before = nullptr;
    EXPECT_EQ(desk.sync().describe(), "0 sent, 1 received, 0 deleted here, 0 deleted there, 0 changed in both places");
    EXPECT_EQ(desk.mobiles(), std::vector<std::string>{"Lee,Ann:2"});
}

TEST(SyncRun, aServerGoneMidSyncLosesNothingAndTheNextSyncResumes)
{
    Desk desk;
    for (int i = 0; i < 6; ++i)
        desk.book.push_back(person("Lee", "P" + std::to_string(i)));
    desk.server.before = [&desk](const std::string& method, int count) {
        if (method == "PUT" && count == 3)
            desk.server.failFrom = desk.server.requests;
    };
    SyncFigures figures;
    EXPECT_FALSE(desk.sync(figures));
    EXPECT_EQ(figures.sent, 2u);
    EXPECT_EQ(desk.book.size(), 6u);
    desk.server.failFrom = 0;
    desk.server.before = nullptr;
    EXPECT_EQ(desk.sync().describe(), "4 sent, 0 received, 0 deleted here, 0 deleted there, 0 changed in both places");
    EXPECT_EQ(desk.server.cards.size(), 6u);
    EXPECT_EQ(desk.book.size(), 6u);
}

TEST(SyncRun, aStateThatMissedWhatWasSentMakesNoCopies)
{
    // The sent cards reached the server but the state beside the book was never written.
    Desk desk;
    desk.book = {person("Lee", "Ann", "1"), person("Lee", "Bea", "2")};
    const SyncState before = desk.state;
    desk.sync();
    desk.state = before;
    EXPECT_EQ(desk.sync().describe(), "0 sent, 0 received, 0 deleted here, 0 deleted there, 0 changed in both places");
    EXPECT_EQ(desk.server.cards.size(), 2u);
    EXPECT_EQ(desk.book.size(), 2u);
}

TEST(SyncRun, anAddressBookEmptiedSinceTheLastSyncStopsUnlessAllowed)
{
    Desk desk;
    desk.server.put("ann.vcf", phoneCard("ann", "Lee", "Ann"));
    desk.sync();
    desk.server.remove("ann.vcf");
    SyncRun run(desk.server, desk.state, {});
    EXPECT_FALSE(run.prepare(desk.book));
    EXPECT_TRUE(run.stoppedAtEmptyServer());
    desk.options.allowEmptying = true;
    EXPECT_EQ(desk.sync().deletedHere, 1u);
    EXPECT_TRUE(desk.book.empty());
}

TEST(SyncRun, aBookEmptiedSinceTheLastSyncStopsUnlessAllowed)
{
    Desk desk;
    desk.server.put("ann.vcf", phoneCard("ann", "Lee", "Ann"));
    desk.server.put("bea.vcf", phoneCard("bea", "Lee", "Bea"));
    desk.sync();
    desk.book.clear();
    SyncRun run(desk.server, desk.state, {});
    EXPECT_FALSE(run.prepare(desk.book));
    EXPECT_TRUE(run.stoppedAtEmptyBook());
    EXPECT_EQ(desk.server.cards.size(), 2u);
    desk.options.allowEmptying = true;
    EXPECT_EQ(desk.sync().deletedThere, 2u);
    EXPECT_TRUE(desk.server.cards.empty());
}

TEST(SyncRun, theAddressBookIsFoundFromTheServersRoot)
{
    Desk desk;
    desk.state.url = "http://127.0.0.1:5232/";
    desk.state.addressBook.clear();
    desk.server.put("ann.vcf", phoneCard("ann", "Lee", "Ann"));
    EXPECT_EQ(desk.sync().received, 1u);
    EXPECT_EQ(desk.state.addressBook, FakeCardDavServer::kBook);
}

TEST(SyncRun, aRefusedAccountIsAFaultOfItsOwn)
{
    struct Refusing : HttpTransport {
        HttpReply send(const HttpRequest&) override { return {401, {}, {}, {}}; }
    } refusing;
    SyncState state{FakeCardDavServer::kBook, "u", {}, FakeCardDavServer::kBook, {}, false, {}};
    SyncRun run(refusing, state, {});
    EXPECT_FALSE(run.prepare({}));
    EXPECT_EQ(run.fault(), DavFault::Refused);
    EXPECT_NE(run.error().find("refused the user name or password"), std::string::npos);
}

} // namespace
} // namespace qor
