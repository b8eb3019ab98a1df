// SMS-DELIVER and SMS-STATUS-REPORT reading through the TP-MTI dispatcher,
// and the texts of TP-ST. Every expected field was decoded by hand.
#include <gtest/gtest.h>

#include "pdu/PduDecoder.h"
#include "pdu/StatusReportOutcome.h"
#include "tests/pdu/PduTestUtil.h"

namespace {

using PduLib::DecodedPdu;
using PduTest::octets;

TEST(Receive, DeliverVectors) {
    const struct {
        const char* pdu;
        const char* sca;
        const char* oa;
        int oaToa, dcs;
        const char* scts;
        unsigned udl;
        const char* text;  // UTF-8
        unsigned reference, total, sequence;
    } cases[] = {
        // The textbook message from +31641600986 (time zone -1 h: sign bit set)
        {"07911326040000F0 04 0B911346610089F6 00 00 20806291731448 0C C8F71D14969741F977FD07",
         "+31624000000", "+31641600986", 0x91, 0, "2002-08-26T19:37:41-01:00", 12, "How are you?",
         0, 0, 0},
        // National subscriber number (TOA C8, no '+'), year 99, +2 h
        {"07917283010010F5 04 0BC87238880900F1 00 00 99309251619580 0A E8329BFD4697D9EC37",
         "+27381000015", "27838890001", 0xC8, 0, "1999-03-29T15:16:59+02:00", 10, "hellohello", 0,
         0, 0},
        // Alphanumeric sender: 13 semi-octets, seven septets
        {"0791447758100650 04 0DD0F334FC1CA69701 00 00 80803121702240 08 D4F29CDE0EA7D9",
         "+447785016005", "sipgate", 0xD0, 0, "2008-08-13T12:07:22+01:00", 8, "Testmail", 0, 0, 0},
        // UCS2 after a concatenation header, -3:30 (14 quarters), MMS and UDHI set
        {"00 44 0B915121436587F9 00 08 42211332958549 0C 0500032A0201 004800E920AC", "",
         "+15123456789", 0x91, 8, "2024-12-31T23:59:58-03:30", 12, "H\xC3\xA9\xE2\x82\xAC", 42, 2,
         1},
    };
    for (const auto& c : cases) {
        const DecodedPdu d = PduLib::DecodePdu(octets(c.pdu));
        ASSERT_EQ(d.type, DecodedPdu::Type::Deliver) << c.pdu;
        const PduLib::DecodedDeliver& m = d.deliver;
        EXPECT_EQ(m.serviceCenter, c.sca) << c.pdu;
        EXPECT_EQ(m.originator, c.oa) << c.pdu;
        EXPECT_EQ(m.originatorToa, c.oaToa) << c.pdu;
        EXPECT_EQ(m.dataCodingScheme, c.dcs) << c.pdu;
        EXPECT_EQ(PduLib::TimeStampIso8601(m.serviceCentreTime), c.scts) << c.pdu;
        EXPECT_EQ(m.userDataLength, c.udl) << c.pdu;
        EXPECT_EQ(m.textUtf8(), c.text) << c.pdu;
        const PduLib::ConcatenationInfo* concat = m.concatenation();
        EXPECT_EQ(concat != nullptr, c.total != 0) << c.pdu;
        if (concat != nullptr) {
            EXPECT_EQ(concat->reference, c.reference);
            EXPECT_EQ(concat->total, c.total);
            EXPECT_EQ(concat->sequence, c.sequence);
        }
    }
}

TEST(Receive, StatusReportVectors) {
    const struct {
        const char* pdu;
        const char* sca;
        int mr;
        const char* ra;
        int raToa;
        const char* scts;
        const char* dt;
        int st;
        bool hasPi;
        const char* text;
    } cases[] = {
        // Ends after TP-ST: no TP-PI, nothing optional
        {"00 06 00 0B910221815716F2 70902151012180 70902151017180 00", "", 0, "+20121875612", 0x91,
         "2007-09-12T15:10:12+02:00", "2007-09-12T15:10:17+02:00", 0x00, false, ""},
        {"07914356060013F1 06 5A 098136397339F7 21901170046380 21901170046380 30", "+34656000311",
         90, "639337937", 0x81, "2012-09-11T07:40:36+02:00", "2012-09-11T07:40:36+02:00", 0x30,
         false, ""},
        // TP-PI with TP-UDL only: TP-DCS reads as 0x00, 7-bit text
        {"00 06 07 0B915121436587F9 42211332958549 42010121000000 46 04 02 E834", "", 7,
         "+15123456789", 0x91, "2024-12-31T23:59:58-03:30", "2024-10-10T12:00:00+00:00", 0x46, true,
         "hi"},
        // TP-PI with an extension octet and none of the optional fields
        {"00 26 FF 0B915121436587F9 42211332958549 42211332958549 21 80 00", "", 255,
         "+15123456789", 0x91, "2024-12-31T23:59:58-03:30", "2024-12-31T23:59:58-03:30", 0x21, true,
         ""},
    };
    for (const auto& c : cases) {
        const DecodedPdu d = PduLib::DecodePdu(octets(c.pdu));
        ASSERT_EQ(d.type, DecodedPdu::Type::StatusReport) << c.pdu;
        const PduLib::DecodedStatusReport& r = d.statusReport;
        EXPECT_EQ(r.serviceCenter, c.sca) << c.pdu;
        EXPECT_EQ(r.messageReference, c.mr) << c.pdu;
        EXPECT_EQ(r.recipient, c.ra) << c.pdu;
        EXPECT_EQ(r.recipientToa, c.raToa) << c.pdu;
        EXPECT_EQ(PduLib::TimeStampIso8601(r.serviceCentreTime), c.scts) << c.pdu;
        EXPECT_EQ(PduLib::TimeStampIso8601(r.dischargeTime), c.dt) << c.pdu;
        EXPECT_EQ(r.status, c.st) << c.pdu;
        EXPECT_EQ(r.hasParameterIndicator, c.hasPi) << c.pdu;
        EXPECT_EQ(r.textUtf8(), c.text) << c.pdu;
    }
}

TEST(Receive, MalformedInputNamesTheField) {
    const struct {
        const char* pdu;
        const char* failure;
    } cases[] = {
        {"00 03", "TPMessageTypeIndicator: reserved message type 11"},
        {"00 04", "TPOriginatingAddress: input stream read failure"},
        {"00 04 0ED0F334", "TPOriginatingAddress: input stream read failure"},
        {"00 04 0B915121436587F9 00 00 422113",
         "TPServiceCentreTimeStamp: input stream read failure"},
        {"00 04 0B915121436587F9 00 00 42A11332958549 00",
         "TPServiceCentreTimeStamp: invalid time stamp"},
        {"00 04 0B915121436587F9 00 00 42211332958549 05 E834",
         "Default User Data: input stream read failure"},
        {"00 06 00 0B915121436587F9 42211332958549 4221",
         "TPDischargeTime: input stream read failure"},
        {"00 06 00 0B915121436587F9 42211332958549 42211332958549 00 04",
         "TPUserData: input stream read failure"},
        {"00 06 00 0B915121436587F9 42211332958549 42211332958549 00 81",
         "TPParameterIndicator: input stream read failure"},
        {"00 06 00 0B915121436587F9 42211332958549 42211332958549 00 00 FF",
         "trailing octets after the user data"},
    };
    for (const auto& c : cases) {
        std::string failure;
        try {
            (void)PduLib::DecodePdu(octets(c.pdu));
        } catch (const PduLib::failure& e) {
            failure = e.what();
        }
        EXPECT_EQ(failure, c.failure) << c.pdu;
    }
}

TEST(Receive, StatusTextsByRange) {
    using K = PduLib::StatusKind;
    const struct {
        int st;
        K kind;
        const char* row;
    } cases[] = {
        {0x00, K::Delivered, "Delivered 14:02"},
        {0x02, K::Delivered, "Delivered 14:02"},
        {0x1F, K::Delivered, "Delivered 14:02"},
        {0x21, K::StillTrying, "Not delivered yet: Recipient busy"},
        {0x26, K::StillTrying, "Not delivered yet: Reserved status 0x26"},
        {0x30, K::StillTrying, "Not delivered yet: Service centre code 0x30"},
        {0x40, K::FailedPermanent, "Not delivered: Remote procedure error"},
        {0x46, K::FailedPermanent, "Not delivered: Validity period expired"},
        {0x49, K::FailedPermanent, "Not delivered: Message unknown to the service centre"},
        {0x4A, K::FailedPermanent, "Not delivered: Reserved status 0x4A"},
        {0x65, K::FailedGaveUp, "Not delivered: Error in the recipient's phone"},
        {0x7F, K::FailedGaveUp, "Not delivered: Service centre code 0x7F"},
        {0x80, K::Unknown, "Unknown delivery status 0x80"},
    };
    for (const auto& c : cases) {
        const auto st = static_cast<std::uint8_t>(c.st);
        EXPECT_EQ(PduLib::StatusReportOutcome(st).kind, c.kind) << c.st;
        EXPECT_EQ(PduLib::StatusReportRowText(st, "14:02"), c.row) << c.st;
    }
}

}  // namespace
