#include "sync_run.h"

#include "card_update.h"
#include "contact_hash.h"
#include "vcard_reader.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace qor {

SyncRun::SyncRun(HttpTransport& transport, SyncState& state, Options options)
    : m_client(transport), m_state(state), m_options(options)
{
}

bool SyncRun::fail(const DavOutcome& outcome)
{
    m_fault = outcome.fault;
    m_error = outcome.message;
    return false;
}

std::map<std::string, std::string> SyncRun::listedNow(const CardListing& listing) const
{
    if (listing.full)
        return listing.etags;
    std::map<std::string, std::string> now;
    for (const auto& [href, card] : m_state.cards)
        if (!listing.removed.contains(href))
            now[href] = card.etag;
    for (const auto& [href, etag] : listing.etags)
        now[href] = etag;
    return now;
}

bool SyncRun::prepare(const std::vector<ContactRecord>& ours)
{
    if (m_state.addressBook.empty()) {
        const DavOutcome found = m_client.discover(m_state.url, m_state.addressBook);
        if (!found.ok())
            return fail(found);
    }
    const std::string& book = m_state.addressBook;
    CardListing listing = m_client.list(book, m_state.syncToken, !m_state.noSyncCollection);
    // Some servers answer a token they no longer know with a 500 instead of 403 valid-sync-token
    // (Xandikos): a failed listing from a token is tried once more from none.
    if (listing.tokenRefused || (!m_state.syncToken.empty() && listing.outcome.fault == DavFault::Server))
        listing = m_client.list(book, {}, true);
    if (!listing.outcome.ok())
        return fail(listing.outcome);
    m_noSyncCollection = listing.noSyncCollection;
    m_listingToken = listing.syncToken;
    std::map<std::string, std::string> now = listedNow(listing);
    if (now.empty() && !m_state.cards.empty() && !m_options.allowEmptying) {
        m_emptyServer = true;
        return fail({DavFault::Server, "the address book lists no card, where the last sync left "
                                           + std::to_string(m_state.cards.size())
                                           + "; nothing was changed"});
    }

    // What must be fetched: a card new or changed there, and one whose last contact is no
    // longer in the book (changed or deleted here), whose text the merge needs.
    std::unordered_map<std::uint64_t, std::size_t> ourRow;
    for (std::size_t row = 0; row < ours.size(); ++row)
        ourRow.emplace(hashContact(ours[row]), row);
    std::vector<std::string> wanted;
    std::unordered_set<std::string> isWanted;
    for (const auto& [href, etag] : now) {
        const auto last = m_state.cards.find(href);
        if (last == m_state.cards.end() || last->second.etag.empty() || last->second.etag != etag
            || !ourRow.contains(last->second.hash))
            wanted.push_back(href);
    }
    isWanted.insert(wanted.begin(), wanted.end());
    std::map<std::string, FetchedCard> fetched;
    if (const DavOutcome got = m_client.fetch(book, wanted, fetched); !got.ok())
        return fail(got);

    m_theirs.clear();
    for (const auto& [href, etag] : now) {
        ServerCard card{href, etag, {}, 0};
        if (const auto text = fetched.find(href); text != fetched.end()) {
            ImportResult read = readVCards(text->second.vcard);
            if (!read.ok || read.contacts.empty())
                continue; // a card QOR cannot read is neither taken nor touched
            card.contact = std::move(read.contacts.front());
            if (!text->second.etag.empty())
                card.etag = text->second.etag;
            m_cardTexts[href] = std::move(text->second.vcard);
        } else if (isWanted.contains(href)) {
            continue; // gone since it was listed: the next sync sees it gone
        } else {
            card.contact = ours[ourRow.at(m_state.cards.at(href).hash)];
        }
        card.hash = hashContact(card.contact);
        m_theirs.push_back(std::move(card));
    }
    m_plan = planSync(m_state, ours, m_theirs);
    // A book emptied here (by hand, or a file that lost its contacts) must not empty the phone
    // unasked.
    const bool deletesThere = std::any_of(m_plan.changes.begin(), m_plan.changes.end(), [](const CardChange& change) {
        return change.kind == CardChange::Kind::Delete;
    });
    if (ours.empty() && deletesThere && !m_options.allowEmptying) {
        m_emptyBook = true;
        return fail({DavFault::Server, "the book holds no contact, where the last sync left "
                                           + std::to_string(m_state.cards.size()) + "; nothing was changed"});
    }
    m_figures = m_plan.figures;
    return true;
}

