#pragma once

#include "book_import.h"
#include "http_exchange.h"
#include "save_result.h"
#include "sync_figures.h"
#include "sync_run.h"
#include "sync_state.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace qor {

// The name of the list's change a sync makes, which Undo takes back.
inline constexpr const char* kSyncChangeName = "Sync with the address book";

// What syncing the book did, for the front end to tell.
struct BookSync {
    bool ok = false;
    std::string error; // why the sync stopped; what was done before is kept on both sides
    DavFault fault = DavFault::None;
    bool emptyServer = false; // stopped: the address book is empty where it held cards
    bool emptyBook = false;   // stopped: the book is empty where the address book holds cards
    SyncFigures figures;
    SaveResult saved; // the book's last save, when the sync changed the book
    std::string stateError; // the sync is done but its state could not be kept beside the book
};

// The state a sync of `book` starts from: the one beside the book, or, when the user names an
// account (`url` not empty), that account, keeping what the last sync knew only when it was the
// same address and user. False with `error` when there is no account to sync with, or the state
// beside the book is damaged.
bool syncStateFor(const std::filesystem::path& book, const std::string& url, const std::string& user,
                  SyncState& state, std::string& error);

// The list a sync works on, whoever holds it (a command's session, a window): its rows, how it
// becomes the merged list (one change, which a window can undo), and its save, which returns why
// the book was not saved ("" when it was). `saveBeforeSending`: the list may hold changes the book
// does not, so it is saved before anything is sent even when the sync takes nothing.
struct SyncedList {
    std::function<std::vector<ContactRecord>()> rows;
    std::function<void(std::vector<ContactRecord>&&)> become;
    std::function<std::string()> save;
    bool saveBeforeSending = false;
};

// Syncs `list` with the address book of `state` as syncBook does, in up to three passes, and
// writes the state beside `book`.
BookSync syncList(const SyncedList& list, SyncState& state, HttpTransport& transport, SyncRun::Options options,
                  const std::filesystem::path& book);

// Syncs the book with the address book of `state`, through `transport`. Each pass takes the
// book's writer turn, reads the book, lets the sync decide, saves the book as every command-line
// writer does (the merged list, through the same save and history; refused when the book may not
// be replaced or another program changed it), then sends the server's changes and writes the
// state beside the book. A card that changed on the server while it was sent starts another pass
// (three at most), which merges it. The book is saved only when the sync changes its contacts.
BookSync syncBook(const std::filesystem::path& book, SyncState state, HttpTransport& transport,
                  SyncRun::Options options, std::chrono::milliseconds wait = kBookLockWait);

} // namespace qor
