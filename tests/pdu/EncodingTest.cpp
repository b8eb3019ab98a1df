// Choosing the encoding: GSM 7-bit, national language tables, look-alikes,
// UCS2, and the forced encodings.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "pdu/Gsm7National.h"
#include "pdu/LookAlike.h"
#include "pdu/MessagePlan.h"

namespace {

using PduLib::MessageOptions;
using PduLib::PlanMessage;
using PduLib::TextEncoding;

// Every entry of the look-alike table, with what it must become.
TEST(LookAlikes, EveryEntry) {
    const struct {
        char16_t from;
        const char16_t* to;
    } expected[] = {
        {u'\u2018', u"'"},  {u'\u2019', u"'"},   {u'\u201A', u"'"},  {u'\u201B', u"'"},
        {u'\u2032', u"'"},  {u'\u02BC', u"'"},   {u'\u00B4', u"'"},  {u'`', u"'"},
        {u'\u2039', u"<"},  {u'\u203A', u">"},   {u'\u201C', u"\""}, {u'\u201D', u"\""},
        {u'\u201E', u"\""}, {u'\u201F', u"\""},  {u'\u2033', u"\""}, {u'\u00AB', u"\""},
        {u'\u00BB', u"\""}, {u'\u2010', u"-"},   {u'\u2011', u"-"},  {u'\u2012', u"-"},
        {u'\u2013', u"-"},  {u'\u2014', u"-"},   {u'\u2015', u"-"},  {u'\u2212', u"-"},
        {u'\u2043', u"-"},  {u'\u2026', u"..."}, {u'\u2024', u"."},  {u'\u2022', u"*"},
        {u'\u25CF', u"*"},  {u'\u2023', u">"},   {u'\u2044', u"/"},  {u'\u2215', u"/"},
        {u'\u00A0', u" "},  {u'\u2000', u" "},   {u'\u2001', u" "},  {u'\u2002', u" "},
        {u'\u2003', u" "},  {u'\u2004', u" "},   {u'\u2005', u" "},  {u'\u2006', u" "},
        {u'\u2007', u" "},  {u'\u2008', u" "},   {u'\u2009', u" "},  {u'\u200A', u" "},
        {u'\u202F', u" "},  {u'\u205F', u" "},   {u'\u3000', u" "},  {u'\t', u" "},
        {u'\u2028', u"\n"}, {u'\u2029', u"\n"},  {u'\u00AD', u""},   {u'\u200B', u""},
        {u'\u2060', u""},   {u'\uFEFF', u""},
    };
    std::set<char16_t> listed;
    for (const auto& e : expected) {
        listed.insert(e.from);
        const std::u16string text = u"a" + std::u16string(1, e.from) + u"b";
        std::vector<PduLib::Replacement> replaced;
        EXPECT_EQ(PduLib::ReplaceLookAlikes(text, &replaced), u"a" + std::u16string(e.to) + u"b")
            << static_cast<unsigned>(e.from);
        // The stand-in is GSM 7-bit: the whole text plans as 7-bit.
        const auto plan = PlanMessage(text, MessageOptions());
        EXPECT_EQ(plan.encoding, TextEncoding::Gsm7) << static_cast<unsigned>(e.from);
        ASSERT_EQ(plan.replaced.size(), 1u) << static_cast<unsigned>(e.from);
        EXPECT_EQ(plan.replaced[0].character, e.from);
    }
    // No entry of the table goes untested.
    std::size_t count = 0;
    const PduLib::LookAlike* table = PduLib::LookAlikeTable(count);
    for (std::size_t k = 0; k < count; ++k) {
        EXPECT_EQ(listed.count(table[k].character), 1u)
            << static_cast<unsigned>(table[k].character);
    }
    EXPECT_EQ(count, listed.size());
}

TEST(Encoding, ChoiceTable) {
    const int tr = PduLib::kLanguageTurkish;
    const int es = PduLib::kLanguageSpanish;
    const int pt = PduLib::kLanguagePortuguese;
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
        {"plain", u"Hello", TextEncoding::Auto, true, {}, TextEncoding::Gsm7, 0, 0, 5, 0, U""},
        {"extension table",
         u"{x}\u20AC",
         TextEncoding::Auto,
         true,
         {},
         TextEncoding::Gsm7,
         0,
         0,
         7,
         0,
         U""},
        {"Cyrillic",
         u"\u041F\u0440\u0438",
         TextEncoding::Auto,
         true,
         {},
         TextEncoding::Ucs2,
         0,
         0,
         3,
         0,
         U""},
        {"curly quotes replaced",
         u"\u201Chi\u201D\u2026",
         TextEncoding::Auto,
         true,
         {},
         TextEncoding::Gsm7,
         0,
         0,
         7,
         3,
         U""},
        {"curly quotes kept",
         u"\u201Chi\u201D",
         TextEncoding::Auto,
         false,
         {},
         TextEncoding::Ucs2,
         0,
         0,
         4,
         0,
         U""},
        // Quotes are kept when the text needs UCS2 anyway.
        {"no replacement in UCS2",
         u"\u201C\u0416\u201D",
         TextEncoding::Auto,
         true,
         {},
         TextEncoding::Ucs2,
         0,
         0,
         3,
         0,
         U""},
        {"Turkish not enabled",
         u"\u015Fi\u011Fi",
         TextEncoding::Auto,
         true,
         {},
         TextEncoding::Ucs2,
         0,
         0,
         4,
         0,
         U""},
        // Locking shift: every Turkish letter one septet.
        {"Turkish",
         u"\u015Fi\u011Fi",
         TextEncoding::Auto,
         true,
         {tr},
         TextEncoding::Gsm7,
         tr,
         0,
         4,
         0,
         U""},
        // 'ç' is in the Turkish locking table, '{' only behind the escape.
        {"Turkish with braces",
         u"\u00E7{",
         TextEncoding::Auto,
         true,
         {tr},
         TextEncoding::Gsm7,
         tr,
         0,
         3,
         0,
         U""},
        {"Spanish single shift",
         u"\u00E1\u00ED\u00F3\u00FA",
         TextEncoding::Auto,
         true,
         {es},
         TextEncoding::Gsm7,
         0,
         es,
         8,
         0,
         U""},
        // Portuguese: 'ã' 'õ' only in the locking table; 'ê' in both.
        {"Portuguese",
         u"n\u00E3o p\u00F5e \u00EA",
         TextEncoding::Auto,
         true,
         {es, pt},
         TextEncoding::Gsm7,
         pt,
         0,
         9,
         0,
         U""},
        {"languages that do not fit",
         u"\u015F\u00E3",
         TextEncoding::Auto,
         true,
         {tr, pt},
         TextEncoding::Ucs2,
         0,
         0,
         2,
         0,
         U""},
        {"forced UCS2", u"abc", TextEncoding::Ucs2, true, {}, TextEncoding::Ucs2, 0, 0, 3, 0, U""},
        {"forced GSM",
         u"a\u0416b\U0001F600\u0416\u201C",
         TextEncoding::Gsm7,
         true,
         {},
         TextEncoding::Gsm7,
         0,
         0,
         6,
         1,
         U"\u0416\U0001F600"},
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
    for (int locking = 0; locking <= 3; ++locking) {
        for (int single = 0; single <= 3; ++single) {
            const PduLib::Gsm7Tables tables{locking, single};
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
    const struct {
        int locking;
        int single;
        const char* septets;
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
    };
    for (const auto& k : known) {
        EXPECT_EQ(PduLib::Gsm7ToUtf16(k.septets, PduLib::Gsm7Tables{k.locking, k.single}), k.text)
            << k.septets;
    }
}

}  // namespace
