// The command line at the machine's limits, run as the real program in a child process: a
// file-size limit (ulimit -f), memory that runs out (ulimit -v), and a file too big to read.
// Each ends with status 1 and a "qor: " message, leaves the book as it was and leaves no
// temporary file; none kills the program.
#include "book_size_limit.h"
#include "command_line.h"
#include "sanitizers.h"
#include "temp_folder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/resource.h>

using namespace qor;
using qor::testing::fileContents;
using qor::testing::underAddressSanitizer;
using qor::testing::writeFile;

namespace {

// A book of `count` contacts, each with a birthday, so that every export and listing of it is
// some kilobytes.
std::string bookWithBirthdays(int count)
{
    std::string text = "CREATOR=QOR 1.0\r\n";
    for (int i = 0; i < count; ++i)
        text += "SURNAME=Person" + std::to_string(i) + "\r\nFIRSTNAME=Some\r\nDOBDAY=" + std::to_string(1 + i % 28)
            + "\r\nDOBMON=" + std::to_string(1 + i % 12) + "\r\nDOBYEAR=1980\r\n\r\n";
    return text;
}

struct Finished {
    QProcess::ExitStatus how = QProcess::CrashExit;
    int status = -1;
    std::string err;
};

// A limit on one resource of the child process (setrlimit), or none.
struct Limit {
    int resource = -1;
    rlim_t bytes = 0;
};

// Runs the program with `args` in `folder` under `limit`, set in the child only, its standard
// output into `outputFile` when one is named.
Finished runLimited(const QString& folder, const QStringList& args, Limit limit, const QString& outputFile = {})
{
    QProcess qor;
    qor.setWorkingDirectory(folder);
    if (!outputFile.isEmpty())
        qor.setStandardOutputFile(outputFile);
    qor.setChildProcessModifier([limit] {
        const rlimit bound{limit.bytes, limit.bytes};
        if (limit.resource >= 0)
            ::setrlimit(limit.resource, &bound);
    });
    qor.start(QStringLiteral(QOR_EXECUTABLE), args);
    Finished done;
    if (!qor.waitForFinished(120000))
        return done;
    done.how = qor.exitStatus();
    done.status = qor.exitCode();
    done.err = qor.readAllStandardError().toStdString();
    return done;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

} // namespace

class CommandLineLimitsTest : public QObject {
    Q_OBJECT
private slots:
    void fileSizeLimit_failsEveryWritingVerbWithItsReason_andLeavesNoTemporary_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("output"); // the file standard output goes to, if any
        QTest::newRow("vCard export") << QStringList{"--export", "out.vcf", "qor.qor"} << QString();
        QTest::newRow("CSV export") << QStringList{"--export", "out.csv", "qor.qor"} << QString();
        QTest::newRow("calendar export") << QStringList{"--export", "out.ics", "qor.qor"} << QString();
        QTest::newRow("import") << QStringList{"--import", "in.vcf", "qor.qor"} << QString();
        QTest::newRow("export to standard output") << QStringList{"--export", "-", "qor.qor"} << "stdout.txt";
        QTest::newRow("upcoming") << QStringList{"--upcoming", "3660", "--from", "2026-01-01", "qor.qor"}
                                  << "stdout.txt";
    }
    void fileSizeLimit_failsEveryWritingVerbWithItsReason_andLeavesNoTemporary()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, output);
        QTemporaryDir dir;
        const auto path = [&dir](const char* name) { return dir.filePath(QString::fromUtf8(name)).toStdString(); };
        const std::string book = bookWithBirthdays(200);
        writeFile(path("qor.qor"), book);
        writeFile(path("in.vcf"), "BEGIN:VCARD\r\nVERSION:4.0\r\nN:New;;;;\r\nEND:VCARD\r\n");
        QStringList before = QDir(dir.path()).entryList(QDir::Files);
        if (!output.isEmpty())
            before << output;
        before.sort();

        // 4 KiB: less than any of these writes, more than the program needs to start.
        const Finished done = runLimited(dir.path(), args, {RLIMIT_FSIZE, 4096},
                                         output.isEmpty() ? QString() : dir.filePath(output));
        QCOMPARE(done.how, QProcess::NormalExit); // not killed by SIGXFSZ
        QCOMPARE(done.status, kExitFailure);
        QVERIFY2(done.err.starts_with("qor: ") && contains(done.err, "File too large"), done.err.c_str());
        QCOMPARE(fileContents(path("qor.qor")), book);
        QStringList after = QDir(dir.path()).entryList(QDir::Files);
        after.sort();
        QCOMPARE(after, before); // no temporary, no half-written file beside the book
    }

    void memoryRunningOut_importsNothingAndSaysSo()
    {
        if (underAddressSanitizer())
            QSKIP("AddressSanitizer reserves more address space than the limit leaves");
        QTemporaryDir dir;
        const auto path = [&dir](const char* name) { return dir.filePath(QString::fromUtf8(name)).toStdString(); };
        const std::string book = bookWithBirthdays(3);
        writeFile(path("qor.qor"), book);
        // 1.2 MB, far within the size limit, yet 400,000 contacts take some hundreds of MB.
        std::string rows = "SURNAME\r\n";
        for (int i = 0; i < 400000; ++i)
            rows += "a\r\n";
        writeFile(path("rows.csv"), rows);

        const Finished done = runLimited(dir.path(), {"--import", "rows.csv", "qor.qor"}, {RLIMIT_AS, rlim_t{400} << 20});
        QCOMPARE(done.how, QProcess::NormalExit); // not aborted by std::bad_alloc
        QCOMPARE(done.status, kExitFailure);
        QCOMPARE(done.err, std::string("qor: memory exhausted; nothing was imported and the book is not changed\n"));
        QCOMPARE(fileContents(path("qor.qor")), book);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"qor.qor", "rows.csv"}));
    }

    void importOfAFileTooBigForThisMachine_isRefusedBeforeItIsRead()
    {
        QTemporaryDir dir;
        const auto path = [&dir](const char* name) { return dir.filePath(QString::fromUtf8(name)).toStdString(); };
        const std::string book = bookWithBirthdays(3);
        writeFile(path("qor.qor"), book);
        // A hole: reading it would take as long as a real file, and more memory than there is.
        writeFile(path("big.vcf"), "BEGIN:VCARD\r\n");
        const std::uint64_t size = largestReadableBook() + 1;
        std::filesystem::resize_file(path("big.vcf"), size);

        QElapsedTimer clock;
        clock.start();
        const Finished done = runLimited(dir.path(), {"--import", "big.vcf", "qor.qor"}, {});
        QVERIFY2(clock.elapsed() < 20000, "the file was read before it was refused");
        QCOMPARE(done.how, QProcess::NormalExit);
        QCOMPARE(done.status, kExitFailure);
        QCOMPARE(done.err, "qor: big.vcf: the file is " + std::to_string(size)
                               + " bytes; this machine reads files of up to " + std::to_string(size - 1)
                               + " bytes; nothing was imported\n");
        QCOMPARE(fileContents(path("qor.qor")), book);
    }
};

QTEST_MAIN(CommandLineLimitsTest)
#include "test_command_line_limits.moc"
