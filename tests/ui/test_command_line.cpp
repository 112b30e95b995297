// The command line: GNU-style parsing, --help and --version, the export and import verbs with
// their exit statuses, messages and the book they leave, and the escapes that keep a file's
// text from driving the terminal.
#include "book_list.h"
#include "command_line.h"
#include "terminal_text.h"
#include "verb_run.h"
#include "window_harness.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <sstream>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

using namespace qor;
using namespace qor::test;
using F = ContactField;

namespace {

using qor::testing::writeFile;
std::string readFile(const std::string& path) { return qor::testing::fileContents(path); }

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A folder with a book of three contacts (first in the file: "A").
class Folder {
public:
    Folder() { writeFile(path("qor.qor"), bookOf({"A", "B", "C"})); }
    std::string path(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)).toStdString(); }

private:
    QTemporaryDir m_dir;
};

const std::string kCard = "BEGIN:VCARD\r\nVERSION:4.0\r\nN:New;;;;\r\nTEL:1\r\nTEL:2\r\nTEL:3\r\nURL:x\r\nEND:VCARD\r\n";

} // namespace

class CommandLineTest : public QObject {
    Q_OBJECT
private slots:
    void parsing_followsGnuConventions()
    {
        auto p = parseCommandLine({"--export", "out.vcf", "--format=vcard3", "book.qor"});
        QVERIFY(p.error.empty());
        QCOMPARE(p.line.verb, std::string("export"));
        QCOMPARE(p.line.verbArgument, std::string("out.vcf"));
        QCOMPARE(p.line.options.at("format"), std::string("vcard3"));
        QCOMPARE(p.line.operands, std::vector<std::string>({"book.qor"}));

        p = parseCommandLine({"--exp=-", "--form", "csv"}); // unambiguous abbreviations
        QCOMPARE(p.line.verb, std::string("export"));
        QCOMPARE(p.line.verbArgument, std::string("-"));
        QCOMPARE(p.line.options.at("format"), std::string("csv"));

        p = parseCommandLine({"--", "--help"}); // after "--" everything is an operand
        QVERIFY(opensWindow(p.line));
        QCOMPARE(p.line.operands, std::vector<std::string>({"--help"}));
        QVERIFY(opensWindow(parseCommandLine({"my.qor"}).line));
        QCOMPARE(parseCommandLine({"--import", "x", "--help"}).line.verb, std::string("help"));
        QCOMPARE(parseCommandLine({"-V"}).line.verb, std::string("version"));

        for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
                 {"--bogus"}, {"--export"}, {"--help=yes"}, {"--export", "a", "--import", "b"}, {"-x"},
                 {"--format", "csv"}}) {
            QVERIFY2(!parseCommandLine(bad).error.empty(), bad[0].c_str());
        }
        QVERIFY(contains(parseCommandLine({"--bogus"}).error, "'--bogus'"));
    }

    void helpAndVersion_areWhatHelp2manReads()
    {
        const std::string help = helpText();
        QVERIFY(help.starts_with("Usage: qor [BOOK]\n"));
        for (const char* part : {"--export=FILE", "--import=FILE", "--format=FORMAT", "-h, --help", "-V, --version",
                                 "Exit status:", "Report bugs"})
            QVERIFY2(contains(help, part), part);
        std::istringstream lines(help);
        for (std::string line; std::getline(lines, line);)
            QVERIFY2(line.size() <= 79, line.c_str());
        QVERIFY(versionText().starts_with("qor (QOR) 1.0"));
        const Run r = run({"--help"});
        QCOMPARE(r.status, kExitSuccess);
        QCOMPARE(r.out, help);
        QVERIFY(r.err.empty());

        // Help or a version that cannot be written is a failure (qor --help >/dev/full).
        for (const char* verb : {"--help", "--version"}) {
            std::ostringstream full, err;
            full.setstate(std::ios::badbit);
            QCOMPARE(runVerb(parseCommandLine({verb}).line, full, err), kExitFailure);
            QCOMPARE(err.str(), std::string("qor: cannot write to standard output\n"));
        }
    }

    void terminalText_showsEveryControlCharacterAsAnEscape_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("listing");
        QTest::addColumn<QByteArray>("fileFormat"); // as an export shows it on a terminal
        QTest::newRow("ordinary") << QByteArray("Ann O'Neil-M\xC3\xBCller \xE2\x82\xAC \xF0\x9F\x98\x80")
                                  << QByteArray("Ann O'Neil-M\xC3\xBCller \xE2\x82\xAC \xF0\x9F\x98\x80")
                                  << QByteArray("Ann O'Neil-M\xC3\xBCller \xE2\x82\xAC \xF0\x9F\x98\x80");
        QTest::newRow("ESC sequences") << QByteArray("\x1B]0;title\x07\x1B[2J") << QByteArray("\\e]0;title\\a\\e[2J")
                                       << QByteArray("\\e]0;title\\a\\e[2J");
        QTest::newRow("named C0") << QByteArray("\b\t\n\v\f\r") << QByteArray("\\b\\t\\n\\v\\f\\r")
                                  << QByteArray("\\b\\t\n\\v\\f\r");
        QTest::newRow("other C0 and DEL") << QByteArray("\x00\x01\x1F\x7F", 4) << QByteArray("\\x00\\x01\\x1f\\x7f")
                                          << QByteArray("\\x00\\x01\\x1f\\x7f");
        QTest::newRow("C1 (CSI, NEL)") << QByteArray("a\xC2\x9B" "31m\xC2\x85\xC2\xA0") << QByteArray("a\\u009b31m\\u0085\xC2\xA0")
                                       << QByteArray("a\\u009b31m\\u0085\xC2\xA0");
        QTest::newRow("not UTF-8") << QByteArray("\x9B\xC3(\xE2\x82") << QByteArray("\\x9b\\xc3(\\xe2\\x82")
                                   << QByteArray("\\x9b\\xc3(\\xe2\\x82");
        QTest::newRow("backslash") << QByteArray("C:\\te\\;x") << QByteArray("C:\\\\te\\\\;x") << QByteArray("C:\\te\\;x");
    }
    void terminalText_showsEveryControlCharacterAsAnEscape()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, listing);
        QFETCH(QByteArray, fileFormat);
        const std::string_view bytes(text.constData(), std::size_t(text.size()));
        QCOMPARE(QByteArray::fromStdString(terminalText(bytes)), listing);
        QCOMPARE(QByteArray::fromStdString(terminalText(bytes, EscapeStyle::FileFormat)), fileFormat);
    }

    void export_writesTheListOrderToAFileOrStandardOutput()
    {
        Folder f;
        const Run r = run({"--export", f.path("out.csv"), f.path("qor.qor")});
        QCOMPARE(r.status, kExitSuccess);
        QVERIFY(contains(r.out, "Exported 3 contacts"));
        const std::string csv = readFile(f.path("out.csv"));
        QVERIFY(csv.starts_with("SURNAME,FIRSTNAME,"));
        // The window shows the reverse of file order.
        QVERIFY(csv.find("\r\nC,") < csv.find("\r\nB,") && csv.find("\r\nB,") < csv.find("\r\nA,"));

        const Run out = run({"--export", "-", "--format", "vcard3", f.path("qor.qor")});
        QCOMPARE(out.status, kExitSuccess);
        QVERIFY(out.out.starts_with("BEGIN:VCARD\r\nVERSION:3.0\r\n"));
        QCOMPARE(run({"--export", "-", f.path("qor.qor")}).out.substr(0, 24), std::string("BEGIN:VCARD\r\nVERSION:4.0"));
        QVERIFY(contains(run({"--export", f.path("g.csv"), "--format=google-csv", f.path("qor.qor")}).out, "Exported"));
        QVERIFY(readFile(f.path("g.csv")).starts_with("\xEF\xBB\xBFName,Given Name"));
    }

    void export_refusesWhatItCannotDo()
    {
        Folder f;
        const std::string book = readFile(f.path("qor.qor"));
        QCOMPARE(run({"--export", f.path("out.txt"), f.path("qor.qor")}).status, kExitUsage);
        QCOMPARE(run({"--export", "-", "--format", "ldif", f.path("qor.qor")}).status, kExitUsage);
        QCOMPARE(run({"--export", "-", f.path("qor.qor"), "extra"}).status, kExitUsage);
        const Run missing = run({"--export", f.path("o.vcf"), f.path("none.qor")});
        QCOMPARE(missing.status, kExitFailure);
        QVERIFY(contains(missing.err, "none.qor"));
        // Exporting over the book would lose it.
        const Run over = run({"--export", f.path("qor.qor"), "--format", "vcard4", f.path("qor.qor")});
        QCOMPARE(over.status, kExitFailure);
        QCOMPARE(readFile(f.path("qor.qor")), book);
    }

    void import_putsTheContactsOnTopAndSavesAsClosingTheWindowWould()
    {
        Folder f;
        writeFile(f.path("in.vcf"), kCard);
        const Run r = run({"--import", f.path("in.vcf"), f.path("qor.qor")});
        QCOMPARE(r.status, kExitSuccess);
        QCOMPARE(r.out, "Imported 1 contact into " + f.path("qor.qor") + "\n1 URL and 1 more phone number were not imported\n");
        // The window would show C, B, A; the import goes on top and the list is written out.
        QCOMPARE(readFile(f.path("qor.qor")).substr(0, 30), std::string("CREATOR=QOR 1.0\r\nSURNAME=New\r\n"));
        const BookList list = readBookList(f.path("qor.qor"));
        QCOMPARE(list.rows.size(), std::size_t(4));
        QCOMPARE(list.rows[0][F::SURNAME], std::string("A"));
        QCOMPARE(list.rows[3][F::SURNAME], std::string("New"));
        QCOMPARE(list.rows[3][F::TEL], std::string("1"));
        QCOMPARE(list.rows[3][F::MOBILE], std::string("2"));

        // The same file again: its contact is in the book already.
        const Run again = run({"--import", f.path("in.vcf"), f.path("qor.qor")});
        QCOMPARE(again.status, kExitSuccess);
        QVERIFY2(contains(again.out, "Imported 0 contacts into " + f.path("qor.qor") + "\n1 contact was already in the book\n"),
                 again.out.c_str());
        QCOMPARE(readBookList(f.path("qor.qor")).rows.size(), std::size_t(4));

        // The account names the file's own columns: their control characters are escaped.
        writeFile(f.path("in.csv"), "SURNAME,\"Web\x1B[2J\"\r\nLee,x\r\n");
        const Run csv = run({"--import", f.path("in.csv"), f.path("qor.qor")});
        QCOMPARE(csv.status, kExitSuccess);
        QVERIFY2(contains(csv.out, "\n1 value in column \"Web\\e[2J\" was not imported\n"), csv.out.c_str());
    }

    void import_intoAMissingBook_givesExactlyTheImportedContacts()
    {
        Folder f;
        writeFile(f.path("in.vcf"), kCard + kCard);
        QCOMPARE(run({"--import", f.path("in.vcf"), f.path("new.qor")}).status, kExitSuccess);
        const BookList list = readBookList(f.path("new.qor"));
        QCOMPARE(list.rows.size(), std::size_t(2));
        QCOMPARE(list.rows[0][F::SURNAME], std::string("New"));
        QCOMPARE(list.rows[1][F::SURNAME], std::string("New"));
    }

    void import_ofBadInput_failsNamingFileAndLine_andLeavesTheBookUntouched()
    {
        Folder f;
        const std::string book = readFile(f.path("qor.qor"));
        const std::vector<std::pair<std::string, std::string>> cases{
            {kCard + "BEGIN:VCARD\r\nN:Half;;;;\r\n", ":9:"},            // a card without END: all or nothing
            {std::string("BEGIN:VCARD\r\nN:A\0;;;;\r\nEND:VCARD\r\n", 29), ":2:"}, // binary bytes
            {"just some words\r\n", ":1:"},                             // neither vCard nor CSV
            {"SURNAME,NOTE\r\nLee,\"open\r\n", ":2:"},                   // an unclosed quote
        };
        for (const auto& [bytes, where] : cases) {
            writeFile(f.path("bad.vcf"), bytes);
            const Run r = run({"--import", f.path("bad.vcf"), f.path("qor.qor")});
            QCOMPARE(r.status, kExitFailure);
            QVERIFY2(contains(r.err, "bad.vcf" + where), r.err.c_str());
            QVERIFY(r.out.empty());
            QCOMPARE(readFile(f.path("qor.qor")), book);
        }
        QCOMPARE(run({"--import", f.path("none.vcf"), f.path("qor.qor")}).status, kExitFailure);
        QCOMPARE(run({"--import", f.path("bad.vcf"), "--format", "csv"}).status, kExitUsage);
        QCOMPARE(readFile(f.path("qor.qor")), book);
    }

    void import_neverReplacesABookThatCouldNotBeRead()
    {
        Folder f;
        writeFile(f.path("in.vcf"), kCard);
        QDir(QString::fromStdString(f.path(""))).mkdir(QStringLiteral("dir.qor"));
        const Run r = run({"--import", f.path("in.vcf"), f.path("dir.qor")});
        QCOMPARE(r.status, kExitFailure);
        QVERIFY(contains(r.err, "not changed"));
        QVERIFY(QFileInfo(QString::fromStdString(f.path("dir.qor"))).isDir());
    }

    void export_toATerminal_showsControlCharactersEscaped_andToAPipeEveryByte()
    {
        Folder f;
        writeFile(f.path("qor.qor"), "SURNAME=Evil\x1B]0;owned\x07\r\nFIRSTNAME=A\\B\r\n");
        const QStringList args{QStringLiteral("--export"), QStringLiteral("-"), QStringLiteral("--format=csv"),
                               QString::fromStdString(f.path("qor.qor"))};
        QProcess piped;
        piped.start(QStringLiteral(QOR_BINARY), args);
        QVERIFY(piped.waitForFinished(60000));
        const QByteArray exact = piped.readAllStandardOutput();
        QVERIFY(exact.contains("\"Evil\x1B]0;owned\x07\",A\\B,"));

        // A pseudo-terminal as standard output, as an interactive shell gives it.
        const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(terminal >= 0 && ::grantpt(terminal) == 0 && ::unlockpt(terminal) == 0);
        const std::string follower = ::ptsname(terminal);
        QProcess shown;
        shown.setChildProcessModifier([&follower] {
            const int fd = ::open(follower.c_str(), O_RDWR | O_NOCTTY);
            ::dup2(fd, STDOUT_FILENO);
        });
        shown.start(QStringLiteral(QOR_BINARY), args);
        QVERIFY(shown.waitForFinished(60000));
        QCOMPARE(shown.exitCode(), kExitSuccess);
        QByteArray screen(1 << 16, '\0');
        const ssize_t n = ::read(terminal, screen.data(), std::size_t(screen.size()));
        ::close(terminal);
        QVERIFY(n > 0);
        screen.truncate(n);
        QVERIFY2(screen.contains("\"Evil\\e]0;owned\\a\",A\\B,"), screen.constData());
        QVERIFY(!screen.contains('\x1B'));
    }

    void verbs_runWithoutADisplayBecauseTheyStartNoGui()
    {
        Folder f;
        QProcess qor;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("no-such-platform"));
        qor.setProcessEnvironment(env);
        qor.start(QStringLiteral(QOR_BINARY), {QStringLiteral("--export"), QStringLiteral("-"),
                                               QString::fromStdString(f.path("qor.qor"))});
        QVERIFY(qor.waitForFinished(60000));
        QCOMPARE(qor.exitStatus(), QProcess::NormalExit);
        QCOMPARE(qor.exitCode(), kExitSuccess);
        QCOMPARE(qor.readAllStandardOutput().count("BEGIN:VCARD"), 3);

        qor.start(QStringLiteral(QOR_BINARY), {QStringLiteral("--upcoming"), QString::fromStdString(f.path("qor.qor"))});
        QVERIFY(qor.waitForFinished(60000));
        QCOMPARE(qor.exitCode(), kExitSuccess);
        QCOMPARE(qor.readAllStandardOutput(), QByteArray()); // no dates in this book: an empty list
        qor.start(QStringLiteral(QOR_BINARY), {QStringLiteral("--export"), QStringLiteral("-"), QStringLiteral("--format=ical"),
                                               QString::fromStdString(f.path("qor.qor"))});
        QVERIFY(qor.waitForFinished(60000));
        QCOMPARE(qor.exitCode(), kExitSuccess);
        QVERIFY(qor.readAllStandardOutput().startsWith("BEGIN:VCALENDAR\r\n"));

        qor.start(QStringLiteral(QOR_BINARY), {QStringLiteral("--no-such-option")});
        QVERIFY(qor.waitForFinished(60000));
        QCOMPARE(qor.exitCode(), kExitUsage);
        QVERIFY(qor.readAllStandardError().startsWith("qor: unrecognized option '--no-such-option'\nTry 'qor --help'"));
    }
};

QTEST_MAIN(CommandLineTest)
#include "test_command_line.moc"
