#include "help_page.h"

#include <QDesktopServices>
#include <QUrl>

namespace qor {

void openHelpPageInBrowser()
{
    QDesktopServices::openUrl(QUrl(kHelpPageAddress));
}

} // namespace qor
