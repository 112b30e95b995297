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

TEST(DamagedBook, HugeLineWithoutLineEnd_isReadInOnePass)
{
    // A 200 MB line that never ends, such as a file truncated by a crash: its value is kept.
    std::string bytes = "SURNAME=" + std::string(200u << 20, 'x');
    const std::size_t before = peakResidentBytes();
    const ParsedBook book = parseBook(bytes, ContactRecord{});
    ASSERT_EQ(book.records.size(), 1u);
    EXPECT_EQ(book.records[0][F::SURNAME].size(), std::size_t(200) << 20);
    if (!underSanitizer() && before > 0) {
        EXPECT_LT(peakResidentBytes() - before, std::size_t(250) << 20); // one copy of the line
    }
    // Without a key it is no book at all.
    EXPECT_FALSE(parseBook(std::string_view(bytes).substr(8), ContactRecord{}).isBook);
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

TEST(DamagedBook, MillionEmptyLines_giveOneEmptyContactOrTheRecordsAfterThem)
{
    std::string bytes(1'000'000, '\n');
    bytes.replace(1000, 2000, std::string(1000, '\r') + std::string(1000, ' '));
    EXPECT_EQ(parseBook(bytes, ContactRecord{}).records.size(), 1u);
    EXPECT_TRUE(parseBook(bytes, ContactRecord{}).isBook); // blank: nothing to lose
    bytes += "SURNAME=After\r\nEMAIL=a@b\r\n";
    const ParsedBook book = parseBook(bytes, ContactRecord{});
    // Empty lines set no field, so the SURNAME line fills the first contact.
    ASSERT_EQ(book.records.size(), 1u);
    EXPECT_EQ(book.records[0][F::SURNAME], "After");
    EXPECT_EQ(book.records[0][F::EMAIL], "a@b");
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
        for (std::size_t r = 0; r < first.records.size(); ++r)
            ASSERT_EQ(second.records[r].texts, first.records[r].texts);
        // And a second save changes no byte.
        const auto again = [&](std::size_t i) -> const ContactRecord& { return second.records[i]; };
        EXPECT_EQ(formatBook(second.records.size(), again, second.encoding).bytes, written.bytes);
    }
}
