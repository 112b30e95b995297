#pragma once

#include "book_session.h"
#include "contact_list.h"
#include "text_meter.h"

#include <windows.h>

#include <array>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace qor {

// The window's commands beyond its buttons, on the system menu and on the keys of the Linux
// window. System-menu commands keep their low four bits zero; the keys send the same numbers.
enum WindowCommand : int {
    kAboutCommand = 0x0010,
    kImportCommand = 0x0020,
    kExportCommand = 0x0030,
    kUpcomingCommand = 0x0040,
    kHistoryCommand = 0x0050,
    kReloadCommand = 0x0060,
    kUndoCommand = 0x0070,
    kRedoCommand = 0x0080,
    kFindCommand = 0x0090,
};

// The main window, dialog template 102, thin over the session: each control's event becomes a
// session call, each result what the user sees. One object per run of the program.
class BookWindow {
public:
    explicit BookWindow(std::filesystem::path bookPath);
    ~BookWindow();
    BookWindow(const BookWindow&) = delete;
    BookWindow& operator=(const BookWindow&) = delete;

    // Opens the window and runs it until it is closed (the book saved); the process's exit code.
    int run(HINSTANCE instance);

private:
    static INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR handle(UINT message, WPARAM wParam, LPARAM lParam);
    bool initialise(); // false: the user chose not to open a book another window has open
    void command(int id);
    HWND control(int id) const { return GetDlgItem(m_window, id); }

    // The form's exchange with the session's form record (form_exchange.cpp).
    void prepareControls();
    void showForm();
    bool readForm();

    // The commands: readForm, the session's step, showForm.
    void add();
    void update();
    void remove();
    void clearForm();
    void save();
    void openHelpPage();
    void listClicked();
    void undo();
    void redo();
    void showListChange();
    bool markedRowIsHidden() const;
    void accept();
    void close();
    void endSession();

    // Loading and saving, and what the user is told (book_persistence.cpp).
    void loadBook();
    SaveOutcome saveBook();
    SaveOutcome answered(SaveResult result);
    void tellAfterOpening();

    // The system menu, its keys, the About box and the icon (window_chrome.cpp).
    void addChrome();
    void paintMinimised();
    void showAbout();

    // Find, import, export and upcoming dates (window_tools.cpp).
    void find();
    void importContacts();
    void exportContacts();
    void showUpcoming();
    void reloadFromDisk();
    // The book's saved states, and restoring one or a contact of one (history_box.cpp).
    struct HistoryBox;
    struct UpcomingBox;
    void showHistory();

    void tell(const std::string& text, UINT icon = MB_ICONINFORMATION, const wchar_t* caption = L"QOR");

    std::unique_ptr<BookSession> m_session;
    ContactRecord& m_form;
    HINSTANCE m_instance = nullptr;
    HWND m_window = nullptr;
    HICON m_icon = nullptr;
    HACCEL m_keys = nullptr;
    std::unique_ptr<ContactList> m_list;
    std::unique_ptr<TextMeter> m_meter;
    // What each field was last given by showForm: a text over the limit that came from the book
    // is read back whole; only one the user typed is held to the limit.
    std::array<std::wstring, kFieldCount> m_shown;
    std::string m_findText;
    std::vector<std::string> m_toldAfterOpening; // what opening the book found
    bool m_quitAtStart = false;
    bool m_ended = false;
    bool m_closing = false;
    bool m_historyFailureTold = false;
};

} // namespace qor