bool SyncRun::send()
{
    // The book holds the merged list: every card read is now as last synced.
    std::map<std::string, SyncState::Card> cards;
    for (const ServerCard& card : m_theirs)
        cards[card.href] = {card.etag, card.hash};
    m_state.cards = std::move(cards);
    m_state.syncToken = m_listingToken;
    m_state.noSyncCollection = m_noSyncCollection;

    const std::string& book = m_state.addressBook;
    // An update keeps what the server's card holds beyond QOR's fields, so its text is needed.
    std::vector<std::string> texts;
    for (const CardChange& change : m_plan.changes)
        if (change.kind == CardChange::Kind::Update && !m_cardTexts.contains(change.href))
            texts.push_back(change.href);
    std::map<std::string, FetchedCard> fetched;
    if (const DavOutcome got = m_client.fetch(book, texts, fetched); !got.ok())
        return fail(got);
    for (auto& [href, card] : fetched)
        m_cardTexts[href] = std::move(card.vcard);

    const std::string folder = parseSyncUrl(book).path;
    for (const CardChange& change : m_plan.changes) {
        DavOutcome outcome;
        if (change.kind == CardChange::Kind::Delete) {
            outcome = m_client.remove(book, change.href, change.etag);
            if (outcome.ok()) {
                m_state.cards.erase(change.href);
                ++m_figures.deletedThere;
                m_sentEtags[change.href] = {};
            }
        } else {
            const ContactRecord& contact = m_plan.merged[change.row];
            const bool update = change.kind == CardChange::Kind::Update;
            const std::string uid = update ? std::string() : randomUid();
            const std::string href = update ? change.href : folder + uid + ".vcf";
            const auto text = m_cardTexts.find(href);
            const std::string card = update && text != m_cardTexts.end() ? updatedCard(text->second, contact)
                                                                        : newCard(contact, uid.empty() ? randomUid() : uid);
            const WriteOutcome written = m_client.put(book, href, card, change.etag);
            outcome = written.outcome;
            if (outcome.ok()) {
                m_state.cards[href] = {written.etag, hashContact(contact)};
                m_sentEtags[href] = written.etag;
                ++m_figures.sent;
            }
        }
        if (outcome.fault == DavFault::Stale) {
            ++m_stale;
            continue;
        }
        if (!outcome.ok())
            return fail(outcome);
    }
    readBackEtags();
    updateToken();
    return true;
}

// A server that sent no ETag with a PUT: the cards are fetched once, and each takes its ETag
// when it still holds the contact sent (else it stays unknown, and the next sync compares it).
void SyncRun::readBackEtags()
{
    std::vector<std::string> unknown;
    for (const auto& [href, etag] : m_sentEtags)
        if (etag.empty() && m_state.cards.contains(href))
            unknown.push_back(href);
    std::map<std::string, FetchedCard> fetched;
    if (unknown.empty() || !m_client.fetch(m_state.addressBook, unknown, fetched).ok())
        return;
    for (const auto& [href, card] : fetched) {
        ImportResult read = readVCards(card.vcard);
        SyncState::Card& kept = m_state.cards[href];
        if (read.ok && !read.contacts.empty() && hashContact(read.contacts.front()) == kept.hash) {
            kept.etag = card.etag;
            m_sentEtags[href] = card.etag;
        }
    }
}

// The token of the listing names this pass's own changes as news for the next sync, which would
// fetch every card just sent. When the changes since that token are exactly this pass's own, the
// newer token is taken instead.
void SyncRun::updateToken()
{
    if (m_noSyncCollection || m_listingToken.empty() || m_sentEtags.empty())
        return;
    const CardListing since = m_client.list(m_state.addressBook, m_listingToken, true);
    if (!since.outcome.ok() || since.tokenRefused || since.syncToken.empty())
        return;
    for (const auto& [href, etag] : since.etags) {
        const auto sent = m_sentEtags.find(href);
        if (sent == m_sentEtags.end() || sent->second != etag || etag.empty())
            return;
    }
    for (const std::string& href : since.removed)
        if (!m_sentEtags.contains(href) || m_state.cards.contains(href))
            return;
    m_state.syncToken = since.syncToken;
}

} // namespace qor
