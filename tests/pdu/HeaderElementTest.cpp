// Reading every user data header element: concatenation, national language
// shifts, any other element kept byte for byte, and an empty header.
#include "PduTestUtil.h"

#include "pdu/PduDecoder.h"

namespace {

using namespace PduTest;
using PduLib::SmsSubmitMessage;

// TP-UDHI set with TP-UDHL 0: the length octet comes before the text.
TEST(HeaderElements, EmptyHeaderIsCountedBeforeTheText) {
    const std::string pdu =
        "069134660405F151000C8160460653332000F1001600C034DC86B3CBA063B8DDAE83DAE5F93C7C2E03";
    const PduLib::DecodedSubmit d = PduLib::DecodeSubmitPdu(octets(pdu));
    EXPECT_EQ(d.textUtf8(), "Sample Gammu message");
    EXPECT_TRUE(d.header.empty());
    EXPECT_EQ(d.userDataLength, 22u);

    SmsSubmitMessage message;
    ASSERT_EQ(readHex(message, pdu), "");
    EXPECT_EQ(message.headerOctetCount(), 1u);
    EXPECT_EQ(writeHex(message), pdu);  // the empty header is written back
}

TEST(HeaderElements, OtherElementsAreKeptByteForByte) {
    const struct {
        const char* userData;  // TP-UDL onwards, 8-bit data
        int iei;               // the other element
        const char* data;
    } cases[] = {
        // Application port addressing, 16-bit (IEI 0x05), then one data octet.
        {"08"
         "060504158200007F",
         0x05, "15820000"},
        // Special SMS message indication (0x01) beside an 8-bit concatenation.
        {"0B"
         "0900032A0201010201007F",
         0x01, "0100"},
        // An element with no data octets.
        {"04"
         "0270007F",
         0x70, ""},
        // A reserved identifier with data.
        {"07"
         "05A003010203AA",
         0xA0, "010203"},
    };
    for (const auto& c : cases) {
        const std::string hex = std::string(
                                    "0041000081"
                                    "0004") +
                                c.userData;
        SmsSubmitMessage message;
        ASSERT_EQ(readHex(message, hex), "") << c.userData;
        EXPECT_EQ(writeHex(message), hex) << c.userData;
        const PduLib::DecodedSubmit d = PduLib::DecodeSubmitPdu(octets(hex));
        bool seen = false;
        for (const auto& e : d.header) {
            if (e.iei == c.iei) {
                EXPECT_EQ(ToHex(e.data), c.data) << c.userData;
                seen = true;
            }
        }
        EXPECT_TRUE(seen) << c.userData;
    }
}

TEST(HeaderElements, NationalLanguageElements) {
    // 7-bit, TP-UDHL 6: single shift Turkish (0x24) and locking shift Turkish
    // (0x25); no fill bits. Septets 0x07 0x1B 0x47: locking 'ı', shifted 'Ğ'.
    const std::string hex =
        "0041000081"
        "0000"
        "0B"
        "06240101250101"
        "87CD11";
    SmsSubmitMessage message;
    ASSERT_EQ(readHex(message, hex), "");
    EXPECT_EQ(writeHex(message), hex);
    const PduLib::DecodedSubmit d = PduLib::DecodeSubmitPdu(octets(hex));
    EXPECT_EQ(d.lockingShift, 1);
    EXPECT_EQ(d.singleShift, 1);
    EXPECT_EQ(d.text(), u"\u0131\u011E");
    ASSERT_EQ(d.header.size(), 2u);
    EXPECT_EQ(d.header[0].iei, 0x24);
    EXPECT_EQ(d.header[0].language, 1);

    const struct {
        const char* userData;
        const char* error;
    } failures[] = {
        {"05"
         "0424020101",
         "NationalLanguageInfoElement: invalid Information Element length"},
        {"03"
         "022501",
         "TPUserData: Information Element exceeds User Data Header length"},
    };
    for (const auto& f : failures) {
        SmsSubmitMessage bad;
        EXPECT_EQ(readHex(bad, std::string("0041000081"
                                           "0004") +
                                   f.userData),
                  f.error)
            << f.userData;
    }
}

}  // namespace
