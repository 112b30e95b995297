#pragma once

#include <string>
#include <string_view>

namespace qor {

// Text from a book or from a file being imported, as the command line prints it, so that no
// text can drive the terminal that shows it (move the cursor, retitle the window, clear the
// screen) or break a listing's tab-separated columns. Each control character is shown as a
// C-style escape: \a \b \t \n \v \f \r and \e (ESC) by name, the other C0 controls and DEL as
// \x00 to \x1f and \x7f, and the C1 controls U+0080 to U+009F as \u0080 to \u009f. A byte
// that is not part of valid UTF-8 is shown as \xHH too. Everything else, accents and every
// other script included, is printed as it is.
//
// A Listing (--upcoming, a message quoting a file) also doubles each backslash (\\), so that
// what is printed tells the text apart from an escape. A FileFormat (an export shown on a
// terminal) keeps its backslashes and its line ends (CR, LF), so that the format's own escapes
// (\, \; \n in vCard) and lines look as the file holds them.
enum class EscapeStyle { Listing, FileFormat };
std::string terminalText(std::string_view text, EscapeStyle style = EscapeStyle::Listing);

// Whether standard output is a terminal.
bool standardOutputIsTerminal();

} // namespace qor
