// Find, Import, Export, Upcoming dates and Reload from disk: the session does the work, the
// window asks for a file or a text and tells what came of it.
#include "book_window.h"

#include "date_rules.h"
#include "list_transfer.h"
#include "upcoming_dates.h"
#include "wide_text.h"
#include "window_box_ids.h"
#include "window_texts.h"

#include <commdlg.h>

#include <array>

namespace qor {

namespace {

constexpr int kFindBox = QOR_FIND_BOX;
constexpr int kFindEdit = QOR_FIND_EDIT;
constexpr int kShowAllButton = QOR_SHOW_ALL_BUTTON;
constexpr int kUpcomingBox = QOR_UPCOMING_BOX;
constexpr int kUpcomingHeading = QOR_UPCOMING_HEADING;
constexpr int kUpcomingList = QOR_UPCOMING_LIST;
constexpr int kShowContactButton = QOR_SHOW_CONTACT_BUTTON;

// In the order of the file chooser's filter below; a name typed without an ending gets ".vcf".
constexpr std::array<ExchangeFormat, 6> kExportFormats{ExchangeFormat::VCard4,    ExchangeFormat::VCard3,
                                                       ExchangeFormat::QorCsv,    ExchangeFormat::GoogleCsv,
                                                       ExchangeFormat::OutlookCsv, ExchangeFormat::ICalendar};
constexpr wchar_t kExportFilter[] = L"vCard 4.0 (*.vcf)\0*.vcf\0vCard 3.0 (*.vcf)\0*.vcf\0QOR CSV (*.csv)\0*.csv\0"
                                    L"Google CSV (*.csv)\0*.csv\0Outlook CSV (*.csv)\0*.csv\0"
                                    L"Calendar of birthdays and anniversaries (*.ics)\0*.ics\0";
constexpr wchar_t kImportFilter[] = L"vCard (*.vcf)\0*.vcf\0CSV (*.csv)\0*.csv\0All files\0*.*\0";

struct FindBoxState {
    std::wstring text;
    bool showAll = false;
};

INT_PTR CALLBACK findBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* state = reinterpret_cast<FindBoxState*>(GetWindowLongPtrW(box, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(box, DWLP_USER, lParam);
        SetDlgItemTextW(box, kFindEdit, reinterpret_cast<FindBoxState*>(lParam)->text.c_str());
        return TRUE; // the focus goes to the field, its text selected
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: {
            HWND edit = GetDlgItem(box, kFindEdit);
            state->text.resize(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1);
            state->text.resize(static_cast<std::size_t>(
                GetWindowTextW(edit, state->text.data(), static_cast<int>(state->text.size()))));
            EndDialog(box, IDOK);
            return TRUE;
        }
        case kShowAllButton:
            state->showAll = true;
            EndDialog(box, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(box, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

// The file the user chose, or an empty path.
std::filesystem::path chooseFile(HWND owner, bool save, const wchar_t* filter, DWORD& filterIndex)
{
    std::array<wchar_t, 4096> name{};
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter;
    dialog.nFilterIndex = filterIndex;
    dialog.lpstrFile = name.data();
    dialog.nMaxFile = static_cast<DWORD>(name.size());
    dialog.Flags = OFN_NOCHANGEDIR | (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    dialog.lpstrDefExt = save ? L"vcf" : nullptr;
    const BOOL chosen = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    filterIndex = dialog.nFilterIndex;
    return chosen ? std::filesystem::path(name.data()) : std::filesystem::path();
}

std::string contactsText(std::size_t count) { return std::to_string(count) + (count == 1 ? " contact" : " contacts"); }

} // namespace

// Upcoming dates: one line a date (tab-separated: date, occasion, name, years).
struct BookWindow::UpcomingBox {
    BookWindow& window;
    std::vector<UpcomingDate> dates;

    void showContact(HWND box)
    {
        const auto line = static_cast<int>(SendDlgItemMessageW(box, kUpcomingList, LB_GETCURSEL, 0, 0));
        if (line < 0 || static_cast<std::size_t>(line) >= dates.size())
            return;
        window.readForm();
        window.m_session->mark().set(static_cast<int>(dates[static_cast<std::size_t>(line)].row));
        window.m_list->showMark();
        window.m_session->showMarked();
        window.showForm();
    }

    static INT_PTR CALLBACK proc(HWND box, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrW(box, DWLP_USER, lParam);
            const auto& self = *reinterpret_cast<UpcomingBox*>(lParam);
            const std::string days = std::to_string(kDefaultUpcomingDays);
            SetDlgItemTextW(box, kUpcomingHeading,
                            toWide(self.dates.empty() ? "No birthdays or anniversaries in the next " + days + " days."
                                                      : "Birthdays and anniversaries in the next " + days + " days:")
                                .c_str());
            // The columns of a line, in dialog units: occasion, name, years.
            const INT columns[] = {46, 94, 210};
            SendDlgItemMessageW(box, kUpcomingList, LB_SETTABSTOPS, std::size(columns),
                                reinterpret_cast<LPARAM>(columns));
            for (const UpcomingDate& date : self.dates)
                SendDlgItemMessageW(box, kUpcomingList, LB_ADDSTRING, 0,
                                    reinterpret_cast<LPARAM>(toWide(upcomingLine(date)).c_str()));
            SendDlgItemMessageW(box, kUpcomingList, LB_SETCURSEL, 0, 0);
            EnableWindow(GetDlgItem(box, kShowContactButton), !self.dates.empty());
            return TRUE;
        }
        auto* self = reinterpret_cast<UpcomingBox*>(GetWindowLongPtrW(box, DWLP_USER));
        if (!self || message != WM_COMMAND)
            return FALSE;
        const int id = LOWORD(wParam);
        if (id == kShowContactButton || (id == kUpcomingList && HIWORD(wParam) == LBN_DBLCLK)) {
            self->showContact(box);
            return TRUE;
        }
        if (id == IDCANCEL || id == IDOK) {
            EndDialog(box, id);
            return TRUE;
        }
        return FALSE;
    }
};

void BookWindow::find()
{
    readForm();
    FindBoxState state{toWide(m_findText), false};
    if (DialogBoxParamW(m_instance, MAKEINTRESOURCEW(kFindBox), m_window, findBoxProc,
                        reinterpret_cast<LPARAM>(&state))
        != IDOK)
        return;
    m_findText = state.showAll ? std::string() : toUtf8(state.text);
    m_list->filter(m_findText);
    const std::wstring caption = L"QOR: " + m_session->bookPath().filename().wstring();
    SetWindowTextW(m_window, m_list->filtering() ? (caption + L" (find: " + toWide(m_findText) + L")").c_str()
                                                 : caption.c_str());
    showForm();
}

void BookWindow::importContacts()
{
    readForm();
    DWORD filterIndex = 1;
    const std::filesystem::path file = chooseFile(m_window, false, kImportFilter, filterIndex);
    if (file.empty())
        return;
    const TransferOutcome outcome = importIntoList(*m_session, file);
    if (outcome.ok) {
        m_list->autosizeColumns();
        showForm();
    }
    std::string text = outcome.ok ? "Imported " + contactsText(outcome.count) + "." : std::string();
    if (!outcome.message.empty())
        text += (text.empty() ? "" : "\n\n") + outcome.message;
    tell(text, outcome.ok ? MB_ICONINFORMATION : MB_ICONWARNING);
}

void BookWindow::exportContacts()
{
    readForm();
    DWORD filterIndex = 1;
    std::filesystem::path file = chooseFile(m_window, true, kExportFilter, filterIndex);
    if (file.empty())
        return;
    const ExchangeFormat format =
        kExportFormats[std::min<std::size_t>(filterIndex ? filterIndex - 1 : 0, kExportFormats.size() - 1)];
    const TransferOutcome outcome = exportList(*m_session, file, format);
    tell(outcome.ok ? "Wrote " + contactsText(outcome.count) + " to " + pathText(file) : outcome.message,
         outcome.ok ? MB_ICONINFORMATION : MB_ICONWARNING);
}

void BookWindow::showUpcoming()
{
    readForm();
    const ContactStore& store = m_session->store();
    ContactRecord record;
    UpcomingBox upcoming{*this,
                         upcomingDates(
                             static_cast<std::size_t>(store.rowCount()),
                             [&](std::size_t row) -> const ContactRecord& {
                                 store.copyRecord(static_cast<int>(row), record);
                                 return record;
                             },
                             localToday(), kDefaultUpcomingDays)};
    DialogBoxParamW(m_instance, MAKEINTRESOURCEW(kUpcomingBox), m_window, &UpcomingBox::proc,
                    reinterpret_cast<LPARAM>(&upcoming));
}

void BookWindow::reloadFromDisk()
{
    readForm();
    const ReloadResult reloaded = m_session->reloadFromDisk();
    if (!reloaded.ok) {
        tell(reloadFailedText(reloaded.error), MB_ICONWARNING);
        return;
    }
    showListChange();
}

} // namespace qor
