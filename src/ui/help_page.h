#pragma once

#include <QString>
#include <QUrl>

namespace qor {

// The web address of the help page that the build was configured with (CMake option
// QOR_HELP_URL), or empty: then the page installed with the program serves.
QString configuredHelpAddress();

// The address the Help button opens. A configured web address wins. Otherwise a file: address
// of the help page beside the program whose executable lies in `executableDir`: the installed
// page (share/doc/qor/help.htm under the install prefix) if it exists, else help.htm in that
// folder (the build tree, or a folder holding the program and its page). When neither exists
// it is the installed page's address all the same, so the browser names the missing file.
QUrl helpPageUrl(const QString& executableDir);

// Asks the desktop to open helpPageUrl() for this program in the user's browser, without
// waiting for it. False when the desktop has nothing to open it with (no browser); once the
// desktop took it, whether a browser shows it is the desktop's matter.
bool openHelpPageInBrowser();

// The help page's address as the user would type it: the file's path, or the web address.
QString helpPageShownAddress();

} // namespace qor
