#include <gtest/gtest.h>

#include "campaign/ResultText.h"

namespace {

struct TextCase {
    HRESULT status;
    std::u16string_view finalText;
    std::u16string_view statusText;
};

class ResultTexts : public ::testing::TestWithParam<TextCase> {};

TEST_P(ResultTexts, FinalAndImmediate) {
    EXPECT_EQ(FinalStatusText(GetParam().status), GetParam().finalText);
    EXPECT_EQ(StatusText(GetParam().status), GetParam().statusText);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, ResultTexts,
    ::testing::Values(
        TextCase{S_OK, u"SMS Sent Successfully.", u"The operation completed successfully."},
        TextCase{E_INVALIDARG, u"The device detected invalid parameters in the send request.",
                 u"The parameter is incorrect."},
        TextCase{static_cast<HRESULT>(0x80548229u), u"The device/SIM memory is full.",
                 u"Unknown error 0x80548229"},
        TextCase{E_FAIL, u"Unspecified error", u"Unspecified error"},
        TextCase{VTX_E_MODEM_GONE,
                 u"The modem was removed or stopped answering before the send completed.",
                 u"The modem was removed or stopped answering before the send completed."},
        // The IDispatch range starts above 0x80040200 and ends at 0x8004FFFF.
        TextCase{static_cast<HRESULT>(0x80040201u), u"IDispatch error #1", u"IDispatch error #1"},
        TextCase{static_cast<HRESULT>(0x8004FFFFu), u"IDispatch error #65023",
                 u"IDispatch error #65023"},
        TextCase{static_cast<HRESULT>(0x80040200u), u"Unknown error 0x80040200",
                 u"Unknown error 0x80040200"},
        TextCase{static_cast<HRESULT>(0x80050000u), u"Unknown error 0x80050000",
                 u"Unknown error 0x80050000"},
        TextCase{0x2A, u"Unknown error 0x2A", u"Unknown error 0x2A"}));

}  // namespace
