#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string_view>
#include <string>

namespace qor {

// The file a chain of symbolic links at `path` ends at; a relative link is resolved against
// the folder that holds it. The final file need not exist. False, with `error` set, for a
// link that cannot be read or a chain of more than 40 links.
bool resolveBookLinks(const std::filesystem::path& path, std::filesystem::path& target, std::string& error);

// The name of a temporary file a save writes beside the book `bookName`: the book's name, a
// dot and six characters that alternate an upper-case letter and a digit ("qor.qor.K3Q0Z7"),
// taken from `random`. The pattern is narrow on purpose, so that a leftover can be told from
// a file the user named (qor.qor.backup is never taken for one).
std::string temporaryNameFor(const std::string& bookName, std::uint32_t random);
bool isTemporaryNameFor(const std::string& bookName, const std::string& candidate);

// Removes the temporary files a save that was killed left beside the book at `bookPath` (links
// followed): regular files whose names temporaryNameFor could give. Never follows a link of
// that name, never touches anything else. Call it only while no other process holds the book.
// Returns how many it removed.
int removeLeftoverTemporaries(const std::filesystem::path& bookPath);

// A free name in the folder of `bookPath` for a copy of the book written beside it when the
// book changed on disk: "<stem>-conflict-YYYYMMDD-HHMMSS<extension>" for the time `when`
// (qor-conflict-20261207-141502.qor), with "-2", "-3"... added when that name is taken.
std::filesystem::path conflictCopyPath(const std::filesystem::path& bookPath, const std::tm& when);
// The same for a copy kept for another reason: "<stem>-<why>-YYYYMMDD-HHMMSS<extension>".
std::filesystem::path copyBesidePath(const std::filesystem::path& bookPath, std::string_view why, const std::tm& when);

} // namespace qor
