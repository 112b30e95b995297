#include "sync_window.h"

#include "book_dialog.h"
#include "list_transfer.h"
#include "qt_http_transport.h"
#include "sync_password.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>

#include <map>

namespace qor {

namespace {

constexpr std::chrono::milliseconds kRequestTimeout{30000};
const QString kTitle = QStringLiteral("Sync");

// Passwords the user typed, by account, for this process only: never written anywhere.
std::map<std::string, QString>& typedPasswords()
{
    static std::map<std::string, QString> passwords;
    return passwords;
}

// The account's password: from its file or ~/.netrc, else typed once a session. False when the
// user cancelled, or a file was refused (and a box said why).
bool passwordFor(BookDialog& window, const SyncState& state, QString& password)
{
    SyncPassword found = !state.passwordFile.empty() ? passwordFromFile(state.passwordFile)
                                                     : passwordFromNetrc(parseSyncUrl(state.url).host, state.user);
    if (!found.ok) {
        QMessageBox::warning(&window, kTitle, QString::fromStdString(found.error));
        return false;
    }
    if (!found.password.empty()) {
        password = QString::fromStdString(found.password);
        return true;
    }
    const std::string account = state.user + "@" + state.url;
    if (const auto typed = typedPasswords().find(account); typed != typedPasswords().end()) {
        password = typed->second;
        return true;
    }
    bool ok = false;
    password = QInputDialog::getText(&window, kTitle,
                                     QStringLiteral("Password of %1 at %2:")
                                         .arg(QString::fromStdString(state.user), QString::fromStdString(state.url)),
                                     QLineEdit::Password, {}, &ok);
    if (ok)
        typedPasswords()[account] = password;
    return ok;
}

} // namespace

BookSync syncWindowList(BookDialog& window, HttpTransport& transport, SyncState state, SyncRun::Options options)
{
    const SyncedList list{
        [&window] {
            std::vector<ContactRecord> rows(static_cast<std::size_t>(window.store().rowCount()));
            for (int row = 0; row < window.store().rowCount(); ++row)
                window.store().copyRecord(row, rows[static_cast<std::size_t>(row)]);
            return rows;
        },
        [&window](std::vector<ContactRecord>&& rows) { window.replaceList(std::move(rows), kSyncChangeName); },
        [&window] {
            return window.saveBook() == SaveOutcome::Saved
                ? std::string()
                : std::string("the book was not saved, so nothing was sent");
        },
        true};
    return syncList(list, state, transport, options, window.bookPath());
}

bool openSyncSettings(BookDialog& window)
{
    const SyncStateRead kept = readSyncState(syncStatePath(window.bookPath()));
    QDialog dialog(&window);
    dialog.setWindowTitle(QStringLiteral("Sync settings"));
    auto* url = new QLineEdit(QString::fromStdString(kept.state.url), &dialog);
    url->setPlaceholderText(QStringLiteral("https://dav.example.org/"));
    auto* user = new QLineEdit(QString::fromStdString(kept.state.user), &dialog);
    auto* file = new QLineEdit(QString::fromStdString(kept.state.passwordFile), &dialog);
    file->setPlaceholderText(QStringLiteral("none: ~/.netrc, or asked once a session"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* form = new QFormLayout(&dialog);
    form->addRow(QStringLiteral("Address book or server &URL:"), url);
    form->addRow(QStringLiteral("&User:"), user);
    form->addRow(QStringLiteral("&Password file:"), file);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const std::string address = url->text().trimmed().toStdString();
    if (!parseSyncUrl(address).valid || user->text().trimmed().isEmpty()) {
        QMessageBox::warning(&window, kTitle, QStringLiteral("A sync needs an http or https address and a user."));
        return false;
    }
    SyncState state;
    std::string error;
    if (!syncStateFor(window.bookPath(), address, user->text().trimmed().toStdString(), state, error)) {
        QMessageBox::warning(&window, kTitle, QString::fromStdString(error));
        return false;
    }
    const std::string passwordFile = file->text().trimmed().toStdString();
    state.passwordFile = passwordFile.empty() ? std::string() : std::filesystem::absolute(passwordFile).string();
    if (!writeSyncState(syncStatePath(window.bookPath()), state, error)) {
        QMessageBox::warning(&window, kTitle, QString::fromStdString(error));
        return false;
    }
    return true;
}

void syncNow(BookDialog& window)
{
    SyncState state;
    std::string error;
    if (!std::filesystem::exists(syncStatePath(window.bookPath())) && !openSyncSettings(window))
        return;
    if (!syncStateFor(window.bookPath(), "", "", state, error)) {
        QMessageBox::warning(&window, kTitle, QString::fromStdString(error));
        return;
    }
    QString password;
    if (!passwordFor(window, state, password))
        return;
    QProgressDialog progress(QStringLiteral("Syncing with %1...").arg(QString::fromStdString(state.url)), {}, 0, 0,
                             &window);
    progress.setWindowTitle(kTitle);
    progress.setMinimumDuration(0);
    progress.show();
    // Plain http to another machine is refused here as on the command line; the window has no
    // --insecure.
    QtHttpTransport transport(QString::fromStdString(state.user), password, false, kRequestTimeout);
    BookSync done = syncWindowList(window, transport, state);
    progress.close();
    if (done.emptyServer
        && QMessageBox::question(&window, kTitle,
                                 QString::fromStdString(done.error)
                                     + QStringLiteral(".\n\nWas the address book emptied on purpose? Yes empties the "
                                                      "list too (Undo brings it back); No leaves both as they are."),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
               == QMessageBox::Yes)
        done = syncWindowList(window, transport, state, {true});
    else if (done.emptyBook
             && QMessageBox::question(&window, kTitle,
                                      QString::fromStdString(done.error)
                                          + QStringLiteral(".\n\nWas the list emptied on purpose? Yes deletes every "
                                                           "card in the address book too; No leaves both as they are."),
                                      QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
                    == QMessageBox::Yes)
        done = syncWindowList(window, transport, state, {true});
    if (done.fault == DavFault::Refused)
        typedPasswords().erase(state.user + "@" + state.url);
    if (!done.ok)
        QMessageBox::warning(&window, kTitle,
                             QString::fromStdString(done.error + (done.emptyServer || done.emptyBook
                                                                      ? ". Nothing was changed."
                                                                      : "; what was done is kept on both sides, and "
                                                                        "the next sync resumes.")));
    else
        QMessageBox::information(&window, kTitle, QString::fromStdString(done.figures.describe() + "."));
}

} // namespace qor
