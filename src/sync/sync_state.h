#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

namespace qor {

// What the last sync left for the next one: the account (never its password), the address book,
// the server's sync token and, for each card, its ETag and the hash of the contact it held as
// last synced. With those hashes the next sync tells, card by card, which side changed since.
struct SyncState {
    struct Card {
        std::string etag;      // "" when the server did not say: the card is fetched next time
        std::uint64_t hash = 0; // hashContact of the card's contact as last synced
        bool operator==(const Card&) const = default;
    };
    std::string url;         // what the user gave
    std::string user;
    // Where the password is read from, as the user named it ("" for ~/.netrc); never the password.
    std::string passwordFile;
    std::string addressBook; // the address book found from it, "" until found
    std::string syncToken;   // "" when the server offers none, or before the first listing
    bool noSyncCollection = false;
    std::map<std::string, Card> cards; // by href

    bool operator==(const SyncState&) const = default;
};

// The file beside the book that keeps its sync state: "<book>.sync".
std::filesystem::path syncStatePath(const std::filesystem::path& book);

struct SyncStateRead {
    bool found = false; // false: the book was never synced (or the file is gone)
    bool ok = false;    // false with found: the file is damaged; `error` says where
    std::string error;
    SyncState state;
};

// Reads the state file. A missing file is a book never synced; a damaged one is refused whole
// (a sync that guessed would send or delete on a wrong idea of the last sync).
SyncStateRead readSyncState(const std::filesystem::path& file);

// The state as the file holds it: one "key=value" line for the account and the address book,
// then one line per card: "card", the hash in 16 hex digits, the ETag and the href, between tabs.
std::string formatSyncState(const SyncState& state);
SyncStateRead parseSyncState(std::string_view text);

// Writes the state beside the book safely: a new file is made mode 0600 and renamed into place,
// so a crash leaves the old state or the new one. False with `error` when it could not be written.
bool writeSyncState(const std::filesystem::path& file, const SyncState& state, std::string& error);

} // namespace qor
