// However the program is ended, it saves the book as closing the window does. Each case runs
// the real program as a child process on a book in a fresh folder.
#include "window_harness.h"

#include <QDateTime>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fstream>
#include <sys/resource.h>

using namespace qor::test;

namespace {

// Generous, for a machine busy with other builds; only a hang ever reaches it.
constexpr int kPatienceMs = 120000;
// How long a display server may take to start before the test goes on without it.
constexpr int kServerStartMs = 20000;

void writeFile(const QString& path, const std::string& bytes)
{
    std::ofstream(path.toStdString(), std::ios::binary) << bytes;
}

// The program on the book `qor.qor` of `folder`, started with the signal dispositions a
// desktop gives it (nothing ignored) and, when `fileSizeLimit` is set, that limit.
class Program {
public:
    explicit Program(const QString& folder, rlim_t fileSizeLimit = 0, const QProcessEnvironment& env = {})
    {
        m_process.setWorkingDirectory(folder);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        if (!env.isEmpty())
            m_process.setProcessEnvironment(env);
        m_process.setChildProcessModifier([fileSizeLimit] {
            for (int s : {SIGXFSZ, SIGTERM, SIGHUP, SIGINT})
                std::signal(s, SIG_DFL);
            if (fileSizeLimit != 0) {
                rlimit limit{fileSizeLimit, fileSizeLimit};
                ::setrlimit(RLIMIT_FSIZE, &limit);
            }
        });
        m_process.start(QStringLiteral(QOR_EXECUTABLE), {});
    }
    ~Program()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(kPatienceMs);
        }
    }
    QProcess& process() { return m_process; }
    void signal(int s) { ::kill(pid_t(m_process.processId()), s); }
    bool finish() { return m_process.waitForFinished(kPatienceMs); }

private:
    QProcess m_process;
};

// The window is opening once its lock holds its holder's name; the signal handlers are in
// place before that.
bool waitForTheLock(const QString& folder)
{
    return QTest::qWaitFor([&] { return QFileInfo(folder + QStringLiteral("/qor.qor.lock")).size() > 0; }, kPatienceMs);
}

QStringList filesIn(const QString& folder) { return QDir(folder).entryList(QDir::Files | QDir::Hidden); }

// Starts Xvfb on a display it picks itself among the free ones (tests in other folders may run
// servers of their own at the same time); the display's name, or empty when none started in
// good time.
QString startDisplayServer(const QString& xvfb, QProcess& server)
{
    server.setStandardErrorFile(QProcess::nullDevice()); // never read: must never fill up
    server.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                        QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                        QStringLiteral("800x600x24")});
    // Until QProcess has seen the start it says Starting, even once the server is up.
    server.waitForStarted(kServerStartMs);
    QByteArray number;
    const bool told = QTest::qWaitFor([&] {
        number += server.readAllStandardOutput();
        return number.contains('\n') || server.state() == QProcess::NotRunning;
    }, kServerStartMs);
    if (told && number.contains('\n') && server.state() == QProcess::Running)
        return QStringLiteral(":") + QString::fromLatin1(number.trimmed());
    server.kill();
    server.waitForFinished(kServerStartMs);
    return {};
}

} // namespace

