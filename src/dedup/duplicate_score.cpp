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

// The weights of the evidence, in one place: what a field held alike adds, and what two
// different texts in it take away.
struct Weight {
    int agree;
    int disagree;
};
constexpr Weight kEmailWeight{4, -1}; // people have several addresses
constexpr Weight kMobileWeight{4, -2};
constexpr Weight kBirthdayWeight{2, -4}; // nobody has two
constexpr Weight kStreetWeight{1, -1};
constexpr Weight kZipWeight{1, 0};
constexpr int kOtherPhoneWeight = 2;
constexpr int kRareNameWeight = 4;
constexpr int kNameALetterOffWeight = 3;
constexpr int kCommonNameWeight = 2;
constexpr int kLooseNameWeight = 1; // more than one letter off, or words missing
constexpr int kNameOfAnotherWeight = -2;
constexpr int kManyDetailsWeight = 2;
constexpr int kSomeDetailsWeight = 1;
constexpr int kNameAloneWeight = 1;

int nameScore(NameLikeness likeness, bool common)
{
    switch (likeness) {
    case NameLikeness::Same:
        return common ? kCommonNameWeight : kRareNameWeight;
    case NameLikeness::Close:
        return common ? kCommonNameWeight : kNameALetterOffWeight;
    case NameLikeness::Similar:
    case NameLikeness::Partial:
        return kLooseNameWeight;
    case NameLikeness::Unknown:
        return 0;
    case NameLikeness::Related:
        return kNameOfAnotherWeight;
    case NameLikeness::Different:
        break;
    }
    return kApart;
}

// What a field adds when both hold it: `weight.agree` for the same text, else `weight.disagree`.
int compared(const std::string& a, const std::string& b, Weight weight)
{
    if (a.empty() || b.empty())
        return 0;
    return a == b ? weight.agree : weight.disagree;
}

// One year missing is no disagreement: the day and month decide.
int birthdayScore(const std::optional<ContactDate>& a, const std::optional<ContactDate>& b)
{
    if (!a || !b)
        return 0;
    const bool sameDay = a->day == b->day && a->month == b->month;
    const bool sameYear = !a->hasYear() || !b->hasYear() || a->year == b->year;
    return sameDay && sameYear ? kBirthdayWeight.agree : kBirthdayWeight.disagree;
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
        return kManyDetailsWeight;
    return alike >= 3 && alike >= 2 * different ? kSomeDetailsWeight : 0;
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
    int score = compared(a.email, b.email, kEmailWeight);
    score += compared(a.mobile, b.mobile, kMobileWeight);
    score += shareOtherPhone(a, b) ? kOtherPhoneWeight : 0;
    score += birthdayScore(a.birthday, b.birthday);
    score += compared(a.homeStreet, b.homeStreet, kStreetWeight);
    score += compared(a.homeZip, b.homeZip, kZipWeight);
    // Most pairs the finder scores are two people whose names are alike: what they do not
    // share decides before the names are compared.
    constexpr int kBestNameAndDetails = kRareNameWeight + kManyDetailsWeight + kNameAloneWeight;
    if (score + kBestNameAndDetails < kDuplicateScore)
        return score + kBestNameAndDetails;
    const NameLikeness likeness = compareNames(a.name, b.name);
    const int name = nameScore(likeness, std::max(a.nameCount, b.nameCount) > kCommonNameCount);
    if (name == kApart)
        return kApart;
    score += name + detailScore(a, b);
    // Two entries that are a name and nothing else, the same name: one person typed twice.
    if (likeness == NameLikeness::Same && a.onlyName && b.onlyName)
        score += kNameAloneWeight;
    return score;
}

} // namespace qor
