// Books the window will not replace, and files that are not plain books: unreadable, not a
// book, too big, a named pipe, a symbolic link.
#include "book_list.h"
#include "contact_list_view.h"
#include "contact_table.h"
#include "book_size_limit.h"
#include "field_table.h"
#include "text_encoding.h"
#include "window_harness.h"

#include <QDir>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <QFileInfo>
#include <QHeaderView>
#include <QRandomGenerator>
#include <QTest>

using namespace qor;
using namespace qor::test;
using F = ContactField;

class BookRefusalsTest : public QObject {
    Q_OBJECT
private slots:
    void unreadableBook_isNeverReplaced()
    {
        // A folder where the book should be: the window opens with an empty contact. Closing
        // it with no change has nothing to lose and closes quietly; with a change it fails to
        // save and asks, rather than touch what is there.
        WindowHarness probe;
        const QString folder = QString::fromStdString(probe.bookPath()) + QStringLiteral(".d");
        QVERIFY(QDir().mkpath(folder));
        for (const bool changed : {false, true}) {
            auto messages = std::make_shared<RecordingMessages::Counts>();
            messages->closeAnswer = true;
            {
                BookDialog w(folder.toStdString(), std::make_unique<RecordingMessages>(messages));
                QCOMPARE(w.table().rowCount(), 1);
                QCOMPARE(messages->refusals, std::vector<BookRefusal>{BookRefusal::Unreadable}); // told at once
                if (changed)
                    w.add();
                w.accept();
                QVERIFY(!w.isVisible());
            }
            QCOMPARE(messages->saveFailed, changed ? 1 : 0);
            QCOMPARE(messages->closeQuestions, changed ? 1 : 0);
            QVERIFY(QFileInfo(folder).isDir());
            QCOMPARE(QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 0);
        }
    }

    void notABook_opensEmptyWithABoxAndIsNeverReplaced()
    {
        WindowHarness probe;
        const std::filesystem::path folder = std::filesystem::path(probe.bookPath()).parent_path();
        std::string random(1 << 16, '\0');
        QRandomGenerator generator(11);
        for (char& c : random)
            c = char(generator.bounded(0, 256));
        const std::string profile = "export PATH=\"$HOME/bin:$PATH\"\nalias ll='ls -l'\n";
        std::filesystem::create_directory(folder / "home");
        const std::filesystem::path profilePath = folder / "home" / ".profile";
        std::ofstream(profilePath, std::ios::binary) << profile;
        std::filesystem::create_symlink(profilePath, folder / "linked.qor");

        const std::vector<std::pair<std::filesystem::path, std::string>> files{
            {folder / "nul.qor", std::string(8u << 20, '\0')},
            {folder / "random.qor", random},
            {folder / "linked.qor", profile},
        };
        for (const auto& [path, bytes] : files) {
            if (!std::filesystem::is_symlink(path))
                std::ofstream(path, std::ios::binary) << bytes;
            auto messages = std::make_shared<RecordingMessages::Counts>();
            {
                BookDialog w(path, std::make_unique<RecordingMessages>(messages));
                QCOMPARE(messages->refusals, std::vector<BookRefusal>{BookRefusal::NotABook});
                QCOMPARE(w.table().rowCount(), 1);
                QCOMPARE(w.table().record(0), ContactRecord{});
                w.formRecord[F::SURNAME] = "Typed";
                w.showForm();
                w.add();
                QVERIFY(w.saveBook() == BookDialog::SaveOutcome::Failed);
                QCOMPARE(messages->saveFailed, 1);
                messages->closeAnswer = true;
                w.reject();
            }
            QCOMPARE(messages->closeQuestions, 1);
            std::ifstream in(path, std::ios::binary);
            const std::string after{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
            QVERIFY(after == bytes);
        }
        QVERIFY(std::filesystem::is_symlink(folder / "linked.qor"));
    }

    void tooBigBook_isRefusedAtOpenAndLeftUnchanged()
    {
        // A sparse file larger than the machine can hold: nothing is read, nothing written.
        WindowHarness probe;
        const std::string path = probe.bookPath() + ".big";
        const auto size = static_cast<std::uintmax_t>(largestReadableBook()) + 1;
        std::ofstream(path, std::ios::binary) << "CREATOR=QOR 1.0\r\n";
        std::filesystem::resize_file(path, size);
        auto messages = std::make_shared<RecordingMessages::Counts>();
        messages->closeAnswer = true;
        {
            BookDialog w(path, std::make_unique<RecordingMessages>(messages));
            QCOMPARE(messages->refusals, std::vector<BookRefusal>{BookRefusal::TooBig});
            QCOMPARE(w.table().rowCount(), 1);
            w.accept();
        }
        QCOMPARE(messages->closeQuestions, 0); // nothing changed: nothing to lose
        QCOMPARE(std::filesystem::file_size(path), size);
        std::filesystem::remove(path);
    }

    void namedPipe_opensWithoutWaitingAndIsNeverWrittenTo()
    {
        WindowHarness probe;
        const std::string pipe = probe.bookPath() + ".pipe";
        QCOMPARE(::mkfifo(pipe.c_str(), 0600), 0);
        auto messages = std::make_shared<RecordingMessages::Counts>();
        messages->closeAnswer = true;
        {
            BookDialog w(pipe, std::make_unique<RecordingMessages>(messages));
            QCOMPARE(w.table().rowCount(), 1);
            w.add();
            w.reject();
        }
        QCOMPARE(messages->saveFailed, 1);
        struct stat st {};
        QCOMPARE(::stat(pipe.c_str(), &st), 0);
        QVERIFY(S_ISFIFO(st.st_mode));
    }

    void symbolicLink_isReadThroughAndStillALinkAfterSaving()
    {
        // People link their book into a synced folder.
        WindowHarness probe;
        const std::filesystem::path folder = std::filesystem::path(probe.bookPath()).parent_path();
        std::filesystem::create_directory(folder / "synced");
        const std::filesystem::path target = folder / "synced" / "book.qor";
        const std::filesystem::path link = folder / "linked.qor";
        {
            std::ofstream out(target, std::ios::binary);
            out << oneRecordBook("Linked");
        }
        std::filesystem::create_symlink("synced/book.qor", link);
        {
            BookDialog w(link, std::make_unique<RecordingMessages>(std::make_shared<RecordingMessages::Counts>()));
            QCOMPARE(w.table().record(0)[F::SURNAME], std::string("Linked"));
            w.formRecord[F::SURNAME] = "Added";
            w.showForm();
            w.add();
            w.accept();
        }
        QVERIFY(std::filesystem::is_symlink(link));
        std::ifstream in(target, std::ios::binary);
        const std::string written{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        QVERIFY(written.find("SURNAME=Added\r\n") < written.find("SURNAME=Linked\r\n"));
    }
};

QTEST_MAIN(BookRefusalsTest)
#include "test_book_refusals.moc"
