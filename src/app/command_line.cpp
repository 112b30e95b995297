#include "command_line.h"

#include "book_list.h"
#include "contact_exchange.h"
#include "date_commands.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <functional>
#include <iostream>
#include <iterator>
#include <ostream>
#include <sstream>
#include <system_error>

namespace qor {

namespace {

// One option of the command line. A verb option chooses what the program does; the others
// modify a verb. Adding an option is a row here (and, for a verb, a row in verbTable()).
struct OptionRow {
    std::string_view name;
    std::string_view argument; // the argument's name in the help, empty for none
    bool isVerb;
    std::string_view help;
};

constexpr std::array kOptions{
    OptionRow{"export", "FILE", true,
               "write every contact of BOOK to FILE in the order the window lists them, "
               "and open no window; FILE '-' is standard output"},
    OptionRow{"import", "FILE", true,
               "put the contacts of FILE (vCard 2.1, 3.0 or 4.0, or CSV in the QOR, Google or "
               "Outlook layout) on top of BOOK's list and save BOOK, as closing the window would; "
               "open no window; FILE '-' is standard input"},
    OptionRow{"format", "FORMAT", false,
               "the format --export writes: vcard4, vcard3, csv, google-csv, outlook-csv or ical "
               "(by default .vcf gives vcard4, .csv gives csv, .ics gives ical: a calendar of "
               "the birthdays and anniversaries)"},
    OptionRow{"upcoming", "", true,
               "list the birthdays and anniversaries of BOOK in the next DAYS days (30 unless "
               "given), today included, and open no window"},
    OptionRow{"from", "YYYY-MM-DD", false, "the first day --upcoming lists, instead of today"},
    OptionRow{"help", "", true, "display this help and exit"},
    OptionRow{"version", "", true, "output version information and exit"},
};

// Verbs that print and leave: they win over any other verb on the same line.
constexpr std::array<std::string_view, 2> kInformationVerbs{"help", "version"};

const OptionRow* findOption(std::string_view name, std::string& error)
{
    const OptionRow* found = nullptr;
    for (const OptionRow& option : kOptions) {
        if (option.name == name)
            return &option;
        if (option.name.starts_with(name)) {
            if (found != nullptr) {
                error = "option '--" + std::string(name) + "' is ambiguous";
                return nullptr;
            }
            found = &option;
        }
    }
    if (found == nullptr)
        error = "unrecognized option '--" + std::string(name) + "'";
    return found;
}

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

    BookList list = readBookList(book);
    if (list.status == ReadStatus::Unreadable)
        return failure(err, list.error + "; the book is not changed");
    const std::size_t count = imported.contacts.size();
    std::vector<ContactRecord> rows = std::move(imported.contacts);
    // A book with nothing in it shows one empty contact in the window; an import does not keep it.
    if (list.hasRecords)
        rows.insert(rows.end(), std::make_move_iterator(list.rows.begin()), std::make_move_iterator(list.rows.end()));
    const WriteResult written = saveBookList(book, rows, list.encoding);
    if (!written.ok)
        return failure(err, written.error + "; the book is not changed");

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
        {"help", runHelp},
        {"version", runVersion},
    };
    return verbs;
}

// `text` broken into lines of at most `width` characters, each after `indent` spaces.
std::string wrapped(std::string_view text, std::size_t indent, std::size_t width)
{
    std::string result;
    std::size_t column = 0;
    std::istringstream words{std::string(text)};
    for (std::string word; words >> word;) {
        if (column > 0 && column + 1 + word.size() > width) {
            result += '\n';
            column = 0;
        }
        if (column == 0) {
            result.append(indent, ' ');
            column = indent;
        } else {
            result += ' ';
            ++column;
        }
        result += word;
        column += word.size();
    }
    return result + '\n';
}

} // namespace

int usageError(std::ostream& err, const std::string& message)
{
    err << kProgramName << ": " << message << "\nTry '" << kProgramName << " --help' for more information.\n";
    return kExitUsage;
}

