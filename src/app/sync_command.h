#pragma once

#include <iosfwd>

namespace qor {

struct CommandLine;

// qor --sync [URL --user NAME [--password-file FILE]] [--yes-delete] [--insecure] [BOOK]: syncs
// BOOK with one CardDAV address book both ways, the first time with the account given, then
// with the one kept beside the book; prints what it did in one line. Exit status 0 when done,
// 1 when the sync stopped (a server gone or refusing the account, an empty address book without
// --yes-delete, a book that may not be written: nothing lost, the next sync resumes), 2 for a
// command line it does not understand.
int runSync(const CommandLine& line, std::ostream& out, std::ostream& err);

} // namespace qor
