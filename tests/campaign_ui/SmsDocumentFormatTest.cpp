#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "campaign/doc/CSmsDocumentFormat.h"

namespace {

using ReadError = CSmsDocumentFormat::ReadError;

std::string Le(std::u16string_view text) {
    std::string out;
    for (const char16_t c : text) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

struct ReadCase {
    const char* name;
    std::string bytes;
    std::u16string path;
    std::u16string message;
};

void PrintTo(const ReadCase& c, std::ostream* os) {
    *os << c.name;
}

class SmsDocumentRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(SmsDocumentRead, ReadsPathAndMessage) {
    std::u16string path = u"untouched";
    std::u16string message = u"untouched";
    ASSERT_EQ(CSmsDocumentFormat::Read(GetParam().bytes, path, message), ReadError::None);
    EXPECT_EQ(path, GetParam().path);
    EXPECT_EQ(message, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Files, SmsDocumentRead,
    ::testing::Values(
        ReadCase{"Written", Le(u"/home/a/n.txt\r\nHi there\r\n"), u"/home/a/n.txt", u"Hi there"},
        ReadCase{"Empty", "", u"", u""}, ReadCase{"OnlyBreaks", Le(u"\r\n\r\n"), u"", u""},
        ReadCase{"OneLineNoBreak", Le(u"/n.txt"), u"/n.txt", u""},
        ReadCase{"OneLineWithBreak", Le(u"/n.txt\r\n"), u"/n.txt", u""},
        ReadCase{"LfOnly", Le(u"/n.txt\nline\n"), u"/n.txt", u"line"},
        ReadCase{"NoFinalBreak", Le(u"/n.txt\r\nlast"), u"/n.txt", u"last"},
        // A message with line breaks comes back whole.
        ReadCase{"MultiLine", Le(u"/n.txt\r\nline 1\r\nline 2\r\n\r\nline 4\r\n"), u"/n.txt",
                 u"line 1\r\nline 2\r\n\r\nline 4"},
        // Only one final break is the file's; a blank last line is the message's.
        ReadCase{"TrailingBlankLine", Le(u"/n.txt\r\nHi\r\n\r\n"), u"/n.txt", u"Hi\r\n"},
        // A byte-order mark written by an editor is no part of the path.
        ReadCase{"ByteOrderMark", Le(u"\uFEFF/n.txt\r\nHi\r\n"), u"/n.txt", u"Hi"},
        // Two of them too: a path beginning with U+FEFF would not read back.
        ReadCase{"TwoByteOrderMarks", Le(u"\uFEFF\uFEFF/n.txt\r\nHi\r\n"), u"/n.txt", u"Hi"},
        ReadCase{"NonAscii",
                 Le(u"/d\u00E9p\u00F4t/n.txt\r\n\u0645\u0631\u062D\u0628\u0627 \U0001F600\r\n"),
                 u"/d\u00E9p\u00F4t/n.txt", u"\u0645\u0631\u062D\u0628\u0627 \U0001F600"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SmsDocumentFormat, RoundTripsEveryMessage) {
    for (const std::u16string& message :
         {std::u16string(u""), std::u16string(u"one line"), std::u16string(u"a\r\nb\r\nc"),
          std::u16string(u"ends with break\r\n"), std::u16string(u"\r\n"),
          std::u16string(u"tab\tand \u20AC"),
          // Cyrillic and emoji (surrogate pairs), as a Unicode message is typed.
          std::u16string(u"\u041F\u0440\u0438\u0432\u0435\u0442 \U0001F600\U0001F44B\U0001F3FD\r\n"
                         u"\u0432\u0441\u0442\u0440\u0435\u0447\u0430 \u2014 \u201Cok\u201D"),
          // Far over any parts limit: kept whole for the user to shorten.
          std::u16string(100000, u'\u0436')}) {
        std::u16string path;
        std::u16string read;
        const std::string bytes = CSmsDocumentFormat::Write(u"/x/numbers.txt", message);
        ASSERT_EQ(CSmsDocumentFormat::Read(bytes, path, read), ReadError::None);
        EXPECT_EQ(path, u"/x/numbers.txt");
        EXPECT_EQ(read, message);
    }
}

// A personal campaign (a .csv table) is a document of its own kind; a plain
// one keeps its bytes, whatever the column field holds.
TEST(SmsDocumentFormat, PersonalCampaignIsItsOwnKind) {
    using Campaign = CSmsDocumentFormat::Campaign;
    const Campaign plain{u"/x/n.txt", u"Hi", false, u"ignored"};
    EXPECT_EQ(CSmsDocumentFormat::Write(plain), Le(u"/x/n.txt\r\nHi\r\n"));
    const struct {
        Campaign campaign;
        std::string bytes;
    } cases[] = {
        {{u"/x/t.csv", u"Dear {Name},\r\nsee you", true, u"Mobile phone"},
         Le(u"\u0001Vantorix personal campaign 1\r\n/x/t.csv\r\nMobile phone\r\n"
            u"Dear {Name},\r\nsee you\r\n")},
        // The column guessed: an empty line.
        {{u"/x/t.csv", u"Hi {name}", true, u""},
         Le(u"\u0001Vantorix personal campaign 1\r\n/x/t.csv\r\n\r\nHi {name}\r\n")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CSmsDocumentFormat::Write(c.campaign), c.bytes);
        Campaign read;
        ASSERT_EQ(CSmsDocumentFormat::Read(c.bytes, read), ReadError::None);
        EXPECT_TRUE(read.personal);
        EXPECT_EQ(read.numbersFile, c.campaign.numbersFile);
        EXPECT_EQ(read.numberColumn, c.campaign.numberColumn);
        EXPECT_EQ(read.message, c.campaign.message);
    }
    Campaign read;
    ASSERT_EQ(CSmsDocumentFormat::Read(Le(u"/x/n.txt\r\nHi\r\n"), read), ReadError::None);
    EXPECT_FALSE(read.personal);
}

struct BadCase {
    const char* name;
    std::string bytes;
    ReadError error;
};

void PrintTo(const BadCase& c, std::ostream* os) {
    *os << c.name;
}

class SmsDocumentRefused : public ::testing::TestWithParam<BadCase> {};

TEST_P(SmsDocumentRefused, LeavesOutputsAlone) {
    std::u16string path = u"keep";
    std::u16string message = u"keep";
    EXPECT_EQ(CSmsDocumentFormat::Read(GetParam().bytes, path, message), GetParam().error);
    EXPECT_EQ(path, u"keep");
    EXPECT_EQ(message, u"keep");
    EXPECT_FALSE(CSmsDocumentFormat::ErrorText(GetParam().error).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, SmsDocumentRefused,
    ::testing::Values(
        BadCase{"OddLength", Le(u"/n.txt\r\n") + "x", ReadError::OddLength},
        BadCase{"Nul", Le(std::u16string(u"/n.txt\r\nab") + u'\0' + u"c\r\n"), ReadError::NotText},
        BadCase{"Binary", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16), ReadError::NotText},
        BadCase{"LoneHighSurrogate", Le(u"/n.txt\r\n") + std::string("\x3D\xD8", 2) + Le(u"x"),
                ReadError::NotText},
        BadCase{"LoneLowSurrogate", Le(u"/n.txt\r\n") + std::string("\x00\xDC", 2),
                ReadError::NotText},
        BadCase{"TooLarge", std::string(CSmsDocumentFormat::kMaxFileBytes + 2, 'a'),
                ReadError::TooLarge},
        BadCase{"PersonalOfALaterVersion",
                Le(u"\u0001Vantorix personal campaign 2\r\n/t.csv\r\nPhone\r\nHi\r\n"),
                ReadError::TooNew},
        BadCase{"ControlInPersonal",
                Le(u"\u0001Vantorix personal campaign 1\r\n/t.csv\r\n\u0002\r\nHi\r\n"),
                ReadError::NotText}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
