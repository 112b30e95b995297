#include "sync_command.h"

#include "book_sync.h"
#include "command_line.h"
#include "list_transfer.h"
#include "qt_http_transport.h"
#include "sync_password.h"

#include <QCoreApplication>

#include <memory>
#include <ostream>

namespace qor {

namespace {

// How long one request may go without a byte from the server.
constexpr std::chrono::milliseconds kRequestTimeout{30000};

bool isAddress(const std::string& word) { return word.starts_with("http://") || word.starts_with("https://"); }

int stopped(std::ostream& err, const std::string& message)
{
    err << kProgramName << ": " << message << '\n';
    return kExitFailure;
}

} // namespace

int runSync(const CommandLine& line, std::ostream& out, std::ostream& err)
{
    for (const auto& [name, value] : line.options)
        if (name != "user" && name != "password-file" && name != "yes-delete" && name != "insecure")
            return usageError(err, "option '--" + name + "' does not go with '--sync'");
    const bool urlGiven = !line.operands.empty() && isAddress(line.operands.front());
    std::string error;
    std::filesystem::path book;
    if (!bookOperand(line, urlGiven ? 1 : 0, book, error))
        return usageError(err, error);
    const auto option = [&line](const char* name) {
        const auto found = line.options.find(name);
        return found == line.options.end() ? std::string() : found->second;
    };
    const std::string url = urlGiven ? line.operands.front() : std::string();
    if (urlGiven && option("user").empty())
        return usageError(err, "the first sync needs the account: --user NAME");
    if (!urlGiven && line.options.contains("user"))
        return usageError(err, "--user goes with the address book's URL");
    if (urlGiven && !parseSyncUrl(url).valid)
        return usageError(err, "'" + url + "' is not an http or https address without a user in it");

    if (!urlGiven && !std::filesystem::exists(syncStatePath(book)))
        return usageError(err, pathText(book) + " was never synced: give the address book's URL and --user the first time");
    SyncState state;
    if (!syncStateFor(book, url, option("user"), state, error))
        return stopped(err, error);
    // The password file named once is read again by every later sync.
    if (line.options.contains("password-file"))
        state.passwordFile = std::filesystem::absolute(option("password-file")).string();
    const SyncUrl address = parseSyncUrl(state.url);
    SyncPassword password = !state.passwordFile.empty() ? passwordFromFile(state.passwordFile)
                                                        : passwordFromNetrc(address.host, state.user);
    if (!password.ok)
        return stopped(err, password.error + "; nothing was synced");

    int argc = 1;
    char name[] = "qor";
    char* argv[] = {name, nullptr};
    std::unique_ptr<QCoreApplication> application;
    if (QCoreApplication::instance() == nullptr)
        application = std::make_unique<QCoreApplication>(argc, argv);
    QtHttpTransport transport(QString::fromStdString(state.user), QString::fromStdString(password.password),
                              line.options.contains("insecure"), kRequestTimeout);
    const BookSync done = syncBook(book, state, transport, {line.options.contains("yes-delete")});
    if (!done.saved.historyError.empty())
        err << kProgramName << ": the book is saved, but not in its history: " << done.saved.historyError << '\n';
    if (!done.stateError.empty())
        err << kProgramName << ": what the sync did could not be noted beside the book (" << done.stateError
            << "); the next sync compares every card again\n";
    if (!done.ok) {
        std::string message = done.error;
        if (done.emptyServer)
            message += ". If the address book was emptied on purpose, sync again with --yes-delete to empty "
                       + pathText(book) + " too";
        else if (done.emptyBook)
            message += ". If the book was emptied on purpose, sync again with --yes-delete to empty the address "
                       "book too";
        else
            message += "; what was done is kept on both sides, and the next sync resumes";
        return stopped(err, message);
    }
    out << done.figures.describe() << '\n';
    return kExitSuccess;
}

} // namespace qor
