#pragma once

// Lists written as words, for readable merge tests: "A B.1 C" is three contacts with the
// surnames A, B and C, the second one changed (comment "1"); the result reads back the same way.

#include "merge_lists.h"

#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace qor::testing {

inline ContactRecord contactOf(const std::string& word)
{
    ContactRecord record;
    const std::size_t dot = word.find('.');
    record[ContactField::SURNAME] = word.substr(0, dot);
    if (dot != std::string::npos)
        record[ContactField::COMMENTS] = word.substr(dot + 1);
    return record;
}

inline std::vector<ContactRecord> listOf(const std::string& words)
{
    std::vector<ContactRecord> list;
    std::istringstream in(words);
    for (std::string word; in >> word;)
        list.push_back(contactOf(word));
    return list;
}

inline std::string wordsOf(const std::vector<ContactRecord>& list)
{
    std::string words;
    for (const ContactRecord& record : list) {
        if (!words.empty())
            words += ' ';
        words += record[ContactField::SURNAME];
        if (!record[ContactField::COMMENTS].empty())
            words += '.' + record[ContactField::COMMENTS];
    }
    return words;
}

} // namespace qor::testing

namespace qor {

inline std::ostream& operator<<(std::ostream& out, const MergeAccount& a)
{
    return out << "{there +" << a.addedThere << " -" << a.removedThere << ", here +" << a.addedHere << " -"
               << a.removedHere << ", changed in both " << a.changedInBoth << ", deleted here changed there "
               << a.deletedHereChangedThere << ", deleted there changed here " << a.deletedThereChangedHere << "}";
}

} // namespace qor
