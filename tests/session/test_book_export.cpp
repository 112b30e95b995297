// The command line's export of a book file: the bytes are those of the book's rows read whole
// into records and written out, in every format, whatever the book holds.
#include "book_export.h"
#include "book_list.h"
#include "test_books.h"

#include <gtest/gtest.h>

#include <random>

namespace qor {
namespace {

using testing::TempFolder;
using testing::fileContents;
using testing::writeFile;

// Texts that exercise every writer's escaping, folding, quoting and date rules, and the form's
// rules on the way in (combo texts in another case, a month's name, a lone year).
const char* const kOddTexts[] = {
    "", "", "", "Smith", "O'Brien, Jr.", "a;b\\c,d", "\"quoted\" text", "=1+2", "+44 7798 426311", "-", "@sum",
    "Jos\xC3\xA9", "M\xC3\xBCller \xE2\x82\xAC", "\xF0\x9F\x98\x80", "a=b=c", "tab\there", "blue", "BROWN", "march",
    "Oct", "17", "31", "1604", "1999", "0", "10", "5 ft 10'", "Personality", "x@example.org", "http://example.org/a?b=c"};

// A book of `records` contacts drawn from kOddTexts (a few long enough to be folded), with a
// field now and then in Windows-1252 bytes, as a legacy program leaves them in a UTF-8 book.
std::string oddBook(std::size_t records, unsigned seed)
{
    std::mt19937 random(seed);
    const auto pick = [&random](std::size_t n) { return static_cast<std::size_t>(random() % n); };
    std::string book = "CREATOR=QOR 1.0\r\n";
    for (std::size_t r = 0; r < records; ++r) {
        for (const FieldInfo& info : fieldTable()) {
            std::string value = kOddTexts[pick(std::size(kOddTexts))];
            if (pick(40) == 0)
                value = std::string(90 + pick(200), "ab, ;\xC3\xA9"[pick(6)]);
            if (pick(60) == 0)
                value = "caf\xE9 \x80";
            book += std::string(info.key) + "=" + value + "\r\n";
        }
        book += "\r\n";
    }
    return book;
}

BookExport throughRecords(const std::filesystem::path& path, ExchangeFormat format)
{
    const BookList list = readBookList(path);
    BookExport exported;
    exported.status = list.status;
    exported.error = list.error;
    exported.contacts = list.rows.size();
    if (list.status == ReadStatus::Read)
        exported.text = exportContacts(rowsOf(list.rows), format);
    return exported;
}

TEST(BookExport, writesTheBytesOfTheBookReadWholeIntoRecords_inEveryFormat)
{
    const struct {
        const char* name;
        std::string bytes;
    } books[] = {
        {"odd texts", oddBook(300, 7)},
        {"odd texts, LF and CR line ends", [] {
             std::string book = oddBook(40, 8);
             for (std::size_t at = 0; (at = book.find("\r\n", at)) != std::string::npos; ++at)
                 book.erase(at + (at % 3 == 0 ? 1 : 0), 1);
             return book;
         }()},
        {"UTF-16", std::string("\xFF\xFES\0U\0R\0N\0A\0M\0E\0=\0L\0\xE9\0\r\0\n\0", 26)},
        {"white space only", " \r\n"},
        {"one record without a line end", "SURNAME=Lee\r\nEYES=green"},
    };
    TempFolder folder("qor-export-");
    const std::filesystem::path path = folder.path() / "book.qor";
    for (const auto& book : books) {
        writeFile(path, book.bytes);
        for (const ExchangeFormat format : {ExchangeFormat::VCard4, ExchangeFormat::VCard3, ExchangeFormat::QorCsv,
                                            ExchangeFormat::GoogleCsv, ExchangeFormat::OutlookCsv}) {
            const BookExport expected = throughRecords(path, format);
            const BookExport exported = exportBook(path, format);
            ASSERT_EQ(expected.status, ReadStatus::Read) << book.name;
            EXPECT_EQ(exported.status, ReadStatus::Read) << book.name;
            EXPECT_EQ(exported.contacts, expected.contacts) << book.name;
            EXPECT_EQ(exported.text, expected.text) << book.name << ", format " << static_cast<int>(format);
            const BookExport toFile = exportBookToFile(path, format, folder.path() / "export");
            EXPECT_TRUE(toFile.written) << book.name << ": " << toFile.writeError;
            EXPECT_EQ(toFile.contacts, expected.contacts) << book.name;
            EXPECT_EQ(fileContents(folder.path() / "export"), expected.text) << book.name << ", format " << static_cast<int>(format);
        }
    }
}

TEST(BookExport, aBookOfManyBlocksOnTwoThreads_writesTheSameBytesAsOneRecordAtATime)
{
    // More than two blocks of rows, and big enough to be indexed on two threads.
    TempFolder folder("qor-export-");
    const std::filesystem::path path = folder.path() / "book.qor";
    writeFile(path, oddBook(9000, 11));
    for (const ExchangeFormat format : {ExchangeFormat::VCard4, ExchangeFormat::VCard3}) {
        const BookExport expected = throughRecords(path, format);
        const BookExport toFile = exportBookToFile(path, format, folder.path() / "export.vcf");
        ASSERT_TRUE(toFile.written) << toFile.writeError;
        EXPECT_EQ(toFile.contacts, 9000u);
        EXPECT_TRUE(fileContents(folder.path() / "export.vcf") == expected.text) << static_cast<int>(format);
    }
}

TEST(BookExport, toAFile_refusesTheBookItself_andWritesNothingForABookItCannotRead)
{
    TempFolder folder("qor-export-");
    const std::filesystem::path path = folder.path() / "book.qor";
    const std::filesystem::path file = folder.path() / "out.vcf";
    EXPECT_EQ(exportBookToFile(path, ExchangeFormat::VCard4, file).status, ReadStatus::Missing);
    writeFile(path, "SURNAME=Lee\r\n");
    const BookExport itself = exportBookToFile(path, ExchangeFormat::VCard4, path);
    EXPECT_TRUE(itself.isTheBook);
    EXPECT_FALSE(itself.written);
    EXPECT_EQ(fileContents(path), "SURNAME=Lee\r\n");
    writeFile(path, std::string("\x7F" "ELF\0\0\x01\x02 binary", 15));
    const BookExport notABook = exportBookToFile(path, ExchangeFormat::VCard4, file);
    EXPECT_EQ(notABook.status, ReadStatus::Unreadable);
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(BookExport, refusesAsTheRecordsDid_aMissingBookAndBytesThatAreNotABook)
{
    TempFolder folder("qor-export-");
    const std::filesystem::path path = folder.path() / "book.qor";
    EXPECT_EQ(exportBook(path, ExchangeFormat::VCard4).status, ReadStatus::Missing);

    writeFile(path, std::string("\x7F" "ELF\0\0\x01\x02 binary", 15));
    const BookExport exported = exportBook(path, ExchangeFormat::VCard4);
    const BookExport expected = throughRecords(path, ExchangeFormat::VCard4);
    ASSERT_EQ(expected.status, ReadStatus::Unreadable);
    EXPECT_EQ(exported.status, ReadStatus::Unreadable);
    EXPECT_EQ(exported.error, expected.error);
    EXPECT_TRUE(exported.text.empty());
}

} // namespace
} // namespace qor
