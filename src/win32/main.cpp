// qor.exe: the contact book qor.qor in the working folder, in the Win32 window.
#include "book_window.h"

#include <windows.h>

#include <commctrl.h>

#include <filesystem>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    std::error_code error;
    std::filesystem::path folder = std::filesystem::current_path(error);
    qor::BookWindow window(folder / L"qor.qor");
    return window.run(instance);
}
