// The +CMS / +CME error table: each modem answer to its final send status.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

#include "device/StatusText.h"
#include "device/at/AtStatus.h"

namespace {

struct StatusCase {
    const char* line;
    HRESULT status;
};

// One line per way through the mapping; the numbers' texts are checked below.
const StatusCase kCases[] = {
    {"OK", S_OK},
    {"ERROR", E_FAIL},
    {"+CMS ERROR: 330", static_cast<HRESULT>(0x80548226u)},
    {"+CMS ERROR: SMSC address unknown", static_cast<HRESULT>(0x80548226u)},
    {"+CMS ERROR: 322", static_cast<HRESULT>(0x80548229u)},
    {"+CMS ERROR: 303", static_cast<HRESULT>(0x00000032u)},
    {"+CMS ERROR: 304", E_INVALIDARG},
    // No platform status: the modem's number is kept.
    {"+CMS ERROR: 38", static_cast<HRESULT>(0x80041026u)},
    {"+CMS ERROR: 500", static_cast<HRESULT>(0x800411F4u)},
    {"+CMS ERROR: something odd", E_FAIL},
    {"+CME ERROR: 10", static_cast<HRESULT>(0x8054820Au)},
    {"+CME ERROR: 100", static_cast<HRESULT>(0x80042064u)},
};

class StatusTest : public testing::TestWithParam<StatusCase> {};

TEST_P(StatusTest, FinalStatus) {
    const auto final = At::ParseFinalResult(GetParam().line);
    ASSERT_TRUE(final) << GetParam().line;
    EXPECT_EQ(At::StatusForFinal(*final), GetParam().status) << GetParam().line;
}

INSTANTIATE_TEST_SUITE_P(Answers, StatusTest, testing::ValuesIn(kCases));

// Whatever the number, an error answer never reads as a sent message.
TEST(StatusTest, NoErrorNumberMapsToSuccess) {
    for (int code = -1; code < 5000; ++code) {
        EXPECT_NE(At::StatusForCmsError(code), S_OK) << code;
        EXPECT_NE(At::StatusForCmeError(code), S_OK) << code;
    }
}

// Every number the modem may answer reads as words: the platform's text, or
// one that names the number.
TEST(StatusTest, EveryErrorNumberHasAText) {
    for (int code = 0; code < 0x1000; ++code) {
        for (const auto& [kind, status] : {std::pair{"CMS", At::StatusForCmsError(code)},
                                           std::pair{"CME", At::StatusForCmeError(code)}}) {
            const std::u16string text = KnownStatusText(status);
            ASSERT_FALSE(text.empty()) << kind << ' ' << code;
            const HRESULT base = status & ~HRESULT{0xFFF};
            if (base == At::kCmsErrorBase || base == At::kCmeErrorBase) {
                const std::string named =
                    std::string(" (") + kind + ' ' + std::to_string(code) + ").";
                EXPECT_EQ(text.substr(text.size() - std::min(text.size(), named.size())),
                          std::u16string(named.begin(), named.end()))
                    << kind << ' ' << code;
            }
        }
    }
}

}  // namespace
