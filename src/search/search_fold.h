#pragma once

#include "contact_record.h"

#include <string>
#include <string_view>

namespace qor {

// Find compares folded texts: a contact matches a query when the contact's folded search
// text holds the folded query.

// Appends the folded form of a UTF-8 text to `out`: letters in lower case and without their
// accents, so that "MÜLL" and "muller" both fold into the folding of "Müller". Covers ASCII,
// Latin-1 Supplement, Latin Extended-A, the common letters of Latin Extended-B (Romanian,
// Vietnamese, pinyin), Greek and Cyrillic. Letters without a plain form are spelt out
// ("ß" as "ss", "Æ" as "ae", "Þ" as "th", "Œ" as "oe"); combining accents and the soft hyphen
// are dropped; control characters become spaces, so a folded text never holds a line feed.
// Any other character is kept as it is, and bytes that are not valid UTF-8 are kept as they
// are: folding never fails and never reads past the text.
void appendFolded(std::string_view utf8, std::string& out);
std::string foldForSearch(std::string_view utf8);

// Appends the ASCII digits of `text`, in order and nothing else: "+44 7700 900123" gives
// "447700900123".
void appendDigits(std::string_view text, std::string& out);

// Whether `field` is a telephone number, which a query of digits also finds by its digits
// alone.
bool isPhoneField(ContactField field);

// The search text of one contact: each non-empty field folded, then the digits of each phone
// field, every piece followed by a line feed. As no folded text holds a line feed, a query
// never matches across two fields.
std::string searchTextOf(const ContactRecord& record);
// The same, appended to `out`, for a contact whose column k is `text(k)`.
template <typename TextOf>
void appendSearchText(TextOf&& text, std::string& out);

// The match rule: whether a contact's search text holds the folded query. An empty query
// matches every contact.
inline bool searchTextMatches(std::string_view searchText, std::string_view foldedQuery)
{
    return searchText.find(foldedQuery) != std::string_view::npos;
}

template <typename TextOf>
void appendSearchText(TextOf&& text, std::string& out)
{
    for (std::size_t c = 0; c < kFieldCount; ++c) {
        const std::string_view field = text(c);
        if (field.empty())
            continue;
        appendFolded(field, out);
        out.push_back('\n');
    }
    for (std::size_t c = 0; c < kFieldCount; ++c) {
        if (!isPhoneField(fieldAt(c)))
            continue;
        const std::size_t before = out.size();
        appendDigits(text(c), out);
        if (out.size() != before)
            out.push_back('\n');
    }
}

} // namespace qor
