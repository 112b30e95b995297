#include "planted_duplicates.h"

#include "bench_random.h"
#include "book_generator.h"

#include <array>
#include <string>
#include <string_view>

namespace qor {

namespace {

using F = ContactField;

using Random = BenchRandom;

constexpr std::array<std::string_view, 30> kSurnameStarts{
    "Ab", "Bar", "Ca", "Dal", "El", "Fer", "Gar", "Hol", "Ib", "Jan", "Kal", "Lar", "Mar", "Nor", "Ol",
    "Pet", "Quin", "Ros", "Sal", "Tor", "Ul", "Val", "Wes", "Yor", "Zel", "Br\xC3\xB3", "M\xC3\xBCl",
    "S\xC3\xB8", "L\xC3\xB3", "D\xC3\xBC"};
constexpr std::array<std::string_view, 10> kSurnameMiddles{"", "an", "er", "in", "os", "el", "ar", "ov", "ic", "ma"};
constexpr std::array<std::string_view, 16> kSurnameEnds{
    "son", "sen", "ez", "ski", "ton", "berg", "ley", "ford", "ini", "ova", "ard", "ing", "well", "er",
    "str\xC3\xB6m", "i\xC3\xA8re"};
constexpr std::array<std::string_view, 100> kFirstNames{
    "James", "Mary", "John", "Patricia", "Robert", "Jennifer", "Michael", "Linda", "William", "Elizabeth",
    "David", "Barbara", "Richard", "Susan", "Joseph", "Jessica", "Thomas", "Sarah", "Charles", "Karen",
    "Chris", "Nancy", "Daniel", "Lisa", "Matthew", "Betty", "Anthony", "Margaret", "Mark", "Sandra",
    "Donald", "Ashley", "Steven", "Kimberly", "Paul", "Emily", "Andrew", "Donna", "Joshua", "Michelle",
    "Kenneth", "Dorothy", "Kevin", "Carol", "Brian", "Amanda", "George", "Melissa", "Edward", "Deborah",
    "Ronald", "Stephanie", "Timothy", "Rebecca", "Jason", "Sharon", "Jeffrey", "Laura", "Ryan", "Cynthia",
    "Jacob", "Kathleen", "Gary", "Amy", "Nicholas", "Shirley", "Eric", "Angela", "Jonathan", "Helen",
    "Stephen", "Anna", "Larry", "Brenda", "Justin", "Pamela", "Scott", "Nicole", "Brandon", "Emma",
    "Ren\xC3\xA9" "e", "Jos\xC3\xA9", "Zo\xC3\xAB", "Chlo\xC3\xA9", "Ana\xC3\xAF" "s", "Bj\xC3\xB6rn",
    "Fran\xC3\xA7ois", "In\xC3\xA9s", "L\xC3\xA9" "a", "Ma\xC3\xAB" "l", "Chidi", "Fatima", "Kofi",
    "Priya", "Tariq", "Hana", "Ivan", "Mateo", "Omar", "Rosa"};
constexpr std::array<std::string_view, 8> kDomains{
    "example.org", "example.com", "mail.example.net", "post.example", "gmail.com", "web.example.de",
    "example.fr", "example.io"};

std::string surnameOf(Random& rng)
{
    const std::size_t count = kSurnameStarts.size() * kSurnameMiddles.size() * kSurnameEnds.size();
    std::size_t i = rng.skewed(count, 2.0);
    std::string name(kSurnameStarts[i % kSurnameStarts.size()]);
    i /= kSurnameStarts.size();
    name += kSurnameMiddles[i % kSurnameMiddles.size()];
    name += kSurnameEnds[i / kSurnameMiddles.size()];
    return name;
}

// The name's accented letters (all two-byte UTF-8 here) as their plain letters.
std::string withoutAccents(std::string_view s)
{
    static const std::array<std::pair<std::string_view, char>, 10> plain{{{"\xC3\xB3", 'o'}, {"\xC3\xBC", 'u'},
        {"\xC3\xB8", 'o'}, {"\xC3\xB6", 'o'}, {"\xC3\xA8", 'e'}, {"\xC3\xA9", 'e'}, {"\xC3\xAB", 'e'},
        {"\xC3\xAF", 'i'}, {"\xC3\xA7", 'c'}, {"\xC3\x89", 'E'}}};
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        bool replaced = false;
        for (const auto& [accented, letter] : plain)
            if (s.substr(i, 2) == accented) {
                out.push_back(letter);
                ++i;
                replaced = true;
                break;
            }
        if (!replaced)
            out.push_back(s[i]);
    }
    return out;
}

// A typing slip in an ASCII letter of `word` past its first: changed, dropped, doubled, or
// swapped with the next.
void mistype(std::string& word, Random& rng)
{
    if (word.size() < 4)
        return;
    const std::size_t at = 1 + rng.below(word.size() - 2);
    if (static_cast<unsigned char>(word[at]) >= 0x80 || static_cast<unsigned char>(word[at + 1]) >= 0x80)
        return;
    switch (rng.below(4)) {
    case 0:
        word[at] = static_cast<char>('a' + rng.below(26));
        break;
    case 1:
        word.erase(at, 1);
        break;
    case 2:
        word.insert(at, 1, word[at]);
        break;
    default:
        std::swap(word[at], word[at + 1]);
    }
}

std::string mobileWrittenAnotherWay(const std::string& mobile, Random& rng)
{
    // The book generator writes "+44 7ddd dddddd".
    const std::string national = mobile.substr(4);
    std::string written;
    switch (rng.below(4)) {
    case 0:
        written.append("0").append(national);
        break;
    case 1:
        written.append("0044 ").append(national);
        break;
    case 2:
        written.append("+44(0)").append(national, 0, 4).append("-").append(national, 5);
        break;
    default:
        written.append("0").append(national, 0, 4).append(" ").append(national, 5, 3).append(" ").append(national, 8);
    }
    return written;
}

void dropAField(ContactRecord& r, Random& rng)
{
    switch (rng.below(4)) {
    case 0:
        r[F::EMAIL].clear();
        break;
    case 1:
        r[F::MOBILE].clear();
        break;
    case 2:
        r[F::DOBDAY].clear();
        r[F::DOBMON].clear();
        r[F::DOBYEAR].clear();
        break;
    default:
        for (F f : {F::HOMESTREET, F::HOMECITY, F::HOMESTATE, F::HOMEZIP})
            r[f].clear();
    }
}

void change(ContactRecord& r, Random& rng)
{
    switch (rng.below(9)) {
    case 0:
        mistype(r[F::SURNAME], rng);
        break;
    case 1:
        mistype(r[F::FIRSTNAME], rng);
        break;
    case 2:
        std::swap(r[F::SURNAME], r[F::FIRSTNAME]);
        break;
    case 3:
        r[F::SURNAME] = r[F::SURNAME] + ", " + r[F::FIRSTNAME];
        r[F::FIRSTNAME].clear();
        break;
    case 4:
        r[F::SURNAME] = withoutAccents(r[F::SURNAME]);
        r[F::FIRSTNAME] = withoutAccents(r[F::FIRSTNAME]);
        break;
    case 5:
        for (char& c : r[F::SURNAME])
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        break;
    case 6:
        if (r[F::MOBILE].starts_with("+44 "))
            r[F::MOBILE] = mobileWrittenAnotherWay(r[F::MOBILE], rng);
        else if (r[F::EMAIL].ends_with("@gmail.com"))
            r[F::EMAIL].replace(r[F::EMAIL].size() - 9, 9, "googlemail.com");
        else if (!r[F::EMAIL].empty() && r[F::EMAIL][0] >= 'a' && r[F::EMAIL][0] <= 'z')
            r[F::EMAIL][0] = static_cast<char>(r[F::EMAIL][0] - 'a' + 'A');
        break;
    case 7:
        dropAField(r, rng);
        break;
    default:
        r[F::COMMENTS] = "Called about the reunion";
        r[F::LIKES] = "hiking";
        break;
    }
}

} // namespace

