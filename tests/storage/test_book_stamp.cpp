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
