// The score of a pair of contacts: the evidence that they are one person, against the evidence
// that they are two.
#include "duplicate_score.h"

#include "name_likeness.h"
#include "search_fold.h"

#include <algorithm>

namespace qor {

namespace {

using F = ContactField;

constexpr std::array<ContactField, ContactTraits::kDetailCount> kDetailFields{
    F::NICKNAME, F::LIKES, F::DISLIKES, F::COMMENTS, F::WORKSTREET, F::OVERALL, F::HOMECITY, F::HOMESTATE,
    F::WORKCITY, F::WORKSTATE, F::WORKZIP, F::RATING, F::BESTFEATURE, F::EYES, F::HAIR, F::HEIGHT, F::BODY,
    F::INBED, F::LOOKS, F::PERSONALITY, F::ANDAY, F::ANMON, F::ANYEAR};

int nameScore(NameLikeness likeness, bool common)
{
    switch (likeness) {
    case NameLikeness::Same:
        return common ? 2 : 4;
    case NameLikeness::Close:
        return common ? 2 : 3;
    case NameLikeness::Similar:
    case NameLikeness::Partial:
        return 1;
    case NameLikeness::Unknown:
        return 0;
    case NameLikeness::Related:
        return -2;
    case NameLikeness::Different:
        break;
    }
    return kApart;
}

// `agree` when both hold the same, `disagree` when both hold something and it differs.
int compared(const std::string& a, const std::string& b, int agree, int disagree)
{
    if (a.empty() || b.empty())
        return 0;
    return a == b ? agree : disagree;
}

// One year missing is no disagreement: the day and month decide.
int birthdayScore(const std::optional<ContactDate>& a, const std::optional<ContactDate>& b)
{
    if (!a || !b)
        return 0;
    const bool sameDay = a->day == b->day && a->month == b->month;
    const bool sameYear = !a->hasYear() || !b->hasYear() || a->year == b->year;
    return sameDay && sameYear ? 2 : -4;
}

// A number shared in any other way than mobile and mobile: a home number typed as a mobile,
// a shared line.
bool shareOtherPhone(const ContactTraits& a, const ContactTraits& b)
{
    const std::string* as[] = {&a.mobile, &a.tel, &a.workTel};
    const std::string* bs[] = {&b.mobile, &b.tel, &b.workTel};
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j)
            if ((i != 0 || j != 0) && !as[i]->empty() && *as[i] == *bs[j])
                return true;
    return false;
}

// The hash of a folded text; never 0, which stands for an empty one.
std::uint64_t detailHash(std::string_view text)
{
    if (text.empty())
        return 0;
    thread_local std::string folded;
    folded.clear();
    appendFolded(text, folded);
    return std::hash<std::string>{}(folded) | 1;
}

// The other fields: one alike by chance says little ("jazz", a rating of 7), many alike and
// few different say much.
int detailScore(const ContactTraits& a, const ContactTraits& b)
{
    constexpr int kManyAlike = 6;
    int alike = 0, different = 0;
    for (std::size_t i = 0; i < ContactTraits::kDetailCount; ++i) {
        if (a.details[i] == 0 || b.details[i] == 0)
            continue;
        ++(a.details[i] == b.details[i] ? alike : different);
    }
    if (alike >= kManyAlike && alike >= 3 * different)
        return 2;
    return alike >= 3 && alike >= 2 * different ? 1 : 0;
}

} // namespace

ContactTraits traitsOf(const ContactText& text)
{
    ContactTraits traits;
    const auto at = [&text](ContactField field) { return text(columnOf(field)); };
    traits.name = normaliseName(at(F::SURNAME), at(F::FIRSTNAME));
    traits.email = normaliseEmail(at(F::EMAIL));
    traits.mobile = normalisePhone(at(F::MOBILE));
    traits.tel = normalisePhone(at(F::TEL));
    traits.workTel = normalisePhone(at(F::WORKTEL));
    traits.birthday = readContactDate(at(F::DOBDAY), at(F::DOBMON), at(F::DOBYEAR));
    traits.homeStreet = foldedWords(at(F::HOMESTREET));
    traits.homeZip = foldedWords(at(F::HOMEZIP));
    for (std::size_t i = 0; i < kDetailFields.size(); ++i)
        traits.details[i] = detailHash(at(kDetailFields[i]));
    traits.onlyName = true;
    for (std::size_t column = 0; column < kFieldCount && traits.onlyName; ++column)
        if (column != columnOf(F::SURNAME) && column != columnOf(F::FIRSTNAME) && !text(column).empty())
            traits.onlyName = false;
    return traits;
}

ContactTraits traitsOf(const ContactRecord& record)
{
    return traitsOf([&record](std::size_t column) -> std::string_view { return record[column]; });
}

int duplicateScore(const ContactTraits& a, const ContactTraits& b)
{
    int score = compared(a.email, b.email, 4, -1);
    score += compared(a.mobile, b.mobile, 4, -2);
    score += shareOtherPhone(a, b) ? 2 : 0;
    score += birthdayScore(a.birthday, b.birthday);
    score += compared(a.homeStreet, b.homeStreet, 1, -1);
    score += compared(a.homeZip, b.homeZip, 1, 0);
    // Most pairs the finder scores are two people whose names are alike: what they do not
    // share decides before the names are compared.
    constexpr int kBestNameAndDetails = 4 + 2 + 1; // the name, the other fields, a name alone
    if (score + kBestNameAndDetails < kDuplicateScore)
        return score + kBestNameAndDetails;
    const NameLikeness likeness = compareNames(a.name, b.name);
    const int name = nameScore(likeness, std::max(a.nameCount, b.nameCount) > kCommonNameCount);
    if (name == kApart)
        return kApart;
    score += name + detailScore(a, b);
    // Two entries that are a name and nothing else, the same name: one person typed twice.
    if (likeness == NameLikeness::Same && a.onlyName && b.onlyName)
        score += 1;
    return score;
}

} // namespace qor
