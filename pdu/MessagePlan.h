// Planning a message before it is composed: which encoding and tables carry
// the text, how many septets or UCS2 units it takes, and how it splits into
// concatenated parts (3GPP TS 23.040 9.2.3.24.1 and .8, TS 23.038 6.2.1.2.4).
// The same plan drives the counter a user sees and the composer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pdu/Gsm7National.h"
#include "pdu/LookAlike.h"

namespace PduLib {

enum class TextEncoding {
    Auto,  // GSM 7-bit when every character fits, else UCS2
    Gsm7,  // GSM 7-bit only: a character no table holds is sent as '?'
    Ucs2,
};

constexpr unsigned kDefaultMaxParts = 6;
constexpr unsigned kMostParts = 255;

struct MessageOptions {
    TextEncoding encoding = TextEncoding::Auto;
    // Look-alikes (LookAlike.h) stand in for typographic characters when
    // that keeps the text in GSM 7-bit.
    bool replaceLookAlikes = true;
    // National languages (NationalLanguage) whose tables may carry a text
    // that the default alphabet cannot; none by default.
    std::vector<int> languages;
    unsigned maxParts = kDefaultMaxParts;  // 1..255
    bool reference16 = false;              // IEI 0x08 instead of 0x00
    // TP-SRR (TS 23.040 9.2.3.5) in every part: ask the network for a status
    // report. Off by default, so that the codec writes the same PDUs as
    // before; a campaign turns it on unless the user opts out.
    bool deliveryReports = false;
};

struct MessagePlan {
    TextEncoding encoding = TextEncoding::Gsm7;  // Gsm7 or Ucs2
    Gsm7Tables tables;                           // national tables of a 7-bit text
    bool reference16 = false;                    // the parts carry IEI 0x08
    std::size_t characters = 0;  // characters of the text as given (a surrogate pair is one)
    std::size_t units = 0;       // septets (an escape pair is two) or UTF-16 units
    std::size_t parts = 0;
    std::size_t perPart = 0;    // units one part holds
    std::size_t remaining = 0;  // units still free in the last part
    std::vector<Replacement> replaced;
    std::vector<char32_t> unsendable;  // characters sent as '?' (forced GSM 7-bit only)
    std::string error;                 // why the message is refused; empty when it is not
    // The body of every part: septet codes (7-bit) or UTF-16 units (UCS2).
    std::vector<std::string> septets;
    std::vector<std::u16string> ucs2;

    bool ok() const { return error.empty(); }
    // Octets of each part's user data header, TP-UDHL included (0: none).
    unsigned headerOctets() const;
};

// Plans `text` (the whole text, signature included).
MessagePlan PlanMessage(std::u16string_view text, const MessageOptions& options);

// The text as the phone shows it once every part has arrived: look-alikes
// replaced, a character no table holds as '?'.
std::u16string ArrivingText(const MessagePlan& plan);

// Units one part holds with a header of `headerOctets` octets (TP-UDHL
// included): 160 - ceil(8h/7) septets, or (140 - h) / 2 UCS2 units.
std::size_t PartCapacity(TextEncoding encoding, unsigned headerOctets);

// Checks a destination or service-centre number as the tools and the device
// link take it: at most 20 digits (TS 23.040 9.1.2.5), not empty when
// `required`. Returns the reason it is refused, or "" when it is fine.
std::string CheckNumber(std::u16string_view number, bool required, const char* what);

}  // namespace PduLib
