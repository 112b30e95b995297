#pragma once

#include "book_dialog.h"
#include "contact_record.h"
#include "control_ids.h"
#include "test_books.h"
#include "user_messages.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <functional>
#include <optional>
#include <memory>
#include <string>
#include <vector>

namespace qor::test {

// Counts the main window's message boxes instead of showing them.
class RecordingMessages : public UserMessages {
public:
    struct Counts {
        int fieldTooLong = 0;
        QString longFieldName;             // as the last length message named it
        std::size_t longFieldContacts = 0; // as the last length message counted them
        int saveFailed = 0;
        QString saveFailureReason;
        int closeQuestions = 0;
        std::vector<BookRefusal> refusals; // the boxes shown at opening
        QString refusalReason;
        bool closeAnswer = false; // what the user answers to "close without saving?"
        int bookChanged = 0;
        QString besideName;
        // What the user answers; unset, the box's default (Merge when it can, else Save beside).
        std::optional<ConflictChoice> conflictAnswer;
        BookChange lastChange; // as the last conflict box told it
        int mergeNotes = 0;
        QString mergeNote;
        std::function<void()> whileConflictBoxIsOpen;
        int openElsewhere = 0;
        bool openAnyway = true; // what the user answers when another window holds the book
        int helpNotOpened = 0;
        QString helpPage; // as the last "could not open the help page" box named it
        QString rescuedPath; // as the last "saved in the rescue folder" box told
        std::size_t oldBookKeptLines = 0; // as the last "kept as it was" box told
        QString oldBookKeptName;
        int historyTrouble = 0;
        QString historyError;    // as the last history box told
        QString historySetAside;
        std::function<void(QWidget*)> whileOpenElsewhereBoxIsOpen;
        int reloadFailed = 0;
        QString reloadError;
    };
    explicit RecordingMessages(std::shared_ptr<Counts> counts) : m_counts(std::move(counts)) {}
    void fieldTooLong(QWidget*, const QString& fieldName, std::size_t contacts) override
    {
        ++m_counts->fieldTooLong;
        m_counts->longFieldName = fieldName;
        m_counts->longFieldContacts = contacts;
    }
    void listRescued(QWidget*, const QString& path) override { m_counts->rescuedPath = path; }
    void oldBookKept(QWidget*, std::size_t lines, const QString& keptName) override
    {
        m_counts->oldBookKeptLines = lines;
        m_counts->oldBookKeptName = keptName;
    }
    void historyTrouble(QWidget*, const QString& error, const QString& setAsideName) override
    {
        ++m_counts->historyTrouble;
        m_counts->historyError = error;
        m_counts->historySetAside = setAsideName;
    }
    void saveFailed(QWidget*, const QString& reason) override
    {
        ++m_counts->saveFailed;
        m_counts->saveFailureReason = reason;
    }
    void bookRefused(QWidget*, BookRefusal why, const QString&, const QString& reason) override
    {
        m_counts->refusals.push_back(why);
        m_counts->refusalReason = reason;
    }
    bool closeWithoutSaving(QWidget*) override
    {
        ++m_counts->closeQuestions;
        return m_counts->closeAnswer;
    }
    ConflictChoice bookChanged(QWidget*, const BookChange& change) override
    {
        ++m_counts->bookChanged;
        m_counts->besideName = change.besideName;
        m_counts->lastChange = change;
        if (m_counts->whileConflictBoxIsOpen)
            m_counts->whileConflictBoxIsOpen();
        return m_counts->conflictAnswer.value_or(change.canMerge ? ConflictChoice::Merge : ConflictChoice::SaveBeside);
    }
    void mergeTold(QWidget*, const QString& note) override
    {
        ++m_counts->mergeNotes;
        m_counts->mergeNote = note;
    }
    bool bookOpenElsewhere(QWidget* parent) override
    {
        ++m_counts->openElsewhere;
        if (m_counts->whileOpenElsewhereBoxIsOpen)
            m_counts->whileOpenElsewhereBoxIsOpen(parent);
        return m_counts->openAnyway;
    }
    void helpNotOpened(QWidget*, const QString& page) override
    {
        ++m_counts->helpNotOpened;
        m_counts->helpPage = page;
    }

    void reloadFailed(QWidget*, const QString& error) override
    {
        ++m_counts->reloadFailed;
        m_counts->reloadError = error;
    }

private:
    std::shared_ptr<Counts> m_counts;
};

// The real main window on a book in a fresh temporary folder, with recorded message boxes.
class WindowHarness {
public:
    // Writes `bookBytes` as the book first, unless `withBook` is false (no book file at all).
    explicit WindowHarness(const std::string& bookBytes = {}, bool withBook = false);

    BookDialog& window() { return *m_window; }
    RecordingMessages::Counts& counts() { return *m_counts; }
    std::string bookPath() const;
    QString folder() const { return m_dir.path(); }
    // A second window on the same book, with its own recorded boxes.
    std::unique_ptr<BookDialog> secondWindow(std::shared_ptr<RecordingMessages::Counts> counts) const;
    std::string readBook() const;
    void writeBook(const std::string& bytes) const;

    QLineEdit* edit(ContactField field);
    QComboBox* combo(ContactField field);
    // The text a field's control shows.
    QString shown(ContactField field);
    // Puts `text` in a field's control as the program would (past the input limit).
    void put(ContactField field, const QString& text);

    void show();
    // Destroys the window without closing it and opens a new one on the same book.
    void reopen();
    void clickButton(int id);
    // A left click on row `row` of the list, which marks it and shows it.
    void clickRow(int row);

private:
    QTemporaryDir m_dir;
    std::shared_ptr<RecordingMessages::Counts> m_counts;
    std::unique_ptr<BookDialog> m_window;
};

// Runs `answer` on the next message box that opens, while it waits for the user; a box that
// `answer` leaves open is closed as Escape would close it. For the program's real boxes.
void whenABoxOpens(std::function<void(QMessageBox& box)> answer);

// A book as the program writes it, of contacts with these surnames and all else empty, first
// in the file first.
using qor::testing::bookOf;
using qor::testing::contact;
// The files in the harness's folder other than the book, its lock and its history.
QStringList besideTheBook(const WindowHarness& h);
// Every byte of the file at `path`, "" when there is none.
std::string readFile(const QString& path);

// The surnames the window lists, row 0 first.
QStringList listedSurnames(BookDialog& window);

// A book of one contact: `surname`, and `hair` in the Hair field.
std::string oneRecordBook(const std::string& surname, const std::string& hair = "");
inline std::string emptyRecordBook(int records) { return bookOf(std::vector<std::string>(records)); }

} // namespace qor::test
