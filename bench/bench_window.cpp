// Times the main window on generated books: opening it, Save (and what the book's history adds
// to it), Add, Update and Delete, find as the user types, and the peak resident memory with the
// largest book open. Run offscreen:
//
//     QT_QPA_PLATFORM=offscreen bench_window [--quick | --history | --million]
//
// Each figure is the median of several runs, printed one per line as `name value unit`;
// --history prints only what the book's history adds to a Save; --million only the figures of a
// book of a million contacts.
// The peak memory is measured in a child process of its own (this binary with --peak-rss N),
// so the other cases' allocations do not count.
#include "book_dialog.h"
#include "book_generator.h"
#include "book_history.h"
#include "contact_list_view.h"
#include "contact_table.h"
#include "user_messages.h"

#include <QLineEdit>

#include <QApplication>
#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

constexpr std::uint32_t kSeed = 20240601;

// Shows nothing: a benchmark must never wait for a message box.
class SilentMessages : public qor::UserMessages {
public:
    void fieldTooLong(QWidget*, const QString&, std::size_t) override {}
    void historyTrouble(QWidget*, const QString&, const QString&) override {}
    void saveFailed(QWidget*, const QString& reason) override
    {
        std::fprintf(stderr, "bench_window: save failed: %s\n", qPrintable(reason));
    }
    bool closeWithoutSaving(QWidget*) override { return true; }
};

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void report(const std::string& name, double value, const char* unit)
{
    std::printf("%-28s %12.3f %s\n", name.c_str(), value, unit);
    std::fflush(stdout);
}

// A book of `contacts` generated contacts as qor.qor in a temporary folder.
class BookFolder {
public:
    explicit BookFolder(std::size_t contacts)
    {
        std::ofstream out(path(), std::ios::binary | std::ios::trunc);
        out << qor::generateBookBytes(contacts, kSeed);
    }
    std::string path() const { return m_dir.filePath(QStringLiteral("qor.qor")).toStdString(); }
    void removeHistory() const { std::filesystem::remove(qor::historyPathFor(path())); }

private:
    QTemporaryDir m_dir;
};

std::unique_ptr<qor::BookDialog> openWindow(const BookFolder& folder)
{
    return std::make_unique<qor::BookDialog>(folder.path(), std::make_unique<SilentMessages>());
}

// Lets the window finish what the command left for the event loop (layout, repaint), so a
// figure counts the whole cost the user waits for.
void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, 0);
}

void showAndSettle(qor::BookDialog& window)
{
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        std::fprintf(stderr, "bench_window: window not exposed\n");
    settle();
}

// A left click on row `row`, which marks it (the list must be shown).
void clickRow(qor::BookDialog& window, int row)
{
    qor::ContactListView& list = window.list();
    list.scrollTo(list.model()->index(row, 0));
    settle();
    const QRect cell = list.visualRect(list.model()->index(row, 0));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, cell.center());
    if (list.selectionMark() != row)
        std::fprintf(stderr, "bench_window: row %d not marked\n", row);
}

double timed(const std::function<void()>& work)
{
    const auto start = Clock::now();
    work();
    settle();
    return millisecondsSince(start);
}

// Opens and saves the window, again and again on one book: each Save the first of its window,
// on a book whose history holds the saves before (the very first save, which keeps the book
// whole in a new history, is not counted).
void benchOpenAndSave(std::size_t contacts, int runs)
{
    BookFolder folder(contacts);
    openWindow(folder)->save();
    std::vector<double> open;
    std::vector<double> save;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        auto window = openWindow(folder);
        open.push_back(millisecondsSince(start));
        if (window->table().rowCount() != static_cast<int>(contacts))
            std::fprintf(stderr, "bench_window: %d rows, expected %zu\n", window->table().rowCount(), contacts);
        save.push_back(timed([&] { window->save(); }));
    }
    const std::string n = std::to_string(contacts);
    report("open_" + n, median(open), "ms");
    report("save_" + n, median(save), "ms");
}

// Changes one contact in the window's session, as a user's Update does, and lets the window
// finish what that and its opening left for the event loop: a save timed next pays only its own.
void changeOneContact(qor::BookDialog& window, int row)
{
    qor::BookSession& session = window.session();
    session.showRow(row);
    session.form[qor::ContactField::COMMENTS] += " changed";
    session.mark().set(row);
    session.update();
    settle();
}

