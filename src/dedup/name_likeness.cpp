// How alike two names are, word by word.
#include "name_likeness.h"

#include <algorithm>
#include <bitset>

namespace qor {

namespace {

bool isInitialOf(const std::string& initial, const std::string& word)
{
    return initial.size() == 1 && word.size() > 1 && word.front() == initial.front();
}

// A letter off counts only between words long enough that one letter does not make another
// common name ("Al" and "Ali", "Ann" and "Jan" stay apart).
bool isTypoOf(const std::string& a, const std::string& b)
{
    constexpr std::size_t kShortestTypoWord = 4;
    return std::max(a.size(), b.size()) >= kShortestTypoWord && std::min(a.size(), b.size()) >= 3
        && withinOneEdit(a, b);
}

} // namespace

NameLikeness compareNames(const PersonName& a, const PersonName& b)
{
    if (a.empty() || b.empty())
        return NameLikeness::Unknown;
    if (a.bag == b.bag)
        return NameLikeness::Same;
    const bool aFewer = a.bag.size() <= b.bag.size();
    const std::vector<std::string>& fewer = aFewer ? a.bag : b.bag;
    const std::vector<std::string>& more = aFewer ? b.bag : a.bag;

    // Each word of the shorter name is matched to one of the longer: first the equal words,
    // then initials, then words a letter off. Words past the first kMostWords are not
    // compared (no name has that many).
    constexpr std::size_t kMostWords = 16;
    std::bitset<kMostWords> matched, taken;
    const std::size_t fewerCount = std::min(fewer.size(), kMostWords);
    const std::size_t moreCount = std::min(more.size(), kMostWords);
    std::size_t exact = 0, initials = 0, typos = 0;
    const auto pass = [&](auto&& matches, std::size_t& count) {
        for (std::size_t i = 0; i < fewerCount; ++i) {
            if (matched[i])
                continue;
            for (std::size_t j = 0; j < moreCount; ++j) {
                if (taken[j] || !matches(fewer[i], more[j]))
                    continue;
                matched[i] = taken[j] = true;
                ++count;
                break;
            }
        }
    };
    pass([](const std::string& x, const std::string& y) { return x == y; }, exact);
    pass([](const std::string& x, const std::string& y) { return isInitialOf(x, y) || isInitialOf(y, x); }, initials);
    pass(isTypoOf, typos);

    const bool allMatched = exact + initials + typos == fewerCount;
    const bool wholeWordInCommon = std::any_of(fewer.begin(), fewer.end(), [&](const std::string& word) {
        return word.size() > 1 && std::find(more.begin(), more.end(), word) != more.end();
    });
    if (allMatched && fewer.size() == more.size())
        return typos <= 1 ? NameLikeness::Close : NameLikeness::Similar;
    if (allMatched && typos == 0 && wholeWordInCommon)
        return NameLikeness::Partial;
    return wholeWordInCommon || typos > 0 ? NameLikeness::Related : NameLikeness::Different;
}

} // namespace qor
