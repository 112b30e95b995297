#include "upcoming_dates.h"

#include "display_name.h"

#include <algorithm>

namespace qor {

namespace {

int compareIgnoringAsciiCase(const std::string& a, const std::string& b)
{
    const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : int(c); };
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int ca = lower(static_cast<unsigned char>(a[i]));
        const int cb = lower(static_cast<unsigned char>(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool listedBefore(const UpcomingDate& a, const UpcomingDate& b)
{
    if (a.date != b.date)
        return a.date < b.date;
    if (const int byName = compareIgnoringAsciiCase(a.name, b.name))
        return byName < 0;
    if (a.name != b.name)
        return a.name < b.name;
    if (a.kind != b.kind)
        return a.kind == DateKind::Birthday;
    return a.row < b.row;
}

} // namespace

std::vector<UpcomingDate> upcomingDates(std::size_t rowCount,
                                        const std::function<const ContactRecord&(std::size_t)>& row,
                                        CivilDate from, int days)
{
    std::vector<UpcomingDate> found;
    if (days < 1 || from > kLastCivilDate)
        return found;
    days = std::min(days, kMaxUpcomingDays);
    const CivilDate last = std::min(dateFromDays(daysSinceEpoch(from) + days - 1), kLastCivilDate);

    for (std::size_t i = 0; i < rowCount; ++i) {
        const ContactRecord& record = row(i);
        std::string name; // made only for a contact with a date in the listing
        for (DateKind kind : {DateKind::Birthday, DateKind::Anniversary}) {
            const std::optional<ContactDate> date = contactDate(record, kind);
            if (!date)
                continue;
            for (int year = std::max(from.year, date->year); year <= last.year; ++year) {
                const CivilDate day = occurrenceIn(*date, year);
                if (day < from || day > last)
                    continue;
                if (name.empty())
                    name = displayName(record);
                UpcomingDate entry{day, kind, name, std::nullopt, i};
                if (date->hasYear())
                    entry.years = year - date->year;
                found.push_back(std::move(entry));
            }
        }
    }
    std::sort(found.begin(), found.end(), listedBefore);
    return found;
}

std::string upcomingLine(const UpcomingDate& date)
{
    std::string line = isoDate(date.date);
    line += '\t';
    line += kindWord(date.kind);
    line += '\t';
    for (char c : date.name)
        line += c == '\t' || c == '\n' || c == '\r' ? ' ' : c;
    line += '\t';
    if (date.years)
        line += std::to_string(*date.years);
    return line;
}

} // namespace qor
