#include "form_rules.h"

#include "combo_entries.h"
#include "control_bytes.h"
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

bool holdsLineEnd(std::string_view text)
{
    // Every value entering the list is asked, a hundred thousand contacts at a time on an
    // import; CR is 0x0D and LF 0x0A.
    return findControlByte<0x0E>(text, [](char c) { return endsBookLine(static_cast<unsigned char>(c)); })
        != std::string_view::npos;
}

void flattenLineEnds(std::string& text)
{
    if (!holdsLineEnd(text))
        return;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (endsBookLine(static_cast<unsigned char>(c))) {
            i += c == '\r' && i + 1 < text.size() && text[i + 1] == '\n'; // CR LF is one line end
            c = ' ';
        }
        text[kept++] = c;
    }
    text.resize(kept);
}

bool flattenLineEnds(ContactRecord& record)
{
    bool changed = false;
    for (std::size_t column = 0; column < kFieldCount; ++column) {
        if (!holdsLineEnd(record[column]))
            continue;
        flattenLineEnds(record[column]);
        record.windows1252Fields.reset(column);
        changed = true;
    }
    return changed;
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
