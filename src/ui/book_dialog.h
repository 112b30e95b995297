#pragma once

#include "book_session.h"
#include "contact_record.h"
#include "duplicate_finder.h"
#include "user_messages.h"

#include <QDialog>
#include <QHash>
#include <QPointer>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qor {

// What Update and Delete say when no row the user can see is marked.
inline constexpr const char* kSelectFirstText = "Select a contact in the list first";

class ContactListView;
class ContactTable;
class FindBar;
class TextWidthMeter;

// The main window: the contact form, the contact list and the command buttons. Closing it in
// any way writes the book.
class BookDialog : public QDialog {
    Q_OBJECT
    // First, so that it is there when formRecord is bound to its form.
    std::unique_ptr<BookSession> m_session;

public:
    // The last step of the window's initialisation: the window chrome (menu item, icons).
    using ChromeStep = std::function<void(BookDialog&)>;

    explicit BookDialog(std::filesystem::path bookPath = "qor.qor",
                        std::unique_ptr<UserMessages> messages = nullptr,
                        ChromeStep chrome = {});
    ~BookDialog() override;

    // The form: `formRecord` (the session's form) and the two directions of its exchange
    // with the controls.
    ContactRecord& formRecord;
    bool readForm();
    void showForm();

    // The list operations.
    void insertColumns();
    void autosizeColumns();
    void addContact();
    void showContact(int row);
    void updateContact();
    void deleteContact();

    // The book file. A save first checks that the book on disk is still what the window last
    // read or wrote; when it is not, the user chooses (UserMessages::bookChanged).
    // Saved, SavedBeside, Failed (the user has seen why) or WentBack; never Conflict, which
    // the window asks about before it returns.
    using SaveOutcome = qor::SaveOutcome;
    void loadBook();
    SaveOutcome saveBook();

    // Ends the window without a question: saves the list as closing does, then ends the modal
    // run. A box that is open is closed first; a book that changed on disk keeps its changes
    // and the list goes beside it; when the book cannot be written, the list goes beside it
    // too. For a signal, the end of the desktop session, a window that went away.
    void endUnattended();
    bool hasEndedUnattended() const { return m_unattended && m_ended; }
    // The user chose Quit when told that another window holds the book: the window never opens
    // and never writes the book, and the program ends.
    bool quitAtStart() const { return m_quitAtStart; }
    // Saves as an unattended end does and touches no widget: for a process that is being
    // ended because its display is gone. The window counts as ended afterwards.
    void saveWithoutWindow();

    // The commands, as the buttons run them.
    void add();
    void update();
    void remove();
    void save();
    void clearForm();
    void openHelpPage();
    void listClicked();
    // Enter in the list: the marked contact is shown and the focus goes to the form's first field.
    void listEntered();
    // Undo and redo of the list's last change (Ctrl+Z; Ctrl+Shift+Z, Ctrl+Y).
    void undo();
    void redo();
    // Changes that bring back what the book held: each is one change of the list, undone by
    // Undo and written by the next Save or close, and the list, its mark and the form show it
    // at once (book_replace.cpp).
    // `contact`, from the book's history, goes back on top of the list.
    void restoreContact(const ContactRecord& contact);
    // The list becomes `rows` (row 0 first): a state of the book from its history.
    void restoreWholeBook(std::vector<ContactRecord>&& rows);
    // The list becomes `rows` (row 0 first) as one change named `name`: what a sync brought.
    void replaceList(std::vector<ContactRecord>&& rows, const std::string& name);
    // The list becomes what the book on disk holds now. A book that cannot be read leaves the
    // list as it is, and a box says why.
    void reloadFromDisk();

    // `group`'s rows become the one contact `merged`, at the place of its top row, as one
    // change named `name` (book_duplicates.cpp).
    void mergeDuplicates(const DuplicateGroup& group, const ContactRecord& merged, std::string name);

    // Find: the field along the bottom that filters the list as the user types. Opening it
    // puts the focus in it; closing it clears the query and gives the focus back.
    void openFind();
    void closeFind();
    QLineEdit* findField() const;
    FindBar& findBar() const { return *m_findBar; }
    // The short line under the list that says why a command did nothing; empty when it has
    // nothing to say.
    QString statusText() const;

    QWidget* control(int id) const { return m_controls.value(id); }
    const std::filesystem::path& bookPath() const { return m_session->bookPath(); }
    BookSession& session() const { return *m_session; }
    ContactStore& store() const { return m_session->store(); }
    ContactTable& table() const { return *m_table; }
    ContactListView& list() const { return *m_list; }
    UserMessages& messages() const { return *m_messages; }

    void accept() override;
    void done(int result) override;
    // The window hidden without being closed (its native window destroyed from outside) ends
    // as an unattended end does: nothing unsaved is left in a process without a window.
    void setVisible(bool visible) override;

    // The column width every column gets when sized: the larger of its widest text and heading.
    int columnWidthFor(int column) const;

protected:
    void showEvent(QShowEvent* event) override;
    // Escape while find is open clears find; only with find closed does it close the window.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildFromTemplate();
    void wireCommands();
    void buildFindBar();
    void buildStatusLine();
    void showStatus(const QString& text);
    bool markedRowIsHidden();
    // Find's line below the footer: the window grows by it while find is open.
    void placeFindBar(bool open);
    void buildUndoKeys();
    // After a change the session made to the list (undo, a restore): the list and the form show it.
    void showListChange();
    void findQueryChanged(const QString& text);
    void findEntered();
    void showFindCounts();
    void initialise();
    QLineEdit* editFor(ContactField field) const;
    void putInControl(QLineEdit* edit, const std::string& text, const QString& shown);
    void takeFromControl(QLineEdit* edit, ContactField field);
    QComboBox* comboFor(ContactField field) const;
    QString fieldName(ContactField field) const;
    void lockBook();
    SaveOutcome answered(SaveResult result);
    void tellHistory(const SaveResult& result);
    void tellMerge(const SaveResult& result);
    SaveMode saveMode() const { return m_unattended ? SaveMode::Unattended : SaveMode::Attended; }
    void closeOpenBoxes();
    void endWindow(int result);

    std::unique_ptr<UserMessages> m_messages;
    ChromeStep m_chrome;
    QHash<int, QWidget*> m_controls;
    // A field too long to show whole: its text, and how much of it the control shows.
    struct HeldText {
        std::string text;
        std::size_t shownBytes = 0;
    };
    QHash<const QLineEdit*, HeldText> m_heldTexts;
    // What showForm last put in each control: a text over the limit that is still what the
    // form was given came from the book, not from the user, and is kept without a word.
    QHash<const QLineEdit*, QString> m_shownTexts;
    ContactTable* m_table = nullptr;
    ContactListView* m_list = nullptr;
    std::unique_ptr<TextWidthMeter> m_meter;
    FindBar* m_findBar = nullptr;
    QLabel* m_status = nullptr;
    QSize m_formSize; // the window without find's line
    QPointer<QWidget> m_focusBeforeFind;
    bool m_centred = false;
    bool m_closing = false;
    bool m_saving = false;
    bool m_unattended = false; // no box may wait for an answer any more
    bool m_ended = false;
    bool m_loaded = false;     // the list holds the book
    bool m_endPending = false; // an unattended end came while the window was opening
    bool m_historyFailureTold = false; // a save missing from the history is told once a window
    bool m_openedElsewhere = false; // another window holds the book: this one opens beside it
    bool m_quitAtStart = false;
};

} // namespace qor
