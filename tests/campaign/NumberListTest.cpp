#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "campaign/CNumberList.h"
#include "campaign/phone/PhoneNumber.h"
#include "pdu/Unicode.h"

namespace fs = std::filesystem;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

namespace {

std::string Le(std::u16string_view text, bool bom = true) {
    std::string bytes = bom ? "\xFF\xFE" : "";
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

std::string Be(std::u16string_view text, bool bom = true) {
    std::string bytes = bom ? "\xFE\xFF" : "";
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c >> 8));
        bytes.push_back(static_cast<char>(c & 0xFF));
    }
    return bytes;
}

std::string Utf8(std::u16string_view text, bool bom = false) {
    return (bom ? "\xEF\xBB\xBF" : "") + PduLib::Utf16ToUtf8(text);
}

std::vector<std::u16string> Numbers(const CNumberList& list) {
    return {list.m_mapNumbers.begin(), list.m_mapNumbers.end()};
}

struct LoadCase {
    const char* name;
    std::string bytes;
    std::vector<std::u16string> numbers;
};

class LoadsNumbers : public ::testing::TestWithParam<LoadCase> {};

TEST_P(LoadsNumbers, InFileOrderOfFirstOccurrence) {
    CNumberList list;
    std::u16string error = u"untouched";
    ASSERT_TRUE(list.LoadFromBytes(GetParam().bytes, error));
    EXPECT_EQ(error, u"untouched");
    EXPECT_EQ(Numbers(list), GetParam().numbers);
}

// Arabic-Indic digits: sent as their ASCII digits.
const std::u16string kArabic = u"\u0660\u0665\u0660\u0661\u0662\u0663\u0664\u0665\u0666\u0667";
const std::u16string kArabicSent = u"0501234567";

INSTANTIATE_TEST_SUITE_P(
    Content, LoadsNumbers,
    ::testing::Values(
        LoadCase{"Empty", "", {}}, LoadCase{"BomAndBreakOnly", Le(u"\r\n"), {}},
        LoadCase{"ShortLinesDroppedAndBlanksTrimmed",
                 Le(u"1234\r\n12345\r\n   12345\t \r\n0501234567\n 0501234567\n0501234567 "),
                 {u"12345", u"0501234567"}},
        LoadCase{"CountryPrefixIsAnotherNumber",
                 Le(u"0501234567\r\n+971501234567\r\n"),
                 {u"0501234567", u"+971501234567"}},
        LoadCase{"OrderOfFirstLine",
                 Le(u"33333\n11111\n22222\n11111\n33333"),
                 {u"33333", u"11111", u"22222"}},
        LoadCase{"CaseSensitiveAndCleaned",
                 Le(u"abcde\nABCDE\n+971 50 12\n+9715012\n"),
                 {u"abcde", u"ABCDE", u"+9715012"}},
        LoadCase{"CleanedForSendingAndJudgedSo",
                 Utf8(u"+44 (0)7700-900123\n(0)7700.900123\n[+44] 7700 900123\n- - - - -\n"),
                 {u"+447700900123", u"07700900123"}},
        LoadCase{"BlanksAfterBomTrimmed", Le(u"  0501234567\r\n0501234567"), {u"0501234567"}},
        LoadCase{"SecondBomDropped", Le(u"\uFEFF0501234567"), {u"0501234567"}},
        LoadCase{"LeadingCyrillicLetterKept",
                 Le(u"\u0416abcde\n\u0416fghij", false),
                 {u"\u0416abcde", u"\u0416fghij"}},
        LoadCase{"UnicodeBlanksTrimmed", Le(u"\u00A012345\u3000\n\u200312345"), {u"12345"}},
        LoadCase{"CarriageReturnsWithoutLineFeeds",
                 Utf8(u"11111\r22222\r\r33333\r"),
                 {u"11111", u"22222", u"33333"}},
        LoadCase{"CarriageReturnInsideALine",
                 Utf8(u"11111\r22222\r\n33333\r\r\n"),
                 {u"1111122222", u"33333"}},
        LoadCase{
            "Utf8BomArabicDigits", Utf8(kArabic + u"\r\n12345", true), {kArabicSent, u"12345"}},
        LoadCase{"Utf16LeWithoutBom", Le(u"0501234567\r\n12345", false), {u"0501234567", u"12345"}},
        LoadCase{"Utf16LeWithoutBomArabicOnly", Le(kArabic, false), {kArabicSent}},
        LoadCase{"Utf16BeWithBom", Be(u"0501234567\r\n" + kArabic), {u"0501234567"}},
        LoadCase{"Utf16BeWithoutBom", Be(u"0501234567\n12345\n", false), {u"0501234567", u"12345"}},
        LoadCase{"SurrogatePairKept", Utf8(u"\U0001F4F1 12345"), {u"\U0001F4F112345"}},
        LoadCase{"LongestNumber", std::string(256, '7'), {std::u16string(256, u'7')}}),
    [](const auto& info) { return std::string(info.param.name); });

