// What the command line says: its options, read the GNU way, and the --help and --version
// texts, which are made from the same table of options so that the help cannot drift from what
// the parser accepts.
#include "command_line.h"

#include "book_file.h"

#include <algorithm>
#include <array>
#include <sstream>

namespace qor {

namespace {

// One option of the command line. A verb option chooses what the program does; the others
// modify a verb. Adding an option is a row here (and, for a verb, a row in verbTable(), in
// command_verbs.cpp).
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
    OptionRow{"history", "", true,
               "list the states of BOOK that its history keeps, newest first, and open no window"},
    OptionRow{"restore", "N", true,
               "make state N of BOOK's history (1 is the newest) the book again and save it, "
               "as closing the window would; open no window"},
    OptionRow{"to", "FILE", false, "write the state --restore brings back to FILE instead, leaving BOOK alone"},
    OptionRow{"duplicates", "", true,
               "list the contacts of BOOK that look like one person entered more than once, a "
               "block of lines a person, and open no window"},
    OptionRow{"merge-duplicates", "", true,
               "merge each such group whose contacts are equal but for empty fields into one "
               "contact and save BOOK, as closing the window would; open no window"},
    OptionRow{"sync", "", true,
               "sync BOOK both ways with one CardDAV address book: the first time give the "
               "address book's (or the server's) URL before BOOK, and --user; later the same "
               "account is used; open no window"},
    OptionRow{"user", "NAME", false, "the account's user name, for the first --sync"},
    OptionRow{"password-file", "FILE", false,
               "read the account's password from the first line of FILE, which only its owner "
               "may read (otherwise ~/.netrc is looked in)"},
    OptionRow{"yes-delete", "", false,
               "let --sync empty BOOK when the address book lists no card where the last sync "
               "left some, or the address book when BOOK holds no contact"},
    OptionRow{"insecure", "", false, "let --sync use plain http to another machine than this one"},
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
std::string helpText()
{
    constexpr std::size_t kHelpWidth = 79;
    constexpr std::size_t kHelpIndent = 24;
    std::string text = std::string("Usage: ") + kProgramName + " [BOOK]\n"
        + "  or:  " + kProgramName + " --export FILE [--format FORMAT] [BOOK]\n"
        + "  or:  " + kProgramName + " --import FILE [BOOK]\n"
        + "  or:  " + kProgramName + " --upcoming [DAYS] [--from YYYY-MM-DD] [BOOK]\n"
        + "  or:  " + kProgramName + " --history [BOOK]\n"
        + "  or:  " + kProgramName + " --restore N [--to FILE] [BOOK]\n"
        + "  or:  " + kProgramName + " --duplicates [BOOK]\n"
        + "  or:  " + kProgramName + " --merge-duplicates [BOOK]\n"
        + "  or:  " + kProgramName + " --sync URL --user NAME [--password-file FILE] [BOOK]\n"
        + "  or:  " + kProgramName + " --sync [--yes-delete] [BOOK]\n"
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
            "Text from a book or an imported file is printed with its control characters as\n"
            "escapes (\\t for a tab, \\e for ESC, \\x01, \\u0085...) and a backslash as \\\\,\n"
            "so that no name adds a column or drives the terminal. An export to standard\n"
            "output is written byte for byte, unless it goes to a terminal: there its\n"
            "control characters are shown as escapes too.\n"
            "Every save keeps what it changed in BOOK.history, beside the book. --history\n"
            "prints one line per state kept: its number (1 is the newest), the time of the\n"
            "save that wrote it, the contacts, and the contacts that save added and removed\n"
            "('-' for a book another program wrote), separated by tabs. The history keeps\n"
            "every save of the last 30 days and the last 100 saves at least.\n"
            "\n"
            "--duplicates prints one block per person found more than once: one line per\n"
            "contact, its name, e-mail address and mobile number separated by tabs, the\n"
            "blocks separated by an empty line. Names are compared without case, accents,\n"
            "punctuation or word order, phone numbers by their last nine digits. Pairs the\n"
            "window was told are not duplicates (kept in BOOK.not-duplicates) are left out.\n"
            "\n"
            "--sync keeps BOOK and one address book on a CardDAV server (the one a\n"
            "phone syncs with) alike: a contact changed on one side only is taken by the\n"
            "other; one changed on both is kept in both versions; a deletion of a contact\n"
            "the other side left alone is made on both. The account, the address book and\n"
            "what each card held are kept in BOOK.sync beside the book, never the password.\n"
            "It prints what it did: '3 sent, 5 received, 1 deleted here, 0 deleted there,\n"
            "0 changed in both places'.\n"
            "\n"
            "Exit status:\n"
            " 0  if OK,\n"
            " 1  if a file could not be read, imported or written, a sync stopped, or memory\n"
            "    ran out,\n"
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
