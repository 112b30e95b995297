// The merge of a group of duplicates into one contact, field by field.
#include "group_merge.h"

namespace qor {

FieldSources defaultSources(const GroupMembers& members)
{
    FieldSources sources;
    sources.fill(kNoSource);
    for (std::size_t column = 0; column < kFieldCount; ++column)
        for (std::size_t m = 0; m < members.size(); ++m)
            if (!members[m][column].empty()) {
                sources[column] = static_cast<int>(m);
                break;
            }
    return sources;
}

bool fieldDiffers(const GroupMembers& members, std::size_t column)
{
    const std::string* seen = nullptr;
    for (const ContactRecord& member : members) {
        const std::string& text = member[column];
        if (text.empty())
            continue;
        if (seen && *seen != text)
            return true;
        seen = &text;
    }
    return false;
}

bool equalExceptEmpty(const GroupMembers& members)
{
    for (std::size_t column = 0; column < kFieldCount; ++column)
        if (fieldDiffers(members, column))
            return false;
    return true;
}

ContactRecord mergedContact(const GroupMembers& members, const FieldSources& sources)
{
    ContactRecord merged;
    for (std::size_t column = 0; column < kFieldCount; ++column) {
        const int source = sources[column];
        if (source < 0 || static_cast<std::size_t>(source) >= members.size())
            continue;
        const ContactRecord& from = members[static_cast<std::size_t>(source)];
        merged[column] = from[column];
        merged.windows1252Fields[column] = from.windows1252Fields[column];
    }
    return merged;
}

} // namespace qor
