#include "vcard_label.h"

#include "vcard_text.h"

#include <algorithm>
#include <vector>

namespace qor {

namespace {

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

bool hasDigit(std::string_view s)
{
    for (char c : s)
        if (c >= '0' && c <= '9')
            return true;
    return false;
}

// The label's lines, unescaped, without empty ones.
std::vector<std::string> linesOf(std::string_view value)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    const auto keep = [&](std::size_t end) {
        const std::string line(trimmed(unescapeVCardText(value.substr(start, end - start))));
        if (!line.empty())
            lines.push_back(line);
    };
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            if (value[i + 1] == 'n' || value[i + 1] == 'N') {
                keep(i);
                start = i + 2;
            }
            ++i;
        } else if (value[i] == '\r' || value[i] == '\n') {
            keep(i);
            start = i + 1;
        }
    }
    keep(value.size());
    return lines;
}

std::vector<std::string_view> wordsOf(std::string_view line)
{
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ')
            ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ')
            ++i;
        if (i > start)
            words.push_back(line.substr(start, i - start));
    }
    return words;
}

std::string joinedWords(const std::vector<std::string_view>& words, std::size_t from, std::size_t to)
{
    std::string text;
    for (std::size_t i = from; i < to; ++i) {
        if (!text.empty())
            text += ' ';
        text += words[i];
    }
    return text;
}

// "Baytown, LA 30314", "50667 Köln", "Köln 50667", "SW1A 2AA".
void readTownLine(std::string_view line, LabelAddress& a)
{
    const std::size_t comma = line.find(',');
    const std::string_view before = comma == std::string_view::npos ? std::string_view() : trimmed(line.substr(0, comma));
    const std::vector<std::string_view> words = wordsOf(comma == std::string_view::npos ? line : line.substr(comma + 1));
    std::size_t zipFrom = words.size();
    while (zipFrom > 0 && hasDigit(words[zipFrom - 1]))
        --zipFrom;
    if (comma != std::string_view::npos) {
        a.city = std::string(before);
        a.state = joinedWords(words, 0, zipFrom);
        a.zip = joinedWords(words, zipFrom, words.size());
    } else if (words.size() > 1 && hasDigit(words[0]) && !hasDigit(words.back())) {
        a.zip = std::string(words[0]);
        a.city = joinedWords(words, 1, words.size());
    } else {
        a.city = joinedWords(words, 0, zipFrom);
        a.zip = joinedWords(words, zipFrom, words.size());
    }
}

std::string joinedLines(const std::vector<std::string>& lines, std::size_t from, std::size_t to)
{
    std::string text;
    for (std::size_t i = from; i < to; ++i) {
        if (!text.empty())
            text += ", ";
        text += lines[i];
    }
    return text;
}

} // namespace

LabelAddress readVCardLabel(std::string_view value)
{
    LabelAddress a;
    const std::vector<std::string> lines = linesOf(value);
    if (lines.empty())
        return a;
    std::size_t town = lines.size();
    for (std::size_t i = lines.size(); i-- > 1;)
        if (hasDigit(lines[i])) {
            town = i;
            break;
        }
    if (town == lines.size())
        town = lines.size() > 1 ? 1 : lines.size();
    std::size_t streetEnd = town;
    if (town < lines.size()) {
        readTownLine(lines[town], a);
        if (a.city.empty() && a.state.empty() && town > 1) {
            a.city = lines[town - 1]; // "London" above "SW1A 2AA"
            streetEnd = town - 1;
        }
    }
    a.street = joinedLines(lines, 0, streetEnd);
    a.country = joinedLines(lines, std::min(town + 1, lines.size()), lines.size());
    return a;
}

} // namespace qor
