#pragma once

#include "book_sync.h"

namespace qor {

class BookDialog;

// "Sync now" in the window menu: syncs the window's list with the account kept beside its book
// (Sync settings... first when there is none), asking for the password once a session when no
// password file or ~/.netrc gives it. A busy box shows while it works, and a box says what it
// did, in the words of qor --sync. An address book that lists no card where the last sync left
// some is asked about before the list is emptied. What it takes from the server is one change of the list,
// which Undo takes back; the list is saved through the window's own Save before anything is
// sent.
void syncNow(BookDialog& window);

// "Sync settings...": the address book's (or the server's) URL, the user and, if any, a password
// file, kept beside the book. Returns whether the user gave an account.
bool openSyncSettings(BookDialog& window);

// The sync itself, without a box: the window's list through `transport`, the state beside the
// book brought up to date.
BookSync syncWindowList(BookDialog& window, HttpTransport& transport, SyncState state, SyncRun::Options options = {});

} // namespace qor
