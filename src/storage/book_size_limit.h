#pragma once

#include "book_file.h"

#include <cstdint>
#include <filesystem>

namespace qor {

// The largest book the window opens: a quarter of the machine's physical memory. An open book
// takes about three times its size (its rows, the text of a save, the file's bytes while it is
// read), and the rest of the machine needs room too.
std::uint64_t largestReadableBook();

// readBookFile, refusing a file larger than `limit` bytes before reading any of it: such a
// file gives TooBig and no bytes. So does a file that cannot be held in memory while it is
// read (std::bad_alloc). Never throws for lack of memory.
BookBytes readBookFileWithin(const std::filesystem::path& path, std::uint64_t limit);

// readBookFileInPieces with readBookFileWithin's refusal: a book larger than `limit` gives
// TooBig before any piece is handed over (and after them, when it grew past the limit while
// it was read). Holds one piece at a time.
BookBytes readBookFileInPiecesWithin(const std::filesystem::path& path, std::uint64_t limit,
                                     const PieceFunction& piece);

} // namespace qor
