#pragma once

#include "book_file.h"

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace qor {

// What QOR last read from or wrote to the book, to tell before a save whether something else
// changed the file since.
struct BookStamp {
    ReadStatus status = ReadStatus::Missing;
    std::uint64_t size = 0;
    std::uint64_t hash = 0;
    // When the file was last modified; kept to tell the user, never compared: a file whose
    // bytes are the same has not changed, whatever its time says.
    std::filesystem::file_time_type modified{};

    // Same presence and the same bytes (size and hash).
    bool sameContentAs(const BookStamp& other) const
    {
        return status == other.status && size == other.size && hash == other.hash;
    }
};

// A 64-bit hash of `bytes` that reads them at memory speed; equal bytes give equal hashes, and
// any change of the bytes changes it but for a chance of one in 2^64.
std::uint64_t hashBytes(std::string_view bytes);

// hashBytes of bytes that arrive in pieces, such as a book read a piece at a time: value() is
// hashBytes of every piece added, joined in order, however they were cut.
class ByteHash {
public:
    ByteHash();
    void add(std::string_view piece);
    std::uint64_t value() const;

private:
    std::uint64_t m_lanes[4];
    char m_carry[32]; // the bytes after the last whole 32
    std::size_t m_carried = 0;
    std::uint64_t m_size = 0;
};

// The stamp of what a read of the book at `path` gave.
BookStamp stampOf(const BookBytes& read, const std::filesystem::path& path);
// The stamp of a read of the book at `path` a piece at a time (readBookFileInPieces), whose bytes
// hashed to `hash`.
BookStamp stampOfPieces(const BookBytes& read, std::uint64_t hash, const std::filesystem::path& path);
// The stamp of `bytes` just written to the book at `path`.
BookStamp stampOfWritten(std::string_view bytes, const std::filesystem::path& path);
// Reads the book at `path` again and stamps what is there now.
BookStamp stampOnDisk(const std::filesystem::path& path);

} // namespace qor
