// A book and its history in a fresh folder, and saves of it as a session makes them.
#pragma once

#include "book_history.h"
#include "book_text.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace qor::testing {

inline ContactRecord contact(const std::string& surname, const std::string& comments = {})
{
    ContactRecord record;
    record[ContactField::SURNAME] = surname;
    record[ContactField::COMMENTS] = comments;
    return record;
}

inline std::string bookOf(const std::vector<ContactRecord>& records, TextEncoding encoding = TextEncoding::Utf8)
{
    return formatBook(records.size(), [&](std::size_t i) -> const ContactRecord& { return records[i]; }, encoding)
        .bytes;
}

// Rules that keep `saves` saves and `seconds` of them, and a room of one book and `slackBytes`.
inline HistoryRules rulesKeeping(std::size_t saves, std::int64_t seconds, std::uint64_t slackBytes)
{
    HistoryRules rules;
    rules.keepSaves = saves;
    rules.keepSeconds = seconds;
    rules.sharePercent = 0;
    rules.slackBytes = slackBytes;
    return rules;
}

class History : public ::testing::Test {
protected:
    History() : folder_("qor-history-"), book_(folder_.path() / "qor.qor"), history_(historyPathFor(book_)) {}

    // Writes `bytes` over the book as a save does, then records the save at `time`.
    HistoryNote save(const std::string& bytes, std::int64_t time = kNow, const HistoryRules& rules = {})
    {
        const BookBefore before = captureBookBefore(book_);
        writeFile(book_, bytes);
        return recordSave(book_, before, bytes, time, std::tm{}, rules);
    }
    HistoryNote save(const std::vector<ContactRecord>& records, std::int64_t time = kNow, const HistoryRules& rules = {})
    {
        return save(bookOf(records), time, rules);
    }
    std::vector<HistoryState> states()
    {
        const HistoryListing listing = listHistory(book_);
        EXPECT_TRUE(listing.ok) << listing.error;
        return listing.states;
    }
    std::string stateBytes(int number)
    {
        const RebuiltState state = rebuildState(book_, number);
        EXPECT_TRUE(state.ok) << state.error;
        return state.bytes;
    }

    static constexpr std::int64_t kNow = 1796645702; // 2026-12-07
    TempFolder folder_;
    std::filesystem::path book_;
    std::filesystem::path history_;
};

} // namespace qor::testing
