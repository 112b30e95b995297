#include "field_table.h"

namespace qor {

namespace {
using F = ContactField;
using K = ControlKind;

constexpr std::array<FieldInfo, kFieldCount> kFields{{
    {F::SURNAME, "Surname", "SURNAME", 1000, K::Edit, "Surname"},
    {F::FIRSTNAME, "Name", "FIRSTNAME", 1002, K::Edit, "First Name"},
    {F::NICKNAME, "Nickname", "NICKNAME", 1008, K::Edit, "NickName:"},
    {F::OVERALL, "Rating", "OVERALL", 1009, K::Edit, "Overall:"},
    {F::EMAIL, "email", "EMAIL", 1007, K::Edit, "Email"},
    {F::LIKES, "likes", "LIKES", 1012, K::Edit, "Likes:"},
    {F::DISLIKES, "dislikes", "DISLIKES", 1010, K::Edit, "Dislikes:"},
    {F::COMMENTS, "comments", "COMMENTS", 1011, K::Edit, "Comments:"},
    {F::HOMECITY, "homecity", "HOMECITY", 1019, K::Edit, "City"},
    {F::HOMESTATE, "homestate", "HOMESTATE", 1020, K::Edit, "State"},
    {F::HOMESTREET, "homestreet", "HOMESTREET", 1018, K::Edit, "Street"},
    {F::HOMEZIP, "homezip", "HOMEZIP", 1023, K::Edit, "Zip"},
    {F::MOBILE, "mobile", "MOBILE", 1003, K::Edit, "Mobile:"},
    {F::TEL, "tel", "TEL", 1004, K::Edit, "Home:"},
    {F::WORKSTREET, "workstreet", "WORKSTREET", 1021, K::Edit, "Street"},
    {F::WORKCITY, "workcity", "WORKCITY", 1022, K::Edit, "City"},
    {F::WORKSTATE, "workstate", "WORKSTATE", 1024, K::Edit, "State"},
    {F::WORKZIP, "workzip", "WORKZIP", 1025, K::Edit, "Zip"},
    {F::WORKTEL, "worktel", "WORKTEL", 1005, K::Edit, "Work"},
    {F::RATING, "rating", "RATING", 0, K::None, ""},
    {F::BESTFEATURE, "bestfeature", "BESTFEATURE", 1034, K::Combo, "Best:"},
    {F::EYES, "eyes", "EYES", 1015, K::Combo, "Eyes:"},
    {F::HAIR, "hair", "HAIR", 1014, K::Combo, "Hair:"},
    {F::HEIGHT, "height", "HEIGHT", 1016, K::Combo, "Hieght:"},
    {F::BODY, "body", "BODY", 1032, K::Combo, "Body:"},
    {F::INBED, "inbed", "INBED", 1017, K::Combo, "In Bed:"},
    {F::LOOKS, "looks", "LOOKS", 1031, K::Combo, "Looks:"},
    {F::PERSONALITY, "personality", "PERSONALITY", 1033, K::Combo, "Personality:"},
    {F::DOBDAY, "bobday", "DOBDAY", 1046, K::Combo, "DOB:"},
    {F::DOBMON, "dobmon", "DOBMON", 1047, K::Combo, "DOB:"},
    {F::DOBYEAR, "dobyear", "DOBYEAR", 1048, K::Combo, "DOB:"},
    {F::ANDAY, "anday", "ANDAY", 1049, K::Combo, "Aniversary:"},
    {F::ANMON, "andob", "ANMON", 1050, K::Combo, "Aniversary:"},
    {F::ANYEAR, "anyear", "ANYEAR", 1051, K::Combo, "Aniversary:"},
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
