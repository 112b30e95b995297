#include "text_encoding.h"

#include <gtest/gtest.h>

#include <string>

using namespace qor;

namespace {

std::string allBytes()
{
    std::string s;
    for (int b = 0; b < 256; ++b)
        s.push_back(static_cast<char>(b));
    return s;
}

} // namespace

TEST(TextEncoding, Utf8Validation_acceptsWellFormedTextAndRejectsEveryMalformedKind)
{
    EXPECT_TRUE(isValidUtf8(""));
    EXPECT_TRUE(isValidUtf8("plain ASCII, long enough to take the eight-byte path"));
    EXPECT_TRUE(isValidUtf8("Jos\xC3\xA9 \xE2\x82\xAC \xE6\x9D\x8E \xF0\x9F\x98\x80"));
    EXPECT_TRUE(isValidUtf8("\xEF\xBB\xBF" "CREATOR=QOR 1.0"));
    EXPECT_TRUE(isValidUtf8("\xF4\x8F\xBF\xBF")); // U+10FFFF

    EXPECT_FALSE(isValidUtf8("Jos\xE9"));                  // Windows-1252 e acute
    EXPECT_FALSE(isValidUtf8("abcdefgh\x80"));             // stray continuation after a fast run
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));                 // over-long '/'
    EXPECT_FALSE(isValidUtf8("\xE0\x80\xAF"));             // over-long, three bytes
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));             // surrogate
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80"));         // above U+10FFFF
    EXPECT_FALSE(isValidUtf8("\xF5\x80\x80\x80"));
    EXPECT_FALSE(isValidUtf8("\xE6\x9D"));                 // cut short at the end
    EXPECT_FALSE(isValidUtf8("\xC3" "A"));                 // lead byte without continuation
    // Two accented Windows-1252 letters in a row: the second is a lead byte, not a continuation.
    EXPECT_FALSE(isValidUtf8("\xC9\xC9"));                 // "ÉÉ"
    EXPECT_FALSE(isValidUtf8("GR\xC6\xC9N"));              // "GRÆÉN"
    EXPECT_FALSE(isValidUtf8("\xE9\xE9\xE9"));             // "ééé"
    EXPECT_FALSE(isValidUtf8("\xF0\xF0\xF0\xF0"));         // "ðððð"
}

TEST(TextEncoding, EveryByteSequence_decodedFromWindows1252AndEncodedAgain_comesBackByteForByte)
{
    const std::string bytes = allBytes() + allBytes();
    const std::string utf8 = windows1252ToUtf8(bytes);
    EXPECT_TRUE(isValidUtf8(utf8));
    EXPECT_EQ(utf8.size(), utf8SizeOfWindows1252(bytes));
    std::string back;
    ASSERT_TRUE(utf8ToWindows1252(utf8, back));
    EXPECT_EQ(back, bytes);
}

TEST(TextEncoding, Windows1252Decoding_givesTheCharactersOfTheCodePageAndC1ForItsHoles)
{
    EXPECT_EQ(windows1252ToUtf8("Jos\xE9"), "Jos\xC3\xA9");
    EXPECT_EQ(windows1252ToUtf8("\x80"), "\xE2\x82\xAC");     // euro sign
    EXPECT_EQ(windows1252ToUtf8("\x9F"), "\xC5\xB8");         // Y diaeresis
    EXPECT_EQ(windows1252ToUtf8("\x81\x8D\x8F\x90\x9D"), "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
    EXPECT_EQ(windows1252ToUtf8("\xA0\xFF"), "\xC2\xA0\xC3\xBF");
}

TEST(TextEncoding, TextsWindows1252CannotHold_areRefused)
{
    std::string out = "stale";
    EXPECT_FALSE(utf8ToWindows1252("\xE6\x9D\x8E", out)); // CJK
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(utf8ToWindows1252("\xC2\x80", out));      // U+0080: 0x80 is the euro sign
    EXPECT_FALSE(utf8ToWindows1252("\xC2\x82", out));      // U+0082: 0x82 is a quote mark
    EXPECT_FALSE(utf8ToWindows1252("Jos\xE9", out));       // not UTF-8 in the first place
    EXPECT_EQ(windows1252SizeOfUtf8("\xF0\x9F\x98\x80"), kNotWindows1252);

    ASSERT_TRUE(utf8ToWindows1252("\xE2\x82\xAC 5", out));
    EXPECT_EQ(out, "\x80 5");
}