// What the book's history adds to a Save: a window's first save on a book that has a history
// (which reads the history's last entry, and the book turned around: a window lists the file
// the other way), its later saves, and as the reference the same saves, first and later apart,
// with no history kept. A book's very first save, which starts its history with the book kept
// whole, is a one-time cost, reported apart.
void benchHistorySaves(std::size_t contacts, int runs)
{
    const BookFolder kept(contacts);
    const BookFolder bare(contacts);
    const BookFolder fresh(contacts);
    openWindow(kept)->save();
    // The books just written go to the disk now, not in the midst of a timed save's sync.
    ::sync();
    std::vector<double> first, later, withoutFirst, withoutLater, newHistory;
    for (int i = 0; i < runs; ++i) {
        {
            auto window = openWindow(kept);
            changeOneContact(*window, 2 * i);
            first.push_back(timed([&] { window->save(); }));
            for (int k = 0; k < 2; ++k) {
                changeOneContact(*window, 2 * i + 1 + k);
                later.push_back(timed([&] { window->save(); }));
            }
        }
        {
            auto window = openWindow(bare);
            window->session().keepHistory(false);
            for (int k = 0; k < 3; ++k) {
                changeOneContact(*window, 2 * i + k);
                (k == 0 ? withoutFirst : withoutLater).push_back(timed([&] { window->save(); }));
            }
        }
    }
    // Apart: writing a book whole into the history, and deleting it again, leaves the file
    // system work that the next save's sync would pay for.
    for (int i = 0; i < runs; ++i) {
        fresh.removeHistory();
        auto window = openWindow(fresh);
        changeOneContact(*window, i);
        newHistory.push_back(timed([&] { window->save(); }));
    }
    const std::string n = std::to_string(contacts);
    report("save_history_first_" + n, median(first), "ms");
    report("save_history_later_" + n, median(later), "ms");
    report("save_without_history_first_" + n, median(withoutFirst), "ms");
    report("save_without_history_later_" + n, median(withoutLater), "ms");
    report("save_history_new_" + n, median(newHistory), "ms");
}

void benchCommands(std::size_t contacts, int runs)
{
    BookFolder folder(contacts);
    auto window = openWindow(folder);
    showAndSettle(*window);
    const std::string n = std::to_string(contacts);

    std::vector<double> add;
    for (int i = 0; i < runs; ++i)
        add.push_back(timed([&] { window->add(); }));
    report("add_" + n, median(add), "ms");

    std::vector<double> update;
    clickRow(*window, 5);
    for (int i = 0; i < runs; ++i)
        update.push_back(timed([&] { window->update(); }));
    report("update_" + n, median(update), "ms");

    std::vector<double> remove;
    for (int i = 0; i < runs; ++i) {
        clickRow(*window, 0);
        remove.push_back(timed([&] { window->remove(); }));
    }
    report("delete_row0_" + n, median(remove), "ms");

    // Undo and redo of one Delete in the middle of the list: the row goes back where it was
    // and is shown, and goes again.
    std::vector<double> undo, redo;
    for (int i = 0; i < runs; ++i) {
        clickRow(*window, 50);
        window->remove();
        undo.push_back(timed([&] { window->undo(); }));
        redo.push_back(timed([&] { window->redo(); }));
    }
    report("undo_" + n, median(undo), "ms");
    report("redo_" + n, median(redo), "ms");
}

// Find on a big book: opening the field (which folds every contact once), then each keystroke
// of a ten-letter word typed and deleted again, each timed with the list's repaint.
void benchFind(std::size_t contacts, int runs)
{
    BookFolder folder(contacts);
    const std::string n = std::to_string(contacts);
    std::vector<double> open;
    std::vector<double> keystrokes;
    for (int i = 0; i < runs; ++i) {
        auto window = openWindow(folder);
        showAndSettle(*window);
        open.push_back(timed([&] { window->openFind(); }));
        QLineEdit* field = window->findField();
        const QString word = QStringLiteral("crosswords");
        for (const QChar c : word)
            keystrokes.push_back(timed([&] { QTest::keyClick(field, c.toLatin1()); }));
        if (window->list().model()->rowCount() == 0 || field->text() != word)
            std::fprintf(stderr, "bench_window: find typed \"%s\", %d rows shown\n", qPrintable(field->text()),
                         window->list().model()->rowCount());
        for (qsizetype k = 0; k < word.size(); ++k)
            keystrokes.push_back(timed([&] { QTest::keyClick(field, Qt::Key_Backspace); }));
        if (window->list().model()->rowCount() != static_cast<int>(contacts))
            std::fprintf(stderr, "bench_window: find left %d rows shown\n", window->list().model()->rowCount());
    }
    report("find_open_" + n, median(open), "ms");
    report("find_key_median_" + n, median(keystrokes), "ms");
    report("find_key_worst_" + n, *std::max_element(keystrokes.begin(), keystrokes.end()), "ms");
}

