// Sync now in the window: what it takes is one change of the list, which Undo takes back, and
// the list is saved through the window's Save before anything is sent.
#include "book_dialog.h"
#include "contact_table.h"
#include "fake_carddav_server.h"
#include "sync_window.h"
#include "window_chrome.h"
#include "window_harness.h"

#include <QAction>
#include <QMenu>
#include <QTest>

using namespace qor;
using namespace qor::test;
using qor::testing::FakeCardDavServer;
using F = ContactField;

namespace {

QStringList listed(BookDialog& w)
{
    QStringList surnames = listedSurnames(w);
    surnames.sort();
    return surnames;
}

SyncState account() { return SyncState{FakeCardDavServer::kBook, "u", {}, FakeCardDavServer::kBook, {}, false, {}}; }

std::string phoneCard(const std::string& surname)
{
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + surname + "\r\nN:" + surname + ";;;;\r\nFN:" + surname + "\r\nEND:VCARD\r\n";
}

} // namespace

class SyncWindowTest : public QObject {
    Q_OBJECT
private slots:
    void sync_bringsTheServersContactsAsOneChangeThatUndoTakesBack()
    {
        WindowHarness h(bookOf({"Lee"}), true);
        h.show();
        FakeCardDavServer server;
        server.put("roe.vcf", phoneCard("Roe"));
        const BookSync done = syncWindowList(h.window(), server, account());
        QVERIFY2(done.ok, done.error.c_str());
        QCOMPARE(QString::fromStdString(done.figures.describe()),
                 QStringLiteral("1 sent, 1 received, 0 deleted here, 0 deleted there, 0 changed in both places"));
        QCOMPARE(listed(h.window()), (QStringList{"Lee", "Roe"}));
        QVERIFY(h.readBook().find("SURNAME=Roe") != std::string::npos);
        QCOMPARE(server.cards.size(), std::size_t{2});
        QCOMPARE(QString::fromStdString(h.window().session().undoName()), QString::fromUtf8(kSyncChangeName));
        h.window().undo();
        QCOMPARE(listed(h.window()), (QStringList{"Lee"}));
    }

    void sync_savesWhatTheWindowHoldsBeforeItSendsIt()
    {
        WindowHarness h(bookOf({"Lee"}), true);
        h.show();
        FakeCardDavServer server;
        QVERIFY(syncWindowList(h.window(), server, account()).ok);
        h.put(F::SURNAME, QStringLiteral("Kim"));
        h.clickButton(kAddButton);
        QVERIFY(h.readBook().find("SURNAME=Kim") == std::string::npos);
        SyncStateRead kept = readSyncState(syncStatePath(h.bookPath()));
        QVERIFY(kept.ok);
        const BookSync done = syncWindowList(h.window(), server, kept.state);
        QVERIFY2(done.ok, done.error.c_str());
        QCOMPARE(done.figures.sent, std::size_t{1});
        QVERIFY(h.readBook().find("SURNAME=Kim") != std::string::npos);
        QCOMPARE(server.cards.size(), std::size_t{2});
    }

    void sync_ofAnEmptiedAddressBookStopsAndEmptiesTheListOnlyWhenAllowed()
    {
        WindowHarness h(bookOf({"Lee", "Roe"}), true);
        h.show();
        FakeCardDavServer server;
        QVERIFY(syncWindowList(h.window(), server, account()).ok);
        server.cards.clear();
        server.forgetTokens();
        const SyncState kept = readSyncState(syncStatePath(h.bookPath())).state;
        const BookSync stopped = syncWindowList(h.window(), server, kept);
        QVERIFY(!stopped.ok && stopped.emptyServer);
        QCOMPARE(listed(h.window()), (QStringList{"Lee", "Roe"}));
        QVERIFY(syncWindowList(h.window(), server, kept, {true}).ok);
        QCOMPARE(listed(h.window()), QStringList{});
        h.window().undo();
        QCOMPARE(listed(h.window()), (QStringList{"Lee", "Roe"}));
    }

    void menu_holdsSyncNowAndItsSettings()
    {
        WindowHarness h(bookOf({"Lee"}), true);
        h.show();
        installWindowChrome(h.window());
        QMenu* menu = aboutMenuFor(&h.window());
        QVERIFY(menu != nullptr);
        QAction* sync = menu->findChild<QAction*>(QStringLiteral("syncAction"));
        QAction* settings = menu->findChild<QAction*>(QStringLiteral("syncSettingsAction"));
        QVERIFY(sync != nullptr && settings != nullptr);
        QCOMPARE(sync->text(), QString::fromUtf8(kSyncItemText));
        QCOMPARE(settings->text(), QString::fromUtf8(kSyncSettingsItemText));
    }
};

QTEST_MAIN(SyncWindowTest)
#include "test_sync_window.moc"
