// The Help button and the page it opens.
#include "contact_filter.h"
#include "contact_list_view.h"
#include "contact_table.h"
#include "field_table.h"
#include "find_bar.h"
#include "help_page.h"
#include "signal_saver.h"
#include "window_harness.h"

#include <QApplication>
#include <QDesktopServices>
#include <QAbstractButton>
#include <QPushButton>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QFileInfo>
#include <csignal>
#include <filesystem>
#include <vector>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace qor;
using namespace qor::test;
using F = ContactField;

namespace {

// Catches the help page's address instead of starting a browser.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

void touch(const QString& path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<html></html>");
}

} // namespace

class HelpPageTest : public QObject {
    Q_OBJECT
private slots:
    void help_opensThePageAndChangesNoRow()
    {
        UrlCatcher catcher;
        const QStringList schemes{QStringLiteral("file"), QStringLiteral("http"), QStringLiteral("https")};
        for (const QString& scheme : schemes)
            QDesktopServices::setUrlHandler(scheme, &catcher, "open");
        WindowHarness h(bookOf({"A", "B"}));
        h.show();
        h.put(F::SURNAME, QStringLiteral("typed"));
        h.clickButton(kHelpButton);
        for (const QString& scheme : schemes)
            QDesktopServices::unsetUrlHandler(scheme);
        QCOMPARE(catcher.opened.size(), 1);
        QCOMPARE(catcher.opened.first(), helpPageUrl(QCoreApplication::applicationDirPath()));
        QCOMPARE(h.counts().helpNotOpened, 0);
        QCOMPARE(h.edit(F::SURNAME)->text(), QStringLiteral("typed"));
        QCOMPARE(h.window().table().rowCount(), 2);
    }

    void help_thatTheDesktopCannotOpen_namesThePageInABox()
    {
        // A handler the desktop cannot call stands for a desktop with no browser.
        UrlCatcher catcher;
        const QString scheme = helpPageUrl(QCoreApplication::applicationDirPath()).scheme();
        QDesktopServices::setUrlHandler(scheme, &catcher, "noSuchSlot");
        WindowHarness h;
        h.put(F::SURNAME, QStringLiteral("typed"));
        QTest::ignoreMessage(QtWarningMsg, "QMetaObject::invokeMethod: No such method UrlCatcher::noSuchSlot(QUrl)");
        h.clickButton(kHelpButton);
        QDesktopServices::unsetUrlHandler(scheme);
        QCOMPARE(h.counts().helpNotOpened, 1);
        QCOMPARE(h.counts().helpPage, helpPageShownAddress());
        QVERIFY(h.counts().helpPage.endsWith(QStringLiteral("help.htm")));
        QCOMPARE(h.edit(F::SURNAME)->text(), QStringLiteral("typed"));
    }

    void helpPage_isTheInstalledPageOrTheOneBesideTheProgram()
    {
        if (!configuredHelpAddress().isEmpty()) {
            // A packager's web address wins wherever the program lies.
            QCOMPARE(helpPageUrl(QDir::tempPath()), QUrl(configuredHelpAddress()));
            QVERIFY(helpPageUrl(QDir::tempPath()).path().endsWith(QLatin1String("/qor/help.htm")));
            return;
        }
        QTemporaryDir prefix;
        const QString bin = prefix.filePath(QStringLiteral("bin"));
        const QString installed = prefix.filePath(QStringLiteral("share/doc/qor/help.htm"));
        const QString beside = bin + QStringLiteral("/help.htm");
        QVERIFY(QDir().mkpath(bin));
        // Nothing there yet: the installed page's address, for the browser to report missing.
        QCOMPARE(helpPageUrl(bin), QUrl::fromLocalFile(installed));
        // The build tree keeps the page beside the program.
        touch(beside);
        QCOMPARE(helpPageUrl(bin), QUrl::fromLocalFile(beside));
        QCOMPARE(helpPageUrl(bin).scheme(), QStringLiteral("file"));
        // Installed under a prefix: share/doc/qor/help.htm.
        QVERIFY(QDir().mkpath(QFileInfo(installed).path()));
        touch(installed);
        QCOMPARE(helpPageUrl(bin), QUrl::fromLocalFile(installed));
        QVERIFY(helpPageUrl(bin).path().endsWith(QLatin1String("/qor/help.htm")));
    }

    void helpPage_describesEveryFieldButtonAndKey()
    {
        QFile file(QStringLiteral(QOR_SOURCE_DIR "/res/help.htm"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString page = QString::fromUtf8(file.readAll());
        for (const FieldInfo& info : fieldTable())
            if (!info.label.empty())
                QVERIFY2(page.contains(QString::fromUtf8(info.label.data(), qsizetype(info.label.size()))),
                         info.label.data());
        for (const char* text : {"OK", "Help", "Add", "Update", "Delete", "Clear", "Save", "Enter", "Escape",
                                 "Tab", "<kbd>Alt</kbd>+<kbd>H</kbd>", "<kbd>Ctrl</kbd>+<kbd>F</kbd>", "qor.qor",
                                 "Import...", "Export...", "Upcoming dates...", "Find..."})
            QVERIFY2(page.contains(QString::fromUtf8(text)), text);
        // A page that works offline: nothing fetched from elsewhere.
        QVERIFY(!page.contains(QStringLiteral("src=\"http")));
        QVERIFY(!page.contains(QStringLiteral("<link")));
    }
};

QTEST_MAIN(HelpPageTest)
#include "test_help_page.moc"
