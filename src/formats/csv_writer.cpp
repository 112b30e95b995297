#include "csv_writer.h"

#include "csv_text.h"
#include "exchange_dates.h"
#include "exchange_text.h"
#include "field_table.h"
#include "huge_pages.h"

#include <array>
#include <string_view>

namespace qor {

namespace {

using F = ContactField;

// One column of a foreign layout: its header and how a contact fills it.
struct ForeignColumn {
    std::string_view header;
    std::string (*value)(const ContactRecord&);
};

template <F field>
std::string text(const ContactRecord& r)
{
    return r[field];
}
template <std::size_t N>
std::string fixed(const ContactRecord&)
{
    constexpr std::array<std::string_view, 5> kTexts{"Mobile", "Home", "Work", "Other", "Anniversary"};
    return std::string(kTexts[N]);
}
// The two names only: a stand-in such as the nickname would come back as a name.
std::string fullName(const ContactRecord& r)
{
    const std::string& first = r[F::FIRSTNAME];
    const std::string& surname = r[F::SURNAME];
    return first.empty() || surname.empty() ? first + surname : first + ' ' + surname;
}
std::string isoBirthday(const ContactRecord& r) { return isoDate(r[F::DOBDAY], r[F::DOBMON], r[F::DOBYEAR]); }
std::string isoAnniversary(const ContactRecord& r) { return isoDate(r[F::ANDAY], r[F::ANMON], r[F::ANYEAR]); }
std::string usBirthday(const ContactRecord& r) { return usDate(r[F::DOBDAY], r[F::DOBMON], r[F::DOBYEAR]); }
std::string usAnniversary(const ContactRecord& r) { return usDate(r[F::ANDAY], r[F::ANMON], r[F::ANYEAR]); }

constexpr std::array kGoogleColumns{
    ForeignColumn{"Name", fullName},
    ForeignColumn{"Given Name", text<F::FIRSTNAME>},
    ForeignColumn{"Family Name", text<F::SURNAME>},
    ForeignColumn{"Nickname", text<F::NICKNAME>},
    ForeignColumn{"Birthday", isoBirthday},
    ForeignColumn{"Notes", text<F::COMMENTS>},
    ForeignColumn{"E-mail 1 - Type", fixed<3>},
    ForeignColumn{"E-mail 1 - Value", text<F::EMAIL>},
    ForeignColumn{"Phone 1 - Type", fixed<0>},
    ForeignColumn{"Phone 1 - Value", text<F::MOBILE>},
    ForeignColumn{"Phone 2 - Type", fixed<1>},
    ForeignColumn{"Phone 2 - Value", text<F::TEL>},
    ForeignColumn{"Phone 3 - Type", fixed<2>},
    ForeignColumn{"Phone 3 - Value", text<F::WORKTEL>},
    ForeignColumn{"Address 1 - Type", fixed<1>},
    ForeignColumn{"Address 1 - Street", text<F::HOMESTREET>},
    ForeignColumn{"Address 1 - City", text<F::HOMECITY>},
    ForeignColumn{"Address 1 - Region", text<F::HOMESTATE>},
    ForeignColumn{"Address 1 - Postal Code", text<F::HOMEZIP>},
    ForeignColumn{"Address 2 - Type", fixed<2>},
    ForeignColumn{"Address 2 - Street", text<F::WORKSTREET>},
    ForeignColumn{"Address 2 - City", text<F::WORKCITY>},
    ForeignColumn{"Address 2 - Region", text<F::WORKSTATE>},
    ForeignColumn{"Address 2 - Postal Code", text<F::WORKZIP>},
    ForeignColumn{"Event 1 - Type", fixed<4>},
    ForeignColumn{"Event 1 - Value", isoAnniversary},
};

constexpr std::array kOutlookColumns{
    ForeignColumn{"First Name", text<F::FIRSTNAME>},
    ForeignColumn{"Last Name", text<F::SURNAME>},
    ForeignColumn{"Nickname", text<F::NICKNAME>},
    ForeignColumn{"E-mail Address", text<F::EMAIL>},
    ForeignColumn{"Mobile Phone", text<F::MOBILE>},
    ForeignColumn{"Home Phone", text<F::TEL>},
    ForeignColumn{"Business Phone", text<F::WORKTEL>},
    ForeignColumn{"Home Street", text<F::HOMESTREET>},
    ForeignColumn{"Home City", text<F::HOMECITY>},
    ForeignColumn{"Home State", text<F::HOMESTATE>},
    ForeignColumn{"Home Postal Code", text<F::HOMEZIP>},
    ForeignColumn{"Business Street", text<F::WORKSTREET>},
    ForeignColumn{"Business City", text<F::WORKCITY>},
    ForeignColumn{"Business State", text<F::WORKSTATE>},
    ForeignColumn{"Business Postal Code", text<F::WORKZIP>},
    ForeignColumn{"Birthday", usBirthday},
    ForeignColumn{"Anniversary", usAnniversary},
    ForeignColumn{"Notes", text<F::COMMENTS>},
};

// Room for the longest the file can be, reserved once (see writeVCards): quoting at most
// doubles a text and adds its two quotes and a separator.
std::size_t sizeAtMost(const ContactRows& rows)
{
    constexpr std::size_t kHeader = 1024;
    std::size_t bound = kHeader;
    for (std::size_t i = 0; i < rows.count; ++i)
        for (const std::string& text : rows.row(i).texts)
            bound += text.size() * 2 + 4;
    return bound;
}

template <std::size_t N>
std::string writeForeign(const ContactRows& rows, const std::array<ForeignColumn, N>& columns)
{
    std::string out(kUtf8ByteOrderMark);
    out.reserve(sizeAtMost(rows));
    adviseHugePages(out.data(), out.capacity());
    for (std::size_t c = 0; c < N; ++c) {
        if (c > 0)
            out += ',';
        appendCsvField(out, columns[c].header);
    }
    out += "\r\n";
    for (std::size_t i = 0; i < rows.count; ++i) {
        const ContactRecord& r = rows.row(i);
        // A type column only when its value is there, so that an empty phone is not typed.
        bool typedValue = true;
        for (std::size_t c = 0; c < N; ++c) {
            if (c > 0)
                out += ',';
            const bool isType = columns[c].header.ends_with(" - Type");
            if (isType && c + 1 < N)
                typedValue = !columns[c + 1].value(r).empty();
            if (!isType || typedValue)
                appendDefusedCsvField(out, columns[c].value(r));
        }
        out += "\r\n";
    }
    return out;
}

std::string writeQor(const ContactRows& rows)
{
    std::string out;
    out.reserve(sizeAtMost(rows));
    adviseHugePages(out.data(), out.capacity());
    const auto& fields = fieldTable();
    for (std::size_t c = 0; c < kFieldCount; ++c) {
        if (c > 0)
            out += ',';
        out += fields[c].key;
    }
    out += "\r\n";
    for (std::size_t i = 0; i < rows.count; ++i) {
        const ContactRecord& r = rows.row(i);
        for (std::size_t c = 0; c < kFieldCount; ++c) {
            if (c > 0)
                out += ',';
            appendDefusedCsvField(out, r[c]);
        }
        out += "\r\n";
    }
    return out;
}

} // namespace

std::string writeCsvContacts(const ContactRows& rows, CsvLayout layout)
{
    switch (layout) {
    case CsvLayout::Google: return writeForeign(rows, kGoogleColumns);
    case CsvLayout::Outlook: return writeForeign(rows, kOutlookColumns);
    case CsvLayout::Qor: break;
    }
    return writeQor(rows);
}

} // namespace qor
