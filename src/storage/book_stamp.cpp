// Stamping the book: its presence, size and a hash of its bytes.
#include "book_stamp.h"

#include "hash_steps.h"

#include <algorithm>
#include <cstring>
#include <system_error>

namespace qor {

namespace {

constexpr std::uint64_t kSeeds[4] = {0x243F6A8885A308D3ull, 0x13198A2E03707344ull, 0xA4093822299F31D0ull,
                                     0x082EFA98EC4E6C89ull};

std::filesystem::file_time_type modifiedTime(const std::filesystem::path& path)
{
    std::error_code ec;
    const auto time = std::filesystem::last_write_time(path, ec);
    return ec ? std::filesystem::file_time_type{} : time;
}

} // namespace

namespace {

// Takes the whole 32-byte blocks of `bytes` into the lanes; returns how many bytes it took.
std::size_t hashBlocks(std::uint64_t (&h)[4], std::string_view bytes)
{
    // Four independent lanes of 8-byte words, so the multiplications overlap: a 46 MB book
    // hashes in a few milliseconds, which every save pays to compare the book on disk.
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left >= 32) {
        std::uint64_t w[4];
        std::memcpy(w, p, 32);
        for (int i = 0; i < 4; ++i)
            h[i] = hashStep(h[i], w[i]);
        p += 32;
        left -= 32;
    }
    return bytes.size() - left;
}

} // namespace

ByteHash::ByteHash() : m_lanes{kSeeds[0], kSeeds[1], kSeeds[2], kSeeds[3]}, m_carry{} {}

void ByteHash::add(std::string_view piece)
{
    m_size += piece.size();
    if (m_carried > 0) {
        const std::size_t taken = std::min(piece.size(), sizeof m_carry - m_carried);
        std::memcpy(m_carry + m_carried, piece.data(), taken);
        m_carried += taken;
        piece.remove_prefix(taken);
        if (m_carried < sizeof m_carry)
            return;
        hashBlocks(m_lanes, std::string_view(m_carry, sizeof m_carry));
        m_carried = 0;
    }
    piece.remove_prefix(hashBlocks(m_lanes, piece));
    std::memcpy(m_carry, piece.data(), piece.size());
    m_carried = piece.size();
}

std::uint64_t ByteHash::value() const
{
    std::uint64_t h[4] = {m_lanes[0], m_lanes[1], m_lanes[2], m_lanes[3]};
    std::uint64_t tail[4] = {0, 0, 0, 0};
    std::memcpy(tail, m_carry, m_carried);
    for (int i = 0; i < 4; ++i)
        h[i] = hashStep(h[i], tail[i]);
    const std::uint64_t lanes =
        h[0] ^ hashFinish(h[1]) ^ hashFinish(hashFinish(h[2])) ^ hashFinish(hashFinish(hashFinish(h[3])));
    return hashFinish(lanes ^ m_size);
}

std::uint64_t hashBytes(std::string_view bytes)
{
    ByteHash hash;
    hash.add(bytes);
    return hash.value();
}

BookStamp stampOf(const BookBytes& read, const std::filesystem::path& path)
{
    BookStamp stamp;
    stamp.status = read.status;
    if (read.status == ReadStatus::Read) {
        stamp.size = read.size;
        stamp.hash = hashBytes(read.bytes());
        stamp.modified = modifiedTime(path);
    }
    return stamp;
}

BookStamp stampOfPieces(const BookBytes& read, std::uint64_t hash, const std::filesystem::path& path)
{
    BookStamp stamp;
    stamp.status = read.status;
    if (read.status == ReadStatus::Read) {
        stamp.size = read.size;
        stamp.hash = hash;
        stamp.modified = modifiedTime(path);
    }
    return stamp;
}

BookStamp stampOfWritten(std::string_view bytes, const std::filesystem::path& path)
{
    BookStamp stamp;
    stamp.status = ReadStatus::Read;
    stamp.size = bytes.size();
    stamp.hash = hashBytes(bytes);
    stamp.modified = modifiedTime(path);
    return stamp;
}

BookStamp stampOnDisk(const std::filesystem::path& path) { return stampOf(readBookFile(path), path); }

} // namespace qor
