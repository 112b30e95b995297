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
    void bookChangedOnDisk_saveBesideItKeepsBothSides()
    {
        WindowHarness h(bookOf({"A"}));
        h.show();
        h.put(F::SURNAME, QStringLiteral("Mine"));
        h.clickButton(kAddButton);
        const std::string theirs = bookOf({"Theirs"});
        h.writeBook(theirs); // another program rewrites the book
        h.clickButton(kSaveButton);
        QCOMPARE(h.counts().bookChanged, 1);
        QVERIFY(h.counts().besideName.startsWith(QStringLiteral("qor-conflict-")));
        QVERIFY(h.counts().besideName.endsWith(QStringLiteral(".qor")));
        QCOMPARE(h.readBook(), theirs);
        QCOMPARE(besideTheBook(h), QStringList{h.counts().besideName});
        const QString beside = h.folder() + QLatin1Char('/') + h.counts().besideName;
        QCOMPARE(readFile(beside), bookOf({"Mine", "A"}));
        struct stat st {};
        QCOMPARE(::stat(beside.toLocal8Bit().constData(), &st), 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0600));
        QCOMPARE(h.counts().saveFailed, 0);

        // Closing asks again, for the book on disk is still not what this window read.
        h.clickButton(kOkButton);
        QCOMPARE(h.counts().bookChanged, 2);
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

    void twoWindows_theSecondIsWarnedAndNeitherLosesItsContact()
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
        second->done(QDialog::Accepted); // the second is asked, and saves beside by default
        QCOMPARE(secondCounts->bookChanged, 1);
        QCOMPARE(h.readBook(), bookOf({"First", "A"}));
        QCOMPARE(readFile(h.folder() + QLatin1Char('/') + secondCounts->besideName), bookOf({"Second", "A"}));
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
        // While the conflict box is open the end comes: the box goes, the list goes beside.
        WindowHarness h(bookOf({"A"}));
        h.show();
        h.writeBook(bookOf({"Theirs"}));
        h.counts().conflictAnswer = ConflictChoice::GoBack; // what a box closed by the end answers
        h.counts().whileConflictBoxIsOpen = [&] { h.window().endUnattended(); };
        h.clickButton(kSaveButton);
        QVERIFY(h.window().hasEndedUnattended());
        QVERIFY(!h.window().isVisible());
        QCOMPARE(h.readBook(), bookOf({"Theirs"}));
        QCOMPARE(besideTheBook(h).size(), 1);
        QCOMPARE(readFile(h.folder() + QLatin1Char('/') + besideTheBook(h).first()), bookOf({"A"}));

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

    void conflictBox_offersThreeChoicesSaveBesideFirst()
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
        const QString name = QStringLiteral("qor-conflict-20261207-141502.qor");
        Seen seen;
        answerWith(seen, QStringLiteral("Save beside it"));
        QCOMPARE(UserMessages().bookChanged(nullptr, name), ConflictChoice::SaveBeside);
        QVERIFY(seen.text.contains(name));
        QCOMPARE(seen.buttons.size(), 3);
        QVERIFY(seen.buttons.contains(QStringLiteral("Overwrite")));
        QVERIFY(seen.buttons.contains(QStringLiteral("Go back to the window")));
        QCOMPARE(seen.defaultButton, QStringLiteral("Save beside it"));

        Seen overwrite, escape;
        answerWith(overwrite, QStringLiteral("Overwrite"));
        QCOMPARE(UserMessages().bookChanged(nullptr, name), ConflictChoice::Overwrite);
        answerWith(escape, {});
        QCOMPARE(UserMessages().bookChanged(nullptr, name), ConflictChoice::GoBack);
    }
};

QTEST_MAIN(BookConflictsTest)
#include "test_book_conflicts.moc"
