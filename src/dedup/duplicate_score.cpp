// The score of a pair of contacts: the evidence that they are one person, against the evidence
// that they are two.
#include "duplicate_score.h"

#include "name_likeness.h"

#include <algorithm>

namespace qor {

namespace {

using F = ContactField;

constexpr std::array<ContactField, ContactTraits::kDetailCount> kDetailFields{
    F::NICKNAME, F::LIKES, F::DISLIKES, F::COMMENTS, F::WORKSTREET};

int nameScore(NameLikeness likeness)
{
    switch (likeness) {
    case NameLikeness::Same:
        return 4;
    case NameLikeness::Close:
        return 3;
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
        traits.details[i] = foldedWords(at(kDetailFields[i]));
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
    const NameLikeness likeness = compareNames(a.name, b.name);
    int score = nameScore(likeness);
    if (score == kApart)
        return kApart;
    score += compared(a.email, b.email, 4, -1);
    score += compared(a.mobile, b.mobile, 4, -2);
    score += shareOtherPhone(a, b) ? 1 : 0;
    score += birthdayScore(a.birthday, b.birthday);
    score += compared(a.homeStreet, b.homeStreet, 1, -1);
    score += compared(a.homeZip, b.homeZip, 1, 0);
    int details = 0;
    for (std::size_t i = 0; i < ContactTraits::kDetailCount; ++i)
        details += compared(a.details[i], b.details[i], 1, 0);
    score += std::min(details, 2);
    // Two entries that are a name and nothing else, the same name: one person typed twice.
    if (likeness == NameLikeness::Same && a.onlyName && b.onlyName)
        score += 1;
    return score;
}

} // namespace qor
