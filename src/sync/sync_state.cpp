#include "sync_state.h"

#include "book_file.h"
#include "hex_digits.h"

#include <charconv>

namespace qor {

namespace {

constexpr std::string_view kFirstLine = "QOR sync state 1";

// A value written on one line: a line end or a tab in it would forge a line or a column.
bool fitsOnLine(std::string_view value) { return value.find_first_of("\r\n\t") == std::string_view::npos; }

SyncStateRead damaged(std::size_t line, std::string what)
{
    SyncStateRead read;
    read.found = true;
    read.error = "line " + std::to_string(line) + ": " + std::move(what);
    return read;
}

} // namespace

std::filesystem::path syncStatePath(const std::filesystem::path& book)
{
    std::filesystem::path path = book;
    path += ".sync";
    return path;
}

std::string formatSyncState(const SyncState& state)
{
    std::string text(kFirstLine);
    text += "\nurl=" + state.url + "\nuser=" + state.user + "\npassword-file=" + state.passwordFile + "\naddressbook=" + state.addressBook
        + "\ntoken=" + state.syncToken + "\nlisting=" + (state.noSyncCollection ? "propfind" : "sync-collection") + '\n';
    for (const auto& [href, card] : state.cards) {
        text += "card\t" + hexDigits(card.hash, 16) + '\t' + card.etag + '\t' + href + '\n';
    }
    return text;
}

SyncStateRead parseSyncState(std::string_view text)
{
    SyncStateRead read;
    read.found = true;
    std::size_t number = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            return damaged(number + 1, "the file ends inside a line");
        const std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++number;
        if (number == 1) {
            if (line != kFirstLine)
                return damaged(number, "not a QOR sync state");
            continue;
        }
        if (line.starts_with("card\t")) {
            const std::size_t t1 = line.find('\t', 5), t2 = t1 == std::string_view::npos ? t1 : line.find('\t', t1 + 1);
            if (t2 == std::string_view::npos || t1 != 5 + 16)
                return damaged(number, "a card line without hash, ETag and href");
            SyncState::Card card;
            const auto [at, error] = std::from_chars(line.data() + 5, line.data() + t1, card.hash, 16);
            if (error != std::errc() || at != line.data() + t1)
                return damaged(number, "a card's hash is not 16 hex digits");
            card.etag = std::string(line.substr(t1 + 1, t2 - t1 - 1));
            const std::string href(line.substr(t2 + 1));
            if (href.empty())
                return damaged(number, "a card without href");
            read.state.cards[href] = std::move(card);
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            return damaged(number, "neither a card nor key=value");
        const std::string_view key = line.substr(0, eq);
        std::string value(line.substr(eq + 1));
        if (key == "url")
            read.state.url = std::move(value);
        else if (key == "user")
            read.state.user = std::move(value);
        else if (key == "password-file")
            read.state.passwordFile = std::move(value);
        else if (key == "addressbook")
            read.state.addressBook = std::move(value);
        else if (key == "token")
            read.state.syncToken = std::move(value);
        else if (key == "listing")
            read.state.noSyncCollection = value == "propfind";
        // Keys a later QOR writes are passed over.
    }
    if (number == 0)
        return damaged(1, "the file is empty");
    read.ok = true;
    return read;
}

SyncStateRead readSyncState(const std::filesystem::path& file)
{
    const BookBytes bytes = readBookFile(file);
    if (bytes.status == ReadStatus::Missing)
        return {};
    if (bytes.status != ReadStatus::Read) {
        SyncStateRead read;
        read.found = true;
        read.error = bytes.error.empty() ? "cannot be read" : bytes.error;
        return read;
    }
    return parseSyncState(bytes.bytes());
}

bool writeSyncState(const std::filesystem::path& file, const SyncState& state, std::string& error)
{
    for (const std::string* value : {&state.url, &state.user, &state.passwordFile, &state.addressBook, &state.syncToken})
        if (!fitsOnLine(*value)) {
            error = "a line end or tab in the sync account cannot be kept";
            return false;
        }
    for (const auto& [href, card] : state.cards)
        if (!fitsOnLine(href) || !fitsOnLine(card.etag)) {
            error = "the server named a card with a line end or tab in it";
            return false;
        }
    const WriteResult written = replaceFileSafely(file, formatSyncState(state));
    error = written.error;
    return written.ok;
}

} // namespace qor
