// Writes a generated book and its calendar, for check_calendar.py to compare with an
// independent iCalendar parser:  write_sample_calendar FOLDER  ->  FOLDER/book.qor, FOLDER/book.ics
#include "book_file.h"
#include "book_text.h"
#include "ical_writer.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

using namespace qor;
using F = ContactField;

namespace {

constexpr std::size_t kContacts = 600;

class Random {
public:
    std::uint32_t below(std::uint32_t n)
    {
        m_state = m_state * 1664525u + 1013904223u;
        return (m_state >> 8) % n;
    }
    template <typename T> const T& pick(const std::vector<T>& from) { return from[below(static_cast<std::uint32_t>(from.size()))]; }

private:
    std::uint32_t m_state = 20261207u;
};

std::string randomCase(Random& rng, std::string text)
{
    for (char& c : text)
        if (rng.below(3) == 0 && c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

ContactRecord generate(Random& rng)
{
    static const std::vector<std::string> firsts = {
        "Ann", "Bob", "Jos\xC3\xA9", "Zo\xC3\xAB", "\xE6\x9D\x8E", "", "O'Neil, Jr", "Semi;colon", "Back\\slash",
        "Emoji \xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80"};
    static const std::vector<std::string> surnames = {"Lee", "Smith", "", "M\xC3\xBCller", "Nguy\xE1\xBB\x85n",
                                                      "Double-Barrelled-Surname-That-Is-Long-Enough-To-Need-Folding"};
    static const std::vector<std::string> months = {
        "january", "february", "march", "april", "may", "june", "july", "august", "september", "october",
        "november", "december", "jan", "feb", "mar", "apr", "jun", "jul", "aug", "sep", "oct", "nov", "dec",
        "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "02", "Ju", "Sept", "0", "13", ""};
    static const std::vector<std::string> years = {"", "", "1980", "1981", "2000", "1900", "1964", "2024", "80", "0000"};
    static const std::vector<std::string> oddDays = {"", "0", "32", "x", " 7", "07", "1st"};

    ContactRecord r;
    r[F::FIRSTNAME] = rng.pick(firsts);
    r[F::SURNAME] = rng.pick(surnames);
    if (rng.below(4) == 0)
        r[F::NICKNAME] = "Nick " + std::to_string(rng.below(100));
    if (rng.below(4) == 0)
        r[F::EMAIL] = "someone" + std::to_string(rng.below(100)) + "@example.org";
    const auto date = [&](F day, F month, F year) {
        if (rng.below(10) == 0) { // the day most often got wrong
            r[day] = "29";
            r[month] = randomCase(rng, "feb");
        } else {
            r[day] = rng.below(8) == 0 ? rng.pick(oddDays) : std::to_string(1 + rng.below(31));
            r[month] = randomCase(rng, rng.pick(months));
        }
        r[year] = rng.pick(years);
    };
    date(F::DOBDAY, F::DOBMON, F::DOBYEAR);
    if (rng.below(2) == 0)
        date(F::ANDAY, F::ANMON, F::ANYEAR);
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    Random rng;
    std::vector<ContactRecord> book;
    for (std::size_t i = 0; i < kContacts; ++i)
        book.push_back(generate(rng));
    book.push_back(book[3]); // an identical copy: its events need UIDs of their own
    const auto row = [&](std::size_t i) -> const ContactRecord& { return book[i]; };

    const std::filesystem::path folder = argv[1];
    const WriteResult bookWritten =
        replaceFileSafely(folder / "book.qor", formatBook(book.size(), row, TextEncoding::Utf8).bytes);
    const WriteResult calendarWritten =
        replaceFileSafely(folder / "book.ics", formatCalendar(book.size(), row, 1796625660));
    if (!bookWritten.ok || !calendarWritten.ok) {
        std::fprintf(stderr, "%s%s\n", bookWritten.error.c_str(), calendarWritten.error.c_str());
        return 1;
    }
    return 0;
}
