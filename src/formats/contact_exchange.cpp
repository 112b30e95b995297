#include "contact_exchange.h"

#include "csv_reader.h"
#include "csv_writer.h"
#include "exchange_text.h"
#include "ical_writer.h"
#include "text_encoding.h"
#include "vcard_reader.h"
#include "vcard_writer.h"

#include <array>
#include <cstring>
#include <ctime>
#include <utility>

namespace qor {

namespace {

constexpr std::array<std::pair<std::string_view, ExchangeFormat>, 6> kFormatNames{{
    {"vcard4", ExchangeFormat::VCard4},
    {"vcard3", ExchangeFormat::VCard3},
    {"csv", ExchangeFormat::QorCsv},
    {"google-csv", ExchangeFormat::GoogleCsv},
    {"outlook-csv", ExchangeFormat::OutlookCsv},
    {"ical", ExchangeFormat::ICalendar},
}};


// Whether `bytes` is UTF-16 (as Windows programs and Google's old CSV export write it): a
// byte-order mark, or a first character of ASCII (its other byte zero) followed by another.
bool isUtf16(std::string_view bytes, bool& bigEndian)
{
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        bigEndian = bytes[0] == '\xFE';
        return true;
    }
    if (bytes.size() < 4)
        return false;
    const auto ascii = [](char c) { return c != '\0' && static_cast<unsigned char>(c) < 0x80; };
    if (ascii(bytes[0]) && bytes[1] == '\0' && ascii(bytes[2]) && bytes[3] == '\0') {
        bigEndian = false;
        return true;
    }
    if (bytes[0] == '\0' && ascii(bytes[1]) && bytes[2] == '\0' && ascii(bytes[3])) {
        bigEndian = true;
        return true;
    }
    return false;
}

} // namespace

std::optional<ExchangeFormat> formatNamed(std::string_view name)
{
    for (const auto& [n, format] : kFormatNames)
        if (n == name)
            return format;
    return std::nullopt;
}

std::optional<ExchangeFormat> formatForFileName(std::string_view fileName)
{
    if (endsIgnoringCase(fileName, ".vcf"))
        return ExchangeFormat::VCard4;
    if (endsIgnoringCase(fileName, ".csv"))
        return ExchangeFormat::QorCsv;
    if (endsIgnoringCase(fileName, ".ics"))
        return ExchangeFormat::ICalendar;
    return std::nullopt;
}

ContactRows rowsOf(const std::vector<ContactRecord>& records)
{
    return {records.size(), [&records](std::size_t i) -> const ContactRecord& { return records[i]; }, {}};
}

std::size_t textBytesOf(const ContactRows& rows)
{
    if (rows.textBytes)
        return *rows.textBytes;
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < rows.count; ++i)
        for (const std::string& text : rows.row(i).texts)
            bytes += text.size();
    return bytes;
}

std::string exportContacts(const ContactRows& rows, ExchangeFormat format)
{
    switch (format) {
    case ExchangeFormat::VCard4: return writeVCards(rows, VCardVersion::V4);
    case ExchangeFormat::VCard3: return writeVCards(rows, VCardVersion::V3);
    case ExchangeFormat::QorCsv: return writeCsvContacts(rows, CsvLayout::Qor);
    case ExchangeFormat::GoogleCsv: return writeCsvContacts(rows, CsvLayout::Google);
    case ExchangeFormat::OutlookCsv: return writeCsvContacts(rows, CsvLayout::Outlook);
    case ExchangeFormat::ICalendar: return formatCalendar(rows.count, rows.row, std::time(nullptr));
    }
    return {};
}

void UnplacedAccount::add(std::string_view singular, std::string_view plural, std::size_t count)
{
    if (const auto found = m_index.find(singular); found != m_index.end()) {
        m_entries[found->second].count += count;
        return;
    }
    m_index.emplace(singular, m_entries.size());
    m_entries.push_back({std::string(singular), std::string(plural), count});
}

std::size_t UnplacedAccount::countOf(std::string_view singular) const
{
    const auto found = m_index.find(singular);
    return found == m_index.end() ? 0 : m_entries[found->second].count;
}

std::string UnplacedAccount::describe(std::string_view was, std::string_view were) const
{
    if (m_entries.empty())
        return {};
    std::string text;
    std::size_t total = 0;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const Entry& e = m_entries[i];
        if (i > 0)
            text += i + 1 == m_entries.size() ? " and " : ", ";
        text += std::to_string(e.count) + ' ' + (e.count == 1 ? e.singular : e.plural);
        total += e.count;
    }
    text += ' ';
    text += total == 1 ? was : were;
    return text;
}

std::string importMessage(const ImportResult& result)
{
    std::string message = result.undecoded.describe("was not decoded and keeps its bytes",
                                                    "were not decoded and keep their bytes");
    if (!result.unplaced.empty())
        message += (message.empty() ? "" : "; ") + result.unplaced.describe();
    return message;
}

ImportResult importContacts(std::string_view bytes)
{
    bool bigEndian = false;
    if (isUtf16(bytes, bigEndian)) {
        const std::size_t mark = bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF") ? 2 : 0;
        return importContacts(utf16ToUtf8(bytes.substr(mark), bigEndian));
    }
    if (looksLikeVCard(bytes))
        return readVCards(bytes);
    if (const std::size_t at = firstBinaryByte(bytes); at != std::string_view::npos)
        return ImportResult::failure(lineAt(bytes, at), "binary data, neither a vCard nor a CSV file");
    if (withoutByteOrderMark(bytes).find_first_not_of(" \t\r\n") == std::string_view::npos)
        return ImportResult::failure(1, "the file is empty");
    if (looksLikeContactCsv(bytes))
        return readCsvContacts(bytes);
    return ImportResult::failure(1, "neither a vCard nor a CSV file with a header QOR knows");
}

} // namespace qor
