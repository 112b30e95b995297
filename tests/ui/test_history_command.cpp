// qor --history and qor --restore: the states a book's saves left, and bringing one back into
// the book or into another file, with the messages and exit statuses of the other verbs.
#include "book_history.h"
#include "command_line.h"
#include "verb_run.h"
#include "window_harness.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>


using namespace qor;
using namespace qor::test;

namespace {

using qor::testing::writeFile;
std::string readFile(const std::string& path) { return qor::testing::fileContents(path); }

std::vector<QStringList> lines(const std::string& text)
{
    std::vector<QStringList> out;
    for (const QString& line : QString::fromStdString(text).split('\n', Qt::SkipEmptyParts))
        out.push_back(line.split('\t'));
    return out;
}

const std::string kCard = "BEGIN:VCARD\r\nVERSION:4.0\r\nN:New;;;;\r\nEND:VCARD\r\n";

// A book of three contacts that two imports saved: three states, the book found first.
class SavedTwice {
public:
    SavedTwice()
    {
        writeFile(path("qor.qor"), original);
        writeFile(path("card.vcf"), kCard);
        QCOMPARE(run({"--import", path("card.vcf"), book}).status, kExitSuccess);
        afterFirst = readFile(book);
        writeFile(path("card.vcf"), "BEGIN:VCARD\r\nVERSION:4.0\r\nN:Newer;;;;\r\nEND:VCARD\r\n");
        QCOMPARE(run({"--import", path("card.vcf"), book}).status, kExitSuccess);
    }
    std::string path(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)).toStdString(); }

    QTemporaryDir m_dir;
    const std::string original = bookOf({"A", "B", "C"});
    const std::string book = path("qor.qor");
    std::string afterFirst;
};

} // namespace

class HistoryCommandTest : public QObject {
    Q_OBJECT
private slots:
    void history_listsEachStateNewestFirstTabSeparated()
    {
        SavedTwice f;
        const Run r = run({"--history", f.book});
        QCOMPARE(r.status, kExitSuccess);
        QVERIFY(r.err.empty());
        const std::vector<QStringList> listed = lines(r.out);
        QCOMPARE(listed.size(), std::size_t(3));
        const QRegularExpression isoLocal(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d([+-]\\d\\d:\\d\\d|Z)$"));
        const QStringList expected[] = {{"1", "", "5", "1", "0"}, {"2", "", "4", "1", "0"}, {"3", "", "3", "-", "-"}};
        for (std::size_t i = 0; i < listed.size(); ++i) {
            QCOMPARE(listed[i].size(), 5);
            QVERIFY2(isoLocal.match(listed[i][1]).hasMatch(), qPrintable(listed[i][1]));
            QStringList withoutTime = listed[i];
            withoutTime[1].clear();
            QCOMPARE(withoutTime, expected[i]);
        }
        // A book never saved has no history, and says nothing.
        writeFile(f.path("other.qor"), f.original);
        const Run none = run({"--history", f.path("other.qor")});
        QCOMPARE(none.status, kExitSuccess);
        QVERIFY(none.out.empty());
    }

    void restore_makesAStateTheBookAgainAsANewState()
    {
        SavedTwice f;
        const Run r = run({"--restore", "3", f.book});
        QCOMPARE(r.status, kExitSuccess);
        QCOMPARE(r.out, "Restored " + f.book + " to state 3 (3 contacts)\n");
        QVERIFY2(r.err.empty(), r.err.c_str());
        QCOMPARE(readFile(f.book), f.original);
        const std::vector<QStringList> listed = lines(run({"--history", f.book}).out);
        QCOMPARE(listed.size(), std::size_t(4));
        QCOMPARE(listed[0][2], QStringLiteral("3"));
        QCOMPARE(listed[0][4], QStringLiteral("2")); // the two imported contacts went
        // The state before the restore is still there to go back to.
        QCOMPARE(run({"--restore", "2", f.book}).status, kExitSuccess);
        QCOMPARE(lines(run({"--history", f.book}).out)[0][2], QStringLiteral("5"));
    }

    void restoreTo_writesTheStateToAFileAndLeavesTheBook()
    {
        SavedTwice f;
        const std::string before = readFile(f.book);
        const std::string history = readFile(historyPathFor(f.book).string());
        const Run r = run({"--restore", "2", "--to", f.path("old.qor"), f.book});
        QCOMPARE(r.status, kExitSuccess);
        QCOMPARE(r.out, "Wrote state 2 of " + f.book + " to " + f.path("old.qor") + " (4 contacts)\n");
        QCOMPARE(readFile(f.path("old.qor")), f.afterFirst);
        QCOMPARE(run({"--restore", "3", "--to=" + f.path("old.qor"), f.book}).status, kExitSuccess);
        QCOMPARE(readFile(f.path("old.qor")), f.original); // an existing file is replaced
        QCOMPARE(readFile(f.book), before);
        QCOMPARE(readFile(historyPathFor(f.book).string()), history);
    }

    void refusals_leaveTheBookAndSayWhy_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("no such state") << QStringList{"--restore", "4", "BOOK"} << kExitFailure << "no state 4";
        QTest::newRow("far beyond") << QStringList{"--restore", "999999", "BOOK"} << kExitFailure
                                    << "no state 999999";
        QTest::newRow("to the book") << QStringList{"--restore", "1", "--to", "BOOK", "BOOK"} << kExitFailure
                                     << "is the book itself";
        QTest::newRow("not a number") << QStringList{"--restore", "x1", "BOOK"} << kExitUsage
                                      << "not the number of a state";
        QTest::newRow("zero") << QStringList{"--restore", "0", "BOOK"} << kExitUsage << "not the number of a state";
        QTest::newRow("to without restore") << QStringList{"--history", "--to", "x", "BOOK"} << kExitUsage
                                            << "does not go with '--history'";
        QTest::newRow("no N") << QStringList{"--restore"} << kExitUsage << "requires an argument";
        QTest::newRow("two books") << QStringList{"--history", "BOOK", "BOOK"} << kExitUsage << "extra operand";
    }

