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

namespace {

enum class PassEnd { Done, Again, Failed };

// One pass: the sync decides on the list as it is, the list becomes the merged list and is saved,
// then the server's changes are sent and the state is written beside the book.
PassEnd syncPass(const SyncedList& list, SyncState& state, HttpTransport& transport, SyncRun::Options options,
                 const std::filesystem::path& book, BookSync& result)
{
    SyncRun run(transport, state, options);
    if (!run.prepare(list.rows())) {
        result.error = run.error();
        result.fault = run.fault();
        result.emptyServer = run.stoppedAtEmptyServer();
        result.emptyBook = run.stoppedAtEmptyBook();
        return PassEnd::Failed;
    }
    if (run.plan().bookChanges)
        list.become(std::vector<ContactRecord>(run.plan().merged));
    if (run.plan().bookChanges || (list.saveBeforeSending && !run.plan().changes.empty())) {
        result.error = list.save();
        if (!result.error.empty())
            return PassEnd::Failed;
    }
    const bool sent = run.send();
    result.figures += run.figures();
    // What was done is recorded even when a change failed: the next sync resumes from it.
    if (std::string error; !writeSyncState(syncStatePath(book), state, error))
        result.stateError = error;
    if (!sent) {
        result.error = run.error();
        result.fault = run.fault();
        return PassEnd::Failed;
    }
    return run.staleCards() > 0 ? PassEnd::Again : PassEnd::Done;
}

// Runs passes until one ends the sync, three at most: a pass that met a card changed meanwhile
// leaves it to the next.
BookSync inPasses(const std::function<PassEnd(BookSync&)>& pass)
{
    BookSync result;
    for (int i = 0; i < kMostPasses; ++i) {
        const PassEnd end = pass(result);
        if (end == PassEnd::Failed)
            return result;
        if (end == PassEnd::Done)
            break;
    }
    result.ok = true;
    return result;
}

} // namespace

BookSync syncList(const SyncedList& list, SyncState& state, HttpTransport& transport, SyncRun::Options options,
                  const std::filesystem::path& book)
{
    return inPasses([&](BookSync& result) { return syncPass(list, state, transport, options, book, result); });
}

BookSync syncBook(const std::filesystem::path& book, SyncState state, HttpTransport& transport,
                  SyncRun::Options options, std::chrono::milliseconds wait)
{
    return inPasses([&](BookSync& result) {
        // Each pass reads the book again, under the writer's turn it holds to its end.
        BookSession session(book);
        session.keepUndoSteps(false);
        result.error = openForCommand(session, wait);
        if (!result.error.empty())
            return PassEnd::Failed;
        const SyncedList list{
            [&session] { return rowsOfStore(session.store()); },
            [&session](std::vector<ContactRecord>&& rows) { session.becomeList(std::move(rows), kSyncChangeName); },
            [&session, &result] { return saveAsCommand(session, result.saved, "while it was synced"); }};
        return syncPass(list, state, transport, options, book, result);
    });
}

} // namespace qor
