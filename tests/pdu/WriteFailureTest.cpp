// A stream that fails part-way: every unit and variant reports its own
// write failure, and the octets before it stay written.
#include <streambuf>

#include "PduTestUtil.h"

namespace {

using namespace PduTest;
using PduLib::SmsSubmitMessage;

// Takes `limit` octets, then refuses every further one.
class LimitedBuffer final : public std::streambuf {
public:
    explicit LimitedBuffer(std::size_t limit) : limit_(limit) {}
    const std::string& taken() const { return taken_; }

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof()) || taken_.size() >= limit_) {
            return traits_type::eof();
        }
        taken_.push_back(traits_type::to_char_type(c));
        return c;
    }

private:
    std::size_t limit_;
    std::string taken_;
};

// Service centre, first octet (UDHI, VPF 3), MR, DA, PID, DCS, absolute VP,
// TP-UDL and a header with both element types (12 octets with TP-UDHL, so
// the text starts after two fill bits); the text is set below.
const std::string kRichHead =
    "07912143658709F1"
    "59"
    "2A"
    "0B915121436587F9"
    "00"
    "00"
    "31201190542180"
    "0E"
    "0B00032A0201080412340201"
    "00";

TEST(WriteFailure, EachUnitNamesItself) {
    SmsSubmitMessage message;
    ASSERT_EQ(readHex(message, kRichHead), "");
    message.setUserData(PduLib::DefaultUserData("ABCDEFG"));
    const std::string kRich = writeHex(message);
    ASSERT_EQ(kRich.size(), 2u * 47u);  // 21 septets after the header: 7 body octets
    // Octets accepted by the stream -> the failure of the unit writing next.
    const struct {
        std::size_t limit;
        const char* error;
    } cases[] = {
        {0, "TPServiceCenterAddress: output stream write failure"},
        {7, "TPServiceCenterAddress: output stream write failure"},
        {8, "TPMtiAndFriendsSmsSubmit: output stream write failure"},
        {9, "TPMessageReference: output stream write failure"},
        {10, "TPDestinationAddress: output stream write failure"},
        {18, "TPProtocolIdentifier: output stream write failure"},
        {19, "GeneralDataCodingScheme: output stream write failure"},
        {20, "AbsoluteValidityPeriod: output stream write failure"},
        {26, "AbsoluteValidityPeriod: output stream write failure"},
        {27, "TPUserData: output stream write failure"},
        {28, "TPUserData: output stream write failure"},  // TP-UDHL
        {29, "ConcatenatedMessage8bitInfoElement: output stream write failure"},
        {34, "ConcatenatedMessage16bitInfoElement: output stream write failure"},
        {40, "Default User Data: output stream write failure"},
        {46, "Default User Data: output stream write failure"},
    };
    for (const auto& c : cases) {
        LimitedBuffer buffer(c.limit);
        std::ostream stream(&buffer);
        try {
            message.write(stream);
            ADD_FAILURE() << c.limit;
        } catch (const PduLib::failure& e) {
            EXPECT_STREQ(e.what(), c.error) << c.limit;
        }
        EXPECT_EQ(ToHex(buffer.taken()), kRich.substr(0, 2 * c.limit)) << "earlier octets stay";
    }
}

TEST(WriteFailure, OtherBodiesAndPeriods) {
    const struct {
        std::string pdu;
        std::size_t limit;
        const char* error;
    } cases[] = {
        {"0011000081 0008 8F 04 00E90041", 7,
         "RelativeValidityPeriod: output stream write failure"},
        {"0011000081 0008 8F 04 00E90041", 12, "UCS2 User Data: output stream write failure"},
        {"0001000081 0004 03 00FF0A", 8, "Eight Bit User Data: output stream write failure"},
        {"0001000081 00C8 00", 6, "MessageWaitingDataCodingScheme: output stream write failure"},
        {"0001000081 00F0 00", 6, "MessageClassDataCodingScheme: output stream write failure"},
    };
    for (const auto& c : cases) {
        SmsSubmitMessage message;
        ASSERT_EQ(readHex(message, c.pdu), "") << c.pdu;
        LimitedBuffer buffer(c.limit);
        std::ostream stream(&buffer);
        try {
            message.write(stream);
            ADD_FAILURE() << c.pdu;
        } catch (const PduLib::failure& e) {
            EXPECT_STREQ(e.what(), c.error) << c.pdu;
        }
    }
}

}  // namespace
