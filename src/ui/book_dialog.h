#pragma once

#include "book_stamp.h"
#include "book_text.h"
#include "contact_record.h"
#include "user_messages.h"

#include <QDialog>
#include <QHash>
#include <QPointer>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace qor {

class BookLock;
class ContactListView;
class ContactTable;
class FindBar;
class TextWidthMeter;

// The main window: the contact form, the contact list and the command buttons. Closing it in
// any way writes the book.
class BookDialog : public QDialog {
    Q_OBJECT
public:
    // The last step of the window's initialisation: the window chrome (menu item, icons).
    using ChromeStep = std::function<void(BookDialog&)>;

    explicit BookDialog(std::filesystem::path bookPath = "qor.qor",
                        std::unique_ptr<UserMessages> messages = nullptr,
                        ChromeStep chrome = {});
    ~BookDialog() override;

    // The form: `formRecord` and the two directions of its exchange with the controls.
    ContactRecord formRecord;
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
    enum class SaveOutcome {
        Saved,       // the book holds the list
        SavedBeside, // the book changed on disk and was left; the list went to a file beside it
        Failed,      // nothing was written (the user has seen why)
        WentBack,    // the book changed on disk and the user chose to go back to the window
    };
    void loadBook();
    SaveOutcome saveBook();

    // Ends the window without a question: saves the list as closing does, then ends the modal
    // run. A box that is open is closed first; a book that changed on disk keeps its changes
    // and the list goes beside it; when the book cannot be written, the list goes beside it
    // too. For a signal, the end of the desktop session, a window that went away.
    void endUnattended();
    bool hasEndedUnattended() const { return m_unattended && m_ended; }
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

    // Find: the field along the bottom that filters the list as the user types. Opening it
    // puts the focus in it; closing it clears the query and gives the focus back.
    void openFind();
    void closeFind();
    QLineEdit* findField() const;
    FindBar& findBar() const { return *m_findBar; }

    QWidget* control(int id) const { return m_controls.value(id); }
    const std::filesystem::path& bookPath() const { return m_bookPath; }
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

private:
    void buildFromTemplate();
    void wireCommands();
    void buildFindBar();
    void findQueryChanged(const QString& text);
    void findEntered();
    void showFindCounts();
    void initialise();
    QLineEdit* editFor(ContactField field) const;
    void putInControl(QLineEdit* edit, const std::string& text, const QString& shown);
    void takeFromControl(QLineEdit* edit, ContactField field);
    QComboBox* comboFor(ContactField field) const;
    void lockBook();
    SaveOutcome writeBook();
    SaveOutcome saveBeside(std::string_view bytes, const std::filesystem::path& beside);
    SaveOutcome failSave(const std::string& reason, std::string_view bytes);
    void closeOpenBoxes();
    void endWindow(int result);

    std::filesystem::path m_bookPath;
    std::unique_ptr<UserMessages> m_messages;
    ChromeStep m_chrome;
    QHash<int, QWidget*> m_controls;
    // A field too long to show whole: its text, and how much of it the control shows.
    struct HeldText {
        std::string text;
        std::size_t shownBytes = 0;
    };
    QHash<const QLineEdit*, HeldText> m_heldTexts;
    ContactTable* m_table = nullptr;
    ContactListView* m_list = nullptr;
    std::unique_ptr<TextWidthMeter> m_meter;
    FindBar* m_findBar = nullptr;
    QPointer<QWidget> m_focusBeforeFind;
    TextEncoding m_bookEncoding = TextEncoding::Utf8;
    BookStamp m_bookStamp;                 // what the window last read from or wrote to the book
    std::unique_ptr<BookLock> m_lock;      // held while the window is open
    // Why the book found at opening must not be replaced (unreadable, not a book, too big);
    // empty when saving may replace it.
    std::string m_refusedBook;
    bool m_centred = false;
    bool m_closing = false;
    bool m_saving = false;
    bool m_unattended = false; // no box may wait for an answer any more
    bool m_ended = false;
    bool m_loaded = false;     // the list holds the book
    bool m_endPending = false; // an unattended end came while the window was opening
};

} // namespace qor
