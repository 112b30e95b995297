#pragma once

#include <filesystem>
#include <iosfwd>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace qor {

// Exit statuses of the command line, as GNU tools use them.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1; // bad input, a file that cannot be read or written
inline constexpr int kExitUsage = 2;   // a command line QOR does not understand

// The command line as parsed: which verb it asks for, the options given and the operands.
struct CommandLine {
    std::string verb;                           // "" opens the window; else "export", "import"...
    std::string verbArgument;                   // the verb option's own argument (FILE)
    std::map<std::string, std::string> options; // other options by long name, e.g. "format"
    std::vector<std::string> operands;          // words that are not options, in order
};

struct ParsedCommandLine {
    CommandLine line;
    std::string error; // empty when the line was understood
};

// Parses `args` (without the program name) the GNU way: long options as "--name VALUE" or
// "--name=VALUE", any unambiguous abbreviation of a name, "--" ends the options, "-" is an
// operand. At most one verb. Refuses unknown options, a missing argument and a second verb.
ParsedCommandLine parseCommandLine(const std::vector<std::string>& args);

// Whether the line opens the window (no verb).
inline bool opensWindow(const CommandLine& line) { return line.verb.empty(); }

// The book the line names, or qor.qor in the current folder; for the window, the first operand.
// Returns false (with a message in `error`) when more operands are given than the verb takes.
bool bookOperand(const CommandLine& line, std::size_t firstOperand, std::filesystem::path& book,
                 std::string& error);

// Runs a verb that needs no window: writes its output to `out`, messages to `err`, and
// returns the exit status. Starts no GUI.
int runVerb(const CommandLine& line, std::ostream& out, std::ostream& err);

// Writes `text` to `out` (standard output) and flushes it. False, with the reason in `error`
// ("cannot write to standard output: File too large"), when it could not be written.
bool writeOutput(std::ostream& out, std::string_view text, std::string& error);

// Writes "qor: MESSAGE" and the pointer to --help to `err`; returns kExitUsage.
int usageError(std::ostream& err, const std::string& message);

// The texts of --help and --version.
std::string helpText();
std::string versionText();

// The program's name in messages.
inline constexpr const char* kProgramName = "qor";

} // namespace qor
