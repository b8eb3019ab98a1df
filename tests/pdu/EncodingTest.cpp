// Choosing the encoding: GSM 7-bit, national language tables, look-alikes,
// UCS2, and the forced encodings.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "pdu/Gsm7National.h"
#include "pdu/Hex.h"
#include "pdu/LookAlike.h"
#include "pdu/MessagePlan.h"
#include "pdu/PduDecoder.h"

namespace {

using PduLib::MessageOptions;
using PduLib::PlanMessage;
using PduLib::TextEncoding;

// Every entry of the look-alike table is found (the quick test in front of
// the search lets none through) and stands in with GSM 7-bit text.
TEST(LookAlikes, EveryEntryBecomesSevenBitText) {
    std::size_t count = 0;
    const PduLib::LookAlike* table = PduLib::LookAlikeTable(count);
    ASSERT_GT(count, 0u);
    for (std::size_t k = 0; k < count; ++k) {
        SCOPED_TRACE(static_cast<unsigned>(table[k].character));
        const std::u16string text = u"a" + std::u16string(1, table[k].character) + u"b";
        std::vector<PduLib::Replacement> replaced;
        EXPECT_EQ(PduLib::ReplaceLookAlikes(text, &replaced),
                  u"a" + std::u16string(table[k].replacement) + u"b");
        const auto plan = PlanMessage(text, MessageOptions());
        EXPECT_EQ(plan.encoding, TextEncoding::Gsm7);
        ASSERT_EQ(plan.replaced.size(), 1u);
        EXPECT_EQ(plan.replaced[0].character, table[k].character);
    }
}

// "Hello world" in Hindi (Devanagari), 14 characters.
constexpr char16_t kHindi[] =
    u"\u0928\u092E\u0938\u094D\u0924\u0947 \u0926\u0941\u0928\u093F\u092F\u093E ";

TEST(Encoding, ChoiceTable) {
    const int tr = PduLib::kLanguageTurkish;
    const int es = PduLib::kLanguageSpanish;
    const int pt = PduLib::kLanguagePortuguese;
    const int hi = PduLib::kLanguageHindi;
    constexpr TextEncoding A = TextEncoding::Auto, G = TextEncoding::Gsm7, U = TextEncoding::Ucs2;
    const struct {
        const char* name;
        std::u16string text;
        TextEncoding forced;
        bool replace;
        std::vector<int> languages;
        TextEncoding encoding;
        int locking;
        int single;
        std::size_t units;
        std::size_t replaced;
        std::u32string unsendable;
    } cases[] = {
        {"extension table", u"{x}\u20AC", A, true, {}, G, 0, 0, 7, 0, U""},
        {"Cyrillic", u"\u041F\u0440\u0438", A, true, {}, U, 0, 0, 3, 0, U""},
        {"curly quotes replaced", u"\u201Chi\u201D\u2026", A, true, {}, G, 0, 0, 7, 3, U""},
        {"curly quotes kept", u"\u201Chi\u201D", A, false, {}, U, 0, 0, 4, 0, U""},
        // Quotes are kept when the text needs UCS2 anyway.
        {"no replacement in UCS2", u"\u201C\u0416\u201D", A, true, {}, U, 0, 0, 3, 0, U""},
        // Locking shift: every Turkish letter one septet.
        {"Turkish", u"\u015Fi\u011Fi", A, true, {tr}, G, tr, 0, 4, 0, U""},
        // 'ç' is in the Turkish locking table, '{' only behind the escape.
        {"Turkish with braces", u"\u00E7{", A, true, {tr}, G, tr, 0, 3, 0, U""},
        {"Spanish single shift", u"\u00E1\u00ED\u00F3\u00FA", A, true, {es}, G, 0, es, 8, 0, U""},
        // Portuguese: 'ã' 'õ' only in the locking table; 'ê' in both.
        {"Portuguese", u"n\u00E3o p\u00F5e \u00EA", A, true, {es, pt}, G, pt, 0, 9, 0, U""},
        {"languages that do not fit", u"\u015F\u00E3", A, true, {tr, pt}, U, 0, 0, 2, 0, U""},
        // Hindi: every Devanagari letter and sign one septet of the locking table.
        {"Hindi", kHindi, A, true, {hi}, G, hi, 0, 14, 0, U""},
        {"Hindi not enabled", kHindi, A, true, {}, U, 0, 0, 14, 0, U""},
        // The danda is only behind the escape, 'A' only in the single shift table.
        {"Hindi single shift", u"\u0928\u0964A", A, true, {hi}, G, hi, hi, 5, 0, U""},
        {"forced UCS2", u"abc", U, true, {}, U, 0, 0, 3, 0, U""},
        // Forced 7-bit: what has no septet is listed once as unsendable.
        {"GSM", u"\u0416b\U0001F600\u0416\u201C", G, true, {}, G, 0, 0, 5, 1, U"\u0416\U0001F600"},
    };
    for (const auto& c : cases) {
        MessageOptions options;
        options.encoding = c.forced;
        options.replaceLookAlikes = c.replace;
        options.languages = c.languages;
        const auto plan = PlanMessage(c.text, options);
        EXPECT_EQ(plan.encoding, c.encoding) << c.name;
        EXPECT_EQ(plan.tables.locking, c.locking) << c.name;
        EXPECT_EQ(plan.tables.single, c.single) << c.name;
        EXPECT_EQ(plan.units, c.units) << c.name;
        EXPECT_EQ(plan.replaced.size(), c.replaced) << c.name;
        EXPECT_EQ(std::u32string(plan.unsendable.begin(), plan.unsendable.end()), c.unsendable)
            << c.name;
    }
}

TEST(Encoding, CharactersCountPairsOnce) {
    const auto plan = PlanMessage(u"a\U0001F600\u20AC", MessageOptions());
    EXPECT_EQ(plan.characters, 3u);
    EXPECT_EQ(plan.units, 4u);  // UCS2: the pair is two units
}

// National headers take room: one element costs 3 octets of every part.
TEST(Encoding, NationalHeadersShrinkTheParts) {
    MessageOptions options;
    options.languages = {PduLib::kLanguageSpanish};
    const std::u16string one = u"\u00E1" + std::u16string(100, u'a');
    const auto single = PlanMessage(one, options);
    EXPECT_EQ(single.perPart, 155u);  // TP-UDHL + 3 octets: 5 septets
    EXPECT_EQ(single.headerOctets(), 4u);
    const auto two = PlanMessage(one + std::u16string(100, u'a'), options);
    EXPECT_EQ(two.perPart, 149u);  // 9 octets: 11 septets
    EXPECT_EQ(two.parts, 2u);
}

// The national tables decode what they encode, and hold the characters of
// TS 23.038 Annex A at their codes.
TEST(NationalTables, EncodeAndDecodeAgree) {
    for (int locking = 0; locking <= PduLib::kLanguageUrdu; ++locking) {
        for (int single = 0; single <= PduLib::kLanguageUrdu; ++single) {
            const PduLib::Gsm7Tables tables{locking, single};
            // Every code of both tables: what it shows encodes to a code that
            // shows it again.
            for (int code = 0; code < 128; ++code) {
                if (code == 0x1B) {
                    continue;
                }
                for (const std::string& septets :
                     {std::string(1, static_cast<char>(code)),
                      "\x1B" + std::string(1, static_cast<char>(code))}) {
                    const std::u16string shown = PduLib::Gsm7ToUtf16(septets, tables);
                    ASSERT_EQ(shown.size(), 1u);
                    char codes[2];
                    const int n = PduLib::Gsm7EncodeChar(shown[0], tables, codes);
                    ASSERT_GT(n, 0) << locking << "/" << single << " " << code;
                    EXPECT_EQ(PduLib::Gsm7ToUtf16(std::string(codes, static_cast<std::size_t>(n)),
                                                  tables),
                              shown)
                        << locking << "/" << single << " " << code;
                }
            }
            for (char32_t c = 1; c < 0x2300; ++c) {
                char codes[2];
                const int n = PduLib::Gsm7EncodeChar(static_cast<char16_t>(c), tables, codes);
                if (n == 0) {
                    continue;
                }
                EXPECT_EQ(
                    PduLib::Gsm7ToUtf16(std::string(codes, static_cast<std::size_t>(n)), tables),
                    std::u16string(1, static_cast<char16_t>(c)))
                    << locking << "/" << single << " " << static_cast<unsigned>(c);
            }
        }
    }
    using namespace std::string_view_literals;
    const struct {
        int locking;
        int single;
        std::string_view septets;
        const char16_t* text;
    } known[] = {
        {1, 0, "\x04\x07\x0B\x0C\x1C\x1D\x40\x60",
         u"\u20AC\u0131\u011E\u011F\u015E\u015F\u0130\u00E7"},
        {0, 1, "\x1B\x47\x1B\x49\x1B\x53\x1B\x63\x1B\x69", u"\u011E\u0130\u015E\u00E7\u0131"},
        {0, 2, "\x1B\x09\x1B\x41\x1B\x75", u"\u00E7\u00C1\u00FA"},
        {3, 0, "\x15\x12\x24\x60\x7D\x1A", u"\u221E\u00AA\u00BA~`|"},
        {0, 3, "\x1B\x7F\x1B\x12\x1B\x1F", u"\u00E2\u03A6\u00CA"},
        // An escape to a code the table lacks shows the locking table's character.
        {3, 3, "\x1B\x62", u"b"},
        // Indian tables, A.3.4-A.3.13 (locking) and A.2.4-A.2.13 (single shift).
        {4, 4, "\x00\x1C\x2C\x36\x5F\x7C\x1B\x19\x1B\x24\x1B\x65"sv,
         u"\u0981\u099B,6\u09CD\u09DC\u09E6\u09DF\u20AC"},
        {5, 5, "\x03\x22\x47\x60\x7F\x1B\x1A\x1B\x25\x1B\x40",
         u"\u0A85\u0A9F\u0AB3\u0AD0\u0AF1\u0965\u0AEF|"},
        {6, 6, "\x00\x0A\x28\x3C\x4E\x60\x7F\x1B\x19\x1B\x20\x1B\x3A"sv,
         u"\u0901\n)\u0929\u093C\u0950\u097F\u0964\u096A\u0971"},
        {7, 7, "\x24\x3D\x54\x6F\x7B\x1B\x1C\x1B\x26\x1B\x2A",
         u"\u0CA1\u0CAA\u0CC2o\u0CD6\u0CE6\u0CDE\u0CF2"},
        {8, 8, "\x01\x28\x29\x48\x7F\x1B\x25\x1B\x2E\x1B\x34",
         u"\u0D02)(\u0D34\u0D79\u0D6F\u0D7A\u0D7F"},
        {9, 9, "\x00\x2F\x5D\x60\x7B\x1B\x26\x1B\x2B\x1B\x5A"sv,
         u"\u0B01\u0B28\u0B4B\u0B56\u0B57\u0B5C\u0B70Z"},
        {10, 10, "\x00\x4E\x60\x7F\x1B\x1C\x1B\x26\x1B\x2D"sv,
         u"\u0A01\u0A3C\u0A51\u0A74\u0A66\u0A59\u0A75"},
        {11, 11, "\x01\x2F\x3C\x48\x7F\x1B\x23\x1B\x2E\x1B\x3C",
         u"\u0B82\u0BA8\u0BA9\u0BB4\u0BF9\u0BED\u0BFA["},
        {12, 12, "\x00\x35\x4F\x7F\x1B\x1C\x1B\x30\x1B\x2E"sv,
         u"\u0C015\u0C3D\u0C63\u0C66\u0C7D\u0C7C"},
        {13, 13, "\x00\x12\x5C\x7F\x1B\x19\x1B\x26\x1B\x3F"sv,
         u"\u0627\u0681\u064D\u0670\u0600\u060C\u06D4"},
        // Codes an Indian table leaves undefined show a blank; an escape to a
        // code the single shift table lacks shows the locking table's one.
        {4, 4, "\x0C\x1B\x5B\x1B\x61", u"  a"},
    };
    for (const auto& k : known) {
        EXPECT_EQ(PduLib::Gsm7ToUtf16(k.septets, PduLib::Gsm7Tables{k.locking, k.single}), k.text)
            << k.septets;
    }
}

TEST(NationalTables, ShortNames) {
    const char* const names[] = {"tr", "es", "pt", "bn", "gu", "hi", "kn",
                                 "ml", "or", "pa", "ta", "te", "ur"};
    for (int language = 1; language <= PduLib::kLanguageUrdu; ++language) {
        EXPECT_EQ(PduLib::NationalLanguageByName(names[language - 1]), language);
        EXPECT_STREQ(PduLib::NationalLanguageName(language), names[language - 1]);
        EXPECT_TRUE(PduLib::HasSingleShiftTable(language));
        EXPECT_EQ(PduLib::HasLockingShiftTable(language), language != PduLib::kLanguageSpanish);
    }
    EXPECT_EQ(PduLib::NationalLanguageByName("xx"), -1);
    EXPECT_FALSE(PduLib::HasSingleShiftTable(14));
}

// The decoder takes the tables from the header: TP-UDHL 6 with single shift
// (0x24) and locking shift (0x25) Turkish, no fill bits; septets 07 1B 47
// are the locking table's 'ı' and the shifted 'Ğ'.
TEST(NationalTables, DecoderTakesTheShiftsFromTheHeader) {
    std::string octets, error;
    ASSERT_TRUE(
        PduLib::FromHex("00410000810000"
                        "0B06240101250101"
                        "87CD11",
                        octets, error));
    const PduLib::DecodedSubmit d = PduLib::DecodeSubmitPdu(octets);
    EXPECT_EQ(d.lockingShift, 1);
    EXPECT_EQ(d.singleShift, 1);
    EXPECT_EQ(d.text(), u"\u0131\u011E");
}

}  // namespace
