// The state beside the book: read back as written, refused when damaged, kept from others' eyes.
#include "sync_state.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace qor {
namespace {

SyncState sample()
{
    SyncState state{"https://dav.example/", "ann", "/home/ann/.qor-password", "https://dav.example/ann/book/",
                    "http://radicale.org/ns/sync/abc", false, {}};
    state.cards["/ann/book/a.vcf"] = {"\"e1\"", 0x0123456789abcdefULL};
    state.cards["/ann/book/b%20c.vcf"] = {"", 42};
    return state;
}

TEST(SyncState, isReadBackAsWritten)
{
    const SyncStateRead read = parseSyncState(formatSyncState(sample()));
    ASSERT_TRUE(read.ok) << read.error;
    EXPECT_EQ(read.state, sample());
}

TEST(SyncState, aFileThatIsNotThereIsABookNeverSynced)
{
    testing::TempFolder folder("qor-sync-state-");
    const SyncStateRead read = readSyncState(syncStatePath(folder.path() / "qor.qor"));
    EXPECT_FALSE(read.found);
    EXPECT_EQ(syncStatePath("dir/qor.qor"), std::filesystem::path("dir/qor.qor.sync"));
}

TEST(SyncState, refusesValuesThatWouldForgeALine)
{
    testing::TempFolder folder("qor-sync-state-");
    SyncState state = sample();
    state.cards["/x\n/card\t0000000000000000\t\t/y"] = {};
    std::string error;
    EXPECT_FALSE(writeSyncState(folder.path() / "s", state, error));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "s"));
}

TEST(SyncState, aDamagedFileIsRefusedWholeWithItsLine)
{
    const std::string good = formatSyncState(sample());
    for (const auto& [text, line] : std::vector<std::pair<std::string, std::string>>{
             {"", "line 1"},
             {"something else\n", "line 1"},
             {good + "card\tnothex!!nothex!!\t\"e\"\t/h\n", "line 10"},
             {good + "card\t0123\t\"e\"\t/h\n", "line 10"},
             {good + "card\t0123456789abcdef\t\"e\"\t\n", "line 10"},
             {good + "no equals sign\n", "line 10"},
             {good + "url=cut off", "line 10"}}) {
        const SyncStateRead read = parseSyncState(text);
        EXPECT_TRUE(read.found);
        EXPECT_FALSE(read.ok) << text;
        EXPECT_TRUE(read.error.starts_with(line)) << read.error;
    }
}

TEST(SyncState, keysOfALaterVersionArePassedOver)
{
    const SyncStateRead read = parseSyncState(formatSyncState(sample()) + "colour=blue\n");
    ASSERT_TRUE(read.ok) << read.error;
    EXPECT_EQ(read.state, sample());
}

} // namespace
} // namespace qor
