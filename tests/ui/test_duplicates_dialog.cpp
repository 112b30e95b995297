// Find duplicates...: the dialog's groups, its marked fields and choices, Merge as one change
// Undo takes back, Not duplicates remembered beside the book; and the program's --duplicates
// and --merge-duplicates, run as a child process.
#include "book_dialog.h"
#include "book_text.h"
#include "contact_table.h"
#include "duplicates_dialog.h"
#include "window_chrome.h"
#include "window_harness.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

using namespace qor;
using namespace qor::test;
using F = ContactField;
using qor::testing::writeFile;

namespace {

ContactRecord person(const char* surname, const char* first, const char* email, const char* mobile)
{
    ContactRecord r;
    r[F::SURNAME] = surname;
    r[F::FIRSTNAME] = first;
    r[F::EMAIL] = email;
    r[F::MOBILE] = mobile;
    return r;
}

// John entered twice: the newer (on top) with a comment, the older with his e-mail address and
// his mobile written another way. Between them, someone else.
ContactRecord newerJohn()
{
    ContactRecord r = person("Doe", "John", "", "07700 900999");
    r[F::COMMENTS] = "met at the fair";
    return r;
}
const ContactRecord kOlderJohn = person("Doe", "John", "john@example.org", "+44 7700 900999");
const ContactRecord kPat = person("Quigley", "Pat", "pat@example.org", "");

// The book a window lists as `rows`, row 0 on top.
std::string bookListing(const std::vector<ContactRecord>& rows)
{
    return formatBook(
               rows.size(), [&rows](std::size_t i) -> const ContactRecord& { return rows[rows.size() - 1 - i]; },
               TextEncoding::Utf8)
        .bytes;
}

std::vector<ContactRecord> listed(BookDialog& w)
{
    std::vector<ContactRecord> rows;
    for (int row = 0; row < w.store().rowCount(); ++row)
        rows.push_back(w.store().record(row));
    return rows;
}

void clickCell(QTableWidget& grid, F field, int member)
{
    QTableWidgetItem* item = grid.item(static_cast<int>(columnOf(field)), member);
    QVERIFY(item);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.visualItemRect(item).center());
}

struct Ran {
    int status = -1;
    QString out;
    QString err;
};

Ran runQor(const QStringList& args)
{
    QProcess qor;
    qor.start(QStringLiteral(QOR_EXECUTABLE), args);
    Ran ran;
    if (!qor.waitForFinished(60000) || qor.exitStatus() != QProcess::NormalExit)
        return ran;
    ran.status = qor.exitCode();
    ran.out = QString::fromUtf8(qor.readAllStandardOutput());
    ran.err = QString::fromUtf8(qor.readAllStandardError());
    return ran;
}

} // namespace

