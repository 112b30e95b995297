// The size limit: a book too big for this machine is refused from its size, before a byte of
// it is read, with room for everything an open book takes besides its bytes.
#include "book_size_limit.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

using namespace qor;
using namespace qor::testing;
namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

} // namespace

TEST(BookSizeLimit, LargestBook_leavesRoomForItsRowsAndASaveInAQuarterOfTheMemory)
{
    const struct {
        std::uint64_t memory;
        std::uint64_t largest;
    } cases[] = {
        {24 * kGiB, 2 * kGiB},
        {12 * kGiB, kGiB},
        {kGiB, kGiB / 12},
        {0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(largestBookFor(c.memory), c.largest) << c.memory;
        EXPECT_LE(largestBookFor(c.memory) * kOpenBookCost, c.memory / 4);
    }
    EXPECT_GT(largestReadableBook(), 0u);
}

TEST(BookSizeLimit, BookOverTheLimit_isRefusedFromItsSizeWithoutReadingIt)
{
    TempFolder folder("qor-size-limit-");
    const fs::path book = folder.path() / "qor.qor";
    writeFile(book, "CREATOR=QOR 1.0\r\n");
    // A hole: the disk holds none of it, and reading it would take as long as a real book.
    constexpr std::uint64_t kLimit = std::uint64_t{64} << 20;
    fs::resize_file(book, kLimit + 1);
    BookBytes read = readBookFileWithin(book, kLimit);
    EXPECT_EQ(read.status, ReadStatus::TooBig);
    EXPECT_EQ(read.data, nullptr);
    EXPECT_EQ(read.error, "the book is 67108865 bytes; this machine opens books of up to 67108864 bytes");
    std::size_t pieces = 0;
    read = readBookFileInPiecesWithin(book, kLimit, [&pieces](std::string_view) { ++pieces; });
    EXPECT_EQ(read.status, ReadStatus::TooBig);
    EXPECT_EQ(pieces, 0u);

    fs::resize_file(book, kLimit);
    EXPECT_EQ(readBookFileWithin(book, kLimit).status, ReadStatus::Read);
    // A file to import is refused the same way, in words about a file.
    fs::resize_file(book, kLimit + 1);
    read = readFileWithin(book, kLimit);
    EXPECT_EQ(read.status, ReadStatus::TooBig);
    EXPECT_TRUE(contains(read.error, "the file is 67108865 bytes")) << read.error;
}

TEST(BookSizeLimit, BookJustUnderAQuarterOfTheMemory_isRefusedAtOnce)
{
#ifdef _WIN32
    GTEST_SKIP() << "a file of gigabytes is not sparse on every Windows file system";
#else
    // Such a book once took half a minute and its size in memory before it was refused.
    TempFolder folder("qor-size-limit-");
    const fs::path book = folder.path() / "qor.qor";
    writeFile(book, "");
    fs::resize_file(book, largestReadableBook() * kOpenBookCost - 1);
    const auto start = std::chrono::steady_clock::now();
    const BookBytes read = readBookFileWithin(book, largestReadableBook());
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(read.status, ReadStatus::TooBig);
    EXPECT_EQ(read.data, nullptr);
    EXPECT_LT(elapsed, std::chrono::seconds(2));
#endif
}
