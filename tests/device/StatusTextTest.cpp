// The one table of status texts: each code has one text, whichever caller
// asks; only the words for a code the table does not know differ.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "device/StatusText.h"

namespace {

struct TextCase {
    std::uint32_t status;
    std::u16string_view deviceText;  // DeviceResponseText; empty: the same as text
    std::u16string_view text;        // StatusText
};

void PrintTo(const TextCase& c, std::ostream* os) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(c.status));
    *os << hex;
}

class StatusTexts : public testing::TestWithParam<TextCase> {};

TEST_P(StatusTexts, OneTextPerCode) {
    const TextCase& c = GetParam();
    const auto status = static_cast<HRESULT>(c.status);
    EXPECT_EQ(StatusText(status), c.text);
    EXPECT_EQ(DeviceResponseText(status), c.deviceText.empty() ? c.text : c.deviceText);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, StatusTexts,
    testing::Values(
        // The device's words for what the modem reports.
        TextCase{0x00000000u, {}, u"SMS Sent Successfully."},
        // Vantorix's own codes and the system's.
        TextCase{0x80040B03u,
                 {},
                 u"The modem was removed or stopped answering before the send completed."},
        TextCase{0x80004005u, {}, u"Unspecified error"},
        // Modem error numbers that have no platform status: the number is named.
        TextCase{0x80041000u + 126, {}, u"The network refused the message (CMS 126)."},
        TextCase{0x80041000u + 127, {}, u"Interworking error (CMS 127)."},
        TextCase{0x80041000u + 200, {}, u"The service centre refused the message (CMS 200)."},
        TextCase{0x80041000u + 256, {}, u"Modem error (CMS 256)."},
        TextCase{0x80041000u + 500, {}, u"Unknown error (CMS 500)."},
        TextCase{0x80041000u + 512, {}, u"Manufacturer-specific error (CMS 512)."},
        TextCase{0x80042000u + 100, {}, u"Unknown error (CME 100)."},
        TextCase{0x80042000u + 4095, {}, u"Modem error (CME 4095)."},
        // Unknown codes: the two fallbacks. The IDispatch range starts above
        // 0x80040200 and ends at 0x8004FFFF.
        TextCase{0x80043000u, u"Unknown Response (80043000) from the Device.",
                 u"IDispatch error #11776"},
        TextCase{0x80040201u, u"Unknown Response (80040201) from the Device.",
                 u"IDispatch error #1"},
        TextCase{0x8004FFFFu, u"Unknown Response (8004ffff) from the Device.",
                 u"IDispatch error #65023"},
        TextCase{0x80040200u, u"Unknown Response (80040200) from the Device.",
                 u"Unknown error 0x80040200"},
        TextCase{0x80050000u, u"Unknown Response (80050000) from the Device.",
                 u"Unknown error 0x80050000"},
        TextCase{0x7u, u"Unknown Response (7) from the Device.", u"Unknown error 0x7"}));

}  // namespace
