// The sentences both windows show: each one's wording, with the names and counts put in.
#include "state_contacts.h"
#include "window_texts.h"

#include <gtest/gtest.h>

namespace qor {
namespace {

TEST(WindowTexts, eachSentenceNamesWhatItIsGivenInItsPlace)
{
    struct Case {
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {fieldTooLongText(""), "Enter no more than 255 characters."},
        {fieldTooLongText("Home street"), "Enter no more than 255 characters in \"Home street\"."},
        {fieldTooLongText("Likes", 3),
         "3 of the contacts hold more than 255 characters in a field, the first in \"Likes\". They are kept "
         "whole; a field you type takes no more than 255."},
        {bookRefusedText(BookRefusal::NotABook, "qor.qor"),
         "qor.qor is not a QOR contact book.\n\nQOR opens an empty book and leaves the file unchanged: nothing is "
         "saved over it."},
        {bookRefusedText(BookRefusal::TooBig, "big.qor").substr(0, 62),
         "big.qor is too big to open with the memory this computer has.\n"},
        {bookChangedText(true, "+3, -1", "unused").substr(97),
         " (+3, -1 contacts).\n\nMerge: the book keeps both sides' changes; a contact changed in both places is "
         "kept in both versions."},
        {bookChangedText(false, "", "qor-conflict-20261207-141502.qor").substr(97),
         ", and it can no longer be merged with. Saving now would overwrite it.\n\nSave beside it: your contacts go "
         "to qor-conflict-20261207-141502.qor in the same folder, and the book stays as it is on disk."},
        {mergeToldText("Ann was changed in both."), "The book on disk and this window were merged. Ann was changed in both."},
        {oldBookKeptText(1, "qor-old.qor"),
         "The book held 1 line that QOR does not read, and the saved book does not hold it. The book as it was is "
         "kept as qor-old.qor."},
        {oldBookKeptText(2, "k.qor").substr(0, 76),
         "The book held 2 lines that QOR does not read, and the saved book does not ho"},
        {historyTroubleText("", ""), "The book is saved."},
        {reloadFailedText("Permission denied"),
         "The book could not be read again, so the list is as it was.\n\nPermission denied"},
        {historyTroubleText("disk full", "h.old"),
         "The book is saved. Its history was damaged: it is kept as h.old beside the book, and a new history begins "
         "with this save. This save is not in the book's history: disk full."},
        {listRescuedText("C:\\rescue\\qor.qor"),
         "The book's folder takes no new file, so this window's contacts were saved as C:\\rescue\\qor.qor."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.text, c.expected);
}

TEST(WindowTexts, aSavedStateSaysWhatItsSaveChangedOrThatItWasFoundOnDisk)
{
    struct Case {
        std::int64_t added, removed;
        const char* expected;
    };
    const Case cases[] = {
        {2, 1, "+2 added, -1 removed"},
        {0, 0, "+0 added, -0 removed"},
        {-1, -1, "found on disk"}, // another program wrote it, or QOR first saved over it
        {3, -1, "found on disk"},
    };
    for (const Case& c : cases) {
        StateFacts facts;
        facts.added = c.added;
        facts.removed = c.removed;
        EXPECT_EQ(stateChangesText(facts), c.expected);
    }
}

} // namespace
} // namespace qor
