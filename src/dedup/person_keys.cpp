// Names, e-mail addresses, phone numbers and dates of birth reduced to what tells a person
// apart, whatever way they were typed.
#include "person_keys.h"

#include "search_fold.h"

#include <algorithm>

namespace qor {

namespace {

bool isWordByte(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c >= 0x80; }

// The words of a folded text. An apostrophe (' or U+2019) joins the letters around it.
std::vector<std::string> wordsOf(std::string_view text)
{
    std::string folded;
    appendFolded(text, folded);
    std::vector<std::string> words;
    std::string word;
    for (std::size_t i = 0; i < folded.size(); ++i) {
        const auto c = static_cast<unsigned char>(folded[i]);
        if (c == '\'')
            continue;
        if (folded.compare(i, 3, "\xE2\x80\x99") == 0) {
            i += 2;
            continue;
        }
        if (isWordByte(c)) {
            word.push_back(static_cast<char>(c));
            continue;
        }
        if (!word.empty())
            words.push_back(std::move(word));
        word.clear();
    }
    if (!word.empty())
        words.push_back(std::move(word));
    return words;
}

std::string_view trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

void fillBag(PersonName& name)
{
    name.bag = name.surname;
    name.bag.insert(name.bag.end(), name.given.begin(), name.given.end());
    std::sort(name.bag.begin(), name.bag.end());
}

} // namespace

PersonName normaliseName(std::string_view surname, std::string_view firstName)
{
    PersonName name;
    const auto comma = surname.find(',');
    if (trimmed(firstName).empty() && comma != std::string_view::npos) {
        name.surname = wordsOf(surname.substr(0, comma));
        name.given = wordsOf(surname.substr(comma + 1));
    } else {
        name.surname = wordsOf(surname);
        name.given = wordsOf(firstName);
    }
    fillBag(name);
    return name;
}

std::string normaliseEmail(std::string_view email)
{
    email = trimmed(email);
    const auto at = email.rfind('@');
    if (at == std::string_view::npos || at == 0 || at + 1 == email.size())
        return {};
    std::string address;
    address.reserve(email.size());
    for (char c : email)
        address.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c | 0x20) : c);
    constexpr std::string_view kGoogleMail = "googlemail.com";
    if (address.size() - at - 1 == kGoogleMail.size() && address.ends_with(kGoogleMail))
        address.replace(at + 1, kGoogleMail.size(), "gmail.com");
    return address;
}

std::string normalisePhone(std::string_view phone)
{
    constexpr std::size_t kLineDigits = 9;
    constexpr std::size_t kFewestDigits = 6;
    std::string digits;
    appendDigits(phone, digits);
    if (digits.size() < kFewestDigits)
        return {};
    if (digits.size() > kLineDigits)
        digits.erase(0, digits.size() - kLineDigits);
    return digits;
}

std::string foldedWords(std::string_view text)
{
    std::string joined;
    for (const std::string& word : wordsOf(text)) {
        if (!joined.empty())
            joined.push_back(' ');
        joined += word;
    }
    return joined;
}

bool withinOneEdit(std::string_view a, std::string_view b)
{
    if (a.size() > b.size())
        std::swap(a, b);
    if (b.size() - a.size() > 1)
        return false;
    std::size_t i = 0;
    while (i < a.size() && a[i] == b[i])
        ++i;
    if (i == a.size())
        return true; // equal, or one letter added at the end
    if (a.size() == b.size()) {
        // One letter changed, or two neighbours swapped.
        if (a.substr(i + 1) == b.substr(i + 1))
            return true;
        return i + 1 < a.size() && a[i] == b[i + 1] && a[i + 1] == b[i] && a.substr(i + 2) == b.substr(i + 2);
    }
    return a.substr(i) == b.substr(i + 1); // one letter added to the shorter
}

} // namespace qor