struct RefusalCase {
    const char* name;
    std::string bytes;
    std::u16string message;
};

class RefusesFile : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(RefusesFile, WithMessage) {
    CNumberList list;
    list.m_strFilePath = u"D:\\n%d.txt";
    std::u16string error;
    EXPECT_FALSE(list.LoadFromBytes(GetParam().bytes, error));
    EXPECT_EQ(error, GetParam().message);
    EXPECT_TRUE(list.m_mapNumbers.IsEmpty());
}

const std::u16string kNotText =
    u"The File [D:\\n%d.txt] is not a Text File.\n\n"
    u"Please Select a .txt Unicode File with One Number per Line.";

INSTANTIATE_TEST_SUITE_P(
    Content, RefusesFile,
    ::testing::Values(
        RefusalCase{"EightBitCodePage", "0501234567\r\nM\xFCller 12345\r\n",
                    u"The File [D:\\n%d.txt] is not Saved as Unicode Text.\n\n"
                    u"Please Save it as Unicode (UTF-16) or UTF-8 Text and try Again."},
        RefusalCase{"Utf16WithBomOddLength", Le(u"0501234567") + "\x31",
                    u"The File [D:\\n%d.txt] Ends in the Middle of a Character; it may be "
                    u"Damaged.\n\nPlease Save it Again as Unicode Text and try Again."},
        RefusalCase{"OddLengthWithNul", std::string("12345\0\n", 7), kNotText},
        RefusalCase{"NulHeavyBinary",
                    std::string(64, '\0') + "\x7F"
                                            "ELF\x02\x01",
                    kNotText},
        RefusalCase{"Utf16WithNulUnits", Le(u"12345\n") + std::string(8, '\0'), kNotText},
        RefusalCase{"ControlCharacter", Utf8(u"12345\n\x1B[31m\n"), kNotText},
        RefusalCase{"Utf8BomInvalidSequence",
                    "\xEF\xBB\xBF"
                    "12345\n\xC3\x28\n",
                    kNotText},
        RefusalCase{"UnpairedSurrogate", Le(u"12345\n") + std::string("\x00\xD8\x31\x00", 4),
                    kNotText},
        RefusalCase{"LineTooLong", "12345\n" + std::string(257, '7'),
                    u"Line 2 of the File [D:\\n%d.txt] is too Long to be a Number.\n\n"
                    u"Please Select a .txt Unicode File with One Number per Line."}),
    [](const auto& info) { return std::string(info.param.name); });

// 65,535 distinct lines of ten digits, each ended by `lineEnd`.
std::string ManyLines(std::size_t count, const char* lineEnd) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        text += std::to_string(5000000000ULL + i) + lineEnd;
    }
    return text;
}

const std::u16string kTooManyLines =
    u"This Software can Handle Only at Max 65,535 Number(s) from any given File.\n\n"
    u"Please Select a File Containing Less than 65,535 Numbers and try Again.";

TEST(NumberListLimit, TakesExactly65535Lines) {
    for (const std::string& bytes :
         {ManyLines(65535, "\r\n"), ManyLines(65535, "\r\r\n"), ManyLines(65534, "\n") + "12345"}) {
        CNumberList list;
        std::u16string error;
        ASSERT_TRUE(list.LoadFromBytes(bytes, error)) << PduLib::Utf16ToUtf8(error);
        EXPECT_EQ(list.m_mapNumbers.GetCount(), 65535u);
    }
}

