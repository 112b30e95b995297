#pragma once

#include <string>
#include <string_view>

namespace qor {

// An address as a LABEL gives it: the printed lines of an envelope, which vCard 2.1 and 3.0
// cards of older mail programs carry instead of (or beside) the parts of an ADR.
struct LabelAddress {
    std::string street;  // the lines before the town's, joined with ", "
    std::string city;
    std::string state;
    std::string zip;
    std::string country; // the lines after the town's
    bool empty() const { return street.empty() && city.empty() && state.empty() && zip.empty(); }
};

// Splits a LABEL's value (decoded, its escapes still in it) at its line breaks ("\n", or raw
// ones from quoted-printable) and reads the town's line: the last line after the first that
// holds a digit, else the second line. On it a postcode is the word(s) with digits at its start
// ("50667 Köln", "D-50667 Köln") or at its end ("Köln 50667", "London SW1A 2AA"); after a comma
// the state comes before the postcode ("Baytown, LA 30314", "Ottawa, ON K1A 0B1"). A town's
// line that is only a postcode takes its town from the line before ("London" / "SW1A 2AA").
// Never fails: a label of one line is a street.
LabelAddress readVCardLabel(std::string_view value);

} // namespace qor
