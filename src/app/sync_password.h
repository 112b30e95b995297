#pragma once

#include <string>

namespace qor {

// The password of a sync account, never written anywhere by QOR.
struct SyncPassword {
    bool ok = false;
    std::string password; // empty: none found, the server is asked without one
    std::string error;    // why a file was refused, when !ok
};

// The first line of `file`, which only its owner may read or write: a file others can read is
// refused, since the password would not be the user's alone.
SyncPassword passwordFromFile(const std::string& file);

// The password ~/.netrc (or $NETRC) gives for `host` and `user` ("machine HOST login USER
// password PASS", or a "default" entry); none when there is no such file or entry. A .netrc
// that others can read is refused as a password file is.
SyncPassword passwordFromNetrc(const std::string& host, const std::string& user);

} // namespace qor
