// The device front with a message of several parts: every part is its own
// send with its own TPDU length, the parts join back into the text with the
// signature, the concatenation reference advances per concatenated message,
// wraps and is handed to its keeper, and bad numbers never reach the modem.
// (A busy modem and a failing part are the campaign loop's: its tests.)
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/CDeviceFront.h"
#include "device/fake/FakeBackend.h"
#include "pdu/Hex.h"
#include "pdu/PartsJoiner.h"
#include "pdu/PduDecoder.h"
#include "pdu/Unicode.h"

using FakeBackend::FakeInterface;
using FakeBackend::FakePlatform;

namespace {

struct Rig {
    FakePlatform platform;
    std::shared_ptr<FakeInterface> modem;
    CDeviceFront front;

    explicit Rig(std::u16string serviceCenter = u"+447700900000")
        : modem(FakeInterface::Modem(u"COM5", u"Tellora", std::move(serviceCenter))),
          front(platform.Factory()) {
        platform.manager->interfaces.push_back(modem);
        front.Discover();
    }

    // Composes `message` for `number` and submits every part; the parts
    // as composed.
    std::vector<std::u16string> Send(const std::u16string& message,
                                     const std::u16string& number = u"+447700900123") {
        std::vector<std::u16string> parts;
        std::u16string reason;
        EXPECT_EQ(front.ComposeSms(message, number, parts, reason), S_OK)
            << PduLib::Utf16ToUtf8(reason);
        for (const std::u16string& part : parts) {
            std::uint32_t requestId = 0;
            EXPECT_EQ(front.SendSmsPart(number, part, &requestId, reason), S_OK);
        }
        return parts;
    }
};

PduLib::DecodedSubmit Decode(const std::u16string& pdu) {
    std::string octets;
    std::string error;
    EXPECT_TRUE(PduLib::FromHex(PduLib::Utf16ToUtf8(pdu), octets, error)) << error;
    return PduLib::DecodeSubmitPdu(octets);
}

struct TextCase {
    const char* name;
    std::u16string text;
    std::size_t parts;
    int alphabet;  // 0: GSM 7-bit, 2: UCS2
};

void PrintTo(const TextCase& c, std::ostream* os) {
    *os << c.name;
}

class PartsOfAMessage : public testing::TestWithParam<TextCase> {};

// What the modem is handed joins back into exactly the text and the
// signature, each part counted on its own.
TEST_P(PartsOfAMessage, AreSentOneByOneAndJoinBackWhole) {
    const TextCase& c = GetParam();
    Rig rig;
    const std::vector<std::u16string> parts = rig.Send(c.text);
    ASSERT_EQ(parts.size(), c.parts);
    ASSERT_EQ(rig.modem->sms->sent.size(), c.parts);

    PduLib::CPartsJoiner joiner;
    PduLib::CPartsJoiner::Message joined;
    std::size_t complete = 0;
    for (std::size_t k = 0; k < c.parts; ++k) {
        const auto& sent = rig.modem->sms->sent[k];
        EXPECT_EQ(sent.pdu, parts[k]);
        EXPECT_EQ(sent.size, PduLib::TpduLength(PduLib::Utf16ToUtf8(sent.pdu)));
        const PduLib::DecodedSubmit part = Decode(sent.pdu);
        EXPECT_EQ(part.alphabet, c.alphabet);
        EXPECT_EQ(part.destination, "+447700900123");
        if (joiner.Add(part, joined) == PduLib::CPartsJoiner::Result::Complete) {
            ++complete;
        }
    }
    EXPECT_EQ(complete, 1u);
    EXPECT_EQ(joined.parts, c.parts);
    EXPECT_EQ(joined.text, c.text + ISmsFront::kSignature);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PartsOfAMessage,
    testing::Values(TextCase{"PlainAscii", u"Meeting on Monday", 1, 0},
                    // 131 + 29 = 160 septets: one part; one more makes two.
                    TextCase{"FullSingleGsm", std::u16string(131, u'x'), 1, 0},
                    TextCase{"OneOverSingleGsm", std::u16string(132, u'x'), 2, 0},
                    // 29 characters twice and the signature: 87 UCS2 units, two parts.
                    TextCase{
                        "Russian",
                        [] {
                            const std::u16string line =
                                u"\u041f\u0440\u0438\u0432\u0435\u0442, \u0432\u0441\u0442\u0440"
                                u"\u0435\u0447\u0430 \u0432 \u043f\u043e\u043d\u0435\u0434\u0435"
                                u"\u043b\u044c\u043d\u0438\u043a";
                            return line + line;
                        }(),
                        2, 2},
                    // 57 emoji (two units each) and the signature: 143 units, three parts.
                    TextCase{"Emoji",
                             [] {
                                 std::u16string t;
                                 for (int i = 0; i < 57; ++i) {
                                     t += u"\U0001F600";
                                 }
                                 return t;
                             }(),
                             3, 2}),
    [](const testing::TestParamInfo<TextCase>& info) { return info.param.name; });

TEST(ConcatenationReference, AdvancesPerConcatenatedMessageWrapsAndIsKept) {
    Rig rig;
    std::vector<std::uint16_t> kept;
    rig.front.SetReferenceStore([&kept](std::uint16_t next) { kept.push_back(next); });
    rig.front.SetNextReference(65534);
    const std::u16string twoParts(200, u'r');

    std::vector<unsigned> references;
    for (int message = 0; message < 3; ++message) {
        const std::vector<std::u16string> parts = rig.Send(twoParts);
        ASSERT_EQ(parts.size(), 2u);
        const unsigned first = Decode(parts[0]).concatenation()->reference;
        EXPECT_EQ(Decode(parts[1]).concatenation()->reference, first);
        references.push_back(first);
    }
    // A single-part message takes none.
    rig.Send(u"short");
    EXPECT_EQ(rig.front.NextReference(), 1u);
    // IEI 0x00 carries the low 8 bits of 65534, 65535 and 0.
    EXPECT_THAT(references, testing::ElementsAre(0xFEu, 0xFFu, 0x00u));
    EXPECT_THAT(kept, testing::ElementsAre(65535u, 0u, 1u));

    PduLib::MessageOptions options;
    options.reference16 = true;
    rig.front.SetMessageOptions(options);
    rig.front.SetNextReference(0x1234);
    const std::vector<std::u16string> parts = rig.Send(twoParts);
    EXPECT_EQ(Decode(parts[0]).concatenation()->iei, 0x08);
    EXPECT_EQ(Decode(parts[0]).concatenation()->reference, 0x1234u);
}

// 256 concatenated messages in a row to one phone: no two share a reference.
TEST(ConcatenationReference, NoRepeatWithin256Messages) {
    Rig rig;
    rig.front.SetNextReference(200);
    std::vector<bool> seen(256, false);
    for (int message = 0; message < 256; ++message) {
        std::vector<std::u16string> parts;
        std::u16string reason;
        ASSERT_EQ(rig.front.ComposeSms(std::u16string(200, u'r'), u"+15550001", parts, reason),
                  S_OK);
        const unsigned reference = Decode(parts[0]).concatenation()->reference;
        EXPECT_FALSE(seen[reference]) << "reference " << reference << " again";
        seen[reference] = true;
    }
}

struct RefusalCase {
    const char* name;
    std::u16string serviceCenter;
    std::u16string number;
    std::u16string message;
    HRESULT result;
    std::u16string reason;
};

void PrintTo(const RefusalCase& c, std::ostream* os) {
    *os << c.name;
}

class ComposeRefuses : public testing::TestWithParam<RefusalCase> {};

TEST_P(ComposeRefuses, WithTheReasonAndNothingSubmitted) {
    const RefusalCase& c = GetParam();
    Rig rig(c.serviceCenter);
    rig.front.SetNextReference(7);
    std::vector<std::u16string> parts{u"stale"};
    std::u16string reason;
    EXPECT_EQ(rig.front.ComposeSms(c.message, c.number, parts, reason), c.result);
    EXPECT_EQ(reason, c.reason);
    EXPECT_TRUE(parts.empty());
    EXPECT_EQ(rig.front.NextReference(), 7u);

    // The single-message path refuses the same numbers.
    std::uint32_t requestId = 0;
    if (c.message.size() < 100) {
        EXPECT_EQ(rig.front.SendSms(c.message, c.number, &requestId, reason), c.result);
        EXPECT_EQ(reason, c.reason);
    }
    EXPECT_TRUE(rig.modem->sms->sent.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ComposeRefuses,
    testing::Values(
        RefusalCase{"EmptyNumber", u"+4479", u"", u"hi", E_INVALIDARG,
                    u"The SMS could not be composed: destination number is empty"},
        RefusalCase{"TwentyOneDigits", u"+4479", u"+123456789012345678901", u"hi", E_INVALIDARG,
                    u"The SMS could not be composed: destination number has 21 digits; at most "
                    u"20 are allowed"},
        RefusalCase{"LongServiceCentre", u"123456789012345678901234", u"+4479", u"hi", E_INVALIDARG,
                    u"The SMS could not be composed: service-centre number has 24 digits; at "
                    u"most 20 are allowed"},
        RefusalCase{"OverThePartsLimit", u"+4479", u"+4479", std::u16string(1000, u'z'),
                    E_INVALIDARG,
                    u"The SMS could not be composed: the message needs 7 parts (1029 septets); "
                    u"at most 6 are allowed"}),
    [](const testing::TestParamInfo<RefusalCase>& info) { return info.param.name; });

}  // namespace
