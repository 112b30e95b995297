// The names of the vCard properties QOR has no field for, as the import's account tells them:
// knowledge of what phones and mail programs write, which grows as they do.
#include "vcard_account.h"

#include "contact_builder.h"
#include "exchange_text.h"

#include <array>
#include <string>

namespace qor {

namespace {

struct Noun {
    std::string_view property, singular, plural;
};

constexpr std::string_view kMessaging = "instant messaging address", kMessagingPlural = "instant messaging addresses";
constexpr std::string_view kRelated = "related person", kRelatedPlural = "related people";
constexpr std::string_view kCalendar = "calendar address", kCalendarPlural = "calendar addresses";
constexpr std::string_view kPhonetic = "phonetic name", kPhoneticPlural = "phonetic names";

constexpr std::array kNouns{
    Noun{"URL", "URL", "URLs"},
    Noun{"TITLE", "job title", "job titles"},
    Noun{"ROLE", "role", "roles"},
    Noun{"PHOTO", "photo", "photos"},
    Noun{"X-MS-CARDPICTURE", "photo", "photos"},
    Noun{"LOGO", "logo", "logos"},
    Noun{"GEO", "geographic position", "geographic positions"},
    Noun{"CATEGORIES", "category list", "category lists"},
    Noun{"TZ", "time zone", "time zones"},
    Noun{"LANG", "language", "languages"},
    Noun{"GENDER", "gender", "genders"},
    Noun{"X-WAB-GENDER", "gender", "genders"},
    Noun{"SOUND", "sound", "sounds"},
    Noun{"KEY", "key", "keys"},
    Noun{"MEMBER", "group member", "group members"},
    Noun{"BIRTHPLACE", "birthplace", "birthplaces"},
    Noun{"DEATHPLACE", "place of death", "places of death"},
    Noun{"DEATHDATE", "date of death", "dates of death"},
    Noun{"X-ABDATE", "other date", "other dates"},
    Noun{"HOBBY", "hobby", "hobbies"},
    Noun{"INTEREST", "interest", "interests"},
    Noun{"EXPERTISE", "expertise", "expertises"},
    Noun{"X-SOCIALPROFILE", "social profile", "social profiles"},
    Noun{"X-MS-TEL", "more phone number", "more phone numbers"},
    Noun{"IMPP", kMessaging, kMessagingPlural},
    Noun{"X-AIM", kMessaging, kMessagingPlural},
    Noun{"X-ICQ", kMessaging, kMessagingPlural},
    Noun{"X-JABBER", kMessaging, kMessagingPlural},
    Noun{"X-MSN", kMessaging, kMessagingPlural},
    Noun{"X-YAHOO", kMessaging, kMessagingPlural},
    Noun{"X-SKYPE", kMessaging, kMessagingPlural},
    Noun{"X-SKYPE-USERNAME", kMessaging, kMessagingPlural},
    Noun{"X-GOOGLE-TALK", kMessaging, kMessagingPlural},
    Noun{"X-GTALK", kMessaging, kMessagingPlural},
    Noun{"X-QQ", kMessaging, kMessagingPlural},
    Noun{"X-GADUGADU", kMessaging, kMessagingPlural},
    Noun{"X-TWITTER", kMessaging, kMessagingPlural},
    Noun{"X-MS-IMADDRESS", kMessaging, kMessagingPlural},
    Noun{"X-SIP", kMessaging, kMessagingPlural},
    Noun{"RELATED", kRelated, kRelatedPlural},
    Noun{"AGENT", kRelated, kRelatedPlural},
    Noun{"X-ABRELATEDNAMES", kRelated, kRelatedPlural},
    Noun{"X-SPOUSE", kRelated, kRelatedPlural},
    Noun{"X-EVOLUTION-SPOUSE", kRelated, kRelatedPlural},
    Noun{"X-KADDRESSBOOK-X-SPOUSENAME", kRelated, kRelatedPlural},
    Noun{"X-ASSISTANT", kRelated, kRelatedPlural},
    Noun{"X-EVOLUTION-ASSISTANT", kRelated, kRelatedPlural},
    Noun{"X-MANAGER", kRelated, kRelatedPlural},
    Noun{"X-EVOLUTION-MANAGER", kRelated, kRelatedPlural},
    Noun{"FBURL", kCalendar, kCalendarPlural},
    Noun{"CALURI", kCalendar, kCalendarPlural},
    Noun{"CALADRURI", kCalendar, kCalendarPlural},
    Noun{"X-PHONETIC-FIRST-NAME", kPhonetic, kPhoneticPlural},
    Noun{"X-PHONETIC-MIDDLE-NAME", kPhonetic, kPhoneticPlural},
    Noun{"X-PHONETIC-LAST-NAME", kPhonetic, kPhoneticPlural},
    Noun{"X-PHONETIC-ORG", kPhonetic, kPhoneticPlural},
};

// Properties that say something about the card, not the contact: its version and maker, when
// and by whom it was written, keys for sync and sorting, hints that label or format another
// property (which is counted itself if it finds no field), the mail format a program prefers.
constexpr std::array<std::string_view, 19> kMetadata{
    "VERSION",      "PRODID",     "UID",          "REV",        "SORT-STRING",
    "MAILER",       "X-ABUID",    "CLIENTPIDMAP", "PROFILE",    "NAME",
    "SOURCE",       "CLASS",      "X-ABLABEL",    "X-ABADR",    "X-MS-OL-DEFAULT-POSTAL-ADDRESS",
    "X-EVOLUTION-FILE-AS", "X-MOZILLA-HTML", "X-ABSHOWAS", "KIND"};

} // namespace

void countUnplacedProperty(std::string_view name, ContactBuilder& builder)
{
    for (std::string_view metadata : kMetadata)
        if (equalsIgnoringCase(name, metadata))
            return;
    for (const Noun& noun : kNouns)
        if (equalsIgnoringCase(name, noun.property)) {
            builder.unplaced(noun.singular, noun.plural);
            return;
        }
    std::string upper(name);
    for (char& c : upper)
        c = asciiUpper(c);
    builder.unplaced(upper + " property", upper + " properties");
}

} // namespace qor
