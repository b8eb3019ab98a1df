// PDU text: uppercase hexadecimal, two digits per octet, no separators.
#pragma once

#include <string>
#include <string_view>

namespace PduLib {

// Appends two uppercase hexadecimal digits per octet of `octets` to `out`.
void AppendHex(std::string_view octets, std::string& out);
std::string ToHex(std::string_view octets);

// Decodes hexadecimal text (either case) into octets. Returns false and names
// the problem in `error` for an odd length or a character that is not a digit.
bool FromHex(std::string_view hex, std::string& octets, std::string& error);

// Octets of the TPDU in a PDU text whose service-centre field comes first
// (what AT+CMGS and the Mobile Broadband API are told): all octets less the
// length octet and the octets it counts. -1 when the text is not whole
// hexadecimal octets or the service-centre field leaves no TPDU.
int TpduLength(std::string_view pduHex);

}  // namespace PduLib
