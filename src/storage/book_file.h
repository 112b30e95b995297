#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace qor {

// The book file's name, relative to the working directory.
inline constexpr const char* kBookFileName = "qor.qor";

enum class ReadStatus {
    Read,       // the whole file was read
    Missing,    // there is no such file
    Unreadable, // something is there but could not be read whole (a directory, a pipe, a read
                // error, no permission): it must not be replaced by a save
    TooBig,     // larger than this machine can hold (see book_size_limit.h); left unread
};

struct BookBytes {
    ReadStatus status = ReadStatus::Missing;
    // The file's bytes, in a buffer that is never zero-filled first: for a big book that pass
    // over fresh memory costs as much as reading it.
    std::unique_ptr<char[]> data;
    std::size_t size = 0;
    std::string error; // why it could not be read, for Unreadable

    std::string_view bytes() const { return {data.get(), size}; }
};

// Reads the whole file at `path`. Follows symbolic links; a link whose target is missing is
// Unreadable, not Missing, because a save must not create its target. Never blocks on a pipe
// or device.
BookBytes readBookFile(const std::filesystem::path& path);

// readBookFile a piece at a time, for a reader that need not hold the whole file: hands the
// file's bytes to `piece` in order, at most `pieceSize` bytes at a time, and holds no more
// than one piece. The status and error are readBookFile's; `data` stays empty and `size` is
// the number of bytes read. When reading fails halfway, the pieces before were handed over.
using PieceFunction = std::function<void(std::string_view)>;
BookBytes readBookFileInPieces(const std::filesystem::path& path, std::size_t pieceSize, const PieceFunction& piece);

// Seams for tests: stand in for write(2) and fsync(2) on the file a save writes.
using WriteFunction = std::function<long(int fd, const char* data, std::size_t size)>;
using SyncFunction = std::function<int(int fd)>;

struct WriteResult {
    bool ok = false;
    std::string error;
};

// Replaces the file at `path` by `bytes` so that it is either the old file or the new one,
// never a mix: writes a temporary file in the same folder, checks every write, syncs it and
// renames it over `path`. A symbolic link at `path` is kept and the file it points to is
// replaced; a link whose target is missing is refused, never followed to create a file.
// A new file gets mode 0600. An existing one keeps its identity: owner and group, mode,
// ACL and extended attributes are carried over to the new file. When that cannot be done
// (the owner cannot be given back), when the file has a second hard link, or when its folder
// cannot take a new file but the file can be written, the bytes are written in place instead:
// only after the room for them is reserved, and on a failed write the old bytes are put back,
// so a full disk leaves the old book. Refuses, touching nothing, when `path` is read-only (no
// owner write bit), not a regular file, or cannot be written. On any failure no temporary
// file is left and `path` is as it was.
// On Windows a book with the read-only attribute, or one another program holds open, is refused
// the same way; a replaced book keeps its owner, ACL and attributes (ReplaceFileW), and a new
// one takes its folder's ACL instead of a mode.
WriteResult replaceFileSafely(const std::filesystem::path& path, std::string_view bytes,
                              const WriteFunction& write = {}, const SyncFunction& sync = {});

// replaceFileSafely for bytes made a piece at a time: `produce` is called once and hands the
// pieces, in order, to the function it is given, which writes each as it comes, so the bytes
// are never held whole. The same promises on every failure; an exception from `produce` leaves
// `path` as it was and is passed on. A file that must be written in place (see above) gets the
// pieces gathered first.
using PieceProducer = std::function<void(const PieceFunction& put)>;
WriteResult replaceFileSafelyInPieces(const std::filesystem::path& path, const PieceProducer& produce);

// Creates the file at `path`, which must not exist (not even as a link), holding `bytes`,
// readable and writable by its owner only (mode 0600), and syncs it. Refuses when something
// is already there. On failure nothing is left at `path`.
WriteResult writeNewFile(const std::filesystem::path& path, std::string_view bytes);

} // namespace qor
