#pragma once

#include "book_history.h"
#include "book_lock.h"
#include "book_stamp.h"
#include "book_text.h"
#include "contact_record.h"
#include "contact_store.h"
#include "list_edit.h"
#include "list_mark.h"
#include "merge_lists.h"
#include "save_result.h"
#include "undo_steps.h"

#include <chrono>
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
    // The book is missing or holds nothing but white space: its one row is the form's
    // contact, not one of the book's.
    bool blank = false;
    bool missing = false; // there is no file at the book's path
    // How many contacts hold a field over the form's limit, and the first such field met
    // (the user is told once; the texts are kept whole).
    std::size_t longFieldContacts = 0;
    std::optional<ContactField> firstLongField;
};

// A group of duplicates and the one contact it becomes: the rows go (ascending, the top row
// first) and `merged` takes the top row's place.
struct DuplicateMerge {
    std::vector<std::size_t> rows;
    ContactRecord merged;
};

// What reading the book again did.
struct ReloadResult {
    bool ok = false;
    std::string error; // why the list is as it was
    std::size_t contacts = 0;
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
    // How long a save waits for another writer of the book (a command-line import, another
    // window's save) to finish.
    static constexpr std::chrono::milliseconds kWriterWait{5000};

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

    // Takes the lock beside the book, waiting up to `wait` for another holder to let it go, and
    // holds it while the session lives: the window's lock, which tells a second window that the
    // book is open. Held: the temporary files a killed save left beside it are removed, unless
    // a writer is at work. HeldElsewhere: another QOR
    // holds it. Unavailable: the folder takes no lock file, which says nothing of others.
    BookLock::State lockBook(std::chrono::milliseconds wait = {});

    // Reads the book into the list, the file's last contact on top, each record as the form's
    // exchange would give it back, and shows row 0 in the form. A missing book, or one that
    // cannot be read, gives one row: the form as it was. Call once, on an empty list.
    LoadReport load();
    bool bookRefused() const { return !m_refusedBook.empty(); }
    // Whether any row was added, changed or removed since the book was loaded.
    bool listChangedSinceLoad() const { return m_changes.count > 0; }
    // A book that was not read whole, and a list nobody changed: closing has nothing to write
    // and nothing to lose, so it need neither fail nor ask.
    bool nothingToSaveOnClose() const { return bookRefused() && !listChangedSinceLoad(); }

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
    // Puts `contacts` on top of the list in their order (the first at row 0), as one change.
    void insertImported(std::vector<ContactRecord>&& contacts);

    // Puts `contact` back on top of the list, as one change named "Restore \"Lee, Ann\"": a
    // contact brought back from the book's history.
    bool restoreContact(const ContactRecord& contact);
    // Makes the list `rows` (list order, row 0 first), as one change named `name` ("Restore the
    // whole book", "Reload from disk"). The change holds only the rows that differ, so undoing
    // it costs what it changed, not the book. The mark goes; row 0 is shown in the form.
    void becomeList(std::vector<ContactRecord>&& rows, std::string name);
    // Makes each group of duplicates in `merges` one contact, at the row of its top member, all
    // of them as one change named `name` (Undo brings every member back where it was). No row
    // may be in two merges. One merge marks and shows its contact; several show row 0.
    void mergeDuplicates(const std::vector<DuplicateMerge>& merges, std::string name);
    // Reads the book on disk again and makes the list what it holds, as one change ("Reload
    // from disk"): what the book now holds is what the next save compares with, so that save
    // does not ask. A book that cannot be read leaves the list as it is and says why.
    ReloadResult reloadFromDisk();

    // Undo and redo of the list's changes (Add, Update, Delete, Import, a merge, a restore, a
    // reload), any number of them.
    // An undone or redone change whose row is still there marks that row and shows it in the
    // form. Each returns whether there was a change to act on.
    bool undo();
    bool redo();
    // The change Undo or Redo would act on, named for a menu ("Delete \"Lee, Ann\""); empty
    // when there is none.
    std::string undoName() const { return m_undo.undoName(); }
    std::string redoName() const { return m_undo.redoName(); }
    // A session that nobody will undo in (a command-line import or restore) keeps no steps:
    // an import's step would hold a second copy of every imported contact.
    void keepUndoSteps(bool keep) { m_keepUndoSteps = keep; }

