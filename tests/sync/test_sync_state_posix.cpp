// The state beside the book is its owner's alone: it names the account and the password file.
#include "sync_state.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace qor {
namespace {

TEST(SyncStatePosix, isWrittenForItsOwnerOnlyAndReadBack)
{
    testing::TempFolder folder("qor-sync-state-");
    const auto file = folder.path() / "qor.qor.sync";
    SyncState state{"https://dav.example/", "ann", {}, "https://dav.example/ann/book/", "t", false, {}};
    state.cards["/ann/book/a.vcf"] = {"\"e1\"", 7};
    std::string error;
    ASSERT_TRUE(writeSyncState(file, state, error)) << error;
    EXPECT_EQ(std::filesystem::status(file).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    const SyncStateRead read = readSyncState(file);
    ASSERT_TRUE(read.ok) << read.error;
    EXPECT_EQ(read.state, state);
}

} // namespace
} // namespace qor
