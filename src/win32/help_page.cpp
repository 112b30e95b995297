// The Help button: the help page installed beside qor.exe, or the packager's web address,
// opened by the shell in the user's browser.
#include "book_window.h"

#include "wide_text.h"

#include <shellapi.h>

#ifndef QOR_HELP_URL
#define QOR_HELP_URL ""
#endif

namespace qor {

namespace {

std::wstring helpPageAddress()
{
    if (const std::string_view configured = QOR_HELP_URL; !configured.empty())
        return toWide(configured);
    std::wstring program(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size()));
        if (length < program.size()) {
            program.resize(length);
            break;
        }
        program.resize(program.size() * 2);
    }
    return (std::filesystem::path(program).parent_path() / L"help.htm").wstring();
}

} // namespace

void BookWindow::openHelpPage()
{
    readForm();
    const std::wstring page = helpPageAddress();
    // ShellExecute tells of a failure with a value of 32 or less.
    const auto opened = reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", page.c_str(), nullptr, nullptr,
                                                                SW_SHOWNORMAL));
    if (opened <= 32)
        tell("The help page could not be opened: this desktop has no program to show it.\n\nOpen it in a web "
             "browser: "
             + toUtf8(page));
    showForm();
}

} // namespace qor
