#pragma once

#include "book_import.h"
#include "group_merge.h"
#include "save_result.h"

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace qor {

// The groups of duplicates of the book at `book`, as a window opened on it would find them
// (the pairs kept apart beside it left out), each group's contacts in list order. Reads only.
struct BookDuplicates {
    bool ok = false;
    std::string error; // why the book could not be read
    std::vector<GroupMembers> groups;
};
BookDuplicates findBookDuplicates(const std::filesystem::path& book);

// Merges, in the book at `book`, every group whose contacts are equal but for empty fields (no
// field to choose), and saves it as every writer does: the writer's turn (waiting up to
// `wait`), the book read then and there, the safe save and its history. A group that offers a
// choice is left for the window. With nothing to merge the book is not written. On every
// refusal or failure the book is as it was.
struct MergedDuplicates {
    bool ok = false;
    std::string error; // why the book is not changed
    SaveResult saved;  // when ok and something was merged
    std::size_t merged = 0;    // groups made one contact each
    std::size_t leftOver = 0;  // groups that need a choice
};
MergedDuplicates mergeBookDuplicates(const std::filesystem::path& book, std::chrono::milliseconds wait = kBookLockWait);

// How a merge of `members` is named for Undo: "Merge \"Lee, Ann\" x 2".
std::string mergeName(const GroupMembers& members);

} // namespace qor
