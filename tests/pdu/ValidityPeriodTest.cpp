#include "PduTestUtil.h"

namespace {

using namespace PduTest;
using PduLib::AbsoluteValidityPeriod;
using PduLib::NoValidityPeriod;
using PduLib::RelativeValidityPeriod;
using PduLib::SmsSubmitMessage;
using PduLib::TimeStamp;
using PduLib::TPMtiAndFriendsSmsSubmit;

// Up to TP-DCS with the given first octet; the validity period follows.
std::string head(const char* firstOctet) {
    return std::string("00") + firstOctet +
           "000081"
           "0000";
}

TEST(ValidityPeriod, FormatSelectsTheVariant) {
    SmsSubmitMessage none;
    EXPECT_EQ(readHex(none, head("01") + "00"), "");
    EXPECT_TRUE(none.validityPeriod().equals(NoValidityPeriod()));

    SmsSubmitMessage relative;
    EXPECT_EQ(readHex(relative, head("11") + "8F"
                                             "00"),
              "");
    EXPECT_TRUE(relative.validityPeriod().equals(RelativeValidityPeriod(0x8F)));
    EXPECT_EQ(writeHex(relative), head("11") +
                                      "8F"
                                      "00");

    SmsSubmitMessage enhanced;
    EXPECT_EQ(readHex(enhanced, head("09") + "8F00"),
              "TPValidityPeriod: not supported Validity Period");
    EXPECT_TRUE(enhanced.validityPeriod().equals(NoValidityPeriod()));

    SmsSubmitMessage shortRelative;
    EXPECT_EQ(readHex(shortRelative, head("11")),
              "RelativeValidityPeriod: input stream read failure");
}

TEST(ValidityPeriod, AbsoluteTimeStampOctets) {
    const struct {
        TimeStamp stamp;
        const char* octets;
    } cases[] = {
        {{13, 2, 11, 9, 45, 12, 8}, "31201190542180"},
        {{13, 2, 11, 9, 45, 12, -20}, "3120119054210A"},
        {{99, 12, 31, 23, 59, 59, 52}, "99211332959525"},
        {{0, 1, 1, 0, 0, 0, -48}, "0010100000008C"},
    };
    for (const auto& c : cases) {
        SmsSubmitMessage out;
        unit<TPMtiAndFriendsSmsSubmit>(out).setValidityPeriodFormat(3);
        out.setValidityPeriod(AbsoluteValidityPeriod(c.stamp));
        EXPECT_EQ(writeHex(out), head("19") + c.octets + "00");
        SmsSubmitMessage in;
        ASSERT_EQ(readHex(in, head("19") + c.octets + "00"), "") << c.octets;
        EXPECT_TRUE(in.validityPeriod().equals(AbsoluteValidityPeriod(c.stamp))) << c.octets;
    }
}

TEST(ValidityPeriod, AbsoluteRejectsBadTimeStamps) {
    const char* bad[] = {
        "31311190542180",  // month 13
        "31001190542180",  // month 0
        "31200090542180",  // day 0
        "3A201190542180",  // digit nibble A
        "312011905421F0",  // time zone units nibble F
    };
    for (const char* octets : bad) {
        SmsSubmitMessage message;
        EXPECT_EQ(readHex(message, head("19") + octets + "00"),
                  "AbsoluteValidityPeriod: input stream read failure")
            << octets;
        EXPECT_TRUE(message.validityPeriod().equals(NoValidityPeriod())) << "held one stays";
    }
    SmsSubmitMessage truncated;
    EXPECT_EQ(readHex(truncated, head("19") + "312011"),
              "AbsoluteValidityPeriod: input stream read failure");

    const TimeStamp outOfRange[] = {
        {13, 2, 11, 9, 45, 12, 57}, {13, 2, 11, 9, 45, 12, -49}, {100, 2, 11, 9, 45, 12, 0},
        {13, 2, 11, 24, 45, 12, 0}, {13, 2, 11, 9, 60, 12, 0},   {13, 2, 32, 9, 45, 12, 0},
    };
    for (const auto& stamp : outOfRange) {
        SmsSubmitMessage out;
        unit<TPMtiAndFriendsSmsSubmit>(out).setValidityPeriodFormat(3);
        out.setValidityPeriod(AbsoluteValidityPeriod(stamp));
        EXPECT_EQ(writeFailure(out), "AbsoluteValidityPeriod: output stream write failure");
    }
}

}  // namespace
