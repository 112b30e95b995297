// Other writers of the book: another program or window changing it, the conflict box, the
// lock, and the unattended end, which never asks.
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

class BookConflictsTest : public QObject {
    Q_OBJECT
private slots:
    void bookChangedOnDisk_theBoxMergesByDefaultAndSavesBesideWhatCannotBeMerged()
    {
        WindowHarness h(bookOf({"A"}));
        h.show();
        h.put(F::SURNAME, QStringLiteral("Mine"));
        h.clickButton(kAddButton);
        h.writeBook(bookOf({"Theirs"})); // another program rewrites the book
        h.clickButton(kSaveButton);
        QCOMPARE(h.counts().bookChanged, 1);
        QVERIFY(h.counts().lastChange.canMerge);
        QCOMPARE(h.counts().lastChange.otherSideChanges, QStringLiteral("+1, -0"));
        QCOMPARE(h.readBook(), bookOf({"Theirs", "Mine", "A"}));
        QCOMPARE(h.window().table().rowCount(), 3); // the window shows the merged list
        // That program kept no history of the book this window read: the user hears that
        // what was deleted on one side is back.
        QCOMPARE(h.counts().mergeNotes, 1);
        QVERIFY(h.counts().mergeNote.contains(QStringLiteral("not in its history")));
        QVERIFY(besideTheBook(h).isEmpty());
        h.clickButton(kSaveButton); // merged: the next save asks nothing
        QCOMPARE(h.counts().bookChanged, 1);

        // A file that is no longer a book cannot be merged with: the list goes beside it.
        const std::string theirs = "Dear diary,\n";
        h.writeBook(theirs);
        h.clickButton(kSaveButton);
        QCOMPARE(h.counts().bookChanged, 2);
        QVERIFY(!h.counts().lastChange.canMerge);
        QVERIFY(h.counts().besideName.startsWith(QStringLiteral("qor-conflict-")));
        QVERIFY(h.counts().besideName.endsWith(QStringLiteral(".qor")));
        QCOMPARE(h.readBook(), theirs);
        QCOMPARE(besideTheBook(h), QStringList{h.counts().besideName});
        const QString beside = h.folder() + QLatin1Char('/') + h.counts().besideName;
        QCOMPARE(readFile(beside), bookOf({"Theirs", "Mine", "A"}));
        struct stat st {};
        QCOMPARE(::stat(beside.toLocal8Bit().constData(), &st), 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0600));
        QCOMPARE(h.counts().saveFailed, 0);

