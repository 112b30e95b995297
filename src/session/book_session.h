#pragma once

#include "book_stamp.h"
#include "book_text.h"
#include "contact_record.h"
#include "contact_store.h"
#include "list_mark.h"
#include "save_result.h"

#include <filesystem>
#include <optional>
#include <string>

namespace qor {

// What opening the book found, for the front end to tell the user.
struct LoadReport {
    // Set when the book is there but was not read whole: it must not be replaced by what
    // little was read, and every save refuses until the program is started again.
    std::optional<BookRefusal> refusal;
    std::string reason;          // what the system said, for Unreadable and TooBig
    bool fieldTooLong = false;   // some field is over the form's limit (the user is told once)
};

// The window's logic without widgets: the list's rows, the mark, the form record and the
// commands a front end runs on them, and the book file behind them. A front end turns its
// events into these calls and their results into what the user sees; nothing here asks the
// user anything or knows of a widget.
//
// The commands take the form record as the front end last read it from its controls, and
// leave in it what the form should show next.
class BookSession {
public:
    explicit BookSession(std::filesystem::path bookPath);
    ~BookSession();
    BookSession(const BookSession&) = delete;
    BookSession& operator=(const BookSession&) = delete;

    const std::filesystem::path& bookPath() const { return m_bookPath; }
    ContactStore& store() { return m_store; }
    const ContactStore& store() const { return m_store; }
    ListMark& mark() { return m_mark; }
    const ListMark& mark() const { return m_mark; }

    // The form: the contact the form shows, as the front end last read it.
    ContactRecord form;

    // Reads the book into the list, the file's last contact on top, each record as the form's
    // exchange would give it back, and shows row 0 in the form. A missing book, or one that
    // cannot be read, gives one row: the form as it was. Call once, on an empty list.
    LoadReport load();
    bool bookRefused() const { return !m_refusedBook.empty(); }

    // The list commands. Each returns whether the list changed. Add and Update first turn every
    // line end in the form into a space (as every way into the list does), so the form shows
    // what the list holds and no value can forge a line in the book, whatever front end filled
    // the form.
    bool add();          // the form's contact goes on top of the list
    bool update();       // the marked row becomes the form's contact
    bool remove();       // the marked row goes; the form keeps it, so Add puts it back
    void clearForm();    // the form is emptied
    void showRow(int row); // the form shows row `row`; a row that does not exist leaves it
    void showMarked() { showRow(m_mark.row()); }

    // Writes the list to the book, top to bottom. First the book on disk is compared with what
    // was last read from or written to it: when something else changed it, an attended save
    // returns Conflict and waits for answerConflict; an unattended one writes the list beside
    // the book. A book found unreadable at opening is never replaced: Failed, and unattended,
    // the list goes beside it. On every failure the book is as it was.
    SaveResult save(SaveMode mode);
    // The user's answer to a Conflict: the list beside the book, over it, or nothing.
    SaveResult answerConflict(ConflictChoice choice);
    // Writes the list to a new file beside the book and leaves the book alone: when a save
    // failed and nobody is there to put it right.
    SaveResult saveBeside();

private:
    SaveResult writeSafely(SaveMode mode);
    SaveResult writeOver(const FormattedBook& book, SaveMode mode);
    SaveResult writeBeside(std::string_view bytes, const std::filesystem::path& beside);
    SaveResult fail(const std::string& reason, std::string_view bytes, SaveMode mode);
    FormattedBook formatList() const;

    std::filesystem::path m_bookPath;
    ContactStore m_store;
    ListMark m_mark{m_store};
    TextEncoding m_bookEncoding = TextEncoding::Utf8;
    BookStamp m_bookStamp; // what was last read from or written to the book
    // Why the book found at opening must not be replaced; empty when saving may replace it.
    std::string m_refusedBook;
    // A save waiting for the answer to its Conflict: the list's text and the file beside.
    std::optional<FormattedBook> m_pending;
    std::filesystem::path m_pendingBeside;
};

} // namespace qor
