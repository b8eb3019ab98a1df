// Splitting into concatenated parts: the boundaries, the headers and the
// joiner. The round trip of compose, decode and join in many scripts is the
// parts fuzz target's (its corpus runs as a test).
#include <gtest/gtest.h>

#include <string>

#include "pdu/CPduComposer.h"
#include "pdu/Hex.h"
#include "pdu/PartsComposer.h"
#include "pdu/PartsJoiner.h"
#include "pdu/PduDecoder.h"

namespace {

using PduLib::MessageOptions;
using PduLib::PlanMessage;
using PduLib::TextEncoding;

std::u16string repeat(const std::u16string& s, std::size_t n) {
    std::u16string out;
    for (std::size_t k = 0; k < n; ++k) {
        out += s;
    }
    return out;
}

const std::u16string kEuro = u"\u20AC";       // an escape pair in 7-bit
const std::u16string kZhe = u"\u0416";        // one UCS2 unit
const std::u16string kSmile = u"\U0001F600";  // a surrogate pair
const std::u16string kSignature = u" - Sent with Vantorix";

TEST(Concatenation, Boundaries) {
    const struct {
        const char* name;
        std::u16string text;
        bool ref16;
        unsigned maxParts;
        TextEncoding encoding;
        std::size_t parts;
        std::size_t perPart;
        std::size_t firstPart;  // units in part 1
        bool refused;
    } cases[] = {
        {"160 septets", repeat(u"a", 160), false, 6, TextEncoding::Gsm7, 1, 160, 160, false},
        {"161 septets", repeat(u"a", 161), false, 6, TextEncoding::Gsm7, 2, 153, 153, false},
        {"80 euros: 160 septets", repeat(kEuro, 80), false, 6, TextEncoding::Gsm7, 1, 160, 160,
         false},
        {"81 euros", repeat(kEuro, 81), false, 6, TextEncoding::Gsm7, 2, 153, 152, false},
        {"escape pair across the cut", repeat(u"a", 152) + kEuro + repeat(u"a", 10), false, 6,
         TextEncoding::Gsm7, 2, 153, 152, false},
        {"escape pair just before the cut", repeat(u"a", 151) + kEuro + repeat(u"a", 9), false, 6,
         TextEncoding::Gsm7, 2, 153, 153, false},
        {"70 units", repeat(kZhe, 70), false, 6, TextEncoding::Ucs2, 1, 70, 70, false},
        {"71 units", repeat(kZhe, 71), false, 6, TextEncoding::Ucs2, 2, 67, 67, false},
        {"surrogate pair across the cut", repeat(kZhe, 66) + kSmile + repeat(kZhe, 5), false, 6,
         TextEncoding::Ucs2, 2, 67, 66, false},
        {"35 emoji: 70 units", repeat(kSmile, 35), false, 6, TextEncoding::Ucs2, 1, 70, 70, false},
        {"16-bit reference, 7-bit", repeat(u"a", 161), true, 6, TextEncoding::Gsm7, 2, 152, 152,
         false},
        {"the signature pushes it over", repeat(u"a", 150) + kSignature, false, 6,
         TextEncoding::Gsm7, 2, 153, 153, false},
        {"6 parts, the default limit", repeat(u"a", 6 * 153), false, 6, TextEncoding::Gsm7, 6, 153,
         153, false},
        {"7 parts over the default limit", repeat(u"a", 6 * 153 + 1), false, 6, TextEncoding::Gsm7,
         7, 153, 153, true},
        {"255 parts", repeat(u"a", 255 * 153), false, 255, TextEncoding::Gsm7, 255, 153, 153,
         false},
        {"256 parts", repeat(u"a", 255 * 153 + 1), false, 255, TextEncoding::Gsm7, 256, 153, 153,
         true},
        {"a limit of 1", repeat(u"a", 161), false, 1, TextEncoding::Gsm7, 2, 153, 153, true},
        {"a limit over 255", u"a", false, 256, TextEncoding::Gsm7, 1, 160, 1, true},
    };
    for (const auto& c : cases) {
        MessageOptions options;
        options.reference16 = c.ref16;
        options.maxParts = c.maxParts;
        const PduLib::MessagePlan plan = PlanMessage(c.text, options);
        EXPECT_EQ(plan.encoding, c.encoding) << c.name;
        EXPECT_EQ(plan.parts, c.parts) << c.name;
        EXPECT_EQ(plan.perPart, c.perPart) << c.name;
        const std::size_t first =
            c.encoding == TextEncoding::Gsm7 ? plan.septets[0].size() : plan.ucs2[0].size();
        EXPECT_EQ(first, c.firstPart) << c.name;
        EXPECT_EQ(!plan.ok(), c.refused) << c.name << ": " << plan.error;
        // Every part fits, and no part but the last ends on half a pair.
        for (std::size_t k = 0; k < plan.parts; ++k) {
            const bool last = k + 1 == plan.parts;
            if (c.encoding == TextEncoding::Gsm7) {
                EXPECT_LE(plan.septets[k].size(), plan.perPart) << c.name;
                EXPECT_TRUE(last || plan.septets[k].back() != 0x1B) << c.name;
            } else {
                EXPECT_LE(plan.ucs2[k].size(), plan.perPart) << c.name;
                EXPECT_TRUE(last || plan.ucs2[k].back() < 0xD800 || plan.ucs2[k].back() > 0xDBFF)
                    << c.name;
            }
        }
    }
}

TEST(Concatenation, RefusalNamesTheCounts) {
    MessageOptions options;
    const auto plan = PlanMessage(repeat(u"a", 6 * 153 + 1), options);
    EXPECT_EQ(plan.error, "the message needs 7 parts (919 septets); at most 6 are allowed");
    const auto composed = PduLib::ComposeParts(repeat(u"a", 6 * 153 + 1), u"+123", u"", options, 1);
    EXPECT_TRUE(composed.pdus.empty());
    EXPECT_EQ(composed.error, plan.error);
}

// A plain text in one part is exactly the PDU of the single-part composer.
TEST(Concatenation, OnePartIsTodaysPdu) {
    const std::u16string texts[] = {u"hi", u"Caf\u00E9 @ 10\u20AC {ok}", repeat(u"z", 160), u""};
    for (const auto& text : texts) {
        PduLib::CPduComposer single;
        single.SetTrace(nullptr);
        single.SetServiceCenter(u"+447785016005");
        single.SetDestination(u"+447700900123");
        single.SetMessageText(text);
        single.ComposePdu();
        const auto parts =
            PduLib::ComposeParts(text, u"+447700900123", u"+447785016005", MessageOptions(), 7);
        ASSERT_EQ(parts.pdus.size(), 1u);
        EXPECT_EQ(parts.pdus[0], single.PduHex());
    }
}

TEST(Concatenation, PartsCarryTheirHeader) {
    MessageOptions options;
    const auto eight = PduLib::ComposeParts(repeat(u"a", 200), u"+1", u"", options, 0x1234);
    ASSERT_EQ(eight.pdus.size(), 2u);
    // First octet 0xD1 (TP-UDHI, TP-RP, relative VP); TP-UDL 160 (7 header
    // septets and 153); TP-UDHL 5, IEI 0, reference 0x34, total 2, part 1.
    EXPECT_EQ(eight.pdus[0].substr(0, 34), "00D1010191F100008FA0050003340201C2");
    options.reference16 = true;
    const auto sixteen = PduLib::ComposeParts(repeat(u"a", 200), u"+1", u"", options, 0x1234);
    ASSERT_EQ(sixteen.pdus.size(), 2u);
    EXPECT_EQ(sixteen.pdus[1].substr(0, 34), "00D1010191F100008F3806080412340202");
    // Delivery reports: TP-SRR (0x20) in every part, nothing else changes.
    options.deliveryReports = true;
    const auto reported = PduLib::ComposeParts(repeat(u"a", 200), u"+1", u"", options, 0x1234);
    ASSERT_EQ(reported.pdus.size(), 2u);
    for (std::size_t k = 0; k < 2; ++k) {
        EXPECT_EQ(reported.pdus[k], "00F1" + sixteen.pdus[k].substr(4));
    }
}

TEST(Concatenation, NumbersAreChecked) {
    const struct {
        std::u16string destination;
        std::u16string serviceCenter;
        const char* error;
    } cases[] = {
        {u"", u"", "destination number is empty"},
        {u"+", u"", "destination number has no digits"},
        {u"+123456789012345678901", u"",
         "destination number has 21 digits; at most 20 are allowed"},
        {u"+12345678901234567890", u"", ""},
        {u"+1", u"123456789012345678901",
         "service-centre number has 21 digits; at most 20 are allowed"},
    };
    for (const auto& c : cases) {
        const auto composed =
            PduLib::ComposeParts(u"x", c.destination, c.serviceCenter, MessageOptions(), 1);
        EXPECT_EQ(composed.error, c.error);
        EXPECT_EQ(composed.pdus.size(), c.error[0] == '\0' ? 1u : 0u);
    }
}

TEST(Concatenation, JoinerIgnoresDuplicatesAndReportsGaps) {
    MessageOptions options;
    const auto three = PduLib::ComposeParts(repeat(kZhe, 150), u"+1", u"", options, 9);
    ASSERT_EQ(three.pdus.size(), 3u);
    std::vector<PduLib::DecodedSubmit> parts;
    for (const auto& pdu : three.pdus) {
        std::string octets, error;
        ASSERT_TRUE(PduLib::FromHex(pdu, octets, error));
        parts.push_back(PduLib::DecodeSubmitPdu(octets));
    }
    using R = PduLib::CPartsJoiner::Result;
    PduLib::CPartsJoiner joiner;
    PduLib::CPartsJoiner::Message out;
    EXPECT_EQ(joiner.Add(parts[1], out), R::Pending);
    EXPECT_EQ(joiner.Add(parts[1], out), R::Duplicate);
    ASSERT_EQ(joiner.Incomplete().size(), 1u);
    EXPECT_EQ(joiner.Incomplete()[0],
              "incomplete message to +1 (reference 9): 1 of 3 parts; missing part 1,3");
    EXPECT_EQ(joiner.Add(parts[2], out), R::Pending);
    EXPECT_EQ(joiner.Add(parts[0], out), R::Complete);
    EXPECT_EQ(out.text, repeat(kZhe, 150));
    EXPECT_EQ(joiner.Add(parts[0], out), R::Duplicate);  // late copy of a joined part
    EXPECT_TRUE(joiner.Incomplete().empty());
}

}  // namespace
