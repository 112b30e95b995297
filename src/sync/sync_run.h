#pragma once

#include "carddav_client.h"
#include "sync_plan.h"
#include "sync_state.h"

#include <map>
#include <string>
#include <vector>

namespace qor {

// One pass of a sync between the book's list and the address book, in two steps around the
// book's save: prepare() reads the server and decides (changing nothing anywhere), then, once
// the book holds plan().merged, send() makes the server's changes and brings the state up to
// date. A pass that fails leaves each side whole: a card is sent or deleted only when the book
// already holds the list it was decided on, and the next sync picks up where this one stopped.
class SyncRun {
public:
    struct Options {
        // Whether an address book that lists no card, where the last sync left some, may empty
        // the book, and a book with no contact left may empty the address book. Without it
        // either stops the sync.
        bool allowEmptying = false;
    };

    SyncRun(HttpTransport& transport, SyncState& state, Options options);

    // Finds the address book (the first time), lists it, fetches what is needed and plans.
    // False, with error() and fault(), when the sync cannot go on; nothing was changed.
    bool prepare(const std::vector<ContactRecord>& ours);
    const SyncPlan& plan() const { return m_plan; }
    // An empty listing stopped prepare(): the user is to say whether the book is to be emptied.
    bool stoppedAtEmptyServer() const { return m_emptyServer; }
    // A book with no contact stopped prepare(), where the sync would delete every card the last
    // sync left on the server: the user is to say whether the address book is to be emptied.
    bool stoppedAtEmptyBook() const { return m_emptyBook; }

    // Takes what prepare() read into the state, then sends the plan's changes one by one,
    // recording each in the state as the server takes it. False when one could not be made
    // (the state still says what was done). A card that changed on the server meanwhile (412)
    // is left alone and staleCards() counts it: another pass merges it.
    bool send();
    std::size_t staleCards() const { return m_stale; }

    const SyncFigures& figures() const { return m_figures; }
    const std::string& error() const { return m_error; }
    DavFault fault() const { return m_fault; }

private:
    bool fail(const DavOutcome& outcome);
    // The hrefs the listing names now, with their ETags.
    std::map<std::string, std::string> listedNow(const CardListing& listing) const;
    void readBackEtags();
    void updateToken();

    CardDavClient m_client;
    SyncState& m_state;
    Options m_options;
    SyncPlan m_plan;
    SyncFigures m_figures;
    std::vector<ServerCard> m_theirs;
    std::map<std::string, std::string> m_cardTexts; // href -> the card as fetched
    std::string m_listingToken;
    bool m_noSyncCollection = false;
    bool m_emptyServer = false;
    bool m_emptyBook = false;
    std::size_t m_stale = 0;
    std::map<std::string, std::string> m_sentEtags; // href -> ETag the server gave for it
    std::string m_error;
    DavFault m_fault = DavFault::None;
};

} // namespace qor
