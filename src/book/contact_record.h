#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qor {

// The 34 fields of a contact, in column order: the order of the list's columns,
// of a record's lines in the book file and of the form record.
enum class ContactField : std::uint8_t {
    SURNAME, FIRSTNAME, NICKNAME, OVERALL, EMAIL, LIKES, DISLIKES, COMMENTS,
    HOMECITY, HOMESTATE, HOMESTREET, HOMEZIP, MOBILE, TEL,
    WORKSTREET, WORKCITY, WORKSTATE, WORKZIP, WORKTEL, RATING,
    BESTFEATURE, EYES, HAIR, HEIGHT, BODY, INBED, LOOKS, PERSONALITY,
    DOBDAY, DOBMON, DOBYEAR, ANDAY, ANMON, ANYEAR,
};

inline constexpr std::size_t kFieldCount = 34;

constexpr std::size_t columnOf(ContactField f) { return static_cast<std::size_t>(f); }
constexpr ContactField fieldAt(std::size_t column) { return static_cast<ContactField>(column); }

// A contact: 34 texts (UTF-8). Any text may be empty, and the record sets no length limit.
struct ContactRecord {
    std::array<std::string, kFieldCount> texts;
    // Fields whose text was read from bytes that are not UTF-8 (a line a legacy program added
    // to a UTF-8 book, decoded as Windows-1252). As long as such a text is unchanged, the book
    // is written with those bytes again, so saving an untouched book changes none of its bytes.
    std::bitset<kFieldCount> windows1252Fields;

    std::string& operator[](ContactField f) { return texts[columnOf(f)]; }
    const std::string& operator[](ContactField f) const { return texts[columnOf(f)]; }
    std::string& operator[](std::size_t column) { return texts[column]; }
    const std::string& operator[](std::size_t column) const { return texts[column]; }

    // Empties every text, keeping the memory for the next record.
    void clear()
    {
        for (std::string& text : texts)
            text.clear();
        windows1252Fields.reset();
    }
    // Sets a field's text; a text that differs from the one read from the book loses its bytes.
    void setText(std::size_t column, std::string_view text)
    {
        if (texts[column] == text)
            return;
        texts[column].assign(text);
        windows1252Fields.reset(column);
    }
    bool operator==(const ContactRecord&) const = default;
};

} // namespace qor
