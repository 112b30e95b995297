// The form's exchange with the session's form record: showForm puts the record into the
// controls, readForm takes the controls' texts back, in exchange order, stopping at a field the
// user typed over the limit.
#include "book_window.h"

#include "combo_entries.h"
#include "field_table.h"
#include "form_rules.h"
#include "wide_text.h"

#include <array>
#include <string_view>

namespace qor {

namespace {

std::wstring windowText(HWND control)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

// Widens each label whose text the font draws wider than the template's width: the template's
// widths were measured in another font, and a static control wraps or clips its text.
void widenLabelsToText(HWND window)
{
    HDC dc = GetDC(window);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        std::array<wchar_t, 16> kind{};
        GetClassNameW(child, kind.data(), static_cast<int>(kind.size()));
        if (std::wstring_view(kind.data()) != L"Static" || (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            continue;
        const std::wstring text = windowText(child);
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        RECT place{};
        GetWindowRect(child, &place);
        if (size.cx > place.right - place.left)
            SetWindowPos(child, nullptr, 0, 0, size.cx, place.bottom - place.top,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    SelectObject(dc, old);
    ReleaseDC(window, dc);
}

} // namespace

void BookWindow::prepareControls()
{
    widenLabelsToText(m_window);
    // The framework's step: the combo boxes receive their entries, and typing, pasting or
    // dropping into a field gives at most the limit.
    for (const FieldInfo& info : fieldTable()) {
        HWND box = control(info.controlId);
        if (info.kind == ControlKind::Edit) {
            SendMessageW(box, EM_LIMITTEXT, kMaxFieldChars, 0);
        } else if (info.kind == ControlKind::Combo) {
            for (const std::string& entry : comboEntriesInListOrder(info.controlId))
                SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(toWide(entry).c_str()));
            SendMessageW(box, CB_LIMITTEXT, kMaxFieldChars, 0);
        }
    }
}

void BookWindow::showForm()
{
    for (ContactField field : exchangeOrder()) {
        const FieldInfo& info = fieldInfo(field);
        // A combo box shows the first of its entries the text begins, as its own prefix search
        // would choose it.
        std::wstring shown = toWide(shownText(field, m_form[field]));
        HWND box = control(info.controlId);
        if (info.kind == ControlKind::Combo)
            SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        SetWindowTextW(box, shown.c_str());
        m_shown[columnOf(field)] = std::move(shown);
    }
}

bool BookWindow::readForm()
{
    for (ContactField field : exchangeOrder()) {
        HWND box = control(fieldInfo(field).controlId);
        const std::wstring typed = windowText(box);
        std::string text = toUtf8(typed);
        flattenLineEnds(text); // a pasted line end must not end a line of the book
        m_form.setText(columnOf(field), text);
        if (exceedsFieldLimit(text) && typed != m_shown[columnOf(field)]) {
            tell("Enter no more than " + std::to_string(kMaxFieldChars) + " characters in \""
                     + std::string(fieldInfo(field).spokenName) + "\".",
                 MB_ICONWARNING);
            SetFocus(box);
            SendMessageW(box, fieldInfo(field).kind == ControlKind::Edit ? EM_SETSEL : CB_SETEDITSEL, 0,
                         fieldInfo(field).kind == ControlKind::Edit ? -1 : MAKELPARAM(0, -1));
            return false;
        }
    }
    return true;
}

} // namespace qor
