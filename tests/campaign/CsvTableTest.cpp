#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "campaign/CsvCell.h"
#include "campaign/CsvRecipients.h"
#include "campaign/CsvTable.h"
#include "campaign/MessageTemplate.h"
#include "campaign/PersonalMessages.h"
#include "pdu/MessagePlan.h"
#include "pdu/Unicode.h"

using ::testing::HasSubstr;
using Cells = std::vector<std::u16string>;

namespace {

std::string Utf16(std::u16string_view text, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t c : text) {
        const char high = static_cast<char>(c >> 8);
        const char low = static_cast<char>(c & 0xFF);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

std::string U8(std::u16string_view text) {
    return PduLib::Utf16ToUtf8(text);
}

struct TableCase {
    const char* name;
    std::string bytes;
    Cells header;
    std::vector<Cells> rows;
    std::vector<std::size_t> lines;  // empty: not checked
};

class ReadsTable : public ::testing::TestWithParam<TableCase> {};

TEST_P(ReadsTable, HeaderRowsAndLines) {
    CsvTable table;
    std::u16string error;
    ASSERT_TRUE(table.Parse(GetParam().bytes, error)) << U8(error);
    EXPECT_EQ(table.Header(), GetParam().header);
    std::vector<Cells> rows;
    std::vector<std::size_t> lines;
    for (std::size_t r = 0; r < table.RowCount(); ++r) {
        const CsvRow row = table.Row(r);
        rows.emplace_back(row.cells, row.cells + row.count);
        lines.push_back(table.RowLine(r));
    }
    EXPECT_EQ(rows, GetParam().rows);
    if (!GetParam().lines.empty()) {
        EXPECT_EQ(lines, GetParam().lines);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReadsTable,
    ::testing::Values(
        TableCase{"Utf8BomSemicolons",
                  "\xEF\xBB\xBF Name ;Phone\r\nAnna;+4477\r\n",
                  {u"Name", u"Phone"},
                  {{u"Anna", u"+4477"}},
                  {2}},
        TableCase{"QuotedSeparatorQuoteAndBreaks",
                  "name,note\n\"Smith, J.\",\"say \"\"hi\"\"\r\nagain\rand\"\nBob,5\" tall\n",
                  {u"name", u"note"},
                  {{u"Smith, J.", u"say \"hi\"\nagain\nand"}, {u"Bob", u"5\" tall"}},
                  {2, 5}},
        TableCase{"Utf16LeTabs",
                  Utf16(u"Имя\tTel\r\nZoë 😀\t12345\r\n", false),
                  {u"Имя", u"Tel"},
                  {{u"Zoë 😀", u"12345"}},
                  {}},
        TableCase{"Utf16BeCommas", Utf16(u"a,b\n1,2", true), {u"a", u"b"}, {{u"1", u"2"}}, {}},
        TableCase{"SeparatorOutsideQuotesOnly",
                  "\"a,b,c\";d\n1;2\n",
                  {u"a,b,c", u"d"},
                  {{u"1", u"2"}},
                  {}},
        TableCase{"ShortRowsPaddedBlankRowsSkipped",
                  "\na,b,c\n1\n\n,, \n2,,,\n,\"\"\n",
                  {u"a", u"b", u"c"},
                  {{u"1", u"", u""}, {u"2", u"", u""}},
                  {3, 6}},
        TableCase{"SepLine", "sep=;\r\na,b;c\n1,5;2", {u"a,b", u"c"}, {{u"1,5", u"2"}}, {3}},
        TableCase{"LoneCarriageReturns",
                  "a;b\r1;2\r3;4",
                  {u"a", u"b"},
                  {{u"1", u"2"}, {u"3", u"4"}},
                  {2, 3}},
        TableCase{"WhatCsvCellWrites",
                  U8(CsvCell(u"x;y") + u"," + CsvCell(u" z") + u"\n" + CsvCell(u"a,\"b\"\nc") +
                     u"," + CsvCell(u"+44 1")),
                  {u"x;y", u"z"},
                  {{u"a,\"b\"\nc", u"+44 1"}},
                  {}}),
    [](const auto& info) { return std::string(info.param.name); });

struct RefusalCase {
    const char* name;
    std::string bytes;
    std::string error;
};

class RefusesTable : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(RefusesTable, WithLine) {
    CsvTable table;
    std::u16string error;
    EXPECT_FALSE(table.Parse(GetParam().bytes, error));
    EXPECT_THAT(U8(error), HasSubstr(GetParam().error));
    EXPECT_TRUE(table.Header().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, RefusesTable,
    ::testing::Values(
        RefusalCase{"UnclosedQuote", "a,b\n1,2\n3,\"open\n4,5\n", "Line 3: a quoted cell begins"},
        RefusalCase{"MoreCellsThanHeader", "a,b\n1,2\n\"x\ny\",2,3\n",
                    "Line 3: the row has 3 cells but the header names only 2 columns"},
        RefusalCase{"EightBitText", "a,b\r\n1,2\r\nM\xFCller,3\n", "Line 3: the text is not UTF-8"},
        RefusalCase{"TextAfterQuote", "a,b\n\"x\"y,2", "Line 2: text follows the closing quote"},
        RefusalCase{"Utf16WithoutBom", std::string("a\0,\0b\0", 6), "Line 1: the file is not text"},
        RefusalCase{"NoHeader", "\n ,\n", "no header row"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CsvTable, TakesAtMost65535Rows) {
    std::string bytes = "name;phone\n";
    for (int i = 0; i < 65535; ++i) {
        bytes += "Name " + std::to_string(i) + ";+4477009" + std::to_string(i) + "\n";
    }
    CsvTable table;
    std::u16string error;
    ASSERT_TRUE(table.Parse(bytes, error));
    EXPECT_EQ(table.RowCount(), 65535u);
    EXPECT_FALSE(table.Parse(bytes + "x;y\n", error));
    EXPECT_THAT(U8(error), HasSubstr("more than 65,535 rows"));
}

TEST(CsvRecipients, GuessesColumnAndKeepsFirstRowOfANumber) {
    const std::vector<std::pair<Cells, std::size_t>> guesses = {
        {{u"Name", u"Mobile number"}, 1},
        {{u"ID", u"Number", u"Tel."}, 2},
        {{u"Hotel", u"Cellar"}, CsvTable::npos},
        {{u"Имя", u"Номер"}, 1},
        {{u"Handynummer"}, 0},
        {{u"Nom", u"Téléphone"}, 1},
        {{u"الاسم", u"رقم الجوال"}, 1},
        {{u"姓名", u"手机号码"}, 1}};
    for (const auto& [header, column] : guesses) {
        EXPECT_EQ(GuessNumberColumn(header), column) << U8(header.back());
    }
    CsvTable table;
    std::u16string error;
    ASSERT_TRUE(
        table.Parse("n,p\nA, 0501234567 \nB,0501234567\nC,\nD,1234\nE,+971501234567\n", error));
    CsvRecipients got;
    ASSERT_TRUE(CollectRecipients(table, 1, got, error));
    ASSERT_EQ(got.recipients.size(), 2u);
    EXPECT_EQ(got.recipients[0].number, u"0501234567");
    EXPECT_EQ(got.recipients[1].row, 4u);
    ASSERT_EQ(got.skipped.size(), 3u);
    EXPECT_EQ(got.skipped[0].reason, CsvSkippedRow::Reason::Duplicate);
    EXPECT_EQ(got.skipped[0].firstRow, 0u);
    EXPECT_EQ(got.skipped[2].reason, CsvSkippedRow::Reason::NoNumber);
    ASSERT_TRUE(table.Parse("n,p\nA,1\n\nB," + std::string(257, '7'), error));
    EXPECT_FALSE(CollectRecipients(table, 1, got, error));
    EXPECT_THAT(U8(error), HasSubstr("Line 4: the cell of \"p\" is too long"));
}

struct TemplateCase {
    const char* name;
    std::u16string message;
    Cells header;
    Cells row;
    std::u16string expected;  // the text, or a part of the refusal
    Cells unknown;
};

class ExpandsTemplate : public ::testing::TestWithParam<TemplateCase> {};

TEST_P(ExpandsTemplate, OrRefuses) {
    const TemplateCase& c = GetParam();
    CMessageTemplate message;
    std::u16string error;
    if (!message.Parse(c.message, error)) {
        EXPECT_THAT(U8(error), HasSubstr(U8(c.expected)));
        return;
    }
    EXPECT_EQ(message.Bind(c.header), c.unknown);
    if (c.unknown.empty()) {
        EXPECT_EQ(message.Expand({c.row.data(), c.row.size()}), c.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Messages, ExpandsTemplate,
    ::testing::Values(
        TemplateCase{"CaseAndBlanksIgnored",
                     u"Dear {Name}, {DAY} at { time }.",
                     {u"name", u"day", u"Time"},
                     {u"Anna", u"Monday", u"10:30"},
                     u"Dear Anna, Monday at 10:30.",
                     {}},
        TemplateCase{"Cyrillic", u"Уважаемый {ИМЯ}!", {u"имя"}, {u"Ёжик"}, u"Уважаемый Ёжик!", {}},
        TemplateCase{"GreekAccents", u"{ΌΝΟΜΑ}", {u"όνομα"}, {u"Ζωή"}, u"Ζωή", {}},
        TemplateCase{"ArabicChineseEmoji",
                     u"{الاسم} {姓名}😀",
                     {u"姓名", u"الاسم"},
                     {u"李", u"أحمد"},
                     u"أحمد 李😀",
                     {}},
        TemplateCase{
            "LiteralBracesAndValueNotExpanded", u"{{x}} {a}}}", {u"a"}, {u"{a}"}, u"{x} {a}}", {}},
        TemplateCase{"EmptyValue", u"Hi {name}!", {u"name"}, {u""}, u"Hi !", {}},
        TemplateCase{
            "UnknownOnceEach", u"{nmae} {Name} {NMAE} {x}", {u"name"}, {}, u"", {u"nmae", u"x"}},
        TemplateCase{"LoneOpen",
                     u"Hi {name",
                     {},
                     {},
                     u"'{' whose placeholder is not closed "
                     u"by '}' (character 4",
                     {}},
        TemplateCase{"OpenInside", u"{a{b}", {}, {}, u"'{' whose placeholder", {}},
        TemplateCase{"LoneClose", u"ok :}", {}, {}, u"'}' that closes no placeholder", {}},
        TemplateCase{"Empty", u"{ }", {}, {}, u"empty placeholder", {}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace

// A row's value at a part boundary: one septet more takes a second part, an
// escaped character counts two, a Cyrillic letter brings UCS2; the plan flags
// those rows and totals the campaign.
TEST(PersonalMessages, ValuesAtPartBoundariesAreFlagged) {
    struct Row {
        std::u16string value;
        std::size_t parts;
        bool unicode;
        bool moreParts;
    };
    const std::vector<Row> rows = {
        {u"b", 1, false, false},       // 160 septets with the signature
        {u"bb", 2, false, true},       // 161
        {u"\u20AC", 2, false, true},   // the euro sign is an escape pair
        {u"\u00E9", 1, false, false},  // in the default alphabet
        {u"\u0436", 3, true, true},    // 160 UCS2 units: 3 parts of 67
        {u"", 1, false, false},        // an empty value is allowed
    };
    const std::u16string signature = u" - Sent with Quorvel Vantorix";
    std::string csv = "phone,v\n";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        csv += "+4477009000" + std::to_string(10 + i) + ",\"" + U8(rows[i].value) + "\"\n";
    }
    PersonalMessages personal;
    std::u16string why;
    ASSERT_TRUE(personal.table.Parse(csv, why)) << U8(why);
    std::string error;
    ASSERT_TRUE(CollectPersonalRecipients(0, "GB", personal, error)) << error;
    EXPECT_FALSE(ApplyPersonalMessage(u"Hi {nme}", personal, error));
    EXPECT_THAT(error, HasSubstr("{nme}"));
    ASSERT_TRUE(ApplyPersonalMessage(std::u16string(130, u'a') + u"{V}", personal, error)) << error;

    const PersonalPlan plan = PlanPersonalMessages(personal, [&](std::u16string_view text) {
        return PduLib::PlanMessage(std::u16string(text) + signature, {});
    });
    ASSERT_EQ(plan.rows.size(), rows.size());
    std::size_t total = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(plan.rows[i].parts, rows[i].parts);
        EXPECT_EQ(plan.rows[i].unicode, rows[i].unicode);
        EXPECT_EQ(plan.rows[i].needsUnicode, rows[i].unicode);
        EXPECT_EQ(plan.rows[i].moreParts, rows[i].moreParts);
        total += rows[i].parts;
    }
    EXPECT_EQ(plan.totalSms, total);
    EXPECT_EQ(plan.usualParts, 1u);
    EXPECT_EQ(plan.longest, 4u);
    EXPECT_EQ(plan.refused, 0u);
}
