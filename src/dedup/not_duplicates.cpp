// The pairs the user kept apart, and their text beside the book.
#include "not_duplicates.h"

#include "contact_hash.h"

#include <charconv>
#include <cstdio>

namespace qor {

namespace {

constexpr std::string_view kFirstLine = "QOR not-duplicates 1";

bool readHex(std::string_view text, std::uint64_t& value)
{
    if (text.size() != 16)
        return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    return error == std::errc() && end == text.data() + text.size();
}

} // namespace

void NotDuplicates::addGroup(const std::vector<ContactRecord>& contacts)
{
    std::vector<std::uint64_t> hashes;
    for (const ContactRecord& contact : contacts)
        hashes.push_back(hashContact(contact));
    for (std::size_t i = 0; i < hashes.size(); ++i)
        for (std::size_t j = i + 1; j < hashes.size(); ++j)
            add(hashes[i], hashes[j]);
}

std::string NotDuplicates::format() const
{
    std::string text(kFirstLine);
    text.push_back('\n');
    char line[40];
    for (const auto& [a, b] : m_pairs) {
        std::snprintf(line, sizeof line, "%016llx %016llx\n", static_cast<unsigned long long>(a),
                      static_cast<unsigned long long>(b));
        text += line;
    }
    return text;
}

NotDuplicates NotDuplicates::parse(std::string_view text)
{
    NotDuplicates pairs;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        std::uint64_t a = 0, b = 0;
        if (line.size() == 33 && line[16] == ' ' && readHex(line.substr(0, 16), a) && readHex(line.substr(17), b))
            pairs.add(a, b);
    }
    return pairs;
}

} // namespace qor
