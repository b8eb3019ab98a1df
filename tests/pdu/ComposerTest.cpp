#include <gtest/gtest.h>

#include <initializer_list>
#include <iomanip>
#include <sstream>

#include "pdu/CPduComposer.h"
#include "pdu/Hex.h"
#include "pdu/PduDecoder.h"
#include "pdu/Unicode.h"

namespace {

using PduLib::CPduComposer;

struct Composed {
    std::string pdu;
    std::string trace;
};

Composed compose(const std::u16string& smsc, const std::u16string& to, const std::u16string& text,
                 int statusReport = 0) {
    CPduComposer composer;
    std::ostringstream trace;
    composer.SetTrace(&trace);
    composer.statusReportRequest = statusReport;
    composer.SetServiceCenter(smsc);
    composer.SetMessageText(text);
    composer.SetDestination(to);
    const std::u16string pdu = composer.ComposePdu();
    EXPECT_EQ(PduLib::Utf16ToUtf8(pdu), composer.PduHex());
    return {composer.PduHex(), trace.str()};
}

TEST(Composer, KnownPdus) {
    const struct {
        std::u16string smsc, to, text;
        int srr;
        std::string pdu;
    } cases[] = {
        {u"", u"+123456789", u"hi", 0, "009101099121436587F900008F02E834"},
        {u"+12345678901", u"+123456789", u"hi", 0,
         "07912143658709F19101099121436587F900008F02E834"},
        {u"", u"123456789", u"hi", 0, "009101098121436587F900008F02E834"},
        {u"", u"+123456789", u"hi", 1, "00B101099121436587F900008F02E834"},
        {u"", u"+123456789", u"", 0, "009101099121436587F900008F00"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(compose(c.smsc, c.to, c.text, c.srr).pdu, c.pdu);
    }
}

TEST(Composer, ReportTracesTheDecodedFields) {
    const Composed r = compose(u"+12345678901", u"+123456789", u"hi");
    const std::string rule(70, '-');
    const std::string expected = rule + "\n Message Type: Submit\n" + rule +
                                 "\nService Center Address: +12345678901\n"
                                 "Reject Duplicates: false\n"
                                 "Status Report Request: false\n"
                                 "Reply Path: true\n"
                                 "Message Reference: 1\n"
                                 "Destination Address: +123456789\n"
                                 "Protocol Identifier: 0\n"
                                 "PDU: " +
                                 r.pdu + "\n\n";
    EXPECT_EQ(r.trace, expected);
}

TEST(Composer, TextOfWhatUsersTypeArrivesIntact) {
    const std::u16string texts[] = {
        u"Meet @ 5, bring $20 & the_file {draft} [v2] ~ok\\no^|",
        u"Caf\u00E9 \u00E0 10\u20AC, \u00C5se \u00F8 \u00DF \u00A3 \u00A5 \u00A7 \u00BF\u00A1",
        u"Line one\nLine two",
        u"\u0394\u03A6\u0393\u039B\u03A9\u03A0\u03A8\u03A3\u0398\u039E",
    };
    for (const auto& text : texts) {
        const Composed r = compose(u"+12345678901", u"+447700900123", text);
        ASSERT_FALSE(r.pdu.empty()) << PduLib::Utf16ToUtf8(text);
        std::string octets, error;
        ASSERT_TRUE(PduLib::FromHex(r.pdu, octets, error));
        const PduLib::DecodedSubmit d = PduLib::DecodeSubmitPdu(octets);
        EXPECT_EQ(d.text(), text);
        EXPECT_EQ(d.destination, "+447700900123");
    }
}

TEST(Composer, BadNumbersGiveAnEmptyPduAndTheReason) {
    const struct {
        std::u16string smsc, to;
        std::string reason;
    } cases[] = {
        {u"", u"+44\u0661\u0662", "TPDestinationAddress: output stream write failure"},
        {u"+44 7700", u"+123", "TPServiceCenterAddress: output stream write failure"},
    };
    for (const auto& c : cases) {
        CPduComposer composer;
        std::ostringstream trace;
        composer.SetTrace(&trace);
        composer.SetServiceCenter(c.smsc);
        composer.SetDestination(c.to);
        composer.SetMessageText(u"x");
        EXPECT_TRUE(composer.ComposePdu().empty());
        EXPECT_EQ(composer.FailureReason(), c.reason);
        EXPECT_EQ(trace.str(), "An exception was caught: " + c.reason + "\n");
        EXPECT_EQ(composer.TpduLength(), 0u);
    }
}

TEST(Composer, TpduLengthExcludesTheServiceCentreField) {
    CPduComposer composer;
    composer.SetTrace(nullptr);
    composer.SetDestination(u"+123456789");
    composer.SetMessageText(u"hi");
    composer.ComposePdu();
    EXPECT_EQ(composer.TpduLength(), 15u);
    composer.SetServiceCenter(u"+12345678901");
    composer.ComposePdu();
    EXPECT_EQ(composer.PduHex().size() / 2, 8u + 15u);
    EXPECT_EQ(composer.TpduLength(), 15u);
}

// The report switches its stream to words for booleans, hexadecimal and '0'
// fill; afterwards the stream formats as it did before, whatever that was.
TEST(Composer, TraceLeavesTheStreamsFormattingAlone) {
    const auto defaults = [](std::ostream&) {};
    const auto odd = [](std::ostream& os) {
        os << std::oct << std::showbase << std::left << std::setfill('*') << std::setprecision(3)
           << std::setw(9);
    };
    for (const auto& setUp : std::initializer_list<void (*)(std::ostream&)>{defaults, odd}) {
        std::ostringstream trace;
        setUp(trace);
        std::ostringstream expected;
        setUp(expected);
        CPduComposer composer;
        composer.SetTrace(&trace);
        composer.SetDestination(u"+1");
        composer.ComposePdu();
        ASSERT_NE(trace.str(), "");
        EXPECT_EQ(trace.flags(), expected.flags());
        EXPECT_EQ(trace.fill(), expected.fill());
        EXPECT_EQ(trace.precision(), expected.precision());
        EXPECT_EQ(trace.width(), expected.width());
        trace.str("");
        trace << 255 << ' ' << true << ' ' << 1.23456;
        expected << 255 << ' ' << true << ' ' << 1.23456;
        EXPECT_EQ(trace.str(), expected.str());
    }
}

TEST(NarrowToAnsi, MapsToWindows1252) {
    EXPECT_EQ(PduLib::NarrowToAnsi(u"+49 \u00E9\u20AC\u0416"), "+49 \xE9\x80?");
}

}  // namespace
