#include "book_generator.h"

#include "bench_random.h"

#include <cstdlib>
#include <fstream>
#include <array>
#include <string_view>

namespace qor {

namespace {

using F = ContactField;

using Random = BenchRandom;

constexpr std::array<std::string_view, 24> kFirstNames{
    "Anna", "Ben", "Chidi", "Dana", "Eli", "Fatima", "George", "Hana", "Ivan", "Julia", "Kofi",
    "Laura", "Mateo", "Nina", "Omar", "Priya", "Quinn", "Rosa", "Sam", "Tariq", "Ursula",
    "Ren\xC3\xA9" "e", "Jos\xC3\xA9", "Zo\xC3\xAB"};
constexpr std::array<std::string_view, 24> kSurnames{
    "Smith", "Jones", "Okafor", "Nguyen", "Garcia", "M\xC3\xBCller", "Rossi", "Kowalski",
    "Brown", "Patel", "Kim", "Silva", "O'Brien", "Dubois", "Novak", "Haddad", "Larsen",
    "Tanaka", "Murphy", "Fischer", "Ivanova", "Mendes", "Walker", "Ahmed"};
constexpr std::array<std::string_view, 12> kNicknames{
    "Ace", "Bee", "Doc", "Red", "Sunny", "Kit", "Jay", "Mo", "Pip", "Tex", "Viv", "Wren"};
constexpr std::array<std::string_view, 16> kStreets{
    "Elm Road", "High Street", "Station Lane", "Mill Close", "Church Walk", "Park Avenue",
    "Queen's Drive", "Harbour View", "Oak Crescent", "Market Square", "Rue de la Paix",
    "Hauptstra\xC3\x9F" "e", "Canal Side", "Victoria Terrace", "North Parade", "Willow Way"};
constexpr std::array<std::string_view, 16> kCities{
    "Leeds", "York", "Bristol", "Glasgow", "Cardiff", "Dublin", "Lyon", "K\xC3\xB6ln",
    "Porto", "Boston", "Austin", "Toronto", "Perth", "Oslo", "Bradford", "Norwich"};
constexpr std::array<std::string_view, 10> kStates{
    "West Yorkshire", "Avon", "Lanarkshire", "Glamorgan", "Leinster", "MA", "TX", "ON", "WA",
    "Norfolk"};
constexpr std::array<std::string_view, 8> kDomains{
    "example.org", "example.com", "mail.example.net", "post.example", "inbox.example.co.uk",
    "web.example.de", "example.fr", "example.io"};
constexpr std::array<std::string_view, 12> kLikes{
    "long walks", "jazz", "board games", "sushi", "climbing", "old films", "gardening",
    "crosswords", "caf\xC3\xA9s", "sailing", "poetry", "football"};
constexpr std::array<std::string_view, 12> kMonths{
    "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
// Combo texts as they are stored: whole entries, and prefixes the form completes.
constexpr std::array<std::string_view, 8> kHair{"Black", "Blonde", "Dark Brown", "Light Brown",
                                                "Red", "bl", "da", "li"};
constexpr std::array<std::string_view, 7> kEyes{"Blue", "Brown", "Green", "Grey", "Hazel", "gr", "b"};
constexpr std::array<std::string_view, 9> kHeights{"5 ft 6'", "5 ft 10'", "6 ft", "6 ft 2'", "4 ft 11'",
                                                   "6", "5 ft", "4", "7 ft +"};
constexpr std::array<std::string_view, 7> kBest{"Hair", "Eyes", "Height", "Looks", "Body",
                                                "Personality", "pe"};
constexpr std::string_view kLorem =
    "Met at the book club in the spring; lent me three novels and never asked for them back. "
    "Allergic to cats, loves the sea, always late but always worth the wait. Call before "
    "visiting: the doorbell has not worked since the storm. ";

std::string digits(Random& rng, std::size_t n)
{
    std::string s(n, '0');
    for (char& c : s)
        c = static_cast<char>('0' + rng.below(10));
    return s;
}

std::string number(std::size_t v) { return std::to_string(v); }

ContactRecord generateContact(Random& rng)
{
    ContactRecord r;
    const std::string_view first = rng.pick(kFirstNames);
    const std::string_view last = rng.pick(kSurnames);
    r[F::SURNAME] = last;
    r[F::FIRSTNAME] = first;
    if (rng.percent(20))
        r[F::NICKNAME] = rng.pick(kNicknames);
    if (rng.percent(60))
        r[F::OVERALL] = number(1 + rng.below(10));
    if (rng.percent(70))
        r[F::EMAIL] = asciiLower(first) + "." + asciiLower(last) + number(rng.below(100)) + "@"
                      + std::string(rng.pick(kDomains));
    if (rng.percent(40))
        r[F::LIKES] = std::string(rng.pick(kLikes)) + ", " + std::string(rng.pick(kLikes));
    if (rng.percent(25))
        r[F::DISLIKES] = rng.pick(kLikes);
    if (rng.percent(5)) {
        // A long comment, now and then longer than the form's 255-character limit.
        const std::size_t size = 100 + rng.below(600);
        std::string text;
        while (text.size() < size)
            text += kLorem;
        text.resize(size);
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        r[F::COMMENTS] = text;
    } else if (rng.percent(20)) {
        r[F::COMMENTS] = "Met at " + std::string(rng.pick(kCities)) + " in " + number(1990 + rng.below(35));
    }
    if (rng.percent(60)) {
        r[F::HOMESTREET] = number(1 + rng.below(200)) + " " + std::string(rng.pick(kStreets));
        r[F::HOMECITY] = rng.pick(kCities);
        if (rng.percent(50))
            r[F::HOMESTATE] = rng.pick(kStates);
        r[F::HOMEZIP] = digits(rng, 5);
    }
    if (rng.percent(75))
        r[F::MOBILE] = "+44 7" + digits(rng, 3) + " " + digits(rng, 6);
    if (rng.percent(40))
        r[F::TEL] = "0" + digits(rng, 3) + " " + digits(rng, 3) + " " + digits(rng, 4);
    if (rng.percent(30)) {
        r[F::WORKSTREET] = number(1 + rng.below(90)) + " " + std::string(rng.pick(kStreets));
        r[F::WORKCITY] = rng.pick(kCities);
        if (rng.percent(40))
            r[F::WORKSTATE] = rng.pick(kStates);
        r[F::WORKZIP] = digits(rng, 5);
        r[F::WORKTEL] = "0" + digits(rng, 3) + " " + digits(rng, 7);
    }
    if (rng.percent(50))
        r[F::RATING] = number(rng.below(6));
    if (rng.percent(50)) {
        r[F::BESTFEATURE] = rng.pick(kBest);
        r[F::EYES] = rng.pick(kEyes);
        r[F::HAIR] = rng.pick(kHair);
        r[F::HEIGHT] = rng.pick(kHeights);
        r[F::BODY] = number(1 + rng.below(10));
        r[F::INBED] = number(1 + rng.below(10));
        r[F::LOOKS] = number(1 + rng.below(10));
        r[F::PERSONALITY] = number(1 + rng.below(10));
    }
    if (rng.percent(55)) {
        r[F::DOBDAY] = number(1 + rng.below(31));
        r[F::DOBMON] = rng.pick(kMonths);
        r[F::DOBYEAR] = number(1940 + rng.below(70));
    }
    if (rng.percent(15)) {
        r[F::ANDAY] = number(1 + rng.below(28));
        r[F::ANMON] = rng.percent(80) ? std::string(rng.pick(kMonths)) : "Ju";
        r[F::ANYEAR] = number(1970 + rng.below(55));
    }
    return r;
}

} // namespace

std::string asciiLower(std::string_view s)
{
    std::string out;
    for (char c : s)
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))
            out.push_back(static_cast<char>(c | 0x20));
    return out;
}

std::vector<ContactRecord> generateContacts(std::size_t n, std::uint32_t seed)
{
    Random rng(seed);
    std::vector<ContactRecord> records;
    records.reserve(n);
    for (std::size_t i = 0; i < n; ++i)
        records.push_back(generateContact(rng));
    return records;
}

std::string generateBookBytes(std::size_t n, std::uint32_t seed, TextEncoding encoding)
{
    const std::vector<ContactRecord> records = generateContacts(n, seed);
    return formatBook(records.size(),
                      [&](std::size_t i) -> const ContactRecord& { return records[i]; }, encoding)
        .bytes;
}

long peakResidentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

} // namespace qor
