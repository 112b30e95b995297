// The verbs that list the book's duplicates and merge the ones that need no choice.
#include "duplicate_commands.h"

#include "book_duplicates.h"
#include "command_line.h"
#include "display_name.h"
#include "terminal_text.h"

#include <ostream>

namespace qor {

namespace {

int failure(std::ostream& err, const std::string& message)
{
    err << kProgramName << ": " << message << '\n';
    return kExitFailure;
}

// The book the verb works on, or why the line cannot be run: it takes no option.
bool bookOf(const CommandLine& line, std::filesystem::path& book, std::string& error)
{
    if (!line.options.empty()) {
        error = "option '--" + line.options.begin()->first + "' does not go with '--" + line.verb + "'";
        return false;
    }
    return bookOperand(line, 0, book, error);
}

std::string groupsText(std::size_t n) { return std::to_string(n) + (n == 1 ? " group" : " groups"); }

} // namespace

int runDuplicates(const CommandLine& line, std::ostream& out, std::ostream& err)
{
    std::filesystem::path book;
    std::string error;
    if (!bookOf(line, book, error))
        return usageError(err, error);
    const BookDuplicates found = findBookDuplicates(book);
    if (!found.ok)
        return failure(err, found.error);
    std::string text;
    for (const GroupMembers& group : found.groups) {
        if (!text.empty())
            text += '\n';
        for (const ContactRecord& contact : group)
            text += terminalText(displayName(contact)) + '\t' + terminalText(contact[ContactField::EMAIL]) + '\t'
                + terminalText(contact[ContactField::MOBILE]) + '\n';
    }
    return writeOutput(out, text, error) ? kExitSuccess : failure(err, error);
}

int runMergeDuplicates(const CommandLine& line, std::ostream& out, std::ostream& err)
{
    std::filesystem::path book;
    std::string error;
    if (!bookOf(line, book, error))
        return usageError(err, error);
    const MergedDuplicates done = mergeBookDuplicates(book);
    if (!done.ok)
        return failure(err, done.error + "; the book is not changed");
    if (!done.saved.historyError.empty())
        err << kProgramName << ": the book is saved, but not in its history: " << done.saved.historyError << '\n';
    out << "Merged " << groupsText(done.merged) << " of duplicates in " << book.string() << '\n';
    if (done.leftOver > 0)
        out << groupsText(done.leftOver) << (done.leftOver == 1 ? " differs" : " differ")
            << " in a field: merge " << (done.leftOver == 1 ? "it" : "them") << " in the window (Find duplicates...)\n";
    return kExitSuccess;
}

} // namespace qor
