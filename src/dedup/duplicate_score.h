#pragma once

#include "contact_record.h"
#include "date_rules.h"
#include "person_keys.h"

#include <array>
#include <climits>
#include <cstdint>
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
    // The other fields, folded and hashed (0 for an empty field): free texts, ratings, looks,
    // cities, the anniversary. The finder compares each contact with many, and a word is
    // cheaper to compare than a text.
    static constexpr std::size_t kDetailCount = 23;
    std::array<std::uint64_t, kDetailCount> details{};
    bool onlyName = false; // nothing but a name
    // How many contacts of the book carry this very name (the finder counts them): a common
    // name says less of who is who than a rare one.
    std::size_t nameCount = 1;
};

// A name carried by more contacts than this is common.
inline constexpr std::size_t kCommonNameCount = 4;

// A contact as its column k's text, text(k).
using ContactText = std::function<std::string_view(std::size_t column)>;
ContactTraits traitsOf(const ContactText& text);
ContactTraits traitsOf(const ContactRecord& record);

// How strongly two contacts look like one person: each thing they share adds (the same e-mail
// address or mobile 4; the same rare name 4, a rare name a letter off 3, a common one 2; the
// same date of birth 2, the same home address 2, another phone number 2, many other fields
// alike 2 and a few 1), each thing that tells them apart takes away (two dates of birth -4, two mobiles -2, two
// e-mail addresses or streets -1). Names with no word in common are never one person: kApart.
// A pair scoring kDuplicateScore or more is a duplicate; a pair that cannot reach it may be
// given any lower score.
inline constexpr int kApart = INT_MIN;
inline constexpr int kDuplicateScore = 5;
int duplicateScore(const ContactTraits& a, const ContactTraits& b);

} // namespace qor
