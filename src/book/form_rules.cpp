#include "form_rules.h"

#include "combo_entries.h"
#include "field_table.h"

namespace qor {

const std::array<ContactField, 33>& exchangeOrder()
{
    using F = ContactField;
    static constexpr std::array<ContactField, 33> order{
        F::WORKZIP, F::EYES, F::HAIR, F::HEIGHT, F::COMMENTS, F::DISLIKES, F::EMAIL,
        F::FIRSTNAME, F::HOMECITY, F::HOMESTATE, F::HOMESTREET, F::HOMEZIP, F::LIKES,
        F::MOBILE, F::NICKNAME, F::SURNAME, F::TEL, F::WORKCITY, F::WORKSTATE,
        F::WORKSTREET, F::WORKTEL, F::BESTFEATURE, F::BODY, F::INBED, F::LOOKS,
        F::PERSONALITY, F::DOBDAY, F::ANDAY, F::DOBMON, F::ANMON, F::DOBYEAR, F::ANYEAR,
        F::OVERALL,
    };
    return order;
}

std::size_t countChars(std::string_view utf8)
{
    // Every byte that is not a continuation byte (10xxxxxx) starts a character.
    std::size_t n = 0;
    for (char c : utf8)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

bool exceedsFieldLimit(std::string_view utf8)
{
    // A text of at most 255 bytes cannot hold more than 255 characters.
    return utf8.size() > kMaxFieldChars && countChars(utf8) > kMaxFieldChars;
}

std::string_view shownText(ContactField f, std::string_view text)
{
    const FieldInfo& info = fieldInfo(f);
    if (info.kind != ControlKind::Combo)
        return text;
    const int index = findComboEntryFast(info.controlId, text);
    return index < 0 ? text : std::string_view(comboEntriesInListOrder(info.controlId)[static_cast<std::size_t>(index)]);
}

std::optional<ContactField> passThroughForm(ContactRecord& record)
{
    std::optional<ContactField> firstOverLong;
    for (ContactField f : exchangeOrder()) {
        const std::string& text = record[f];
        const std::string_view shown = shownText(f, text);
        if (shown.data() != text.data())
            record.setText(columnOf(f), shown);
        if (!firstOverLong && exceedsFieldLimit(text))
            firstOverLong = f;
    }
    return firstOverLong;
}

} // namespace qor
