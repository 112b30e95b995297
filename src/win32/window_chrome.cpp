// The window's chrome: the system menu's items and their keys, the icon, the minimised window's
// painting and the About box (dialog template 100).
#include "book_window.h"

#include "control_ids.h"

namespace qor {

namespace {

constexpr int kAboutDialog = 100;

struct MenuItem {
    int command;
    const wchar_t* text;
    WORD key; // with Ctrl; 0 for none
};

// The Linux window's keys, on the same letters.
constexpr MenuItem kMenuItems[] = {
    {kUndoCommand, L"&Undo\tCtrl+Z", 'Z'},
    {kRedoCommand, L"&Redo\tCtrl+Y", 'Y'},
    {kFindCommand, L"&Find...\tCtrl+F", 'F'},
    {kImportCommand, L"&Import...\tCtrl+I", 'I'},
    {kExportCommand, L"&Export...\tCtrl+E", 'E'},
    {kUpcomingCommand, L"Upcoming &dates...\tCtrl+D", 'D'},
    {kHistoryCommand, L"&History...", 0},
    {kReloadCommand, L"Re&load from disk", 0},
};

INT_PTR CALLBACK aboutProc(HWND box, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG)
        return TRUE;
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(box, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

} // namespace

void BookWindow::addChrome()
{
    if (HMENU menu = GetSystemMenu(m_window, FALSE)) {
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        for (const MenuItem& item : kMenuItems)
            AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(item.command), item.text);
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, MF_STRING, kAboutCommand, L"&About QOR...");
    }
    std::vector<ACCEL> keys;
    for (const MenuItem& item : kMenuItems)
        if (item.key != 0)
            keys.push_back(ACCEL{FVIRTKEY | FCONTROL, item.key, static_cast<WORD>(item.command)});
    keys.push_back(ACCEL{FVIRTKEY | FCONTROL | FSHIFT, 'Z', kRedoCommand});
    m_keys = CreateAcceleratorTableW(keys.data(), static_cast<int>(keys.size()));
    SendMessageW(m_window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    SendMessageW(m_window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));
}

void BookWindow::paintMinimised()
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_window, &paint);
    SendMessageW(m_window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    const int width = GetSystemMetrics(SM_CXICON);
    const int height = GetSystemMetrics(SM_CYICON);
    RECT client;
    GetClientRect(m_window, &client);
    DrawIcon(dc, (client.right - width + 1) / 2, (client.bottom - height + 1) / 2, m_icon);
    EndPaint(m_window, &paint);
}

void BookWindow::showAbout()
{
    DialogBoxParamW(m_instance, MAKEINTRESOURCEW(kAboutDialog), m_window, aboutProc, 0);
}

} // namespace qor
