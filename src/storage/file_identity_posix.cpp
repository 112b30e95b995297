// Carrying a file's identity (owner, group, extended attributes and with them the ACL) over
// to the new file that replaces it.
#ifndef _WIN32
#include "posix_file.h"

#include <cerrno>
#include <string>
#include <vector>

#include <sys/xattr.h>
#include <unistd.h>

namespace qor::posix {

namespace {

// The names of the extended attributes of `path`, or an errno. A file system without
// extended attributes has none to carry over.
int attributeNames(const std::filesystem::path& path, std::vector<std::string>& names)
{
    std::vector<char> list;
    for (;;) {
        const ssize_t size = ::listxattr(path.c_str(), nullptr, 0);
        if (size < 0)
            return errno == ENOTSUP ? 0 : errno;
        if (size == 0)
            return 0;
        list.resize(static_cast<std::size_t>(size));
        const ssize_t got = ::listxattr(path.c_str(), list.data(), list.size());
        if (got >= 0) {
            list.resize(static_cast<std::size_t>(got));
            break;
        }
        if (errno != ERANGE) // the list grew between the two calls: ask again
            return errno;
    }
    for (std::size_t at = 0; at < list.size();) {
        const std::string name(list.data() + at);
        at += name.size() + 1;
        if (!name.empty())
            names.push_back(name);
    }
    return 0;
}

int copyAttribute(int fd, const std::filesystem::path& original, const std::string& name)
{
    std::vector<char> value;
    for (;;) {
        const ssize_t size = ::getxattr(original.c_str(), name.c_str(), nullptr, 0);
        if (size < 0)
            return errno == ENODATA ? 0 : errno; // gone meanwhile
        value.resize(static_cast<std::size_t>(size));
        const ssize_t got = ::getxattr(original.c_str(), name.c_str(), value.data(), value.size());
        if (got >= 0) {
            value.resize(static_cast<std::size_t>(got));
            break;
        }
        if (errno != ERANGE)
            return errno;
    }
    return ::fsetxattr(fd, name.c_str(), value.data(), value.size(), 0) == 0 ? 0 : errno;
}

} // namespace

int copyIdentity(int fd, const std::filesystem::path& original, const struct stat& st)
{
    struct stat now {};
    if (::fstat(fd, &now) != 0)
        return errno;
    // Only root may give a file away, and only a member of a group may give it that group.
    if ((now.st_uid != st.st_uid || now.st_gid != st.st_gid) && ::fchown(fd, st.st_uid, st.st_gid) != 0)
        return errno;
    std::vector<std::string> names;
    if (const int e = attributeNames(original, names))
        return e;
    for (const std::string& name : names)
        if (const int e = copyAttribute(fd, original, name))
            return e;
    return 0;
}

} // namespace qor::posix

#endif
