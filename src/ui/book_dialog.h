#pragma once

#include "book_text.h"
#include "contact_record.h"
#include "user_messages.h"

#include <QDialog>
#include <QHash>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace qor {

class ContactListView;
class ContactTable;
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

    // The book file.
    void loadBook();
    bool saveBook();

    // The commands, as the buttons run them.
    void add();
    void update();
    void remove();
    void save();
    void clearForm();
    void openHelpPage();
    void listClicked();

    QWidget* control(int id) const { return m_controls.value(id); }
    ContactTable& table() const { return *m_table; }
    ContactListView& list() const { return *m_list; }
    UserMessages& messages() const { return *m_messages; }

    void accept() override;
    void done(int result) override;

    // The column width every column gets when sized: the larger of its widest text and heading.
    int columnWidthFor(int column) const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildFromTemplate();
    void wireCommands();
    void initialise();
    QLineEdit* editFor(ContactField field) const;
    void putInControl(QLineEdit* edit, const std::string& text, const QString& shown);
    void takeFromControl(QLineEdit* edit, ContactField field);
    QComboBox* comboFor(ContactField field) const;

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
    TextEncoding m_bookEncoding = TextEncoding::Utf8;
    // Why the book found at opening must not be replaced (unreadable, not a book, too big);
    // empty when saving may replace it.
    std::string m_refusedBook;
    bool m_centred = false;
    bool m_closing = false;
};

} // namespace qor