class DuplicatesDialogTest : public QObject {
    Q_OBJECT
private slots:
    void menuItem_followsReloadAndOpensTheDialogModally()
    {
        WindowHarness h(bookListing({newerJohn(), kPat, kOlderJohn}));
        installWindowChrome(h.window());
        h.show();
        QMenu* menu = aboutMenuFor(&h.window());
        QVERIFY(menu);
        auto* reload = menu->findChild<QAction*>(QStringLiteral("reloadAction"));
        auto* duplicates = menu->findChild<QAction*>(QStringLiteral("duplicatesAction"));
        QVERIFY(reload && duplicates);
        QCOMPARE(duplicates->text(), QStringLiteral("Find d&uplicates..."));
        QCOMPARE(menu->actions().indexOf(duplicates), menu->actions().indexOf(reload) + 1);

        int groups = -1;
        QTimer::singleShot(0, &h.window(), [&] {
            auto* dialog = qobject_cast<DuplicatesDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            groups = dialog->groupList().count();
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        const std::string book = h.readBook();
        duplicates->trigger();
        QCOMPARE(groups, 1);
        QVERIFY(!QApplication::activeModalWidget());
        // Looking changes nothing: not the list, not the book, and no file beside it.
        QCOMPARE(listed(h.window()), (std::vector<ContactRecord>{newerJohn(), kPat, kOlderJohn}));
        QCOMPARE(h.readBook(), book);
        QCOMPARE(besideTheBook(h), QStringList());
    }

    void merge_takesTheCheckedTextsIntoOneContactAtTheTopMembersPlaceAndUndoBringsBothBack()
    {
        WindowHarness h(bookListing({kPat, newerJohn(), kPat, kOlderJohn}));
        h.show();
        const std::vector<ContactRecord> before = listed(h.window());
        const std::string book = h.readBook();
        DuplicatesDialog dialog(h.window());
        // Pat is entered twice the same way, John twice with a difference.
        QCOMPARE(dialog.groupList().count(), 2);
        QCOMPARE(dialog.groupList().item(1)->text(), QStringLiteral("\"Doe, John\" x 2"));
        dialog.groupList().setCurrentRow(1);

        QTableWidget& grid = dialog.fieldGrid();
        QCOMPARE(grid.columnCount(), 2);
        QVERIFY(dialog.fieldMarked(F::MOBILE));
        QVERIFY(!dialog.fieldMarked(F::EMAIL) && !dialog.fieldMarked(F::SURNAME));
        const int mobileRow = static_cast<int>(columnOf(F::MOBILE));
        QVERIFY(grid.verticalHeaderItem(mobileRow)->text().startsWith(QLatin1String("* ")));
        QVERIFY(grid.isRowHidden(static_cast<int>(columnOf(F::HAIR)))); // empty in both
        // By default: the newer mobile, the one e-mail address, the one comment.
        QCOMPARE(grid.item(mobileRow, 0)->checkState(), Qt::Checked);
        QCOMPARE(grid.item(mobileRow, 1)->checkState(), Qt::Unchecked);
        QCOMPARE(grid.item(static_cast<int>(columnOf(F::EMAIL)), 1)->checkState(), Qt::Checked);

        clickCell(grid, F::MOBILE, 1); // the older way of writing it
        QCOMPARE(grid.item(mobileRow, 1)->checkState(), Qt::Checked);
        QCOMPARE(grid.item(mobileRow, 0)->checkState(), Qt::Unchecked);
        dialog.mergeButton().click();

        ContactRecord merged = kOlderJohn;
        merged[F::COMMENTS] = "met at the fair";
        QCOMPARE(listed(h.window()), (std::vector<ContactRecord>{kPat, merged, kPat}));
        QCOMPARE(h.window().table().rowCount(), 3);
        QVERIFY(dialog.statusText().startsWith(QLatin1String("Merged \"Doe, John\" x 2")));
        QCOMPARE(dialog.groupList().count(), 1); // Pat is left
        QCOMPARE(h.window().session().undoName(), std::string("Merge \"Doe, John\" x 2"));
        QCOMPARE(h.readBook(), book); // only a save writes it

        h.window().undo();
        QCOMPARE(listed(h.window()), before);
        QCOMPARE(h.window().table().rowCount(), 4);
        h.window().redo();
        QCOMPARE(listed(h.window()), (std::vector<ContactRecord>{kPat, merged, kPat}));
    }

    void notDuplicates_isRememberedBesideTheBookAndTheGroupIsNotProposedAgain()
    {
        WindowHarness h(bookListing({newerJohn(), kPat, kOlderJohn}));
        h.show();
        {
            DuplicatesDialog dialog(h.window());
            QCOMPARE(dialog.groupList().count(), 1);
            dialog.notDuplicatesButton().click();
            QCOMPARE(dialog.groupList().count(), 0);
            QVERIFY(!dialog.mergeButton().isEnabled());
            QVERIFY(dialog.statusText().contains(QLatin1String("will not be proposed again")));
        }
        QCOMPARE(besideTheBook(h), QStringList{QStringLiteral("qor.qor.not-duplicates")});
        struct stat info {};
        QCOMPARE(::stat((h.bookPath() + ".not-duplicates").c_str(), &info), 0);
        QCOMPARE(info.st_mode & 0777, 0600u);
        DuplicatesDialog again(h.window());
        QCOMPARE(again.groupList().count(), 0);
        QCOMPARE(listed(h.window()).size(), std::size_t{3}); // nothing merged
    }

    void commandLine_listsTheGroupsAndMergesOnlyThoseThatNeedNoChoice()
    {
        QTemporaryDir dir;
        const QString book = dir.filePath(QStringLiteral("qor.qor"));
        const ContactRecord pat = kPat;
        ContactRecord patOlder = kPat;
        patOlder[F::LIKES] = "jazz"; // equal but for a field the newer leaves empty
        writeFile(book.toStdString(), bookListing({newerJohn(), pat, kOlderJohn, patOlder}));

        Ran ran = runQor({QStringLiteral("--duplicates"), book});
        QCOMPARE(ran.status, 0);
        QCOMPARE(ran.out, QStringLiteral("John Doe\t\t07700 900999\n"
                                         "John Doe\tjohn@example.org\t+44 7700 900999\n"
                                         "\n"
                                         "Pat Quigley\tpat@example.org\t\n"
                                         "Pat Quigley\tpat@example.org\t\n"));
        ran = runQor({QStringLiteral("--merge-duplicates"), book});
        QCOMPARE(ran.status, 0);
        QCOMPARE(ran.out, QStringLiteral("Merged 1 group of duplicates in %1\n"
                                         "1 group differs in a field: merge it in the window (Find duplicates...)\n")
                              .arg(book));
        ran = runQor({QStringLiteral("--duplicates"), book});
        QCOMPARE(ran.status, 0);
        QVERIFY(ran.out.startsWith(QLatin1String("John Doe\t")));
        QVERIFY(!ran.out.contains(QLatin1String("Pat")));

        // No groups: nothing printed, status 0. No book: status 1. A stray option: status 2.
        writeFile(book.toStdString(), bookListing({kPat}));
        ran = runQor({QStringLiteral("--duplicates"), book});
        QCOMPARE(ran.status, 0);
        QCOMPARE(ran.out, QString());
        ran = runQor({QStringLiteral("--merge-duplicates"), dir.filePath(QStringLiteral("none.qor"))});
        QCOMPARE(ran.status, 1);
        QVERIFY(ran.err.contains(QLatin1String("no such book")));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("none.qor"))));
        QCOMPARE(runQor({QStringLiteral("--duplicates"), QStringLiteral("--format=csv"), book}).status, 2);
        ran = runQor({QStringLiteral("--help")});
        QVERIFY(ran.out.contains(QLatin1String("--duplicates [BOOK]")) && ran.out.contains(QLatin1String("--merge-duplicates")));
    }
};

QTEST_MAIN(DuplicatesDialogTest)
#include "test_duplicates_dialog.moc"
