// The verbs that read the book's history and bring back a state of it.
#include "history_commands.h"

#include "book_file.h"
#include "book_history.h"
#include "book_restore.h"
#include "command_line.h"

#include <QDateTime>

#include <ostream>
#include <system_error>

namespace qor {

namespace {

int failure(std::ostream& err, const std::string& message)
{
    err << kProgramName << ": " << message << '\n';
    return kExitFailure;
}

// The local time of `seconds` since 1970 with its offset from UTC: 2026-12-07T14:15:02+01:00.
std::string localIsoTime(std::int64_t seconds)
{
    const QDateTime local = QDateTime::fromSecsSinceEpoch(seconds);
    return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODate).toStdString();
}

std::string countOrUnknown(std::int64_t count) { return count < 0 ? "-" : std::to_string(count); }

std::string contactsText(std::size_t n) { return std::to_string(n) + (n == 1 ? " contact" : " contacts"); }

// Tells what the history said of a save that went through: the book is saved either way.
void tellHistory(const SaveResult& saved, std::ostream& err)
{
    if (!saved.historySetAside.empty())
        err << kProgramName << ": the damaged history was set aside as " << saved.historySetAside.string()
            << " and a new one begun\n";
    if (!saved.historyError.empty())
        err << kProgramName << ": the book is saved, but not in its history: " << saved.historyError << '\n';
}

bool stateNumber(const std::string& text, int& number)
{
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    number = std::stoi(text);
    return number >= 1;
}

bool isTheBook(const std::filesystem::path& file, const std::filesystem::path& book)
{
    std::error_code ec;
    if (std::filesystem::equivalent(file, book, ec) && !ec)
        return true;
    return std::filesystem::weakly_canonical(file, ec) == std::filesystem::weakly_canonical(book, ec);
}

} // namespace

int runHistory(const CommandLine& line, std::ostream& out, std::ostream& err)
{
    std::string error;
    std::filesystem::path book;
    if (!line.options.empty())
        return usageError(err, "option '--" + line.options.begin()->first + "' does not go with '--history'");
    if (!bookOperand(line, 0, book, error))
        return usageError(err, error);
    const HistoryListing listing = listHistory(book);
    if (!listing.ok)
        return failure(err, listing.error);
    for (const HistoryState& state : listing.states)
        out << state.number << '\t' << localIsoTime(state.facts.time) << '\t' << state.facts.contacts << '\t'
            << countOrUnknown(state.facts.added) << '\t' << countOrUnknown(state.facts.removed) << '\n';
    out.flush();
    return out ? kExitSuccess : failure(err, "the history could not be written out");
}

int runRestore(const CommandLine& line, std::ostream& out, std::ostream& err)
{
    std::string error;
    std::filesystem::path book;
    for (const auto& [name, value] : line.options)
        if (name != "to")
            return usageError(err, "option '--" + name + "' does not go with '--restore'");
    if (!bookOperand(line, 0, book, error))
        return usageError(err, error);
    int number = 0;
    if (!stateNumber(line.verbArgument, number))
        return usageError(err, "'" + line.verbArgument + "' is not the number of a state (1 is the newest)");

    const auto to = line.options.find("to");
    if (to == line.options.end()) {
        const BookRestore restored = restoreBookState(book, number);
        if (!restored.ok)
            return failure(err, restored.error + "; the book is not changed");
        tellHistory(restored.saved, err);
        out << "Restored " << book.string() << " to state " << number << " (" << contactsText(restored.contacts)
            << ")\n";
        return kExitSuccess;
    }

    const std::filesystem::path file = to->second;
    if (file.empty())
        return usageError(err, "the name given to '--to' is empty");
    if (isTheBook(file, book))
        return failure(err, file.string() + " is the book itself; leave out '--to' to restore the book");
    const RebuiltState state = rebuildState(book, number);
    if (!state.ok)
        return failure(err, state.error);
    const WriteResult written = replaceFileSafely(file, state.bytes);
    if (!written.ok)
        return failure(err, written.error);
    out << "Wrote state " << number << " of " << book.string() << " to " << file.string() << " ("
        << contactsText(state.facts.contacts) << ")\n";
    return kExitSuccess;
}

} // namespace qor
