#include "list_rows.h"

#include "form_rules.h"

#include <algorithm>

namespace qor {

ListOfBook listOfBook(std::string_view bytes)
{
    ListOfBook list;
    list.reading = readBookRecords(bytes, ContactRecord{}, [&list](ContactRecord& record) {
        passThroughForm(record);
        list.rows.push_back(std::move(record)); // the reader starts the next record empty
    });
    std::reverse(list.rows.begin(), list.rows.end());
    return list;
}

} // namespace qor
