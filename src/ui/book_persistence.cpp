// Loading the book into the list when the window opens, and writing the list back: the
// session reads and writes, the window asks and tells.
#include "book_dialog.h"

#include "merge_note.h"
#include "user_messages.h"

#include <QScopedValueRollback>
#include <cstdio>

namespace qor {

namespace {
QString nameOf(const std::filesystem::path& path) { return QString::fromStdU16String(path.filename().u16string()); }
} // namespace

void BookDialog::loadBook()
{
    readForm();
    setWindowTitle(QStringLiteral("QOR: ") + nameOf(bookPath()));
    const LoadReport report = m_session->load();
    autosizeColumns();
    showForm();

    if (report.refusal)
        m_messages->bookRefused(this, *report.refusal, QString::fromStdString(bookPath().filename().string()),
                                QString::fromStdString(report.reason));
    // However many fields are over the limit, the user is told once.
    if (report.longFieldContacts > 0)
        m_messages->fieldTooLong(this, fieldName(*report.firstLongField), report.longFieldContacts);
}

BookDialog::SaveOutcome BookDialog::saveBook()
{
    const QScopedValueRollback saving(m_saving, true);
    // An unattended save writes the list as it stands; reading the form could bring up a box.
    if (!m_unattended)
        readForm();
    return answered(m_session->save(saveMode()));
}

BookDialog::SaveOutcome BookDialog::answered(SaveResult result)
{
    if (result.outcome == SaveOutcome::Conflict) {
        // Another window or program changed the book: neither side is lost unless the user
        // chooses so, and nobody is there to choose once an unattended end has come.
        const ConflictChoice unanswered = result.canMerge ? ConflictChoice::Merge : ConflictChoice::SaveBeside;
        ConflictChoice choice = unanswered;
        if (!m_unattended)
            choice = m_messages->bookChanged(
                this, BookChange{nameOf(result.beside), result.canMerge,
                                 QString::fromStdString(otherSideChanges(result.account))});
        if (m_unattended) // the end came while the box was open
            choice = unanswered;
        result = m_session->answerConflict(choice);
    }
    if (result.outcome == SaveOutcome::Failed && !m_unattended) {
        m_messages->saveFailed(this, QString::fromStdString(result.error));
        // The end came while the box was open: nobody can put it right now, so the list goes
        // beside the book rather than nowhere.
        if (m_unattended && m_session->saveBeside().outcome == SaveOutcome::SavedBeside)
            return SaveOutcome::SavedBeside;
    }
    if (result.outcome == SaveOutcome::SavedBeside && result.rescued) {
        const QString path = QString::fromStdU16String(result.beside.u16string());
        if (m_unattended)
            std::fprintf(stderr, "qor: %s\n", qPrintable(listRescuedText(path)));
        else
            m_messages->listRescued(this, path);
    }
    if (!result.keptOld.empty()) {
        if (m_unattended)
            std::fprintf(stderr, "qor: %s\n", qPrintable(oldBookKeptText(result.unreadLines, nameOf(result.keptOld))));
        else
            m_messages->oldBookKept(this, result.unreadLines, nameOf(result.keptOld));
    }
    if (result.merged) {
        if (!m_unattended)
            autosizeColumns(); // the list now holds the other side's contacts too
        tellMerge(result);
    }
    tellHistory(result);
    return result.outcome;
}

void BookDialog::tellMerge(const SaveResult& result)
{
    // The list now holds both sides; what needs a word is where they met.
    const QString note = QString::fromStdString(mergeNote(result.account, result.mergeBaseUnknown));
    if (note.isEmpty())
        return;
    if (m_unattended)
        std::fprintf(stderr, "qor: %s\n", qPrintable(note));
    else
        m_messages->mergeTold(this, note);
}

void BookDialog::tellHistory(const SaveResult& result)
{
    // A damaged history set aside is told each time it happens (once for each such file); a
    // history that takes no save is told once a window, not at every save after.
    const bool failed = !result.historyError.empty() && !m_historyFailureTold;
    if (!failed && result.historySetAside.empty())
        return;
    m_historyFailureTold = m_historyFailureTold || failed;
    const QString error = failed ? QString::fromStdString(result.historyError) : QString();
    const QString setAside = result.historySetAside.empty() ? QString() : nameOf(result.historySetAside);
    if (m_unattended)
        std::fprintf(stderr, "qor: %s\n", qPrintable(historyTroubleText(error, setAside)));
    else
        m_messages->historyTrouble(this, error, setAside);
}

} // namespace qor
