#include "PduTestUtil.h"

namespace {

using namespace PduTest;
using PduLib::SmsSubmitMessage;
using PduLib::TPMtiAndFriendsSmsSubmit;

struct Flags {
    bool rd, srr, udhi, rp;
    int vpf;
};

// The first octet alone: written after an empty service centre.
std::string firstOctetHex(const Flags& f) {
    SmsSubmitMessage message;
    auto& u = unit<TPMtiAndFriendsSmsSubmit>(message);
    u.setRejectDuplicates(f.rd);
    u.setStatusReportRequest(f.srr);
    u.setUserDataHeaderIndicator(f.udhi);
    u.setReplyPath(f.rp);
    u.setValidityPeriodFormat(f.vpf);
    // Keep the validity period unit consistent only where the test reads back.
    return writeHex(message).substr(2, 2);
}

TEST(FirstOctet, Writes) {
    const struct {
        Flags flags;
        const char* octet;
    } cases[] = {
        {{false, false, false, false, 0}, "01"}, {{false, false, false, true, 2}, "91"},
        {{false, true, false, true, 2}, "B1"},   {{true, true, true, true, 3}, "FD"},
        {{false, false, false, false, 5}, "09"},  // higher bits of the format are ignored
        {{false, false, false, false, 1}, "09"}, {{true, false, false, false, 0}, "05"},
        {{false, false, true, false, 0}, "41"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(firstOctetHex(c.flags), c.octet);
    }
}

TEST(FirstOctet, Reads) {
    const struct {
        const char* octet;
        Flags expected;
    } cases[] = {
        {"01", {false, false, false, false, 0}},
        {"FD", {true, true, true, true, 3}},
        {"91", {false, false, false, true, 2}},
        {"0D", {true, false, false, false, 1}},
    };
    for (const auto& c : cases) {
        SmsSubmitMessage message;
        // Stop right after the first octet: the message reference is missing.
        EXPECT_EQ(readHex(message, std::string("00") + c.octet),
                  "TPMessageReference: input stream read failure");
        const auto& u = unit<TPMtiAndFriendsSmsSubmit>(message);
        EXPECT_EQ(u.rejectDuplicates(), c.expected.rd) << c.octet;
        EXPECT_EQ(u.statusReportRequest(), c.expected.srr) << c.octet;
        EXPECT_EQ(u.userDataHeaderIndicator(), c.expected.udhi) << c.octet;
        EXPECT_EQ(u.replyPath(), c.expected.rp) << c.octet;
        EXPECT_EQ(u.validityPeriodFormat(), c.expected.vpf) << c.octet;
    }
}

TEST(FirstOctet, RejectsOtherMessageTypes) {
    for (const char* octet : {"00", "02", "03", "FF", "04", "FE"}) {
        SmsSubmitMessage message;
        unit<TPMtiAndFriendsSmsSubmit>(message).setReplyPath(true);
        EXPECT_EQ(readHex(message, std::string("00") + octet + "00"),
                  "TPMtiAndFriendsSmsSubmit: bad MTI")
            << octet;
        EXPECT_TRUE(unit<TPMtiAndFriendsSmsSubmit>(message).replyPath()) << "fields unchanged";
    }
}

}  // namespace
