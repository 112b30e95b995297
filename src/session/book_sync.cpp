#include "book_sync.h"

#include "book_session.h"
#include "command_save.h"
#include "list_transfer.h"

namespace qor {

namespace {

constexpr int kMostPasses = 3;

std::vector<ContactRecord> rowsOfStore(const ContactStore& store)
{
    std::vector<ContactRecord> rows(static_cast<std::size_t>(store.rowCount()));
    for (int row = 0; row < store.rowCount(); ++row)
        store.copyRecord(row, rows[static_cast<std::size_t>(row)]);
    return rows;
}

} // namespace

bool syncStateFor(const std::filesystem::path& book, const std::string& url, const std::string& user,
                  SyncState& state, std::string& error)
{
    const SyncStateRead read = readSyncState(syncStatePath(book));
    if (read.found && !read.ok) {
        error = pathText(syncStatePath(book)) + ": " + read.error;
        return false;
    }
    if (url.empty()) {
        if (!read.found) {
            error = pathText(book) + " was never synced: give the address book's URL and --user the first time";
            return false;
        }
        state = read.state;
        return true;
    }
    // Another account is another address book: what the last sync knew says nothing of it.
    if (read.found && read.state.url == url && read.state.user == user)
        state = read.state;
    else
        state = SyncState{url, user, {}, {}, {}, false, {}};
    return true;
}

BookSync syncBook(const std::filesystem::path& book, SyncState state, HttpTransport& transport,
                  SyncRun::Options options, std::chrono::milliseconds wait)
{
    BookSync result;
    for (int pass = 0; pass < kMostPasses; ++pass) {
        BookSession session(book);
        session.keepUndoSteps(false);
        if (session.holdWriterTurn(wait) == BookLock::State::HeldElsewhere) {
            result.error = pathText(book) + " is being saved by another QOR, which kept it busy; try again";
            return result;
        }
        const LoadReport loaded = session.load();
        result.error = refusalOf(loaded, book);
        if (!result.error.empty())
            return result;
        if (loaded.blank && session.store().rowCount() > 0)
            session.store().removeRowAt(0);

        SyncRun run(transport, state, options);
        if (!run.prepare(rowsOfStore(session.store()))) {
            result.error = run.error();
            result.fault = run.fault();
            result.emptyServer = run.stoppedAtEmptyServer();
            return result;
        }
        if (run.plan().bookChanges) {
            session.becomeList(std::vector<ContactRecord>(run.plan().merged), "Sync with the address book");
            result.error = saveAsCommand(session, result.saved, "while it was synced");
            if (!result.error.empty())
                return result;
        }
        const bool sent = run.send();
        result.figures += run.figures();
        // What was done is recorded even when a change failed: the next sync resumes from it.
        if (std::string error; !writeSyncState(syncStatePath(book), state, error))
            result.stateError = error;
        if (!sent) {
            result.error = run.error();
            result.fault = run.fault();
            return result;
        }
        if (run.staleCards() == 0)
            break;
    }
    result.ok = true;
    return result;
}

} // namespace qor