PlantedBook plantDuplicates(std::size_t n, std::uint32_t seed)
{
    Random rng(seed ^ 0x5EEDu); // not the book generator's own sequence
    // The book generator's contacts give every field but the names and the e-mail address.
    std::vector<ContactRecord> people = generateContacts(n, seed);
    for (std::size_t i = 0; i < people.size(); ++i) {
        ContactRecord& r = people[i];
        r[F::SURNAME] = surnameOf(rng);
        r[F::FIRSTNAME] = kFirstNames[rng.skewed(kFirstNames.size(), 1.5)];
        if (!r[F::EMAIL].empty())
            r[F::EMAIL] = asciiLower(r[F::FIRSTNAME]) + "." + asciiLower(r[F::SURNAME]) + std::to_string(i)
                          + "@" + std::string(kDomains[rng.below(kDomains.size())]);
    }

    PlantedBook book;
    std::size_t person = 0;
    while (book.contacts.size() < n) {
        const ContactRecord& original = people[person];
        book.contacts.push_back(original);
        book.person.push_back(static_cast<std::uint32_t>(person));
        const std::size_t copies = rng.percent(5) ? (rng.percent(10) ? 2 : 1) : 0;
        for (std::size_t c = 0; c < copies && book.contacts.size() < n; ++c) {
            ContactRecord copy = original;
            change(copy, rng);
            if (rng.percent(40))
                change(copy, rng);
            book.contacts.push_back(std::move(copy));
            book.person.push_back(static_cast<std::uint32_t>(person));
            book.plantedPairs += c + 1; // with the first entry, and with each copy before it
        }
        ++person;
    }
    // Shuffled (Fisher-Yates), so that the copies are not beside their originals.
    for (std::size_t i = book.contacts.size(); i > 1; --i) {
        const std::size_t j = rng.below(i);
        std::swap(book.contacts[i - 1], book.contacts[j]);
        std::swap(book.person[i - 1], book.person[j]);
    }
    return book;
}

} // namespace qor
