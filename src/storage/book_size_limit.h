#pragma once

#include "book_file.h"

#include <cstdint>
#include <filesystem>

namespace qor {

// What an open book takes, as a multiple of its size: the file's bytes while it is read, its
// rows, and the text of a save.
inline constexpr std::uint64_t kOpenBookCost = 3;

// The largest book the window opens on a machine with `physicalMemory` bytes: one whose open
// cost fits in a quarter of the memory, so that the rest of the machine keeps room. Decided
// from the size alone, so a book too big for the machine is refused before any of it is read.
std::uint64_t largestBookFor(std::uint64_t physicalMemory);

// largestBookFor this machine's physical memory.
std::uint64_t largestReadableBook();

// readBookFile, refusing a file larger than `limit` bytes before reading any of it: such a
// file gives TooBig and no bytes. So does a file that cannot be held in memory while it is
// read (std::bad_alloc). Never throws for lack of memory.
BookBytes readBookFileWithin(const std::filesystem::path& path, std::uint64_t limit);

// readBookFileWithin for a file that is not the book, such as one to import: the same
// refusals, with a TooBig error that speaks of the file.
BookBytes readFileWithin(const std::filesystem::path& path, std::uint64_t limit);

// readBookFileInPieces with readBookFileWithin's refusal: a book larger than `limit` gives
// TooBig before any piece is handed over (and after them, when it grew past the limit while
// it was read). Holds one piece at a time.
BookBytes readBookFileInPiecesWithin(const std::filesystem::path& path, std::uint64_t limit,
                                     const PieceFunction& piece);

} // namespace qor
