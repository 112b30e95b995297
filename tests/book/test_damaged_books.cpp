// Books that were damaged, hand-edited or are not books at all: each gets a defined result
// and none crashes, hangs or grows memory beyond the size of the file.
#include "book_text.h"
#include "field_table.h"
#include "form_rules.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <string>

using namespace qor;
using F = ContactField;

namespace {

// The process's peak resident set, in bytes (0 where it cannot be read).
std::size_t peakResidentBytes()
{
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word)
        if (word == "VmHWM:") {
            std::size_t kb = 0;
            status >> kb;
            return kb * 1024;
        }
    return 0;
}

bool underSanitizer()
{
#if defined(__SANITIZE_ADDRESS__)
    return true;
#else
    return false;
#endif
}

} // namespace

TEST(DamagedBook, HugeLineWithoutLineEnd_isIgnoredInOnePass)
{
    // A 200 MB line that never ends, such as a file truncated by a crash: nothing is read.
    std::string bytes = "SURNAME=" + std::string(200u << 20, 'x');
    const std::size_t before = peakResidentBytes();
    const ParsedBook book = parseBook(bytes, ContactRecord{});
    ASSERT_EQ(book.records.size(), 1u);
    EXPECT_EQ(book.records[0], ContactRecord{});
    if (!underSanitizer() && before > 0) {
        EXPECT_LT(peakResidentBytes() - before, std::size_t(50) << 20); // no copy of the line
    }
}

TEST(DamagedBook, HugeValue_isKeptWholeAndMemoryStaysProportional)
{
    std::string bytes = "CREATOR=QOR 1.0\r\nSURNAME=Big\r\nCOMMENTS=" + std::string(100u << 20, 'c') + "\r\n";
    const std::size_t before = peakResidentBytes();
    ParsedBook book = parseBook(bytes, ContactRecord{});
    ASSERT_EQ(book.records.size(), 1u);
    EXPECT_EQ(book.records[0][F::COMMENTS].size(), std::size_t(100) << 20);
    EXPECT_EQ(passThroughForm(book.records[0]), F::COMMENTS);
    if (!underSanitizer() && before > 0) {
        EXPECT_LT(peakResidentBytes() - before, std::size_t(250) << 20);
    }
}

TEST(DamagedBook, NulAndCtrlZBytes_areOrdinaryBytesOfTheirValue)
{
    const std::string value("a\0b\x1A" "c", 5);
    const std::string bytes = "CREATOR=QOR 1.0\r\nSURNAME=" + value + "\r\nHAIR=\x1A\r\n";
    const ParsedBook book = parseBook(bytes, ContactRecord{});
    ASSERT_EQ(book.records.size(), 1u);
    EXPECT_EQ(book.records[0][F::SURNAME], value);
    EXPECT_EQ(book.records[0][F::HAIR], "\x1A");
    const FormattedBook written = formatBook(1, [&](std::size_t) -> const ContactRecord& { return book.records[0]; },
                                             book.encoding);
    EXPECT_EQ(parseBook(written.bytes, ContactRecord{}).records, book.records);
}

TEST(DamagedBook, MillionEmptyLines_giveOneEmptyContactAndThenTheRecordsAfterThem)
{
    std::string bytes(1'000'000, '\n');
    EXPECT_EQ(parseBook(bytes, ContactRecord{}).records.size(), 1u);
    bytes += "SURNAME=After\r\nEMAIL=a@b\r\n";
    const ParsedBook book = parseBook(bytes, ContactRecord{});
    // The SURNAME line stands far past line 6, so it first commits the empty contact.
    ASSERT_EQ(book.records.size(), 2u);
    EXPECT_EQ(book.records[0], ContactRecord{});
    EXPECT_EQ(book.records[1][F::SURNAME], "After");
    EXPECT_EQ(book.records[1][F::EMAIL], "a@b");
}

TEST(DamagedBook, RandomBinary_readsAndThenSavesAndReadsTheSame)
{
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        std::string bytes(std::size_t(1) << 16, '\0');
        for (char& c : bytes)
            c = static_cast<char>(random() & 0xFF);
        // Sprinkle keys so that some lines land in fields.
        for (int i = 0; i < 200; ++i) {
            const auto& info = fieldTable()[random() % kFieldCount];
            const std::string line = "\n" + std::string(info.key) + "=";
            bytes.replace(random() % (bytes.size() - line.size()), line.size(), line);
        }
        const ParsedBook first = parseBook(bytes, ContactRecord{});
        ASSERT_GE(first.records.size(), 1u);
        const auto row = [&](std::size_t i) -> const ContactRecord& { return first.records[i]; };
        const FormattedBook written = formatBook(first.records.size(), row, first.encoding);
        const ParsedBook second = parseBook(written.bytes, ContactRecord{});
        ASSERT_EQ(second.records.size(), first.records.size());
        // A value read from damaged bytes can end in white space that a second read trims.
        for (std::size_t r = 0; r < first.records.size(); ++r)
            for (std::size_t c = 0; c < kFieldCount; ++c) {
                std::string expected = first.records[r][c];
                expected.erase(expected.find_last_not_of(" \t\n\v\f\r") + 1);
                ASSERT_EQ(second.records[r][c], expected);
            }
    }
}
