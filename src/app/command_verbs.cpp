// The verbs that do their work without a window, export and import, and the table that finds
// each verb's code (--upcoming's is in date_commands.cpp). Apart from the parser, because what a
// verb does with the book and how the line is read change for different reasons.
#include "command_line.h"

#include "book_import.h"
#include "book_list.h"
#include "contact_exchange.h"
#include "date_commands.h"
#include "history_commands.h"

#include <algorithm>
#include <ctime>
#include <functional>
#include <iostream>
#include <iterator>
#include <ostream>
#include <system_error>

namespace qor {

namespace {

// The path as it is shown in messages.
std::string shownPath(const std::filesystem::path& path) { return path.string(); }

int failure(std::ostream& err, const std::string& message)
{
    err << kProgramName << ": " << message << '\n';
    return kExitFailure;
}

// Refuses the options that do not go with `verb`.
bool onlyOptionsOf(const CommandLine& line, std::initializer_list<std::string_view> allowed, std::string& error)
{
    for (const auto& [name, value] : line.options)
        if (std::find(allowed.begin(), allowed.end(), name) == allowed.end()) {
            error = "option '--" + name + "' does not go with '--" + line.verb + "'";
            return false;
        }
    return true;
}

bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b)
{
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec) && !ec;
}

std::string plural(std::size_t n, std::string_view one, std::string_view many)
{
    return std::to_string(n) + ' ' + std::string(n == 1 ? one : many);
}

int runExport(const CommandLine& line, std::ostream& out, std::ostream& err)
{
    std::string error;
    std::filesystem::path book;
    if (!onlyOptionsOf(line, {"format"}, error) || !bookOperand(line, 0, book, error))
        return usageError(err, error);
    const std::string& file = line.verbArgument;
    const bool toStandardOutput = file == "-";

    std::optional<ExchangeFormat> format;
    if (const auto named = line.options.find("format"); named != line.options.end()) {
        format = formatNamed(named->second);
        if (!format)
            return usageError(err, "unknown format '" + named->second + "'");
    } else {
        format = toStandardOutput ? ExchangeFormat::VCard4 : formatForFileName(file);
        if (!format)
            return usageError(err, "cannot tell the format of '" + file + "' from its name: use --format");
    }

    std::string text;
    std::size_t contacts = 0;
    ReadStatus status = ReadStatus::Read;
    std::string readError;
    if (*format == ExchangeFormat::ICalendar) {
        // A calendar needs only the dates: the book is streamed, never held whole.
        BookCalendar calendar = readBookCalendar(book, std::time(nullptr));
        status = calendar.status;
        readError = std::move(calendar.error);
        text = std::move(calendar.text);
        contacts = calendar.contacts;
    } else {
        const BookList list = readBookList(book);
        status = list.status;
        readError = list.error;
        if (status == ReadStatus::Read)
            text = exportContacts(rowsOf(list.rows), *format);
        contacts = list.rows.size();
    }
    if (status == ReadStatus::Missing)
        return failure(err, shownPath(book) + ": no such book");
    if (status == ReadStatus::Unreadable)
        return failure(err, readError);

    if (toStandardOutput) {
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.flush();
        if (!out)
            return failure(err, "cannot write to standard output");
        return kExitSuccess;
    }
    // The export must never take the book's place.
    if (sameFile(file, book))
        return failure(err, file + ": is the book itself; export to another file");
    const WriteResult written = replaceFileSafely(file, text);
    if (!written.ok)
        return failure(err, written.error);
    out << "Exported " << plural(contacts, "contact", "contacts") << " to " << file << '\n';
    return kExitSuccess;
}

// The bytes of FILE, or of standard input for "-".
bool readInput(const std::string& file, std::string& bytes, std::string& error)
{
    if (file == "-") {
        bytes.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        if (std::cin.bad()) {
            error = "cannot read standard input";
            return false;
        }
        return true;
    }
    const BookBytes read = readBookFile(file);
    if (read.status == ReadStatus::Missing) {
        error = file + ": No such file or directory";
        return false;
    }
    if (read.status == ReadStatus::Unreadable) {
        error = read.error;
        return false;
    }
    bytes.assign(read.bytes());
    return true;
}

int runImport(const CommandLine& line, std::ostream& out, std::ostream& err)
{
    std::string error;
    std::filesystem::path book;
    if (!onlyOptionsOf(line, {}, error) || !bookOperand(line, 0, book, error))
        return usageError(err, error);
    const std::string& file = line.verbArgument;

    std::string bytes;
    if (!readInput(file, bytes, error))
        return failure(err, error);
    ImportResult imported = importContacts(bytes);
    bytes = std::string();
    if (!imported.ok)
        return failure(err, (file == "-" ? std::string("(standard input)") : file) + ':'
                                + std::to_string(imported.errorLine) + ": " + imported.error
                                + "; nothing was imported");

    const std::size_t count = imported.contacts.size();
    const BookImport done = importIntoBook(book, std::move(imported.contacts));
    if (!done.ok)
        return failure(err, done.error + "; the book is not changed");
    if (!done.saved.historyError.empty())
        err << kProgramName << ": the book is saved, but not in its history: " << done.saved.historyError << '\n';
    if (!done.saved.keptOld.empty())
        err << kProgramName << ": " << shownPath(book) << " held "
            << plural(done.saved.unreadLines, "line", "lines")
            << " that QOR does not read, which the saved book does not hold; the book as it was is kept as "
            << shownPath(done.saved.keptOld) << '\n';

    out << "Imported " << plural(count, "contact", "contacts") << " into " << shownPath(book) << '\n';
    if (!imported.unplaced.empty())
        out << imported.unplaced.describe() << '\n';
    return kExitSuccess;
}

int runHelp(const CommandLine&, std::ostream& out, std::ostream&)
{
    out << helpText();
    return kExitSuccess;
}

int runVersion(const CommandLine&, std::ostream& out, std::ostream&)
{
    out << versionText();
    return kExitSuccess;
}

using VerbFunction = std::function<int(const CommandLine&, std::ostream&, std::ostream&)>;

const std::map<std::string, VerbFunction, std::less<>>& verbTable()
{
    static const std::map<std::string, VerbFunction, std::less<>> verbs{
        {"export", runExport},
        {"import", runImport},
        {"upcoming", runUpcoming},
        {"history", runHistory},
        {"restore", runRestore},
        {"help", runHelp},
        {"version", runVersion},
    };
    return verbs;
}

} // namespace

int runVerb(const CommandLine& line, std::ostream& out, std::ostream& err)
{
    const auto& verbs = verbTable();
    const auto verb = verbs.find(line.verb);
    if (verb == verbs.end())
        return usageError(err, "nothing to do for '--" + line.verb + "'");
    return verb->second(line, out, err);
}

} // namespace qor
