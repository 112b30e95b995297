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
    if (a.years != b.years)
        return a.years < b.years; // no year first
    return a.row < b.row;
}

} // namespace

UpcomingCollector::UpcomingCollector(CivilDate from, int days) : m_from(from)
{
    m_empty = days < 1 || from > kLastCivilDate;
    days = std::clamp(days, 1, kMaxUpcomingDays);
    m_last = std::min(dateFromDays(daysSinceEpoch(from) + days - 1), kLastCivilDate);
}

void UpcomingCollector::add(const ContactRecord& record, std::size_t row)
{
    if (m_empty)
        return;
    std::string name; // made only for a contact with a date in the listing
    for (DateKind kind : {DateKind::Birthday, DateKind::Anniversary}) {
        const std::optional<ContactDate> date = contactDate(record, kind);
        if (!date)
            continue;
        for (int year = std::max(m_from.year, date->year); year <= m_last.year; ++year) {
            const CivilDate day = occurrenceIn(*date, year);
            if (day < m_from || day > m_last)
                continue;
            if (name.empty())
                name = displayName(record);
            UpcomingDate entry{day, kind, name, std::nullopt, row};
            if (date->hasYear())
                entry.years = year - date->year;
            m_found.push_back(std::move(entry));
        }
    }
}

std::vector<UpcomingDate> UpcomingCollector::sorted() const
{
    std::vector<UpcomingDate> found = m_found;
    std::sort(found.begin(), found.end(), listedBefore);
    return found;
}

std::vector<UpcomingDate> upcomingDates(std::size_t rowCount,
                                        const std::function<const ContactRecord&(std::size_t)>& row,
                                        CivilDate from, int days)
{
    UpcomingCollector collector(from, days);
    for (std::size_t i = 0; i < rowCount; ++i)
        collector.add(row(i), i);
    return collector.sorted();
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
