#include "find_query.h"

#include "search_fold.h"

#include <algorithm>

namespace qor {

FindQuery::Shown FindQuery::query(std::string_view utf8, ContactStore& store, const Shown& shown)
{
    std::string folded = foldForSearch(utf8);
    if (folded.empty()) {
        m_query.clear();
        m_steps.clear();
        return {};
    }
    std::vector<int> rows;
    const auto earlier = std::find_if(m_steps.begin(), m_steps.end(), [&](const Step& step) { return step.query == folded; });
    if (earlier != m_steps.end()) {
        // Deleting what was just typed: the rows of that shorter query are still known.
        rows = earlier->rows;
        m_steps.erase(earlier + 1, m_steps.end());
    } else {
        const SearchIndex& index = store.searchIndex();
        if (shown.filtering && folded.find(m_query) != std::string::npos) {
            // Whatever holds the longer query holds the shorter one too.
            rows = shown.rows;
            index.keepMatching(rows, folded);
        } else {
            rows = index.matchingRows(folded);
        }
        if (m_steps.empty() || folded.find(m_steps.back().query) == std::string::npos)
            m_steps.clear();
        m_steps.push_back({folded, rows});
    }
    m_query = std::move(folded);
    return {true, std::move(rows)};
}

} // namespace qor
