#pragma once

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

    // Find: the field along the bottom that filters the list as the user types. Opening it
    // puts the focus in it; closing it clears the query and gives the focus back.
    void openFind();
    void closeFind();
    QLineEdit* findField() const;
    FindBar& findBar() const { return *m_findBar; }

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
    void buildFindBar();
    void findQueryChanged(const QString& text);
    void findEntered();
    void showFindCounts();
    void initialise();
    QLineEdit* editFor(ContactField field) const;
    void putInControl(QLineEdit* edit, const std::string& text, const QString& shown);
    std::string takeFromControl(QLineEdit* edit) const;
    QComboBox* comboFor(ContactField field) const;

    std::filesystem::path m_bookPath;
    std::unique_ptr<UserMessages> m_messages;
    ChromeStep m_chrome;
    QHash<int, QWidget*> m_controls;
    QHash<const QLineEdit*, std::string> m_heldTexts; // fields too long to show whole
    ContactTable* m_table = nullptr;
    ContactListView* m_list = nullptr;
    std::unique_ptr<TextWidthMeter> m_meter;
    FindBar* m_findBar = nullptr;
    QPointer<QWidget> m_focusBeforeFind;
    TextEncoding m_bookEncoding = TextEncoding::Utf8;
    bool m_bookUnreadable = false;
    bool m_centred = false;
    bool m_closing = false;
};

} // namespace qor
