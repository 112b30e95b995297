// The window's life and its message table: which message, control or key runs which command.
// Every command reads the form, does its work and shows the form again.
#include "book_window.h"

#include "control_ids.h"
#include "wide_text.h"
#include "window_texts.h"

#include <windowsx.h>

#include <string_view>

namespace qor {

namespace {

constexpr int kBookDialog = 102;

// Ctrl+Z in a field that has a typing of its own to undo: the field takes it, as in the Qt
// window; the list's Undo is the window's when the field has nothing to undo.
bool isFieldUndoKey(const MSG& message)
{
    if (message.message != WM_KEYDOWN || message.wParam != 'Z' || GetKeyState(VK_CONTROL) >= 0
        || GetKeyState(VK_SHIFT) < 0)
        return false;
    wchar_t kind[16] = {};
    GetClassNameW(message.hwnd, kind, 16);
    return std::wstring_view(kind) == L"Edit" && SendMessageW(message.hwnd, EM_CANUNDO, 0, 0) != 0;
}

struct CommandEntry {
    int id;
    void (BookWindow::*handler)();
};

} // namespace

BookWindow::BookWindow(std::filesystem::path bookPath)
    : m_session(std::make_unique<BookSession>(std::move(bookPath))), m_form(m_session->form)
{
}

BookWindow::~BookWindow()
{
    m_list.reset(); // it observes the session's store
    if (m_keys)
        DestroyAcceleratorTable(m_keys);
}

int BookWindow::run(HINSTANCE instance)
{
    m_instance = instance;
    m_icon = LoadIconW(instance, MAKEINTRESOURCEW(128));
    // Modeless under a loop of its own, which runs modally all the same: the loop gives the
    // window's keys (Ctrl+Z, Ctrl+F...) to the window before a control sees them.
    m_window = CreateDialogParamW(instance, MAKEINTRESOURCEW(kBookDialog), nullptr, &BookWindow::dialogProc,
                                  reinterpret_cast<LPARAM>(this));
    if (!m_window)
        return 1;
    if (m_quitAtStart) {
        m_ended = true; // nothing was read, so nothing is written
        DestroyWindow(m_window);
    } else {
        ShowWindow(m_window, SW_SHOW);
        UpdateWindow(m_window);
        tellAfterOpening();
    }
    MSG message;
    while (!m_ended && GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (m_keys && !isFieldUndoKey(message) && TranslateAcceleratorW(m_window, m_keys, &message))
            continue;
        if (!IsDialogMessageW(m_window, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return 0;
}

INT_PTR CALLBACK BookWindow::dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<BookWindow*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        self->m_window = window;
        self->m_quitAtStart = !self->initialise();
        return FALSE; // initialise put the focus in "Surname"
    }
    auto* self = reinterpret_cast<BookWindow*>(GetWindowLongPtrW(window, DWLP_USER));
    return self ? self->handle(message, wParam, lParam) : FALSE;
}

INT_PTR BookWindow::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED || HIWORD(wParam) == 1 /* a key */) {
            command(LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) < 0xF000) {
            command(static_cast<int>(wParam & 0xFFF0));
            return TRUE;
        }
        return FALSE;
    case WM_NOTIFY: {
        const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
        if (header.idFrom != static_cast<UINT_PTR>(kContactList) || !m_list)
            return FALSE;
        if (header.code == NM_CLICK) {
            listClicked();
            SetWindowLongPtrW(m_window, DWLP_MSGRESULT, 0);
            return TRUE;
        }
        LRESULT result = 0;
        if (!m_list->notify(header, result))
            return FALSE;
        SetWindowLongPtrW(m_window, DWLP_MSGRESULT, result);
        return TRUE;
    }
    case WM_PAINT:
        if (!IsIconic(m_window))
            return FALSE;
        paintMinimised();
        return TRUE;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(m_icon);
    case WM_CLOSE:
        close();
        return TRUE;
    case WM_ENDSESSION:
        if (wParam)
            endSession();
        return TRUE;
    case WM_DESTROY:
        m_ended = true;
        PostQuitMessage(0);
        return FALSE;
    default:
        return FALSE;
    }
}