// Child mode: open and show the window on the book at `path`, print the peak resident set.
// The parent writes the book, so generating it does not count.
// With `saves`, the window then saves that many times, each save going into the book's history.
int peakRss(const char* path, int saves = 0)
{
    auto window = std::make_unique<qor::BookDialog>(path, std::make_unique<SilentMessages>());
    showAndSettle(*window);
    for (int i = 0; i < saves; ++i)
        window->save();
    std::printf("%ld\n", qor::peakResidentKiB());
    return 0;
}

// Child mode: the time one open of the window on the book at `path` takes in a fresh process,
// as a user meets it: no memory left over from an earlier open to reuse.
int openOnce(const char* path)
{
    const auto start = Clock::now();
    auto window = std::make_unique<qor::BookDialog>(path, std::make_unique<SilentMessages>());
    std::printf("%.3f\n", millisecondsSince(start));
    return 0;
}

std::string runChild(const QStringList& arguments)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), arguments);
    if (!child.waitForFinished(600000) || child.exitCode() != 0) {
        std::fprintf(stderr, "bench_window: child run failed\n");
        return {};
    }
    return QString::fromUtf8(child.readAllStandardOutput()).trimmed().toStdString();
}

void benchColdOpen(std::size_t contacts, int runs)
{
    const BookFolder folder(contacts);
    std::vector<double> open;
    for (int i = 0; i < runs; ++i)
        open.push_back(std::strtod(runChild({QStringLiteral("--open-once"), QString::fromStdString(folder.path())}).c_str(), nullptr));
    report("open_cold_" + std::to_string(contacts), median(open), "ms");
}

void benchPeakRss(std::size_t contacts)
{
    const BookFolder folder(contacts);
    const long kib = std::strtol(runChild({QStringLiteral("--peak-rss"), QString::fromStdString(folder.path())}).c_str(), nullptr, 10);
    report("peak_rss_" + std::to_string(contacts), static_cast<double>(kib) / 1024.0, "MiB");
    const long savedKib = std::strtol(
        runChild({QStringLiteral("--peak-rss-saves"), QString::fromStdString(folder.path())}).c_str(), nullptr, 10);
    report("peak_rss_3_saves_" + std::to_string(contacts), static_cast<double>(savedKib) / 1024.0, "MiB");
}

// The window on a book of a million contacts: open, Save and close (the window and its rows
// going), find, and the peak memory with the book open and over three saves.
void benchMillion(int runs)
{
    constexpr std::size_t kMillion = 1000000;
    const std::string n = std::to_string(kMillion);
    {
        BookFolder folder(kMillion);
        openWindow(folder)->save();
        std::vector<double> open, save, close;
        for (int i = 0; i < runs; ++i) {
            const auto start = Clock::now();
            auto window = openWindow(folder);
            open.push_back(millisecondsSince(start));
            save.push_back(timed([&] { window->save(); }));
            close.push_back(timed([&] { window.reset(); }));
        }
        report("open_" + n, median(open), "ms");
        report("save_" + n, median(save), "ms");
        report("close_" + n, median(close), "ms");
    }
    benchColdOpen(kMillion, runs);
    benchFind(kMillion, 1);
    benchPeakRss(kMillion);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--peak-rss") == 0)
        return peakRss(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "--peak-rss-saves") == 0)
        return peakRss(argv[2], 3);
    if (argc == 3 && std::strcmp(argv[1], "--open-once") == 0)
        return openOnce(argv[2]);
    if (argc == 2 && std::strcmp(argv[1], "--commands") == 0) { // the commands alone, to profile them
        benchCommands(100000, 21);
        return 0;
    }
    const bool quick = argc == 2 && std::strcmp(argv[1], "--quick") == 0;
    if (argc == 2 && std::strcmp(argv[1], "--history") == 0) {
        benchHistorySaves(100000, 11);
        return 0;
    }

    if (argc == 2 && std::strcmp(argv[1], "--million") == 0) {
        benchMillion(3);
        return 0;
    }

    benchOpenAndSave(1000, quick ? 3 : 9);
    benchOpenAndSave(10000, quick ? 3 : 7);
    benchOpenAndSave(100000, quick ? 3 : 5);
    for (std::size_t contacts : {1000, 10000, 100000})
        benchColdOpen(contacts, quick ? 3 : 5);
    benchHistorySaves(100000, quick ? 3 : 7);
    benchCommands(100000, quick ? 5 : 21);
    benchFind(100000, quick ? 1 : 3);
    benchPeakRss(100000);
    return 0;
}
