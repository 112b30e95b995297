#include "contact_builder.h"

#include "exchange_text.h"
#include "form_rules.h"

namespace qor {

using F = ContactField;

namespace {

// Every line end in `text` as one space: CR LF, LF, a CR alone and a run of CRs with or without
// an LF after it (the readers' line ends, see endsALine), so "two\r\r\nlines" is "two lines".
void flattenImportedLineEnds(std::string& text)
{
    if (!holdsLineEnd(text))
        return;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (isLineEnd(c)) {
            while (i + 1 < text.size() && text[i] == '\r' && isLineEnd(text[i + 1]))
                ++i;
            c = ' ';
        }
        text[kept++] = c;
    }
    text.resize(kept);
}

} // namespace

bool ContactBuilder::setOnce(F field, std::string_view value)
{
    std::string& target = m_record[field];
    if (!target.empty())
        return false;
    target.assign(value);
    return true;
}

void ContactBuilder::names(std::string_view surname, std::string_view firstName)
{
    m_hasNames = true;
    m_record[F::SURNAME].assign(surname);
    m_record[F::FIRSTNAME].assign(firstName);
}

void ContactBuilder::fullName(std::string_view name) { m_fullName.assign(name); }

void ContactBuilder::nickname(std::string_view value)
{
    if (!value.empty() && !setOnce(F::NICKNAME, value))
        unplaced("more nickname", "more nicknames");
}

void ContactBuilder::email(std::string_view value)
{
    if (!value.empty() && !setOnce(F::EMAIL, value))
        unplaced("more e-mail address", "more e-mail addresses");
}

void ContactBuilder::phone(PlaceKind kind, std::string_view value)
{
    if (value.empty())
        return;
    bool placed = false;
    switch (kind) {
    case PlaceKind::Mobile: placed = setOnce(F::MOBILE, value); break;
    case PlaceKind::Home: placed = setOnce(F::TEL, value); break;
    case PlaceKind::Work: placed = setOnce(F::WORKTEL, value); break;
    case PlaceKind::Unknown: placed = setOnce(F::TEL, value) || setOnce(F::MOBILE, value); break;
    case PlaceKind::Other: break;
    }
    if (!placed)
        unplaced("more phone number", "more phone numbers");
}

void ContactBuilder::address(PlaceKind kind, std::string_view street, std::string_view city, std::string_view state,
                             std::string_view zip)
{
    if (street.empty() && city.empty() && state.empty() && zip.empty())
        return;
    const auto isFree = [this](F a, F b, F c, F d) {
        return m_record[a].empty() && m_record[b].empty() && m_record[c].empty() && m_record[d].empty();
    };
    const bool homeFree = isFree(F::HOMESTREET, F::HOMECITY, F::HOMESTATE, F::HOMEZIP);
    const bool workFree = isFree(F::WORKSTREET, F::WORKCITY, F::WORKSTATE, F::WORKZIP);
    bool home = false;
    if (kind == PlaceKind::Home && homeFree)
        home = true;
    else if (kind == PlaceKind::Work && workFree)
        home = false;
    else if ((kind == PlaceKind::Unknown || kind == PlaceKind::Mobile) && (homeFree || workFree))
        home = homeFree;
    else {
        unplaced("more address", "more addresses");
        return;
    }
    m_record[home ? F::HOMESTREET : F::WORKSTREET].assign(street);
    m_record[home ? F::HOMECITY : F::WORKCITY].assign(city);
    m_record[home ? F::HOMESTATE : F::WORKSTATE].assign(state);
    m_record[home ? F::HOMEZIP : F::WORKZIP].assign(zip);
}

void ContactBuilder::note(std::string_view value)
{
    if (!value.empty() && !setOnce(F::COMMENTS, value))
        unplaced("more note", "more notes");
}

void ContactBuilder::date(std::string_view text, F day, F month, F year, std::string_view singular,
                          std::string_view plural)
{
    if (text.empty())
        return;
    FormDate d;
    if (!parseExchangeDate(text, d) || !m_record[day].empty() || !m_record[month].empty() || !m_record[year].empty()) {
        unplaced(singular, plural);
        return;
    }
    m_record[day] = std::move(d.day);
    m_record[month] = std::move(d.month);
    m_record[year] = std::move(d.year);
}

void ContactBuilder::birthday(std::string_view text)
{
    date(text, F::DOBDAY, F::DOBMON, F::DOBYEAR, "birthday", "birthdays");
}

void ContactBuilder::anniversary(std::string_view text)
{
    date(text, F::ANDAY, F::ANMON, F::ANYEAR, "anniversary", "anniversaries");
}

void ContactBuilder::own(F field, std::string_view value)
{
    m_hasOwn[columnOf(field)] = true;
    m_anyOwn = true;
    m_own[field].assign(value);
}

void ContactBuilder::take(ContactRecord& into)
{
    if (!m_hasNames && !m_fullName.empty()) {
        // "Ann Lee": the last word is the surname; a single word is a first name. A line end
        // between the names separates them as a space does.
        flattenImportedLineEnds(m_fullName);
        const std::size_t space = m_fullName.find_last_of(' ');
        if (space == std::string::npos) {
            m_record[F::FIRSTNAME] = m_fullName;
        } else {
            m_record[F::FIRSTNAME] = m_fullName.substr(0, space);
            m_record[F::SURNAME] = m_fullName.substr(space + 1);
        }
    }
    if (m_anyOwn)
        for (std::size_t c = 0; c < kFieldCount; ++c)
            if (m_hasOwn[c]) {
                m_record[c].swap(m_own[c]);
                m_own[c].clear();
            }
    for (std::size_t c = 0; c < kFieldCount; ++c) {
        std::string& text = m_record[c];
        flattenImportedLineEnds(text);
        into[c].swap(text);
        text.clear();
    }
    m_hasOwn = {};
    m_anyOwn = false;
    m_fullName.clear();
    m_hasNames = false;
}

} // namespace qor