ParsedCommandLine parseCommandLine(const std::vector<std::string>& args)
{
    ParsedCommandLine parsed;
    CommandLine& line = parsed.line;
    std::vector<std::string> verbs;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg == "-" || !arg.starts_with('-')) {
            line.operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (!arg.starts_with("--")) {
            // Every option has a long name only; "-h" and "-V" are the two usual short ones.
            if (arg == "-h" || arg == "-V") {
                verbs.push_back(arg == "-h" ? "help" : "version");
                continue;
            }
            parsed.error = "invalid option -- '" + arg.substr(1, 1) + "'";
            return parsed;
        }
        const std::size_t eq = arg.find('=');
        const std::string name = arg.substr(2, eq == std::string::npos ? std::string::npos : eq - 2);
        const OptionRow* option = findOption(name, parsed.error);
        if (option == nullptr)
            return parsed;
        std::string value;
        if (option->argument.empty()) {
            if (eq != std::string::npos) {
                parsed.error = "option '--" + std::string(option->name) + "' doesn't allow an argument";
                return parsed;
            }
        } else if (eq != std::string::npos) {
            value = arg.substr(eq + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            parsed.error = "option '--" + std::string(option->name) + "' requires an argument";
            return parsed;
        }
        if (option->isVerb) {
            verbs.emplace_back(option->name);
            line.verbArgument = value;
        } else {
            line.options[std::string(option->name)] = value;
        }
    }
    for (std::string_view information : kInformationVerbs)
        if (std::find(verbs.begin(), verbs.end(), information) != verbs.end()) {
            line.verb = information;
            return parsed;
        }
    if (verbs.size() > 1) {
        parsed.error = "options '--" + verbs[0] + "' and '--" + verbs[1] + "' cannot be used together";
        return parsed;
    }
    if (!verbs.empty())
        line.verb = verbs.front();
    else if (!line.options.empty())
        parsed.error = "option '--" + line.options.begin()->first + "' needs a verb such as '--export'";
    return parsed;
}

bool bookOperand(const CommandLine& line, std::size_t firstOperand, std::filesystem::path& book, std::string& error)
{
    if (line.operands.size() > firstOperand + 1) {
        error = "extra operand '" + line.operands[firstOperand + 1] + "'";
        return false;
    }
    book = line.operands.size() > firstOperand ? std::filesystem::path(line.operands[firstOperand])
                                               : std::filesystem::path(kBookFileName);
    if (book.empty()) {
        error = "the book's name is empty";
        return false;
    }
    return true;
}

int runVerb(const CommandLine& line, std::ostream& out, std::ostream& err)
{
    const auto& verbs = verbTable();
    const auto verb = verbs.find(line.verb);
    if (verb == verbs.end())
        return usageError(err, "nothing to do for '--" + line.verb + "'");
    return verb->second(line, out, err);
}

std::string helpText()
{
    constexpr std::size_t kHelpWidth = 79;
    constexpr std::size_t kHelpIndent = 24;
    std::string text = std::string("Usage: ") + kProgramName + " [BOOK]\n"
        + "  or:  " + kProgramName + " --export FILE [--format FORMAT] [BOOK]\n"
        + "  or:  " + kProgramName + " --import FILE [BOOK]\n"
        + "  or:  " + kProgramName + " --upcoming [DAYS] [--from YYYY-MM-DD] [BOOK]\n"
        + "Keep contacts in a book file and move them in and out as vCard and CSV.\n"
          "\n"
          "With no option, open the contact window on BOOK. BOOK is qor.qor in the current\n"
          "folder unless named.\n"
          "\n"
          "Options:\n";
    for (const OptionRow& option : kOptions) {
        std::string head = "      --" + std::string(option.name);
        if (!option.argument.empty())
            head += "=" + std::string(option.argument);
        if (option.name == "help")
            head = "  -h, --help";
        else if (option.name == "version")
            head = "  -V, --version";
        std::string body = wrapped(option.help, kHelpIndent, kHelpWidth);
        if (head.size() + 2 <= kHelpIndent)
            body.replace(0, head.size(), head);
        else
            body = head + '\n' + body;
        text += body;
    }
    text += "\n"
            "An import reads vCard 2.1, 3.0 and 4.0 and CSV files and tells them apart by\n"
            "their content. It is all or nothing: a file with a fault is reported with its\n"
            "line and the book is left as it was. A book that does not exist yet is created.\n"
            "\n"
            "--upcoming prints one line per date, sorted by date, then name: the date\n"
            "(YYYY-MM-DD), 'birthday' or 'anniversary', the name and the years (empty when\n"
            "the book has no year), separated by tabs. A date is a day from 1 to 31 with a\n"
            "month (its English name, the first three letters of it, or 1 to 12) and maybe a\n"
            "four-digit year; 29 February falls on 28 February in other years. A BOOK named\n"
            "by digits alone is written ./NAME.\n"
            "\n"
            "Exit status:\n"
            " 0  if OK,\n"
            " 1  if a file could not be read, imported or written,\n"
            " 2  if the command line was not understood.\n"
            "\n"
            "Report bugs to the QOR developers.\n";
    return text;
}

std::string versionText()
{
    return std::string(kProgramName) + " (QOR) " QOR_VERSION "\n"
           "Copyright (C) 2026 the QOR developers\n";
}

} // namespace qor
