#include "command_save.h"

#include "list_transfer.h"

namespace qor {

std::string holdTurnAsCommand(BookSession& session, std::chrono::milliseconds wait)
{
    if (session.holdWriterTurn(wait) == BookLock::State::HeldElsewhere)
        return pathText(session.bookPath()) + " is being saved by another QOR, which kept it busy; try again";
    return {};
}

std::string refusalOf(const LoadReport& loaded, const std::filesystem::path& book)
{
    if (!loaded.refusal)
        return {};
    return *loaded.refusal == BookRefusal::NotABook ? pathText(book) + " is not a QOR contact book" : loaded.reason;
}

std::string openForCommand(BookSession& session, std::chrono::milliseconds wait)
{
    if (std::string busy = holdTurnAsCommand(session, wait); !busy.empty())
        return busy;
    const LoadReport loaded = session.load();
    if (std::string refusal = refusalOf(loaded, session.bookPath()); !refusal.empty())
        return refusal;
    // A book with nothing in it shows one empty contact in the window; a command does not keep it.
    if (loaded.blank && session.store().rowCount() > 0)
        session.store().removeRowAt(0);
    return {};
}

std::string saveAsCommand(BookSession& session, SaveResult& saved, std::string_view doing)
{
    saved = session.save(SaveMode::Attended);
    if (saved.outcome == SaveOutcome::Conflict) {
        session.answerConflict(ConflictChoice::GoBack);
        return pathText(session.bookPath()) + " was changed by another program " + std::string(doing);
    }
    if (saved.outcome != SaveOutcome::Saved)
        return saved.error;
    return {};
}

} // namespace qor
