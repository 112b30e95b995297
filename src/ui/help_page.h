#pragma once

#include <QString>

namespace qor {

// The product's online help page.
inline const QString kHelpPageAddress = QStringLiteral("http://qor.example.org/qor/help.htm");

// Asks the desktop to open the help page in the user's browser, without waiting for it.
// Whether a browser opens is the desktop's matter.
void openHelpPageInBrowser();

} // namespace qor
