// Pieces the POSIX save is built from, shared by its source files.
#pragma once
#ifndef _WIN32

#include "book_file.h"

#include <filesystem>
#include <string>
#include <string_view>

#include <sys/stat.h>

namespace qor::posix {

std::string describe(const std::string& what, const std::filesystem::path& path, int error);

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor();
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    // Closes now and reports the result: a failing close can mean lost data.
    int close();

private:
    int fd_;
};

// The system calls a save makes that tests may stand in for.
struct SaveCalls {
    const WriteFunction& write;
    const SyncFunction& sync;
    long writeSome(int fd, const char* data, std::size_t size) const;
    int syncFile(int fd) const;
};

// Writes all of `bytes` at the file's current offset through `calls`, retrying short and
// interrupted writes. 0, or the errno of the failure.
int writeAll(int fd, std::string_view bytes, const SaveCalls& calls);

// Reads `size` bytes of `fd` from its start into `out`, or all there are when the file is
// shorter, retrying interrupted reads. 0, or the errno of the failure.
int readFromStart(int fd, std::size_t size, std::string& out);

// Gives the new file `fd` the owner, group, extended attributes (the ACL among them) of the
// file `original`, whose status is `st`. 0, or the errno of what could not be carried over:
// then the new file must not replace the original.
int copyIdentity(int fd, const std::filesystem::path& original, const struct stat& st);

// Writes `bytes` over the file `target` (status `st`) in place, keeping its inode and so
// everything about it. The room is reserved first; a write that fails puts the old bytes back.
WriteResult writeInPlace(const std::filesystem::path& target, const struct stat& st, std::string_view bytes,
                         const SaveCalls& calls);

// Syncs the folder that holds a renamed or new file, so the name lasts through a power cut.
void syncFolder(const std::filesystem::path& folder);

} // namespace qor::posix

#endif
