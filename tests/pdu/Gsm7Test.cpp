#include <gtest/gtest.h>

#include "pdu/Gsm7.h"
#include "pdu/Unicode.h"

namespace {

using PduLib::Gsm7ToUtf16;
using PduLib::Utf16ToGsm7;
using PduLib::Utf8ToUtf16;

TEST(Gsm7, MapsCharactersThatAnsiCodesWouldCorrupt) {
    const struct {
        const char* utf8;
        std::string septets;
    } cases[] = {
        {"@", std::string(1, '\0')}, {"$", "\x02"},     {"_", "\x11"},
        {"\xC3\xA9", "\x05"},  // é
        {"\xC2\xA3", "\x01"},  // £
        {"\xC2\xA1", "\x40"},  // ¡
        {"\xC2\xA7", "\x5F"},  // §
        {"\xC3\xA0", "\x7F"},  // à
        {"\xCE\xA9", "\x15"},  // Ω
        {"{", "\x1B\x28"},           {"}", "\x1B\x29"}, {"[", "\x1B\x3C"},
        {"]", "\x1B\x3E"},           {"~", "\x1B\x3D"}, {"\\", "\x1B\x2F"},
        {"^", "\x1B\x14"},           {"|", "\x1B\x40"}, {"\xE2\x82\xAC", "\x1B\x65"},  // €
        {"Hi 123!", "Hi 123!"},      {"a\nb", "a\nb"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf16ToGsm7(Utf8ToUtf16(c.utf8)), c.septets) << c.utf8;
        EXPECT_EQ(Gsm7ToUtf16(c.septets), Utf8ToUtf16(c.utf8)) << c.utf8;
    }
}

TEST(Gsm7, CharactersOutsideBothTablesBecomeOneQuestionMark) {
    const struct {
        const char* utf8;
        const char* septets;
    } cases[] = {
        {"\xD0\x96", "?"},          // Ж
        {"\xF0\x9F\x98\x80", "?"},  // an emoji (a surrogate pair)
        {"a\xE4\xB8\xADz", "a?z"},  // 中
        {"`", "?"},
        {"\xC3\xA2", "?"},  // â
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf16ToGsm7(Utf8ToUtf16(c.utf8)), c.septets) << c.utf8;
    }
    EXPECT_FALSE(PduLib::IsGsm7Representable(u"\u0416"));
    EXPECT_TRUE(PduLib::IsGsm7Representable(u"@{\u20AC}"));
}

TEST(Gsm7, EverySeptetRoundTrips) {
    for (int code = 0; code < 128; ++code) {
        if (code == 0x1B) {
            continue;
        }
        const std::string septet(1, static_cast<char>(code));
        EXPECT_EQ(Utf16ToGsm7(Gsm7ToUtf16(septet)), septet) << code;
    }
}

TEST(Gsm7, UnknownEscapeShowsTheBasicCharacter) {
    EXPECT_EQ(Gsm7ToUtf16("\x1B\x41"), u"A");
    EXPECT_EQ(Gsm7ToUtf16("x\x1B"), u"x ");
}

}  // namespace

namespace {

TEST(Gsm7, Utf8OutputMatchesTheUtf16Path) {
    std::string all;
    for (int code = 0; code < 128; ++code) {
        all.push_back(static_cast<char>(code));
        all.push_back(static_cast<char>(0x1B));
        all.push_back(static_cast<char>(code));
    }
    all.push_back(static_cast<char>(0x1B));  // a trailing lone escape
    EXPECT_EQ(PduLib::Gsm7ToUtf8(all), PduLib::Utf16ToUtf8(Gsm7ToUtf16(all)));
}

}  // namespace