        // Closing asks again, for the book on disk is still not what this window read.
        h.counts().conflictAnswer = ConflictChoice::SaveBeside;
        h.clickButton(kOkButton);
        QCOMPARE(h.counts().bookChanged, 3);
        QVERIFY(!h.window().isVisible());
        QCOMPARE(h.readBook(), theirs);
    }

    void bookChangedOnDisk_overwriteReplacesItAndGoBackWritesNothing()
    {
        WindowHarness h(bookOf({"A"}));
        h.show();
        h.writeBook(bookOf({"Theirs"}));
        h.counts().conflictAnswer = ConflictChoice::GoBack;
        h.clickButton(kOkButton); // closing: going back keeps the window, without the close question
        QCOMPARE(h.counts().bookChanged, 1);
        QCOMPARE(h.counts().closeQuestions, 0);
        QVERIFY(h.window().isVisible());
        QCOMPARE(h.readBook(), bookOf({"Theirs"}));
        QVERIFY(besideTheBook(h).isEmpty());

        h.counts().conflictAnswer = ConflictChoice::Overwrite;
        h.clickButton(kSaveButton);
        QCOMPARE(h.readBook(), bookOf({"A"}));
        // What the window wrote is what it now knows: the next save asks nothing.
        h.clickButton(kSaveButton);
        QCOMPARE(h.counts().bookChanged, 2);
        QVERIFY(besideTheBook(h).isEmpty());
    }

    void bookChangedOnDisk_aBookRemovedOrMadeMeanwhileCountsTheSameBytesDoNot()
    {
        WindowHarness h(bookOf({"A"}));
        h.show();
        h.writeBook(bookOf({"A"})); // the same bytes written again: no change
        h.clickButton(kSaveButton);
        QCOMPARE(h.counts().bookChanged, 0);
        // A book removed since the window opened is a change.
        const auto path = std::filesystem::path(h.bookPath());
        std::filesystem::remove(path);
        h.clickButton(kSaveButton);
        QCOMPARE(h.counts().bookChanged, 1);
        QVERIFY(!std::filesystem::exists(path));

        // And one made where there was none.
        WindowHarness missing;
        missing.writeBook(bookOf({"Made meanwhile"}));
        missing.counts().conflictAnswer = ConflictChoice::GoBack;
        missing.clickButton(kSaveButton);
        QCOMPARE(missing.counts().bookChanged, 1);
        QCOMPARE(missing.readBook(), bookOf({"Made meanwhile"}));
    }

    void twoWindows_theSecondIsWarnedAndTheBookEndsWithBothContacts()
    {
        WindowHarness h(bookOf({"A"}));
        QCOMPARE(h.counts().openElsewhere, 0);
        auto secondCounts = std::make_shared<RecordingMessages::Counts>();
        std::unique_ptr<BookDialog> second = h.secondWindow(secondCounts);
        QCOMPARE(secondCounts->openElsewhere, 1);

        h.show();
        h.put(F::SURNAME, QStringLiteral("First"));
        h.clickButton(kAddButton);
        second->formRecord[F::SURNAME] = "Second";
        second->showForm();
        second->add();
        h.clickButton(kOkButton); // the first closes: the book is its list
        QCOMPARE(h.readBook(), bookOf({"First", "A"}));
        second->done(QDialog::Accepted); // the second is asked, and merges by default
        QCOMPARE(secondCounts->bookChanged, 1);
        QCOMPARE(h.readBook(), bookOf({"First", "Second", "A"}));
        QCOMPARE(secondCounts->mergeNotes, 0); // nothing met: nothing to tell
        QVERIFY(besideTheBook(h).isEmpty());
    }

    void secondWindow_quitLeavesTheBookUntouched_openAnywayOpensBesideTheFirst()
    {
        WindowHarness h(bookOf({"A"}));
        h.show();
        const std::string book = h.readBook();
        const QStringList files = QDir(h.folder()).entryList(QDir::Files | QDir::Hidden);
        const auto modified = std::filesystem::last_write_time(h.bookPath());

        // Quit: the window never opens, reads nothing, and no way of ending it writes.
        auto quitter = std::make_shared<RecordingMessages::Counts>();
        quitter->openAnyway = false;
        std::unique_ptr<BookDialog> quitting = h.secondWindow(quitter);
        QCOMPARE(quitter->openElsewhere, 1);
        QVERIFY(quitting->quitAtStart());
        QCOMPARE(quitting->table().rowCount(), 0);
        quitting->done(QDialog::Accepted);
        quitting->endUnattended();
        quitting->saveWithoutWindow();
        quitting.reset();
        QCOMPARE(h.readBook(), book);
        QCOMPARE(std::filesystem::last_write_time(h.bookPath()), modified);
        QCOMPARE(QDir(h.folder()).entryList(QDir::Files | QDir::Hidden), files);

        // Open anyway: down and to the right of the first, whose title stays in sight.
        std::unique_ptr<BookDialog> second = h.secondWindow(std::make_shared<RecordingMessages::Counts>());
        QVERIFY(!second->quitAtStart());
        QCOMPARE(second->table().rowCount(), 1);
        second->show();
        QVERIFY(QTest::qWaitForWindowExposed(second.get()));
        const QPoint step = second->pos() - h.window().pos();
        QCOMPARE(step.x(), step.y());
        QVERIFY(step.y() >= second->fontMetrics().height());
    }

    void leftoverTemporaries_goAtStartUnlessAnotherWindowHoldsTheBook()
    {
        WindowHarness h(bookOf({"A"}));
        const QString leftover = h.folder() + QStringLiteral("/qor.qor.K3Q0Z7");
        const QString usersOwn = h.folder() + QStringLiteral("/qor.qor.backup");
        std::ofstream(leftover.toStdString()) << "CREATOR=QOR 1.0\r\nSURN";
        std::ofstream(usersOwn.toStdString()) << "kept";
        // The harness's window holds the book: a second one removes nothing.
        h.secondWindow(std::make_shared<RecordingMessages::Counts>()).reset();
        QVERIFY(QFile::exists(leftover));
        // Once no window holds it, the next start cleans up.
        h.reopen();
        QVERIFY(!QFile::exists(leftover));
        QVERIFY(QFile::exists(usersOwn));
        QCOMPARE(h.counts().openElsewhere, 0);
    }

    void windowHiddenFromOutside_savesAndEnds()
    {
        WindowHarness h(bookOf({"A", "B"}));
        h.show();
        h.put(F::SURNAME, QStringLiteral("C"));
        h.clickButton(kAddButton);
        h.window().hide(); // its native window went away without a close
        QVERIFY(!h.window().isVisible());
        QVERIFY(h.window().hasEndedUnattended());
        QCOMPARE(h.readBook(), bookOf({"C", "B", "A"}));
        QCOMPARE(h.counts().saveFailed + h.counts().closeQuestions + h.counts().bookChanged, 0);
    }

    void unattendedEnd_neverAsksAndPutsTheListBesideABookItCannotReplace()
    {
        // While the conflict box is open the end comes: the box goes, and the two sides are
        // merged; a book that can no longer be merged with gets the list beside it.
        for (const bool mergeable : {true, false}) {
            WindowHarness h(bookOf({"A"}));
            h.show();
            const std::string theirs = mergeable ? bookOf({"Theirs"}) : std::string("Dear diary,\n");
            h.writeBook(theirs);
            h.counts().conflictAnswer = ConflictChoice::GoBack; // what a box closed by the end answers
            h.counts().whileConflictBoxIsOpen = [&] { h.window().endUnattended(); };
            h.clickButton(kSaveButton);
            QVERIFY(h.window().hasEndedUnattended());
            QVERIFY(!h.window().isVisible());
            QCOMPARE(h.readBook(), mergeable ? bookOf({"Theirs", "A"}) : theirs);
            QCOMPARE(besideTheBook(h).size(), mergeable ? 0 : 1);
            if (!mergeable)
                QCOMPARE(readFile(h.folder() + QLatin1Char('/') + besideTheBook(h).first()), bookOf({"A"}));
            QCOMPARE(h.counts().mergeNotes, 0); // told on standard error, not in a box
        }

        // A read-only book: no box, no question; the list is kept beside it.
        WindowHarness r(bookOf({"A"}));
        r.show();
        std::filesystem::permissions(r.bookPath(), std::filesystem::perms::owner_read);
        r.put(F::SURNAME, QStringLiteral("B"));
        r.clickButton(kAddButton);
        r.window().endUnattended();
        QVERIFY(r.window().hasEndedUnattended());
        QCOMPARE(r.counts().saveFailed + r.counts().closeQuestions, 0);
        QCOMPARE(r.readBook(), bookOf({"A"}));
        QCOMPARE(besideTheBook(r).size(), 1);
        QCOMPARE(readFile(r.folder() + QLatin1Char('/') + besideTheBook(r).first()), bookOf({"B", "A"}));
        std::filesystem::permissions(r.bookPath(), std::filesystem::perms::owner_all);
    }

    void unattendedEndWhileOpening_waitsForTheBookThenSavesIt()
    {
        WindowHarness h(bookOf({"A", "B"}));
        auto counts = std::make_shared<RecordingMessages::Counts>();
        // The end comes while the warning of a second window is open, before the book is read:
        // saving then would write an empty list over the book.
        counts->whileOpenElsewhereBoxIsOpen = [](QWidget* window) { static_cast<BookDialog*>(window)->endUnattended(); };
        std::unique_ptr<BookDialog> second = h.secondWindow(counts);
        QCOMPARE(counts->openElsewhere, 1);
        QCOMPARE(h.readBook(), bookOf({"A", "B"}));
        QVERIFY(besideTheBook(h).isEmpty());
        QCOMPARE(second->table().rowCount(), 2);
        // Once it runs, it ends as closing would.
        second->show();
        QTRY_VERIFY(second->hasEndedUnattended());
        QVERIFY(!second->isVisible());
        QCOMPARE(h.readBook(), bookOf({"B", "A"}));
    }

    void conflictBox_offersMergeFirstOrSaveBesideWhenItCannotMerge()
    {
        struct Seen {
            QString text;
            QStringList buttons;
            QString defaultButton;
        };
        const auto answerWith = [](Seen& seen, const QString& press) {
            QTimer::singleShot(0, [&seen, press] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (!box)
                    return;
                seen.text = box->text();
                for (QAbstractButton* b : box->buttons())
                    seen.buttons << b->text();
                seen.defaultButton = box->defaultButton() ? box->defaultButton()->text() : QString();
                if (press.isEmpty()) {
                    QTest::keyClick(box, Qt::Key_Escape);
                    return;
                }
                for (QAbstractButton* b : box->buttons())
                    if (b->text() == press)
                        b->click();
            });
        };
        // Two sides that can be merged: Merge, Overwrite, Go back; what the other side changed.
        const BookChange mergeable{QStringLiteral("qor-conflict-20261207-141502.qor"), true, QStringLiteral("+3, -1")};
        Seen merge;
        answerWith(merge, {});
        QCOMPARE(UserMessages().bookChanged(nullptr, mergeable), ConflictChoice::GoBack); // Escape
        QVERIFY(merge.text.contains(QStringLiteral("(+3, -1 contacts)")));
        merge.buttons.sort();
        QCOMPARE(merge.buttons, (QStringList{QStringLiteral("&Go back to the window"), QStringLiteral("&Merge"),
                                             QStringLiteral("&Overwrite")}));
        QCOMPARE(merge.defaultButton, QStringLiteral("&Merge"));
        Seen merged, overwrite;
        answerWith(merged, QStringLiteral("&Merge"));
        QCOMPARE(UserMessages().bookChanged(nullptr, mergeable), ConflictChoice::Merge);
        answerWith(overwrite, QStringLiteral("&Overwrite"));
        QCOMPARE(UserMessages().bookChanged(nullptr, mergeable), ConflictChoice::Overwrite);

        // A file that is no longer a book: Save beside it takes Merge's place.
        const BookChange notABook{mergeable.besideName, false, {}};
        Seen beside;
        answerWith(beside, QStringLiteral("&Save beside it"));
        QCOMPARE(UserMessages().bookChanged(nullptr, notABook), ConflictChoice::SaveBeside);
        QVERIFY(beside.text.contains(notABook.besideName));
        QCOMPARE(beside.buttons.size(), 3);
        QCOMPARE(beside.defaultButton, QStringLiteral("&Save beside it"));
    }
};

QTEST_MAIN(BookConflictsTest)
#include "test_book_conflicts.moc"
