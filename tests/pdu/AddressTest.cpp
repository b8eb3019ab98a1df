#include <algorithm>

#include "PduTestUtil.h"

namespace {

using namespace PduTest;
using PduLib::SmsSubmitMessage;
using PduLib::TPDestinationAddress;
using PduLib::TPServiceCenterAddress;

// Everything after the destination address of a default message: TP-PID,
// TP-DCS, TP-UDL.
const std::string kTail = "000000";

struct WriteCase {
    std::string number;
    std::uint8_t toa;
    std::string expected;  // hex of the field
};

TEST(ServiceCenterAddress, WritesLengthInOctets) {
    const WriteCase cases[] = {
        {"", 0x81, "00"},
        {"+", 0x91, "00"},
        {"+12345678901", 0x91, "07912143658709F1"},
        {"12345", 0x81, "04812143F5"},
        {"123456789012", 0x91, "07912143658709 21"},
    };
    for (const auto& c : cases) {
        SmsSubmitMessage message;
        unit<TPServiceCenterAddress>(message).setNumber(c.number);
        unit<TPServiceCenterAddress>(message).setTypeOfAddress(c.toa);
        std::string expected = c.expected;
        expected.erase(std::remove(expected.begin(), expected.end(), ' '), expected.end());
        EXPECT_EQ(writeHex(message), expected + "0100" + "0081" + kTail) << c.number;
    }
}

TEST(DestinationAddress, WritesLengthInDigits) {
    const WriteCase cases[] = {
        {"+12345", 0x91, "05912143F5"}, {"12345", 0x81, "05812143F5"},
        {"1234", 0x81, "04812143"},     {"", 0x81, "0081"},
        {"+12345", 0x81, "05812143F5"},  // the type alone carries the international form
        {"0", 0x81, "0181F0"},
    };
    for (const auto& c : cases) {
        SmsSubmitMessage message;
        unit<TPDestinationAddress>(message).setNumber(c.number);
        unit<TPDestinationAddress>(message).setTypeOfAddress(c.toa);
        EXPECT_EQ(writeHex(message), "000100" + c.expected + kTail) << c.number;
    }
}

TEST(Address, BadCharactersFailTheUnitsWrite) {
    for (const std::string number : {"0800-123", "0800 123", "12a45", "12+45", "++1", "１２３"}) {
        {
            SmsSubmitMessage message;
            unit<TPDestinationAddress>(message).setNumber(number);
            EXPECT_EQ(writeFailure(message), "TPDestinationAddress: output stream write failure")
                << number;
        }
        {
            SmsSubmitMessage message;
            unit<TPServiceCenterAddress>(message).setNumber(number);
            std::stringstream stream(std::ios::in | std::ios::out | std::ios::binary);
            try {
                message.write(stream);
                ADD_FAILURE() << number;
            } catch (const PduLib::failure& e) {
                EXPECT_STREQ(e.what(), "TPServiceCenterAddress: output stream write failure");
            }
            EXPECT_TRUE(stream.str().empty()) << "nothing of the address is written";
        }
    }
}

TEST(Address, NumbersLongerThanTheLengthOctetCountsFailTheWrite) {
    // 255 digits fit TP-DA's length octet, 256 do not; a PDU that reads 256
    // digits (length 0xFF, no filler) must not be written back cut.
    SmsSubmitMessage fits;
    unit<TPDestinationAddress>(fits).setNumber(std::string(255, '1'));
    EXPECT_EQ(writeFailure(fits), "");
    SmsSubmitMessage tooLong;
    unit<TPDestinationAddress>(tooLong).setNumber("+" + std::string(256, '1'));
    EXPECT_EQ(writeFailure(tooLong), "TPDestinationAddress: output stream write failure");
    SmsSubmitMessage read;
    ASSERT_EQ(readHex(read,
                      "0001"
                      "00"
                      "FF81" +
                          std::string(256, '1') + "000000"),
              "");
    EXPECT_EQ(unit<TPDestinationAddress>(read).number().size(), 256u);
    EXPECT_EQ(writeFailure(read), "TPDestinationAddress: output stream write failure");

    // The service centre's length octet counts the type octet and 254 digit
    // octets at most.
    SmsSubmitMessage sca;
    unit<TPServiceCenterAddress>(sca).setNumber(std::string(508, '2'));
    EXPECT_EQ(writeFailure(sca), "");
    unit<TPServiceCenterAddress>(sca).setNumber(std::string(509, '2'));
    EXPECT_EQ(writeFailure(sca), "TPServiceCenterAddress: output stream write failure");
}

TEST(DestinationAddress, Reads) {
    struct Case {
        std::string field;
        std::string number;  // expected; unused when failing
        std::uint8_t toa;
        bool fails;
    };
    const Case cases[] = {
        {"05912143F5", "+12345", 0x91, false},
        {"0081", "", 0x81, false},
        {"0091", "", 0x91, false},          // no '+' without digits
        {"048121F3", "123", 0x81, false},   // filler in the last octet
        {"03812143", "1234", 0x81, false},  // the text follows the octets
        {"068121F365", "", 0, true},        // filler before the last octet
        {"02812A", "", 0, true},            // low nibble above 9
        {"048121", "", 0, true},            // the stream ends in the digits
        {"0581", "", 0, true},              // the stream ends after the type
    };
    for (const auto& c : cases) {
        SmsSubmitMessage message;
        unit<TPDestinationAddress>(message).setNumber("999");
        unit<TPDestinationAddress>(message).setTypeOfAddress(0xA1);
        // A failing field is the last thing in the stream.
        const std::string hex = "000100" + c.field + (c.fails ? "" : kTail);
        const std::string error = readHex(message, hex);
        const auto& da = unit<TPDestinationAddress>(message);
        if (c.fails) {
            EXPECT_EQ(error, "TPDestinationAddress: input stream read failure") << c.field;
            EXPECT_EQ(da.number(), "999") << "fields keep their values";
            EXPECT_EQ(da.typeOfAddress(), 0xA1);
        } else {
            EXPECT_EQ(error, "") << c.field;
            EXPECT_EQ(da.number(), c.number) << c.field;
            EXPECT_EQ(da.typeOfAddress(), c.toa) << c.field;
        }
    }
}

TEST(ServiceCenterAddress, Reads) {
    SmsSubmitMessage message;
    unit<TPServiceCenterAddress>(message).setTypeOfAddress(0x91);
    EXPECT_EQ(readHex(message,
                      "00010000810000"
                      "00"),
              "");
    EXPECT_EQ(unit<TPServiceCenterAddress>(message).number(), "");
    EXPECT_EQ(unit<TPServiceCenterAddress>(message).typeOfAddress(), 0x81);

    EXPECT_EQ(readHex(message,
                      "07912143658709F1"
                      "01000081000000"),
              "");
    EXPECT_EQ(unit<TPServiceCenterAddress>(message).number(), "+12345678901");

    SmsSubmitMessage bad;
    EXPECT_EQ(readHex(bad, "0391A121"), "TPServiceCenterAddress: input stream read failure");
    EXPECT_EQ(readHex(bad, "0791"), "TPServiceCenterAddress: input stream read failure");
    EXPECT_EQ(readHex(bad, ""), "TPServiceCenterAddress: input stream read failure");
}

}  // namespace
