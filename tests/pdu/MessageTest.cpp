#include "PduTestUtil.h"

namespace {

using namespace PduTest;
using PduLib::SmsSubmitMessage;

// A full PDU: service centre, first octet with relative validity period and
// header, reference 0x2A, destination, PID, DCS, VP, then a header and text.
const std::string kFull =
    "07912143658709F1"  // service centre
    "D1"                // reply path, UDHI, VPF 2
    "2A"                // message reference
    "0B915121436587F9"  // destination +15123456789
    "00"
    "00"
    "8F"  // PID, DCS, VP
    "08"
    "0500032A0201"
    "82";  // TP-UDL, header, 'A' after one fill bit

TEST(Message, TruncationFailsInTheUnitThatMeetsTheEnd) {
    // Octet count kept -> the unit or variant that reads past the end.
    const struct {
        std::size_t octets;
        const char* error;
    } cases[] = {
        {0, "TPServiceCenterAddress: input stream read failure"},
        {5, "TPServiceCenterAddress: input stream read failure"},
        {8, "TPMtiAndFriendsSmsSubmit: input stream read failure"},
        {9, "TPMessageReference: input stream read failure"},
        {10, "TPDestinationAddress: input stream read failure"},
        {16, "TPDestinationAddress: input stream read failure"},
        {18, "TPProtocolIdentifier: input stream read failure"},
        {19, "TPDataCodingScheme: input stream read failure"},
        {20, "RelativeValidityPeriod: input stream read failure"},
        {21, "TPUserData: input stream read failure"},
        {22, "TPUserData: input stream read failure"},  // TP-UDHL
        {23, "TPUserData: input stream read failure"},  // IEI
        {25, "ConcatenatedMessage8bitInfoElement: input stream read failure"},
        {28, "Default User Data: input stream read failure"},
    };
    for (const auto& c : cases) {
        SmsSubmitMessage message;
        EXPECT_EQ(readHex(message, kFull.substr(0, 2 * c.octets)), c.error) << c.octets;
    }
    SmsSubmitMessage whole;
    EXPECT_EQ(readHex(whole, kFull), "");
    EXPECT_EQ(writeHex(whole), kFull);
}

TEST(Message, EarlierUnitsKeepWhatTheyReadWhenALaterOneFails) {
    SmsSubmitMessage message;
    EXPECT_NE(readHex(message, kFull.substr(0, 2 * 19)), "");
    EXPECT_EQ(unit<PduLib::TPServiceCenterAddress>(message).number(), "+12345678901");
    EXPECT_EQ(unit<PduLib::TPMessageReference>(message).messageReference(), 0x2A);
    EXPECT_EQ(unit<PduLib::TPDestinationAddress>(message).number(), "+15123456789");
    EXPECT_TRUE(message.userData().equals(PduLib::DefaultUserData()));
}

}  // namespace
