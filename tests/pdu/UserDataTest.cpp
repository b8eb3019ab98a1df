#include <algorithm>

#include "PduTestUtil.h"

namespace {

using namespace PduTest;
using PduLib::DefaultUserData;
using PduLib::EightBitUserData;
using PduLib::GeneralDataCodingScheme;
using PduLib::SmsSubmitMessage;
using PduLib::TPMtiAndFriendsSmsSubmit;
using PduLib::UCS2UserData;

// Everything before TP-UDL for a 7-bit message without validity period.
const std::string kHead7 =
    "0001000081"
    "0000";
// The same with TP-UDHI set.
const std::string kHead7Udh =
    "0041000081"
    "0000";

std::string body7(const std::string& septets) {
    SmsSubmitMessage message;
    message.setUserData(DefaultUserData(septets));
    return writeHex(message).substr(kHead7.size());
}

TEST(DefaultUserData, PacksSeptets) {
    const struct {
        std::string text;
        const char* udlAndBody;
    } cases[] = {
        {"", "00"},
        {"hello", "05E8329BFD06"},
        {"hellohello", "0AE8329BFD4697D9EC37"},
        {"ABCDEFG", "0741E19058341E01"},
        {"hi", "02E834"},
        {" \n", "022005"},  // white-space octets are data
    };
    for (const auto& c : cases) {
        EXPECT_EQ(body7(c.text), c.udlAndBody) << c.text;
        SmsSubmitMessage in;
        ASSERT_EQ(readHex(in, kHead7 + c.udlAndBody), "") << c.text;
        EXPECT_TRUE(in.userData().equals(DefaultUserData(c.text))) << c.text;
    }
}

TEST(DefaultUserData, SendsTheLowSevenBitsOfEachCode) {
    EXPECT_EQ(body7(std::string(1, static_cast<char>(0xE9))), body7("\x69"));
    EXPECT_EQ(body7("@"), "0140");
}

TEST(DefaultUserData, HundredSixtySeptetsFitAndOneMoreDoesNot) {
    const std::string text(160, 'a');
    const std::string hex = body7(text);
    EXPECT_EQ(hex.substr(0, 2), "A0");
    EXPECT_EQ(hex.size(), 2u + 2u * 140u);

    SmsSubmitMessage message;
    message.setUserData(DefaultUserData("keep"));
    try {
        message.setUserData(DefaultUserData(std::string(161, 'a')));
        ADD_FAILURE();
    } catch (const PduLib::failure& e) {
        EXPECT_STREQ(e.what(), "TPUserData: User Data length exceeds 140 octets");
    }
    EXPECT_TRUE(message.userData().equals(DefaultUserData("keep")));
}

TEST(UserData, ReadRefusesMoreThan140Octets) {
    SmsSubmitMessage ok;
    EXPECT_EQ(readHex(ok, kHead7 + "A0" + std::string(280, '0')), "");
    EXPECT_EQ(ok.userData().length(), 140u);
    const struct {
        std::string head;
        const char* udl;
    } refused[] = {{kHead7, "A1"},
                   {"0001000081"
                    "0004",
                    "8D"},
                   {"0001000081"
                    "0008",
                    "8D"}};
    for (const auto& c : refused) {
        SmsSubmitMessage message;
        // No body octets follow: the length check comes before any is read.
        EXPECT_EQ(readHex(message, c.head + c.udl),
                  "TPUserData: User Data length exceeds 140 octets");
    }
}

// Seven header octets (TP-UDHL 6): no fill bits, TP-UDL 8 + n.
TEST(UserData, SixteenBitHeaderAndText) {
    SmsSubmitMessage message;
    ASSERT_EQ(readHex(message, kHead7Udh + "0A"
                                           "06080412340201"
                                           "4121"),
              "");
    EXPECT_EQ(message.headerLength(), 6u);
    EXPECT_TRUE(message.userData().equals(DefaultUserData("AB")));
    EXPECT_EQ(writeHex(message), kHead7Udh +
                                     "0A"
                                     "06080412340201"
                                     "4121");
}

TEST(UCS2UserData, ReadsPairsMostSignificantFirst) {
    const std::string head =
        "0001000081"
        "0008";
    SmsSubmitMessage message;
    ASSERT_EQ(readHex(message, head + "04"
                                      "00E90041"),
              "");
    EXPECT_TRUE(message.userData().equals(UCS2UserData(u"\u00E9A")));
    EXPECT_EQ(writeHex(message), head +
                                     "04"
                                     "00E90041");

    SmsSubmitMessage odd;
    EXPECT_EQ(readHex(odd, head + "03"
                                  "00E900"),
              "UCS2 User Data: bad user data length");
    SmsSubmitMessage shortBody;
    EXPECT_EQ(readHex(shortBody, head + "04"
                                        "00E9"),
              "UCS2 User Data: input stream read failure");
}

TEST(EightBitUserData, ReadsAndWritesRawOctets) {
    const std::string head =
        "0001000081"
        "0004";
    SmsSubmitMessage empty;
    ASSERT_EQ(readHex(empty, head + "00"), "");
    EXPECT_TRUE(empty.userData().equals(EightBitUserData()));
    EXPECT_EQ(writeHex(empty), head + "00");

    SmsSubmitMessage data;
    ASSERT_EQ(readHex(data, head + "03"
                                   "00FF0A"),
              "");
    EXPECT_TRUE(data.userData().equals(EightBitUserData({0x00, 0xFF, 0x0A})));
    SmsSubmitMessage shortBody;
    EXPECT_EQ(readHex(shortBody, head + "03"
                                        "00"),
              "Eight Bit User Data: input stream read failure");
}

TEST(UserData, BodyMustMatchTheSchemesAlphabet) {
    SmsSubmitMessage message;
    message.setDataCodingScheme(GeneralDataCodingScheme(0x08));
    try {
        message.setUserData(DefaultUserData("x"));
        ADD_FAILURE();
    } catch (const PduLib::failure& e) {
        EXPECT_STREQ(e.what(),
                     "TPUserData: User Data has different alphabet than already selected Data "
                     "Coding Scheme");
    }
    EXPECT_TRUE(message.userData().equals(UCS2UserData()));
}

// Header elements -----------------------------------------------------------

// TP-UDHL 0 before 7-bit text: the one header octet shifts the text by fill bits.
TEST(UserDataHeader, EmptyHeaderBeforeSevenBitText) {
    const std::string pdu =
        "069134660405F151000C8160460653332000F1001600C034DC86B3CBA063B8DDAE83DAE5F93C7C2E03";
    SmsSubmitMessage message;
    ASSERT_EQ(readHex(message, pdu), "");
    EXPECT_TRUE(message.userData().equals(DefaultUserData("Sample Gammu message")));
    EXPECT_EQ(writeHex(message), pdu);
}

TEST(UserDataHeader, ReadsAndWritesElements) {
    const struct {
        const char* header;     // TP-UDHL and elements as read
        unsigned headerLength;  // as measured afterwards
        const char* written;    // as written back
    } cases[] = {
        {"0500032A0201", 5, "0500032A0201"},
        {"06080412340201", 6, "06080412340201"},
        // Both types are written in identifier order, whatever the read order.
        {"0B08041234020100032A0201", 11, "0B00032A020108041234020 1"},
        // A second element with the same identifier keeps the first.
        {"0A00032A020100031B0302", 5, "0500032A0201"},
        // Any other element is kept byte for byte: port addressing, a special
        // message indication, no data, a reserved identifier.
        {"06050415820000", 6, "06050415820000"},
        {"0900032A020101020100", 9, "0900032A020101020100"},
        {"027000", 2, "027000"},
        {"05A003010203", 5, "05A003010203"},
        // National language single and locking shift.
        {"06240101250101", 6, "06240101250101"},
        // TP-UDHI with TP-UDHL 0: the empty header is written back.
        {"00", 0, "00"},
    };
    for (const auto& c : cases) {
        // 8-bit data: the header octets plus one data octet 0x77.
        const std::string header = c.header;
        const std::string udl = ToHex(std::string(1, static_cast<char>(header.size() / 2 + 1)));
        SmsSubmitMessage message;
        ASSERT_EQ(readHex(message,
                          "0041000081"
                          "0004" +
                              udl + header + "77"),
                  "")
            << c.header;
        EXPECT_EQ(message.headerLength(), c.headerLength) << c.header;
        std::string written = c.written;
        written.erase(std::remove(written.begin(), written.end(), ' '), written.end());
        const std::string out = writeHex(message);
        EXPECT_EQ(out.substr(16, written.size()), written) << c.header;
        EXPECT_EQ(out.substr(out.size() - 2), "77") << c.header;
    }
}

TEST(UserDataHeader, Failures) {
    const struct {
        const char* userData;  // TP-UDL onwards, 8-bit data
        const char* error;
    } cases[] = {
        {"06 0500042A0201",
         "ConcatenatedMessage8bitInfoElement: invalid Information Element length"},
        {"07 060805123402",
         "ConcatenatedMessage16bitInfoElement: invalid Information Element length"},
        // Another element is kept as read, but must fit TP-UDHL too.
        {"06 0501042A0201", "TPUserData: Information Element exceeds User Data Header length"},
        {"03 030000", "TPUserData: bad User Data Header length"},
        // An element that does not fit the rest of TP-UDHL is refused before
        // it reads past the header.
        {"06 0308041234", "TPUserData: Information Element exceeds User Data Header length"},
        {"06 0200032A02", "TPUserData: Information Element exceeds User Data Header length"},
        {"06 0500032A", "ConcatenatedMessage8bitInfoElement: input stream read failure"},
        {"05 0424020101", "NationalLanguageInfoElement: invalid Information Element length"},
    };
    for (const auto& c : cases) {
        SmsSubmitMessage message;
        EXPECT_EQ(readHex(message, std::string("0041000081 0004") + c.userData), c.error)
            << c.userData;
    }
    // With 3 user data octets, a TP-UDHL of 2 passes the length check.
    SmsSubmitMessage two;
    EXPECT_NE(readHex(two, "0041000081 0004 03 020000"), "TPUserData: bad User Data Header length");
}

}  // namespace
