#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

#include "campaign/phone/PhoneNumber.h"
#include "pdu/Unicode.h"

namespace {

struct PhoneCase {
    std::u16string number;
    std::string region;
    std::u16string cleaned;
    const char* e164;     // nullptr: none
    std::string problem;  // empty: may be valid
};

void PrintTo(const PhoneCase& c, std::ostream* os) {
    *os << PduLib::Utf16ToUtf8(c.number) << " in '" << c.region << "'";
}

class PhoneNumbers : public ::testing::TestWithParam<PhoneCase> {};

TEST_P(PhoneNumbers, CleanMatchAndCheck) {
    const PhoneCase& c = GetParam();
    const std::u16string cleaned = Phone::CleanForSending(c.number);
    EXPECT_EQ(cleaned, c.cleaned);
    EXPECT_EQ(Phone::CleanForSending(cleaned), cleaned) << "cleaning twice changes it";
    if (!Phone::HasNumberingPlan()) {
        GTEST_SKIP() << "built without libphonenumber";
    }
    EXPECT_EQ(Phone::ToE164(c.number, c.region),
              c.e164 ? std::optional<std::string>(c.e164) : std::nullopt);
    EXPECT_EQ(Phone::CheckNumber(c.number, c.region), c.problem);
}

const char* const kUk = "+447700900123";

INSTANTIATE_TEST_SUITE_P(
    Awkward, PhoneNumbers,
    ::testing::Values(
        PhoneCase{u"+44 7700 900123", "", u"+447700900123", kUk, ""},
        PhoneCase{u"07700 900123", "GB", u"07700900123", kUk, ""},
        // Country code without its '+': read so in any region where the
        // national reading cannot be a number, and without a region.
        PhoneCase{u"447700900123", "GB", u"447700900123", kUk, ""},
        PhoneCase{u"447700900123", "US", u"447700900123", kUk, ""},
        PhoneCase{u"447700900123", "", u"447700900123", kUk, ""},
        PhoneCase{u"12025550123", "GB", u"12025550123", "+12025550123", ""},
        // A possible national reading wins.
        PhoneCase{u"2025550123", "US", u"2025550123", "+12025550123", ""},
        // The trunk prefix in brackets goes only in an international number.
        PhoneCase{u"+44 (0)7700-900123", "", u"+447700900123", kUk, ""},
        PhoneCase{u"0044 (0)7700.900123", "", u"00447700900123", kUk, ""},
        PhoneCase{u"(0)7700-900123", "GB", u"07700900123", kUk, ""},
        PhoneCase{u"[+44] 7700\u2011900\u2013123", "", u"+447700900123", kUk, ""},
        PhoneCase{u"\u0660\u0667\u0667\u0660\u0660 \u0669\u0660\u0660\u0661\u0662\u0663", "GB",
                  u"07700900123", kUk, ""},
        PhoneCase{u"\uFF0B\uFF14\uFF14\u3000\uFF17\uFF17\uFF10\uFF10\uFF19\uFF10\uFF10\uFF11"
                  u"\uFF12\uFF13",
                  "", u"+447700900123", kUk, ""},
        // No region: a national number has no country to judge it by.
        PhoneCase{u"07700900123", "", u"07700900123", nullptr, ""},
        PhoneCase{u"07700900123", "US", u"07700900123", nullptr, "too long"},
        PhoneCase{u"+44 12", "", u"+4412", nullptr, "too short"},
        PhoneCase{u"+44 7700 9001234567", "", u"+4477009001234567", nullptr, "too long"},
        PhoneCase{u"+999 1234 5678", "", u"+99912345678", nullptr, "no such country code"},
        PhoneCase{u"+44 7700 FLOWER", "GB", u"+447700FLOWER", nullptr, "not a phone number"},
        PhoneCase{u"0+44 7700 900123", "GB", u"0+447700900123", nullptr, "not a phone number"},
        PhoneCase{u"( - )", "GB", u"", nullptr, "not a phone number"}));

TEST(PhoneRegion, FromLocaleAndSetting) {
    const struct {
        std::string locale;
        std::string region;
    } cases[] = {{"en_GB.UTF-8", "GB"}, {"de_AT@euro", "AT"}, {"pt_br", "BR"},
                 {"C.UTF-8", ""},       {"POSIX", ""},        {"en_GBR.UTF-8", ""}};
    for (const auto& c : cases) {
        EXPECT_EQ(Phone::RegionFromLocale(c.locale), c.region) << c.locale;
    }
    EXPECT_EQ(Phone::NormalRegion("gb"), "GB");
    EXPECT_EQ(Phone::NormalRegion("G1"), "");
}

}  // namespace
