// Loading the book into the list when the window opens, and writing the list back: the session
// reads and writes, the window asks and tells.
#include "book_window.h"

#include "field_table.h"
#include "list_transfer.h"
#include "merge_note.h"
#include "wide_text.h"
#include "window_texts.h"

namespace qor {

namespace {
std::string nameOf(const std::filesystem::path& path) { return pathText(path.filename()); }
} // namespace

void BookWindow::loadBook()
{
    readForm();
    SetWindowTextW(m_window, (L"QOR: " + m_session->bookPath().filename().wstring()).c_str());
    const LoadReport report = m_session->load();
    m_list->autosizeColumns();
    showForm();
    // Told once the window is there to be seen behind the box (tellAfterOpening).
    if (report.refusal)
        m_toldAfterOpening.push_back(bookRefusedText(*report.refusal, nameOf(m_session->bookPath()))
                                     + (report.reason.empty() ? std::string() : "\n\n" + report.reason));
    // However many fields are over the limit, the user is told once.
    if (report.longFieldContacts > 0)
        m_toldAfterOpening.push_back(
            fieldTooLongText(fieldInfo(*report.firstLongField).spokenName, report.longFieldContacts));
}

void BookWindow::tellAfterOpening()
{
    for (const std::string& text : m_toldAfterOpening)
        tell(text, MB_ICONWARNING);
    m_toldAfterOpening.clear();
}

SaveOutcome BookWindow::saveBook()
{
    readForm();
    return answered(m_session->save(SaveMode::Attended));
}

SaveOutcome BookWindow::answered(SaveResult result)
{
    if (result.outcome == SaveOutcome::Conflict) {
        // Another window or program changed the book: neither side is lost unless the user
        // chooses so. A message box has three buttons of its own, which the text names.
        const std::string choices = result.canMerge
                                      ? "\n\nYes: merge.\nNo: overwrite the book with this window's contacts."
                                        "\nCancel: go back to the window."
                                      : "\n\nYes: save beside it.\nNo: overwrite the book with this window's "
                                        "contacts.\nCancel: go back to the window.";
        const std::string text =
            bookChangedText(result.canMerge, otherSideChanges(result.account), nameOf(result.beside)) + choices;
        const int answer = MessageBoxW(m_window, toWide(text).c_str(), L"QOR", MB_YESNOCANCEL | MB_ICONWARNING);
        const ConflictChoice choice = answer == IDYES  ? (result.canMerge ? ConflictChoice::Merge
                                                                          : ConflictChoice::SaveBeside)
                                    : answer == IDNO ? ConflictChoice::Overwrite
                                                     : ConflictChoice::GoBack;
        result = m_session->answerConflict(choice);
    }
    if (result.outcome == SaveOutcome::Failed)
        tell("Save to File\n\n" + result.error, 0, L"Error Writing File");
    if (result.outcome == SaveOutcome::SavedBeside && result.rescued)
        tell(listRescuedText(pathText(result.beside)));
    if (!result.keptOld.empty())
        tell(oldBookKeptText(result.unreadLines, nameOf(result.keptOld)));
    if (result.merged) {
        m_list->autosizeColumns(); // the list now holds the other side's contacts too
        const std::string note = mergeNote(result.account, result.mergeBaseUnknown);
        if (!note.empty())
            tell(mergeToldText(note));
    }
    // A history that takes no save is told once a window; a damaged one set aside, each time.
    const bool failed = !result.historyError.empty() && !m_historyFailureTold;
    if (failed || !result.historySetAside.empty()) {
        m_historyFailureTold = m_historyFailureTold || failed;
        tell(historyTroubleText(failed ? result.historyError : std::string(),
                                result.historySetAside.empty() ? std::string() : nameOf(result.historySetAside)));
    }
    return result.outcome;
}

} // namespace qor
