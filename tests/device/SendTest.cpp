// Sending: the octet count handed to the modem, what is composed, the
// refusals that must reach the caller without anything being submitted, and
// a message of several parts with its concatenation reference.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "device/CDeviceFront.h"
#include "device/fake/FakeBackend.h"
#include "pdu/CPduComposer.h"
#include "pdu/Hex.h"
#include "pdu/PartsJoiner.h"
#include "pdu/PduDecoder.h"
#include "pdu/Unicode.h"

using namespace DeviceLink;
using FakeBackend::FakeInterface;
using FakeBackend::FakePlatform;

namespace {

constexpr std::uint32_t kUntouched = 0xDEADBEEF;

struct Rig {
    FakePlatform platform;
    std::shared_ptr<FakeInterface> modem;
    CDeviceFront front;

    explicit Rig(std::u16string serviceCenter = u"+12345678901")
        : modem(FakeInterface::Modem(u"COM5", u"Tellora", std::move(serviceCenter))),
          front(platform.Factory()) {
        platform.manager->interfaces.push_back(modem);
        front.Discover();
    }
};

// SendPdu straight: the count is the TPDU's octets, whatever the service
// centre field's length; texts that are not a whole PDU never reach the modem.
struct PduCase {
    const char* name;
    std::u16string pdu;
    HRESULT result;
    int tpduOctets;  // -1: nothing submitted
};

void PrintTo(const PduCase& c, std::ostream* os) {
    *os << c.name;
}

class SendPdu : public testing::TestWithParam<PduCase> {};

TEST_P(SendPdu, CountsTheTpdu) {
    const PduCase& c = GetParam();
    Rig rig;
    std::uint32_t requestId = kUntouched;
    EXPECT_EQ(rig.front.DeviceLink().SendPdu(u"+123456789", c.pdu, &requestId), c.result);
    if (c.tpduOctets < 0) {
        EXPECT_TRUE(rig.modem->sms->sent.empty());
        EXPECT_EQ(requestId, kUntouched);
        return;
    }
    ASSERT_EQ(rig.modem->sms->sent.size(), 1u);
    EXPECT_EQ(rig.modem->sms->sent[0].pdu, c.pdu);
    EXPECT_EQ(rig.modem->sms->sent[0].size, c.tpduOctets);
    EXPECT_EQ(requestId, rig.modem->sms->sent[0].requestId);
}

const std::u16string kTpdu = u"9101099121436587F900008F02E834";  // 15 octets

INSTANTIATE_TEST_SUITE_P(
    Cases, SendPdu,
    testing::Values(PduCase{"NoServiceCentre", u"00" + kTpdu, S_OK, 15},
                    PduCase{"EightOctetServiceCentre", u"07912143658709F1" + kTpdu, S_OK, 15},
                    PduCase{"LowerCaseHex", u"00" + std::u16string(u"9101099121436587f9"), S_OK, 9},
                    PduCase{"Empty", u"", E_INVALIDARG, -1},
                    PduCase{"OddLength", u"00910", E_INVALIDARG, -1},
                    PduCase{"NotHex", u"00ZZ", E_INVALIDARG, -1},
                    PduCase{"ServiceCentreOnly", u"07912143658709F1", E_INVALIDARG, -1},
                    PduCase{"ServiceCentreLongerThanText", u"0791214365", E_INVALIDARG, -1},
                    PduCase{"TpduOver255Octets", u"00" + std::u16string(512, u'1'), E_INVALIDARG,
                            -1},
                    PduCase{"Tpdu255Octets", u"00" + std::u16string(510, u'1'), S_OK, 255}),
    [](const testing::TestParamInfo<PduCase>& info) { return info.param.name; });

// SendSms end to end: service centre of the device, signature appended, the
// count matching the composed PDU.
struct ComposeCase {
    const char* name;
    std::u16string serviceCenter;
    std::u16string serviceCentreField;  // how the PDU must begin
    std::u16string message;
};

void PrintTo(const ComposeCase& c, std::ostream* os) {
    *os << c.name;
}

class SendSmsComposes : public testing::TestWithParam<ComposeCase> {};

TEST_P(SendSmsComposes, SubmitsTheSignedPduWithItsTpduLength) {
    const ComposeCase& c = GetParam();
    Rig rig(c.serviceCenter);
    std::uint32_t requestId = kUntouched;
    std::u16string reason = u"stale";
    ASSERT_EQ(rig.front.SendSms(c.message, u"+123456789", &requestId, reason), S_OK);
    EXPECT_EQ(reason, u"");
    ASSERT_EQ(rig.modem->sms->sent.size(), 1u);
    const auto& sent = rig.modem->sms->sent[0];
    EXPECT_EQ(requestId, sent.requestId);

    PduLib::CPduComposer reference;
    reference.SetTrace(nullptr);
    reference.SetServiceCenter(c.serviceCenter);
    reference.SetMessageText(c.message + u" - Sent with Quorvel Vantorix");
    reference.SetDestination(u"+123456789");
    EXPECT_EQ(sent.pdu, reference.ComposePdu());
    EXPECT_EQ(sent.pdu.substr(0, c.serviceCentreField.size()), c.serviceCentreField);
    EXPECT_EQ(sent.size, sent.pdu.size() / 2 - c.serviceCentreField.size() / 2);
    EXPECT_EQ(sent.size, reference.TpduLength());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SendSmsComposes,
    testing::Values(ComposeCase{"EmptyServiceCentre", u"", u"00", u"hi"},
                    ComposeCase{"ElevenDigits", u"+12345678901", u"07912143658709F1", u""},
                    ComposeCase{"LongestMessage", u"+4479", u"03914497",
                                std::u16string(131, u'a')}),
    [](const testing::TestParamInfo<ComposeCase>& info) { return info.param.name; });

// Refusals: nothing is submitted, the request id is not written, and the
// reason says why.
struct RefusalCase {
    const char* name;
    std::function<void(Rig&)> script;
    std::u16string message;
    std::u16string number;
    HRESULT result;
    std::u16string reasonContains;
};

void PrintTo(const RefusalCase& c, std::ostream* os) {
    *os << c.name;
}

class SendSmsRefuses : public testing::TestWithParam<RefusalCase> {};

TEST_P(SendSmsRefuses, WithTheReasonAndNothingSubmitted) {
    const RefusalCase& c = GetParam();
    Rig rig;
    c.script(rig);
    std::uint32_t requestId = kUntouched;
    std::u16string reason;
    EXPECT_EQ(rig.front.SendSms(c.message, c.number, &requestId, reason), c.result);
    EXPECT_NE(reason.find(c.reasonContains), std::u16string::npos)
        << "reason: " << std::string(reason.begin(), reason.end());
    EXPECT_EQ(requestId, kUntouched);
    EXPECT_TRUE(rig.modem->sms->sent.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SendSmsRefuses,
    testing::Values(
        RefusalCase{"BlankInNumber", [](Rig&) {}, u"hi", u"12 34", E_INVALIDARG,
                    u"TPDestinationAddress: output stream write failure"},
        RefusalCase{"TwentyOneDigits", [](Rig&) {}, u"hi", u"+123456789012345678901", E_INVALIDARG,
                    u"destination number has 21 digits; at most 20 are allowed"},
        RefusalCase{"TooLongWithSignature", [](Rig&) {}, std::u16string(132, u'a'), u"+123456789",
                    E_INVALIDARG, u"TPUserData: User Data length exceeds 140 octets"},
        RefusalCase{"NoDevice",
                    [](Rig& r) {
                        r.platform.manager->interfaces.clear();
                        r.front.Discover();
                    },
                    u"hi", u"+123456789", E_FAIL,
                    u"Could not Locate SMS Device to Send / Receive SMS Message(s)."},
        RefusalCase{"TextFormatDevice",
                    [](Rig& r) {
                        r.modem->sms->configuration->format = MBN_SMS_FORMAT_TEXT;
                        r.front.Discover();
                    },
                    u"hi", u"+123456789", E_FAIL,
                    u"SMS Format 2 Not Supported to send / Receive SMS Message(s)."},
        RefusalCase{"ModemRefuses", [](Rig& r) { r.modem->sms->sendResult = MBN_E_NOT_REGISTERED; },
                    u"hi", u"+123456789", MBN_E_NOT_REGISTERED,
                    u"The device is not registered to any network."},
        // The link's own codes read as they do as a final status.
        RefusalCase{"ModemGone", [](Rig& r) { r.modem->sms->sendResult = VTX_E_MODEM_GONE; }, u"hi",
                    u"+123456789", VTX_E_MODEM_GONE,
                    u"The modem was removed or stopped answering before the send "
                    u"completed."}),
    [](const testing::TestParamInfo<RefusalCase>& info) { return info.param.name; });

TEST(SendSms, BusyModemTakesTheRowLater) {
    Rig rig;
    rig.modem->sms->maxOutstanding = 1;
    std::uint32_t first = kUntouched, second = kUntouched, third = kUntouched;
    std::u16string reason;
    ASSERT_EQ(rig.front.SendSms(u"a", u"+1", &first, reason), S_OK);
    EXPECT_EQ(rig.front.SendSms(u"b", u"+2", &second, reason), VTX_E_MODEM_BUSY);
    EXPECT_EQ(reason, u"");
    EXPECT_EQ(second, kUntouched);
    ASSERT_TRUE(rig.platform.manager->CompleteOldestSend(rig.modem->sms, S_OK));
    ASSERT_EQ(rig.front.SendSms(u"b", u"+2", &third, reason), S_OK);
    EXPECT_NE(first, third);
}

PduLib::DecodedSubmit Decode(const std::u16string& pdu) {
    std::string octets;
    std::string error;
    EXPECT_TRUE(PduLib::FromHex(PduLib::Utf16ToUtf8(pdu), octets, error)) << error;
    return PduLib::DecodeSubmitPdu(octets);
}

// Each part is its own send, and the parts join back into exactly the text
// and the signature. One reference per concatenated message (none for a
// single part), wrapping after 65535 and handed to its keeper each time; a
// refused message takes none and leaves no parts behind.
TEST(SendParts, EachPartIsSentAndTheReferenceAdvancesWrapsAndIsKept) {
    Rig rig;
    std::vector<unsigned> kept;
    rig.front.SetReferenceStore([&kept](std::uint16_t next) { kept.push_back(next); });
    rig.front.SetNextReference(65534);
    const std::u16string twoParts(200, u'r');
    const std::u16string tooLong(1000, u'z');
    std::vector<unsigned> references;
    for (const std::u16string& message :
         {twoParts, std::u16string(u"one"), twoParts, tooLong, twoParts}) {
        std::vector<std::u16string> parts{u"stale"};
        std::u16string reason;
        const bool refused = message == tooLong;
        EXPECT_EQ(rig.front.ComposeSms(message, u"+123456789", parts, reason),
                  refused ? E_INVALIDARG : S_OK);
        EXPECT_EQ(reason, refused ? u"The SMS could not be composed: the message needs 7 parts "
                                    u"(1029 septets); at most 6 are allowed"
                                  : u"");
        PduLib::CPartsJoiner joiner;
        PduLib::CPartsJoiner::Message joined;
        for (const std::u16string& part : parts) {
            std::uint32_t requestId = 0;
            ASSERT_EQ(rig.front.SendSmsPart(u"+123456789", part, &requestId, reason), S_OK);
            EXPECT_EQ(rig.modem->sms->sent.back().pdu, part);
            const PduLib::DecodedSubmit decoded = Decode(part);
            EXPECT_EQ(decoded.destination, "+123456789");
            if (joiner.Add(decoded, joined) == PduLib::CPartsJoiner::Result::Complete &&
                parts.size() > 1) {
                // IEI 0x00 carries the low 8 bits.
                references.push_back(decoded.concatenation()->reference);
            }
        }
        EXPECT_EQ(joined.text, refused ? u"" : message + ISmsFront::kSignature);
    }
    EXPECT_EQ(rig.modem->sms->sent.size(), 7u);
    EXPECT_EQ(references, (std::vector<unsigned>{0xFE, 0xFF, 0x00}));
    EXPECT_EQ(kept, (std::vector<unsigned>{65535, 0, 1}));
}

}  // namespace
