// The plain fallback of builds without libphonenumber (the Windows program):
// national numbers take the region's country code in place of its trunk
// prefix; only the digits are counted.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "campaign/phone/PhoneNumber.h"
#include "pdu/Unicode.h"

namespace {

TEST(PhoneFallback, NationalNumbersTakeTheRegionsCountryCode) {
    ASSERT_FALSE(Phone::HasNumberingPlan()) << "built with libphonenumber";
    const struct {
        std::u16string number;
        const char* region;
        const char* e164;  // nullptr: none
        const char* problem;
    } cases[] = {
        {u"07700 900123", "GB", "+447700900123", ""},
        {u"07700 900123", "gb", "+447700900123", ""},
        {u"2025550123", "US", "+12025550123", ""},
        {u"1 (202) 555-0123", "US", "+12025550123", ""},  // trunk prefix 1
        {u"06 1 234 5678", "HU", "+3612345678", ""},      // trunk prefix 06
        {u"06 1234 5678", "IT", "+390612345678", ""},     // Italy keeps its 0
        {u"8 912 345-67-89", "RU", "+79123456789", ""},
        {u"312 345", "AD", "+376312345", ""},             // first row of the table
        {u"077 123 4567", "ZW", "+263771234567", ""},     // last row
        {u"+44 7700 900123", "US", "+447700900123", ""},  // international as written
        {u"0044 7700 900123", "DE", "+447700900123", ""},
        {u"07700900123", "", nullptr, ""},    // no region: not judged
        {u"07700900123", "XX", nullptr, ""},  // no such region
        {u"0123", "GB", nullptr, "too short"},
        {u"0 7700 9001 2345 67", "GB", nullptr, "too long"},
        {u"07700 FLOWER", "GB", nullptr, "not a phone number"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(PduLib::Utf16ToUtf8(c.number) + " in " + c.region);
        EXPECT_EQ(Phone::ToE164(c.number, c.region),
                  c.e164 ? std::optional<std::string>(c.e164) : std::nullopt);
        EXPECT_EQ(Phone::CheckNumber(c.number, c.region), c.problem);
    }
}

}  // namespace
