#include "display_name.h"

namespace qor {

std::string displayName(const ContactRecord& record)
{
    const std::string& first = record[ContactField::FIRSTNAME];
    const std::string& surname = record[ContactField::SURNAME];
    if (!first.empty() && !surname.empty())
        return first + ' ' + surname;
    if (!first.empty() || !surname.empty())
        return first + surname;
    if (!record[ContactField::NICKNAME].empty())
        return record[ContactField::NICKNAME];
    if (!record[ContactField::EMAIL].empty())
        return record[ContactField::EMAIL];
    return "Unnamed";
}

} // namespace qor