    void refusals_leaveTheBookAndSayWhy()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, message);
        SavedTwice f;
        const std::string before = readFile(f.book);
        std::vector<std::string> line;
        for (const QString& arg : args)
            line.push_back(arg == "BOOK" ? f.book : arg.toStdString());
        const Run r = run(line);
        QCOMPARE(r.status, status);
        QVERIFY2(r.err.find(message.toStdString()) != std::string::npos, r.err.c_str());
        QVERIFY(r.out.empty());
        QCOMPARE(readFile(f.book), before);
    }

    void aDamagedHistoryIsToldAndTheNextSaveStartsANewOne()
    {
        SavedTwice f;
        const std::string history = historyPathFor(f.book).string();
        std::string bad = readFile(history);
        bad[12] ^= 1;
        writeFile(history, bad);
        const Run listed = run({"--history", f.book});
        QCOMPARE(listed.status, kExitFailure);
        QVERIFY2(listed.err.starts_with("qor: the history ") && listed.err.find("damaged") != std::string::npos,
                 listed.err.c_str());
        QCOMPARE(run({"--restore", "1", f.book}).status, kExitFailure);

        const Run imported = run({"--import", f.path("card.vcf"), f.book});
        QCOMPARE(imported.status, kExitSuccess);
        QCOMPARE(lines(run({"--history", f.book}).out).size(), std::size_t(2));
    }

    void help_namesTheVerbsAndStaysWithinItsWidth()
    {
        const std::string help = helpText();
        for (const char* part : {"--history", "--restore=N", "--to=FILE", "qor --restore N [--to FILE] [BOOK]"})
            QVERIFY2(help.find(part) != std::string::npos, part);
        std::istringstream text(help);
        for (std::string line; std::getline(text, line);)
            QVERIFY2(line.size() <= 79, line.c_str());
    }

    void theProgramItself_listsAndRestores()
    {
        SavedTwice f;
        QProcess qor;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("no-such-platform")); // no window opens
        qor.setProcessEnvironment(env);
        qor.start(QStringLiteral(QOR_EXECUTABLE), {QStringLiteral("--history"), QString::fromStdString(f.book)});
        QVERIFY(qor.waitForFinished(60000));
        QCOMPARE(qor.exitCode(), kExitSuccess);
        QCOMPARE(qor.readAllStandardOutput().count('\n'), 3);
        qor.start(QStringLiteral(QOR_EXECUTABLE), {QStringLiteral("--restore"), QStringLiteral("7"),
                                                   QString::fromStdString(f.book)});
        QVERIFY(qor.waitForFinished(60000));
        QCOMPARE(qor.exitCode(), kExitFailure);
        QVERIFY(qor.readAllStandardError().startsWith("qor: there is no state 7"));
    }
};

QTEST_MAIN(HistoryCommandTest)
#include "test_history_command.moc"