void BookWindow::command(int id)
{
    static constexpr CommandEntry kCommands[] = {
        {kAddButton, &BookWindow::add},
        {kUpdateButton, &BookWindow::update},
        {kDeleteButton, &BookWindow::remove},
        {kSaveButton, &BookWindow::save},
        {kClearButton, &BookWindow::clearForm},
        {kHelpButton, &BookWindow::openHelpPage},
        {kOkButton, &BookWindow::accept},
        {IDCANCEL, &BookWindow::close}, // Escape and the system menu's Close
        {kAboutCommand, &BookWindow::showAbout},
        {kUndoCommand, &BookWindow::undo},
        {kRedoCommand, &BookWindow::redo},
        {kFindCommand, &BookWindow::find},
        {kImportCommand, &BookWindow::importContacts},
        {kExportCommand, &BookWindow::exportContacts},
        {kUpcomingCommand, &BookWindow::showUpcoming},
        {kReloadCommand, &BookWindow::reloadFromDisk},
        {kHistoryCommand, &BookWindow::showHistory},
    };
    for (const CommandEntry& entry : kCommands) {
        if (entry.id == id) {
            (this->*entry.handler)();
            return;
        }
    }
}

bool BookWindow::initialise()
{
    HWND list = control(kContactList);
    m_list = std::make_unique<ContactList>(list, m_session->store(), m_session->mark());
    // Cells are measured in the list's font, with the margins a report list draws around a text.
    m_meter = std::make_unique<TextMeter>(reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)), 12);
    m_session->store().setMeasure([meter = m_meter.get()](std::string_view text) { return (*meter)(text); });
    prepareControls();
    showForm();
    m_list->autosizeColumns();
    readForm();
    showForm();
    if (m_session->lockBook() == BookLock::State::HeldElsewhere) {
        const int answer = MessageBoxW(
            m_window,
            L"The contact book is already open in another QOR window.\n\n"
            L"Yes: open it anyway; a window that saves after the other merges the other's changes with its own, "
            L"so neither window's contacts are lost.\nNo: QOR ends here and leaves the book as it is.",
            L"QOR", MB_YESNO | MB_ICONWARNING);
        if (answer != IDYES)
            return false;
    }
    loadBook();
    addChrome();
    SetFocus(control(kSurnameEdit));
    return true;
}

// Add, Update, Delete and Save read the form twice, as the Qt window does: once for the command
// and once for the list's own step, so a typed field over the limit is told of twice, and the
// command goes on all the same. Delete shows the form twice likewise.
void BookWindow::add()
{
    readForm();
    readForm();
    m_session->add();
    m_list->autosizeColumns();
    m_list->showMark();
    showForm();
}

bool BookWindow::markedRowIsHidden() const
{
    // Update and Delete act on the marked row only when the user can see it: a row find hides
    // is left alone.
    return m_list->filtering() && m_list->listRow(m_session->mark().row()) < 0;
}

void BookWindow::update()
{
    readForm();
    if (markedRowIsHidden())
        return;
    readForm();
    m_session->update();
    m_list->autosizeColumns();
    showForm();
}

void BookWindow::remove()
{
    readForm();
    if (markedRowIsHidden())
        return;
    readForm();
    m_session->remove();
    showForm();
    showForm();
}

void BookWindow::clearForm()
{
    readForm();
    m_session->clearForm();
    showForm();
}

void BookWindow::save()
{
    readForm();
    saveBook();
    showForm();
}

void BookWindow::listClicked()
{
    readForm();
    m_list->takeSelectionMark();
    m_session->showMarked();
    showForm();
}

void BookWindow::undo()
{
    readForm();
    if (m_session->undo())
        showListChange();
}

void BookWindow::redo()
{
    readForm();
    if (m_session->redo())
        showListChange();
}

void BookWindow::showListChange()
{
    m_list->autosizeColumns();
    m_list->showMark();
    showForm();
}

void BookWindow::accept()
{
    if (readForm())
        close();
}

void BookWindow::close()
{
    // Closing writes the book, whichever way the window is closed. When that fails the user has
    // seen why and chooses: close and lose the changes, or stay and put it right.
    if (m_closing || m_ended)
        return;
    if (!m_session->nothingToSaveOnClose()) {
        m_closing = true;
        const SaveOutcome outcome = saveBook();
        m_closing = false;
        if (outcome == SaveOutcome::WentBack)
            return;
        if (outcome == SaveOutcome::Failed
            && MessageBoxW(m_window, toWide(closeWithoutSavingText()).c_str(), L"QOR",
                           MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION)
                   != IDYES)
            return;
    }
    DestroyWindow(m_window);
}

void BookWindow::endSession()
{
    // Windows is ending: nobody is there to answer a question, so a save that would ask keeps
    // both sides by writing the list beside the book.
    if (m_ended || m_session->nothingToSaveOnClose())
        return;
    SaveResult result = m_session->save(SaveMode::Unattended);
    if (result.outcome == SaveOutcome::Failed)
        m_session->saveBeside();
    m_ended = true;
}

void BookWindow::tell(const std::string& text, UINT icon, const wchar_t* caption)
{
    MessageBoxW(m_window, toWide(text).c_str(), caption, MB_OK | icon);
}

} // namespace qor
