#pragma once

#include "merge_lists.h"

#include <filesystem>
#include <string>

namespace qor {

// Whether someone is there to answer a question. An unattended save (a signal, the end of the
// desktop session, a window that went away) never asks: where it would ask, it keeps both
// sides by writing the list beside the book.
enum class SaveMode {
    Attended,
    Unattended,
};

// What the user chose when the book changed on disk since QOR last read or wrote it.
enum class ConflictChoice {
    Merge,      // merge both sides' changes and save the merged list (the default when possible)
    SaveBeside, // write this window's contacts to a new file beside the book
    Overwrite,  // replace the book with this window's contacts
    GoBack,     // save nothing and go back to the window
};

enum class SaveOutcome {
    Saved,       // the book holds the list
    SavedBeside, // the list went to a file beside the book, which was left as it was
    Failed,      // nothing was written
    Conflict,    // the book changed on disk: a question for the user (answerConflict)
    WentBack,    // the book changed on disk and the user chose to go back to the window
};

// What a save did, for the front end to show.
struct SaveResult {
    SaveOutcome outcome = SaveOutcome::Failed;
    // Failed: why, in the system's words (or why the book may not be replaced).
    std::string error;
    // Conflict: the file "Save beside it" would write; SavedBeside: the file written.
    std::filesystem::path beside;
    // Conflict: whether the two sides can be merged (the file on disk is still a book), and what
    // the other side changed (addedThere, removedThere). Saved: `merged` when the save merged,
    // with what each side changed and where they met.
    bool canMerge = false;
    bool merged = false;
    MergeAccount account;
    // The book as this side last read or wrote it was not found (in the book's history), so the
    // merge kept every contact of both sides: one deleted on one side is back.
    bool mergeBaseUnknown = false;
    // SavedBeside: the book's folder took no new file, and `beside` is in the rescue folder.
    bool rescued = false;
    // Saved, when the book held lines the reader did not take (which the new book does not
    // hold): how many, and the copy of the book as it was, kept beside it. Told once.
    std::size_t unreadLines = 0;
    std::filesystem::path keptOld;
    // Saved: the save is in the book's history unless `historyError` says why not (the book is
    // saved all the same); a damaged history was set aside as `historySetAside` and a new one
    // begun. Told once.
    std::string historyError;
    std::filesystem::path historySetAside;

    static SaveResult of(SaveOutcome outcome, std::string error = {}, std::filesystem::path beside = {})
    {
        SaveResult result;
        result.outcome = outcome;
        result.error = std::move(error);
        result.beside = std::move(beside);
        return result;
    }
};

// Why the window opened without the book and will not save over it.
enum class BookRefusal {
    Unreadable, // it is there but could not be read
    NotABook,   // its bytes are not a contact book
    TooBig,     // it does not fit in this machine's memory
};

} // namespace qor
