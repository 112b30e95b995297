#pragma once

#include "contact_record.h"
#include "date_rules.h"
#include "person_keys.h"

#include <array>
#include <climits>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace qor {

// What the duplicate finder knows of one contact, normalised once: its name, e-mail address,
// phones and date of birth, and a few folded texts that two entries of one person share.
struct ContactTraits {
    PersonName name;
    std::string email;
    std::string mobile;
    std::string tel;
    std::string workTel;
    std::optional<ContactDate> birthday;
    std::string homeStreet;
    std::string homeZip;
    // Free texts rarely typed alike for two people: nickname, likes, dislikes, comments, work
    // street.
    static constexpr std::size_t kDetailCount = 5;
    std::array<std::string, kDetailCount> details;
    bool onlyName = false; // nothing but a name
};

// A contact as its column k's text, text(k).
using ContactText = std::function<std::string_view(std::size_t column)>;
ContactTraits traitsOf(const ContactText& text);
ContactTraits traitsOf(const ContactRecord& record);

// How strongly two contacts look like one person: each thing they share adds (the same e-mail
// address or mobile 4, the same name 4, a name a letter off 3, the same date of birth 2, the
// same street or postcode 1...), each thing that tells them apart takes away (two dates of
// birth -4, two mobiles -2, two addresses -1). Names with no word in common are never one
// person: kApart. A pair scoring kDuplicateScore or more is a duplicate.
inline constexpr int kApart = INT_MIN;
inline constexpr int kDuplicateScore = 5;
int duplicateScore(const ContactTraits& a, const ContactTraits& b);

} // namespace qor
