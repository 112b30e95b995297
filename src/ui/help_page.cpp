#include "help_page.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

#ifndef QOR_HELP_URL
#define QOR_HELP_URL ""
#endif
// Where the install puts the page, relative to the installed executable's folder.
#ifndef QOR_HELP_RELATIVE_PATH
#define QOR_HELP_RELATIVE_PATH "../share/doc/qor/help.htm"
#endif

namespace qor {

QString configuredHelpAddress() { return QStringLiteral(QOR_HELP_URL); }

QUrl helpPageUrl(const QString& executableDir)
{
    if (const QString configured = configuredHelpAddress(); !configured.isEmpty())
        return QUrl(configured);
    const QDir dir(executableDir);
    const QString installed = QDir::cleanPath(dir.absoluteFilePath(QStringLiteral(QOR_HELP_RELATIVE_PATH)));
    const QString beside = dir.absoluteFilePath(QStringLiteral("help.htm"));
    if (!QFileInfo::exists(installed) && QFileInfo::exists(beside))
        return QUrl::fromLocalFile(beside);
    return QUrl::fromLocalFile(installed);
}

bool openHelpPageInBrowser()
{
    return QDesktopServices::openUrl(helpPageUrl(QCoreApplication::applicationDirPath()));
}

QString helpPageShownAddress()
{
    const QUrl page = helpPageUrl(QCoreApplication::applicationDirPath());
    return page.isLocalFile() ? QDir::toNativeSeparators(page.toLocalFile()) : page.toString();
}

} // namespace qor