TEST(NumberListLimit, RefusesTheLine65536EvenWhenEmptyAndKeepsTheFirst) {
    CNumberList list;
    std::u16string error;
    EXPECT_FALSE(
        list.LoadFromBytes(Le(PduLib::Utf8ToUtf16(ManyLines(65535, "\r\n") + "\r\n")), error));
    EXPECT_EQ(error, kTooManyLines);
    EXPECT_EQ(list.m_mapNumbers.GetCount(), 65535u);
    EXPECT_TRUE(list.m_mapNumbers.Contains(u"5000065534"));
    // Duplicates and short lines count as lines too.
    error.clear();
    EXPECT_FALSE(CNumberList().LoadFromBytes(std::string(65535, '\n') + "12345", error));
    EXPECT_EQ(error, kTooManyLines);
}

TEST(NumberList, OnePersonPerE164FormWithARegion) {
    if (!Phone::HasNumberingPlan()) {
        GTEST_SKIP() << "built without libphonenumber";
    }
    CNumberList list;
    list.m_strRegion = "GB";
    std::u16string error;
    ASSERT_TRUE(
        list.LoadFromBytes("07700 900123\n+44 7700 900123\n447700900123\n+1 202 555 "
                           "0123\n00447700900123\n12025550123\n0770090012",
                           error));
    EXPECT_EQ(Numbers(list),
              (std::vector<std::u16string>{u"07700900123", u"+12025550123", u"0770090012"}));
}

TEST(NumberSet, ViewsSurviveAMove) {
    CNumberList list;
    std::u16string error;
    ASSERT_TRUE(list.LoadFromBytes("12345\n\n67890", error));
    CNumberSet moved = std::move(list.m_mapNumbers);
    EXPECT_THAT(std::vector<std::u16string>(moved.begin(), moved.end()),
                ElementsAreArray({u"12345", u"67890"}));
    EXPECT_EQ(moved.GetLine(1), 3u);
}

class NumberListFile : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("vantorix-numbers-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::u16string Write(const std::string& name, const std::string& bytes) {
        std::ofstream(fs::u8path((m_dir / name).string()), std::ios::binary) << bytes;
        return PduLib::Utf8ToUtf16((m_dir / name).string());
    }

    fs::path m_dir;
};

TEST_F(NumberListFile, ReadsANonAsciiPath) {
    CNumberList list;
    list.m_strFilePath = Write("n\xC3\xBAmeros \xD9\xA1.txt", Le(u"0501234567\r\n"));
    std::u16string error;
    ASSERT_TRUE(list.Load(error)) << PduLib::Utf16ToUtf8(error);
    EXPECT_THAT(Numbers(list), ElementsAreArray({u"0501234567"}));
}

TEST_F(NumberListFile, CannotOpenLeavesTheSetAsItWas) {
    CNumberList list;
    list.m_strFilePath = Write("a.txt", "12345\n");
    std::u16string error;
    ASSERT_TRUE(list.Load(error));
    for (const std::u16string& path : {PduLib::Utf8ToUtf16((m_dir / "missing.txt").string()),
                                       PduLib::Utf8ToUtf16(m_dir.string())}) {
        list.m_strFilePath = path;
        EXPECT_FALSE(list.Load(error));
        EXPECT_EQ(error, u"Could Not Open File [" + path + u"] to Read Numbers.");
        EXPECT_THAT(Numbers(list), ElementsAreArray({u"12345"}));
    }
}

TEST_F(NumberListFile, RefusesAHugeFileFromItsSize) {
    const std::u16string path = Write("huge.txt", "");
    // Sparse, so that the test costs no disk space.
    fs::resize_file(m_dir / "huge.txt", CNumberList::kMaxFileBytes + 1);
    CNumberList list;
    list.m_strFilePath = path;
    std::u16string error;
    EXPECT_FALSE(list.Load(error));
    EXPECT_THAT(PduLib::Utf16ToUtf8(error), HasSubstr("is too Large to be a Numbers File"));
}

}  // namespace