    // Writes the list to the book, top to bottom, taking its turn among the book's writers (the
    // writer's lock, waiting up to kWriterWait). First the book on disk is compared with what
    // was last read from or written to it: when something else changed it, an attended save
    // returns Conflict and waits for answerConflict; an unattended one merges, or, when the file
    // is no longer a book it can merge with, writes the list beside the book. A book found
    // unreadable at opening is never replaced: Failed, and unattended, the list goes beside it.
    // On every failure the book is as it was.
    //
    // A merge (save_merge.cpp) takes as its base the book as this session last read or wrote it,
    // found in the book's history by its hash, and makes the list the merged list as one change
    // that can be undone; the save then writes it.
    SaveResult save(SaveMode mode);
    // The user's answer to a Conflict: the two sides merged, the list beside the book, over it,
    // or nothing.
    SaveResult answerConflict(ConflictChoice choice);
    // Holds the writer's lock until the session ends, waiting up to `wait`: for a command that
    // reads the book, changes it and saves it, so that no other writer comes between.
    BookLock::State holdWriterTurn(std::chrono::milliseconds wait);
    // Writes the list to a new file beside the book and leaves the book alone: when a save
    // failed and nobody is there to put it right.
    SaveResult saveBeside();

    // Whether saves go into the book's history (they do unless told otherwise): off only to
    // measure what the history costs a save.
    void keepHistory(bool keep) { m_keepHistory = keep; }

private:
    // Makes `edit` as one change named `name`. `show`: the mark goes and row 0 is shown.
    void changeList(ListEdit&& edit, std::string name, bool show = true);
    // The book on disk merged with the list (save_merge.cpp).
    struct PendingMerge {
        BookStamp theirsStamp;
        std::vector<ContactRecord> theirs; // list order
        MergePlan plan;
        bool baseUnknown = false;
        bool theirsBackwards = false; // the file runs the other way from the list
    };
    std::optional<PendingMerge> planMergeWithDisk() const;
    SaveResult mergeAndWrite(PendingMerge&& merge, SaveMode mode);
    // The writer's lock for one save, unless the session holds it already; `busy` when another
    // writer kept it for the whole wait.
    struct WriterTurn {
        BookLock lock;
        bool busy = false;
    };
    WriterTurn takeWriterTurn();
    SaveResult writeSafely(SaveMode mode);
    // `checked`: the book on disk was just found to be what m_bookStamp says.
    SaveResult writeOver(const FormattedBook& book, SaveMode mode, bool checked);
    SaveResult keepBookAsItWas();
    void showUndone(const UndoneChange& change);
    // Reads the book on disk and stamps it, for a save to compare with m_bookStamp; the book's
    // history takes what it needs of those bytes then, so the save need not read them again
    // (save_history.cpp).
    BookStamp stampOnDiskBeforeSave();
    // After the book was replaced: the save goes into the book's history, and what went wrong
    // there into `saved`, never failing it (save_history.cpp).
    void recordInHistory(const BookBefore& before, std::string_view written, SaveResult& saved);
    SaveResult writeBeside(std::string_view bytes, const std::filesystem::path& beside);
    SaveResult fail(const std::string& reason, std::string_view bytes, SaveMode mode);
    FormattedBook formatList() const;

    // Counts the changes to the rows.
    struct ChangeCount : StoreObserver {
        std::uint64_t count = 0;
        void rowsInserted(int, int) override { ++count; }
        void rowsRemoved(int, int) override { ++count; }
        void rowChanged(int) override { ++count; }
    };

    std::filesystem::path m_bookPath;
    ContactStore m_store;
    ListMark m_mark{m_store};
    ChangeCount m_changes;
    UndoSteps m_undo;
    bool m_keepUndoSteps = true;
    TextEncoding m_bookEncoding = TextEncoding::Utf8;
    BookStamp m_bookStamp; // what was last read from or written to the book
    bool m_bookStampFromLoad = true; // read (the list runs the other way from the file), not written
    // Why the book found at opening must not be replaced; empty when saving may replace it.
    std::string m_refusedBook;
    // Lines of the book the reader did not take, which the first save would drop: that save
    // keeps the book as it was beside it first.
    std::size_t m_unreadLines = 0;
    // A save waiting for the answer to its Conflict: the file beside, and the merge it offers.
    bool m_conflictPending = false;
    std::filesystem::path m_pendingBeside;
    std::optional<PendingMerge> m_pendingMerge;
    BookLock m_lock;
    BookLock m_writerLock; // held for the session's life by a command (holdWriterTurn)
    // Every save's entry in the book's history, and what the next one needs of the last.
    HistoryRecorder m_history;
    bool m_keepHistory = true;
};

} // namespace qor
