// The verbs that do their work without a window, export and import, and the table that finds
// each verb's code (--upcoming's is in date_commands.cpp). Apart from the parser, because what a
// verb does with the book and how the line is read change for different reasons.
#include "command_line.h"

#include "book_export.h"
#include "book_import.h"
#include "book_size_limit.h"
#include "contact_exchange.h"
#include "date_commands.h"
#include "duplicate_commands.h"
#include "file_size_signal.h"
#include "terminal_text.h"
#include "history_commands.h"
#include "sync_command.h"

#include <algorithm>
#include <cerrno>
#include <array>
#include <cstdint>
#include <ctime>
#include <functional>
#include <iostream>
#include <iterator>
#include <new>
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
    } else if (!toStandardOutput) {
        // Straight into the file, which is never held whole.
        const BookExport exported = exportBookToFile(book, *format, file);
        if (exported.status == ReadStatus::Missing)
            return failure(err, shownPath(book) + ": no such book");
        if (exported.status == ReadStatus::Unreadable)
            return failure(err, exported.error);
        if (exported.isTheBook)
            return failure(err, file + ": is the book itself; export to another file");
        if (!exported.written)
            return failure(err, exported.writeError);
        out << "Exported " << plural(exported.contacts, "contact", "contacts") << " to " << file << '\n';
        return kExitSuccess;
    } else {
        BookExport exported = exportBook(book, *format);
        status = exported.status;
        readError = std::move(exported.error);
        text = std::move(exported.text);
        contacts = exported.contacts;
    }
    if (status == ReadStatus::Missing)
        return failure(err, shownPath(book) + ": no such book");
    if (status == ReadStatus::Unreadable)
        return failure(err, readError);

    if (toStandardOutput) {
        // On a terminal the export is for reading, and its texts must not drive the terminal;
        // into a file or a pipe it goes byte for byte. (A test's stream is never a terminal.)
        if (&out == &std::cout && standardOutputIsTerminal())
            text = terminalText(text, EscapeStyle::FileFormat);
        if (!writeOutput(out, text, error))
            return failure(err, error);
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

// The bytes of FILE, or of standard input for "-". Input too big for this machine is refused
// before it is read, or, from standard input, once it passes the limit: reading all of it
// would run out of memory.
bool readInput(const std::string& file, std::string& bytes, std::string& error)
{
    const std::uint64_t limit = largestReadableBook();
    if (file == "-") {
        std::array<char, 1 << 16> piece;
        while (std::cin.read(piece.data(), piece.size()) || std::cin.gcount() > 0) {
            const auto got = static_cast<std::size_t>(std::cin.gcount());
            if (bytes.size() + got > limit) {
                error = "(standard input): the input is more than " + std::to_string(limit)
                    + " bytes; this machine reads files of up to " + std::to_string(limit)
                    + " bytes; nothing was imported";
                return false;
            }
            bytes.append(piece.data(), got);
        }
        if (std::cin.bad()) {
            error = "cannot read standard input";
            return false;
        }
        return true;
    }
    const BookBytes read = readFileWithin(file, limit);
    if (read.status == ReadStatus::Missing) {
        error = file + ": No such file or directory";
        return false;
    }
    if (read.status == ReadStatus::TooBig) {
        error = file + ": " + read.error + "; nothing was imported";
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

    out << "Imported " << plural(done.imported, "contact", "contacts") << " into " << shownPath(book) << '\n';
    if (done.alreadyInBook > 0)
        out << plural(done.alreadyInBook, "contact was", "contacts were") << " already in the book\n";
    if (const std::string account = importMessage(imported); !account.empty())
        out << terminalText(account) << '\n'; // it names the file's columns and charsets
    return kExitSuccess;
}

// As GNU tools do, help that could not be written is a failure: `qor --help >/dev/full`.
int runHelp(const CommandLine&, std::ostream& out, std::ostream& err)
{
    std::string error;
    return writeOutput(out, helpText(), error) ? kExitSuccess : failure(err, error);
}

int runVersion(const CommandLine&, std::ostream& out, std::ostream& err)
{
    std::string error;
    return writeOutput(out, versionText(), error) ? kExitSuccess : failure(err, error);
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
        {"duplicates", runDuplicates},
        {"merge-duplicates", runMergeDuplicates},
        {"sync", runSync},
        {"help", runHelp},
        {"version", runVersion},
    };
    return verbs;
}

} // namespace

bool writeOutput(std::ostream& out, std::string_view text, std::string& error)
{
    errno = 0;
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
    if (out)
        return true;
    // The stream keeps no reason; the failed write(2) left it in errno, if there was one.
    const int reason = errno;
    error = "cannot write to standard output";
    if (reason != 0)
        error += ": " + std::system_category().message(reason);
    return false;
}

int runVerb(const CommandLine& line, std::ostream& out, std::ostream& err)
{
    const auto& verbs = verbTable();
    const auto verb = verbs.find(line.verb);
    if (verb == verbs.end())
        return usageError(err, "nothing to do for '--" + line.verb + "'");
    ignoreFileSizeSignal();
    try {
        return verb->second(line, out, err);
    } catch (const std::bad_alloc&) {
        // As GNU tools say it. Every file a verb writes is put in place whole or not at all,
        // so running out of memory halfway leaves the files as they were.
        return failure(err, line.verb == "import" ? "memory exhausted; nothing was imported and the book is not changed"
                                                  : "memory exhausted");
    }
}

} // namespace qor
