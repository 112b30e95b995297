// Writes the contacts of a generated book in abook's own address-book format, so that abook's
// conversion can be timed on the same contacts as QOR's reader and writer:
//
//     abook_book COUNT OUTFILE
//
// Each contact becomes one numbered section with abook's standard fields; the fields abook has
// no place for (ratings, looks, likes) go into its notes as "key: value" pairs, so both programs
// carry every text of every contact.
#include "book_generator.h"
#include "field_table.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

constexpr std::uint32_t kSeed = 20240601; // the seed every benchmark uses

using F = qor::ContactField;

// abook reads one line per field: no line breaks inside a value.
std::string oneLine(const std::string& text)
{
    std::string line = text;
    for (char& c : line)
        if (c == '\n' || c == '\r')
            c = ' ';
    return line;
}

void field(std::string& out, const char* key, const std::string& value)
{
    if (value.empty())
        return;
    out += key;
    out += '=';
    out += oneLine(value);
    out += '\n';
}

std::string joined(const std::string& a, const char* separator, const std::string& b)
{
    if (a.empty() || b.empty())
        return a + b;
    return a + separator + b;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: abook_book COUNT OUTFILE\n");
        return 2;
    }
    const auto contacts = qor::generateContacts(std::strtoul(argv[1], nullptr, 10), kSeed);
    std::string out = "# abook addressbook file\n\n[format]\nprogram=abook\nversion=0.6.1\n\n\n";
    std::size_t index = 0;
    for (const qor::ContactRecord& r : contacts) {
        out += '[' + std::to_string(index++) + "]\n";
        field(out, "name", joined(r[F::FIRSTNAME], " ", r[F::SURNAME]));
        field(out, "email", r[F::EMAIL]);
        field(out, "address", r[F::HOMESTREET]);
        field(out, "address2", joined(r[F::WORKSTREET], ", ", joined(r[F::WORKCITY], " ", r[F::WORKZIP])));
        field(out, "city", r[F::HOMECITY]);
        field(out, "state", r[F::HOMESTATE]);
        field(out, "zip", r[F::HOMEZIP]);
        field(out, "phone", r[F::TEL]);
        field(out, "workphone", r[F::WORKTEL]);
        field(out, "mobile", r[F::MOBILE]);
        field(out, "nick", r[F::NICKNAME]);
        std::string notes = r[F::COMMENTS];
        for (F f : {F::OVERALL, F::LIKES, F::DISLIKES, F::WORKSTATE, F::RATING, F::BESTFEATURE, F::EYES, F::HAIR,
                    F::HEIGHT, F::BODY, F::INBED, F::LOOKS, F::PERSONALITY, F::DOBDAY, F::DOBMON, F::DOBYEAR,
                    F::ANDAY, F::ANMON, F::ANYEAR}) {
            if (!r[f].empty())
                notes = joined(notes, "; ", std::string(qor::fieldInfo(f).key) + ": " + r[f]);
        }
        field(out, "notes", notes);
        out += '\n';
    }
    std::ofstream file(argv[2], std::ios::binary | std::ios::trunc);
    file << out;
    return file ? 0 : 1;
}