class SignalSaverTest : public QObject {
    Q_OBJECT
private slots:
    void terminationSignal_savesAsClosingDoesThenExits_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGHUP") << int(SIGHUP);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void terminationSignal_savesAsClosingDoesThenExits()
    {
        QFETCH(int, signal);
        QTemporaryDir dir;
        // A load and a save reverse the order: the reversed book shows that a save was made.
        writeFile(dir.filePath(QStringLiteral("qor.qor")), bookOf({"A", "B"}));
        Program qor(dir.path());
        QVERIFY(waitForTheLock(dir.path()));
        qor.signal(signal);
        QVERIFY(qor.finish());
        QCOMPARE(qor.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(qor.process().exitCode(), 128 + signal);
        QCOMPARE(readFile(dir.filePath(QStringLiteral("qor.qor"))), bookOf({"B", "A"}));
        // Lock released, no temporary; the save is in the book's history.
        QCOMPARE(filesIn(dir.path()), (QStringList{QStringLiteral("qor.qor"), QStringLiteral("qor.qor.history")}));
    }

    void fileSizeLimit_failsTheSaveAndNeverKillsTheProgram()
    {
        QTemporaryDir dir;
        const std::string book = bookOf(std::vector<std::string>(40, "Someone"));
        writeFile(dir.filePath(QStringLiteral("qor.qor")), book);
        Program qor(dir.path(), rlim_t(book.size() / 2));
        QVERIFY(waitForTheLock(dir.path()));
        qor.signal(SIGTERM);
        QVERIFY(qor.finish());
        // Killed by SIGXFSZ it would be a crash, and would leave its half-written temporary.
        QCOMPARE(qor.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(qor.process().exitCode(), 128 + SIGTERM);
        QCOMPARE(readFile(dir.filePath(QStringLiteral("qor.qor"))), book);
        QCOMPARE(filesIn(dir.path()), QStringList{QStringLiteral("qor.qor")});
    }

    void killedProgram_leavesAStaleLockThatTheNextStartTakesOver()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("qor.qor")), bookOf({"A"}));
        {
            Program qor(dir.path());
            QVERIFY(waitForTheLock(dir.path()));
            qor.signal(SIGKILL); // nothing can save here, and the lock stays behind
            QVERIFY(qor.finish());
        }
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("qor.qor.lock"))));
        writeFile(dir.filePath(QStringLiteral("qor.qor.Q1Q1Q1")), "CREATOR=QOR 1.0\r\nSUR");

        auto counts = std::make_shared<RecordingMessages::Counts>();
        qor::BookDialog window(dir.filePath(QStringLiteral("qor.qor")).toStdString(),
                               std::make_unique<RecordingMessages>(counts));
        QCOMPARE(counts->openElsewhere, 0); // its holder is gone: no second window
        QCOMPARE(filesIn(dir.path()), (QStringList{QStringLiteral("qor.qor"), QStringLiteral("qor.qor.lock")}));
        QCOMPARE(readFile(dir.filePath(QStringLiteral("qor.qor"))), bookOf({"A"}));
    }

    void unnamedOldLock_isTakenOverToo()
    {
        // A program killed between making its lock and writing its name into it.
        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("qor.qor.lock")), "");
        QFile lock(dir.filePath(QStringLiteral("qor.qor.lock")));
        QVERIFY(lock.open(QIODevice::ReadWrite));
        QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime));
        lock.close();
        auto counts = std::make_shared<RecordingMessages::Counts>();
        qor::BookDialog window(dir.filePath(QStringLiteral("qor.qor")).toStdString(),
                               std::make_unique<RecordingMessages>(counts));
        QCOMPARE(counts->openElsewhere, 0);

        // One just made may be a holder about to write its name: that is another window.
        QTemporaryDir fresh;
        writeFile(fresh.filePath(QStringLiteral("qor.qor.lock")), "");
        qor::BookDialog second(fresh.filePath(QStringLiteral("qor.qor")).toStdString(),
                               std::make_unique<RecordingMessages>(counts));
        QCOMPARE(counts->openElsewhere, 1);
    }

    void lostDisplay_stillSavesTheBook_data()
    {
        QTest::addColumn<bool>("killTheWindow"); // else the display server goes
        QTest::newRow("display server gone") << false;
        QTest::newRow("window killed by the window system") << true;
    }
    void lostDisplay_stillSavesTheBook()
    {
        QFETCH(bool, killTheWindow);
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        const QString xwininfo = QStandardPaths::findExecutable(QStringLiteral("xwininfo"));
        const QString xkill = QStandardPaths::findExecutable(QStringLiteral("xkill"));
        if (xvfb.isEmpty() || xwininfo.isEmpty() || xkill.isEmpty())
            QSKIP("needs Xvfb, xwininfo and xkill");
        QProcess server;
        const QString display = startDisplayServer(xvfb, server);
        if (display.isEmpty())
            QSKIP("no free display for Xvfb");

        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("qor.qor")), bookOf({"A", "B"}));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        Program qor(dir.path(), 0, env);
        // The window is there once the display knows it by its caption.
        QString windowId;
        const auto findWindow = [&] {
            QProcess info;
            info.start(xwininfo, {QStringLiteral("-display"), display, QStringLiteral("-name"), QStringLiteral("QOR: qor.qor")});
            info.waitForFinished(kServerStartMs);
            const auto match = QRegularExpression(QStringLiteral("Window id: (0x[0-9a-f]+)"))
                                   .match(QString::fromLatin1(info.readAllStandardOutput()));
            windowId = match.hasMatch() ? match.captured(1) : QString();
            return !windowId.isEmpty();
        };
        QVERIFY(QTest::qWaitFor([&] { return findWindow() || qor.process().state() == QProcess::NotRunning; },
                                kPatienceMs));
        if (windowId.isEmpty())
            QSKIP("the program could not open a window on the test display (another server holds its name?)");

        if (killTheWindow) {
            QProcess::execute(xkill, {QStringLiteral("-display"), display, QStringLiteral("-id"), windowId});
        } else {
            server.terminate();
            server.waitForFinished(kPatienceMs);
        }
        QVERIFY(qor.finish());
        QCOMPARE(qor.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(readFile(dir.filePath(QStringLiteral("qor.qor"))), bookOf({"B", "A"}));
        server.terminate();
        server.waitForFinished(kPatienceMs);
    }
};

QTEST_MAIN(SignalSaverTest)
#include "test_signal_saver.moc"
