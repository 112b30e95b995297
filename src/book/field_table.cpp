#include "field_table.h"

#include "../../res/control_ids.h"

namespace qor {

namespace {
using F = ContactField;
using K = ControlKind;

constexpr std::array<FieldInfo, kFieldCount> kFields{{
    {F::SURNAME, "Surname", "SURNAME", kSurnameEdit, K::Edit, "Surname", "Surname"},
    {F::FIRSTNAME, "Name", "FIRSTNAME", kFirstNameEdit, K::Edit, "First Name", "First Name"},
    {F::NICKNAME, "Nickname", "NICKNAME", kNicknameEdit, K::Edit, "NickName:", "Nickname"},
    {F::OVERALL, "Rating", "OVERALL", kOverallEdit, K::Edit, "Overall:", "Overall"},
    {F::EMAIL, "email", "EMAIL", kEmailEdit, K::Edit, "Email", "Email"},
    {F::LIKES, "likes", "LIKES", kLikesEdit, K::Edit, "Likes:", "Likes"},
    {F::DISLIKES, "dislikes", "DISLIKES", kDislikesEdit, K::Edit, "Dislikes:", "Dislikes"},
    {F::COMMENTS, "comments", "COMMENTS", kCommentsEdit, K::Edit, "Comments:", "Comments"},
    {F::HOMECITY, "homecity", "HOMECITY", kHomeCityEdit, K::Edit, "City", "Home city"},
    {F::HOMESTATE, "homestate", "HOMESTATE", kHomeStateEdit, K::Edit, "State", "Home state"},
    {F::HOMESTREET, "homestreet", "HOMESTREET", kHomeStreetEdit, K::Edit, "Street", "Home street"},
    {F::HOMEZIP, "homezip", "HOMEZIP", kHomeZipEdit, K::Edit, "Zip", "Home zip"},
    {F::MOBILE, "mobile", "MOBILE", kMobileEdit, K::Edit, "Mobile:", "Mobile phone"},
    {F::TEL, "tel", "TEL", kHomeTelEdit, K::Edit, "Home:", "Home phone"},
    {F::WORKSTREET, "workstreet", "WORKSTREET", kWorkStreetEdit, K::Edit, "Street", "Work street"},
    {F::WORKCITY, "workcity", "WORKCITY", kWorkCityEdit, K::Edit, "City", "Work city"},
    {F::WORKSTATE, "workstate", "WORKSTATE", kWorkStateEdit, K::Edit, "State", "Work state"},
    {F::WORKZIP, "workzip", "WORKZIP", kWorkZipEdit, K::Edit, "Zip", "Work zip"},
    {F::WORKTEL, "worktel", "WORKTEL", kWorkTelEdit, K::Edit, "Work", "Work phone"},
    {F::RATING, "rating", "RATING", 0, K::None, "", ""},
    {F::BESTFEATURE, "bestfeature", "BESTFEATURE", kBestFeatureCombo, K::Combo, "Best:", "Best feature"},
    {F::EYES, "eyes", "EYES", kEyesCombo, K::Combo, "Eyes:", "Eyes"},
    {F::HAIR, "hair", "HAIR", kHairCombo, K::Combo, "Hair:", "Hair"},
    {F::HEIGHT, "height", "HEIGHT", kHeightCombo, K::Combo, "Hieght:", "Height"},
    {F::BODY, "body", "BODY", kBodyCombo, K::Combo, "Body:", "Body"},
    {F::INBED, "inbed", "INBED", kInBedCombo, K::Combo, "In Bed:", "In Bed"},
    {F::LOOKS, "looks", "LOOKS", kLooksCombo, K::Combo, "Looks:", "Looks"},
    {F::PERSONALITY, "personality", "PERSONALITY", kPersonalityCombo, K::Combo, "Personality:", "Personality"},
    {F::DOBDAY, "bobday", "DOBDAY", kDobDayCombo, K::Combo, "DOB:", "Date of birth: day"},
    {F::DOBMON, "dobmon", "DOBMON", kDobMonthCombo, K::Combo, "DOB:", "Date of birth: month"},
    {F::DOBYEAR, "dobyear", "DOBYEAR", kDobYearCombo, K::Combo, "DOB:", "Date of birth: year"},
    {F::ANDAY, "anday", "ANDAY", kAnDayCombo, K::Combo, "Aniversary:", "Anniversary: day"},
    {F::ANMON, "andob", "ANMON", kAnMonthCombo, K::Combo, "Aniversary:", "Anniversary: month"},
    {F::ANYEAR, "anyear", "ANYEAR", kAnYearCombo, K::Combo, "Aniversary:", "Anniversary: year"},
}};

constexpr bool tableIsInColumnOrder()
{
    for (std::size_t i = 0; i < kFields.size(); ++i)
        if (columnOf(kFields[i].field) != i)
            return false;
    return true;
}
static_assert(tableIsInColumnOrder());
} // namespace

const std::array<FieldInfo, kFieldCount>& fieldTable() { return kFields; }

std::optional<ContactField> fieldForKey(std::string_view key)
{
    // The shortest key has 3 bytes and the longest 11; most lines of a book are keys, so reject
    // by length before comparing.
    if (key.size() < 3 || key.size() > 11)
        return std::nullopt;
    for (const FieldInfo& info : kFields)
        if (info.key == key)
            return info.field;
    return std::nullopt;
}

std::optional<ContactField> fieldForControl(int controlId)
{
    for (const FieldInfo& info : kFields)
        if (info.controlId == controlId && controlId != 0)
            return info.field;
    return std::nullopt;
}

} // namespace qor
