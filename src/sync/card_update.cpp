#include "card_update.h"

#include "contact_exchange.h"
#include "hex_digits.h"
#include "vcard_reader.h"
#include "vcard_writer.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <random>
#include <vector>

namespace qor {

namespace {

// A card's content lines, unfolded, without BEGIN and END.
std::vector<std::string> contentLines(std::string_view card)
{
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < card.size()) {
        std::size_t end = card.find('\n', pos);
        if (end == std::string_view::npos)
            end = card.size();
        std::string_view line = card.substr(pos, end - pos);
        pos = end + 1;
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (!line.empty() && (line[0] == ' ' || line[0] == '\t') && !lines.empty())
            lines.back().append(line.substr(1));
        else if (!line.empty())
            lines.emplace_back(line);
    }
    std::erase_if(lines, [](const std::string& l) {
        std::string upper(l.substr(0, 11));
        std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
        return upper.starts_with("BEGIN:VCARD") || upper.starts_with("END:VCARD");
    });
    return lines;
}

// The property's name, upper case, without its group.
std::string nameOf(std::string_view line)
{
    std::string_view name = line.substr(0, line.find_first_of(";:"));
    if (const std::size_t dot = name.find('.'); dot != std::string_view::npos)
        name.remove_prefix(dot + 1);
    std::string upper(name);
    std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
    return upper;
}

bool isWrittenAfresh(const std::string& name)
{
    static const std::vector<std::string> names{"VERSION", "PRODID", "UID", "N", "FN", "NICKNAME", "NOTE", "BDAY",
                                                "ANNIVERSARY", "X-ANNIVERSARY", "LABEL", "REV"};
    return name.starts_with("X-QOR-") || std::find(names.begin(), names.end(), name) != names.end();
}

// Values the reader may place in a field, or leave out when the fields are taken.
bool mayBePlaced(const std::string& name) { return name == "TEL" || name == "EMAIL" || name == "ADR"; }

std::string cardOf(const std::vector<std::string>& lines, std::size_t without)
{
    std::string card = "BEGIN:VCARD\r\n";
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (i != without)
            card += lines[i] + "\r\n";
    return card + "END:VCARD\r\n";
}

std::optional<ContactRecord> contactOf(std::string_view card)
{
    ImportResult read = readVCards(card);
    if (!read.ok || read.contacts.empty())
        return std::nullopt;
    return std::move(read.contacts.front());
}

// Appends `line` folded at 75 octets, never inside a UTF-8 sequence.
void appendFolded(std::string& out, std::string_view line)
{
    constexpr std::size_t kWidth = 75;
    std::size_t room = kWidth;
    while (line.size() > room) {
        std::size_t cut = room;
        while (cut > 1 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
            --cut;
        out.append(line.substr(0, cut));
        out += "\r\n ";
        line.remove_prefix(cut);
        room = kWidth - 1;
    }
    out.append(line);
    out += "\r\n";
}

std::string withUid(std::string card, std::string_view uidLine)
{
    std::vector<std::string> lines = contentLines(card);
    std::string out = "BEGIN:VCARD\r\n";
    for (const std::string& line : lines)
        if (nameOf(line) != "UID")
            appendFolded(out, line);
        else if (!uidLine.empty())
            appendFolded(out, uidLine);
    return out;
}

} // namespace

std::string randomUid()
{
    std::random_device device;
    std::mt19937_64 bits((static_cast<std::uint64_t>(device()) << 32) ^ device());
    const std::uint64_t a = bits(), b = bits();
    return hexDigits(a >> 32, 8) + '-' + hexDigits(a >> 16, 4) + "-4" + hexDigits(a, 3) + '-'
        + hexDigits(0x8000 | ((b >> 48) & 0x3FFF), 4) + '-' + hexDigits(b, 12);
}

std::string newCard(const ContactRecord& contact, std::string_view uid)
{
    const std::vector<ContactRecord> one{contact};
    return withUid(writeVCards(rowsOf(one), VCardVersion::V3), "UID:" + std::string(uid)) + "END:VCARD\r\n";
}

std::string updatedCard(std::string_view serverCard, const ContactRecord& contact)
{
    const std::vector<std::string> lines = contentLines(serverCard);
    bool v4 = false;
    std::string uidLine;
    for (const std::string& line : lines) {
        const std::string name = nameOf(line);
        if (name == "VERSION")
            v4 = line.find("4.0") != std::string::npos;
        else if (name == "UID")
            uidLine = line;
    }
    const std::vector<ContactRecord> one{contact};
    std::string card = withUid(writeVCards(rowsOf(one), v4 ? VCardVersion::V4 : VCardVersion::V3), uidLine);
    const std::optional<ContactRecord> whole = contactOf(serverCard);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string name = nameOf(lines[i]);
        if (isWrittenAfresh(name))
            continue;
        // A phone, e-mail or address is ours to write when the reader placed it in a field:
        // the card without it reads otherwise.
        if (mayBePlaced(name) && (!whole || contactOf(cardOf(lines, i)) != whole))
            continue;
        appendFolded(card, lines[i]);
    }
    return card + "END:VCARD\r\n";
}

} // namespace qor
