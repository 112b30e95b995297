// The book's stamp, which tells before a save whether another program changed the book since
// QOR read it: it must follow the bytes alone, never the file's time.
#include "book_stamp.h"
#include "book_file_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

using namespace qor;
using namespace qor::testing;
namespace fs = std::filesystem;

TEST_F(BookFile, Stamp_changesWithTheBytesNotWithTheTime)
{
    EXPECT_EQ(stampOnDisk(book_).status, ReadStatus::Missing);
    EXPECT_TRUE(stampOnDisk(book_).sameContentAs(BookStamp{}));

    writeFile(book_, kOld);
    const BookStamp read = stampOnDisk(book_);
    EXPECT_TRUE(read.sameContentAs(stampOfWritten(kOld, book_)));
    EXPECT_FALSE(read.sameContentAs(BookStamp{}));

    std::string sameSize = kOld;
    sameSize[20] = 'X';
    writeFile(book_, sameSize);
    EXPECT_FALSE(stampOnDisk(book_).sameContentAs(read));

    writeFile(book_, kOld);
    fs::last_write_time(book_, fs::last_write_time(book_) + std::chrono::hours(1));
    EXPECT_TRUE(stampOnDisk(book_).sameContentAs(read));

    // Every byte counts, the length and the last byte of a long run included.
    EXPECT_NE(hashBytes(""), hashBytes(std::string(1, '\0')));
    std::string big = newBook(100003);
    const std::uint64_t bigHash = hashBytes(big);
    big.back() ^= 1;
    EXPECT_NE(hashBytes(big), bigHash);
    big.back() ^= 1;
    big[50001] ^= 0x40;
    EXPECT_NE(hashBytes(big), bigHash);
}

TEST(ByteHash, PiecesCutAnywhere_hashAsTheWholeBytes)
{
    std::string bytes;
    for (int i = 0; i < 5000; ++i)
        bytes += static_cast<char>((i * 131) ^ (i >> 3));
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{31}, std::size_t{32}, std::size_t{33},
                             std::size_t{64}, std::size_t{100}, bytes.size()}) {
        const std::string_view whole = std::string_view(bytes).substr(0, size);
        for (std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{32}, std::size_t{33}, std::size_t{4096}}) {
            SCOPED_TRACE(std::to_string(size) + " bytes in pieces of " + std::to_string(piece));
            ByteHash hash;
            for (std::size_t at = 0; at < whole.size(); at += piece)
                hash.add(whole.substr(at, piece));
            EXPECT_EQ(hash.value(), hashBytes(whole));
        }
    }
    // The size counts: zero bytes are not no bytes.
    EXPECT_NE(hashBytes(std::string(32, '\0')), hashBytes(std::string(64, '\0')));
}
