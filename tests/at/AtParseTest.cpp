// The reply parsers against replies as modems of several makers send them.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "device/at/AtParse.h"
#include "pdu/Hex.h"

using At::Token;

namespace {

std::vector<Token> Split(const std::vector<std::string>& chunks) {
    At::LineSplitter splitter;
    std::vector<Token> tokens;
    for (const std::string& chunk : chunks) {
        splitter.Feed(chunk, tokens);
    }
    return tokens;
}

Token L(const char* text) {
    return {Token::Kind::Line, text};
}
const Token kPrompt{Token::Kind::Prompt, "> "};

struct SplitCase {
    const char* name;
    std::vector<std::string> chunks;
    std::vector<Token> expected;
};

const SplitCase kSplitCases[] = {
    {"EchoOnThenAnswer",
     {"AT+CSQ\r\r\n+CSQ: 17,99\r\n\r\nOK\r\n"},
     {L("AT+CSQ"), L("+CSQ: 17,99"), L("OK")}},
    {"AnswerCutAnywhere",
     {"\r\n+CS", "Q: 1", "7,99\r", "\n\r\nO", "K\r", "\n"},
     {L("+CSQ: 17,99"), L("OK")}},
    {"PromptWithoutLineEnd", {"AT+CMGS=18\r\r\n> "}, {L("AT+CMGS=18"), kPrompt}},
    {"PromptSplitFromBlank", {"\r\n>", " "}, {kPrompt}},
    {"EchoedPduWithCtrlZ",
     {"0011000B91\x1A\r\n+CMGS: 12\r\n\r\nOK\r\n"},
     {L("0011000B91"), L("+CMGS: 12"), L("OK")}},
    {"UrcBetweenPromptAndAnswer",
     {"\r\n> ", "\r\n+CMTI: \"SM\",3\r\n", "\r\n+CMGS: 4\r\n\r\nOK\r\n"},
     {kPrompt, L("+CMTI: \"SM\",3"), L("+CMGS: 4"), L("OK")}},
    {"BareLineFeedsAndStrayBlankLines", {"\n\n\nOK\n\r\n\r"}, {L("OK")}},
    {"GreaterSignInsideALineIsText", {"a> b\r\n"}, {L("a> b")}},
};

class SplitTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitTest, Tokens) {
    EXPECT_EQ(Split(GetParam().chunks), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Stream, SplitTest, testing::ValuesIn(kSplitCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SplitTest, OverlongLineIsCutNotBufferedForever) {
    At::LineSplitter splitter;
    std::vector<Token> tokens;
    splitter.Feed(std::string(At::LineSplitter::kMaxLine * 2 + 5, 'A'), tokens);
    EXPECT_EQ(tokens.size(), 2u);
    EXPECT_EQ(splitter.Pending().size(), 5u);
}

// ---------------------------------------------------------------------------

struct FinalCase {
    const char* line;
    bool isFinal;
    At::FinalResult::Kind kind;
    int code;
};

using K = At::FinalResult::Kind;
const FinalCase kFinalCases[] = {
    {"OK", true, K::Ok, -1},
    {"ok", true, K::Ok, -1},
    {"ERROR", true, K::Error, -1},
    {"COMMAND NOT SUPPORT", true, K::Error, -1},
    {"+CMS ERROR: 330", true, K::CmsError, 330},
    {"+CMS ERROR:500", true, K::CmsError, 500},
    {"+CME ERROR: 10", true, K::CmeError, 10},
    {"+CME ERROR: SIM not inserted", true, K::CmeError, 10},
    {"+CMS ERROR: SMSC address unknown", true, K::CmsError, 330},
    {"+CMS ERROR: something odd", true, K::CmsError, -1},
    {"+CMGS: 5", false, K::Ok, 0},
    {"OKAY", false, K::Ok, 0},
    {"+CME ERROR", false, K::Ok, 0},
    {"NO CARRIER", false, K::Ok, 0},
};

class FinalTest : public testing::TestWithParam<FinalCase> {};

TEST_P(FinalTest, Classifies) {
    const FinalCase& c = GetParam();
    const auto result = At::ParseFinalResult(c.line);
    ASSERT_EQ(result.has_value(), c.isFinal) << c.line;
    if (c.isFinal) {
        EXPECT_EQ(result->kind, c.kind) << c.line;
        EXPECT_EQ(result->code, c.code) << c.line;
    }
}

INSTANTIATE_TEST_SUITE_P(Lines, FinalTest, testing::ValuesIn(kFinalCases));

// ---------------------------------------------------------------------------

struct UrcCase {
    const char* line;
    const char* activePrefix;
    bool isUrc;
    At::Urc::Kind kind;
    int index;
    const char* storage;
};

using U = At::Urc::Kind;
const UrcCase kUrcCases[] = {
    {"+CMTI: \"SM\",3", "", true, U::NewMessage, 3, "SM"},
    {"+CMTI: \"ME\", 12", "+CMGS", true, U::NewMessage, 12, "ME"},
    {"+CDSI: \"SR\",1", "", true, U::StatusReport, 1, "SR"},
    {"+CMT: ,24", "", true, U::MessageDirect, -1, ""},
    {"+CDS: 26", "", true, U::StatusReportDirect, -1, ""},
    {"RING", "", true, U::Ring, -1, ""},
    {"+CREG: 1", "", true, U::Registration, 1, ""},
    {"+CREG: 5,\"00C3\",\"0001A2B3\",2", "", true, U::Registration, 5, ""},
    {"^RSSI: 18", "", true, U::SignalQuality, 18, ""},
    {"^BOOT: 20952548,0,0,0,72", "", true, U::Boot, -1, ""},
    {"^MODE: 5,4", "", true, U::Mode, -1, ""},
    {"+CUSD: 0,\"Balance 5.00\",15", "", true, U::Ussd, -1, ""},
    {"^SRVST: 2", "", true, U::Other, -1, ""},
    // The read response of AT+CREG? while it runs is not a URC.
    {"+CREG: 0,1", "+CREG", false, U::Other, -1, ""},
    {"+CMGS: 7", "+CMGS", false, U::Other, -1, ""},
    {"OK", "", false, U::Other, -1, ""},
    {"+CMTI: \"SM\"", "", false, U::Other, -1, ""},
    {"+CMTI: \"SM\",x", "", false, U::Other, -1, ""},
    {"+CSQ: 20,99", "", false, U::Other, -1, ""},
};

class UrcTest : public testing::TestWithParam<UrcCase> {};

TEST_P(UrcTest, Recognises) {
    const UrcCase& c = GetParam();
    const auto urc = At::ParseUrc(c.line, c.activePrefix);
    ASSERT_EQ(urc.has_value(), c.isUrc) << c.line;
    if (c.isUrc) {
        EXPECT_EQ(urc->kind, c.kind) << c.line;
        EXPECT_EQ(urc->index, c.index) << c.line;
        EXPECT_EQ(urc->storage, c.storage) << c.line;
    }
}

INSTANTIATE_TEST_SUITE_P(Lines, UrcTest, testing::ValuesIn(kUrcCases));

TEST(UrcTest, DirectMessageTakesThePduLine) {
    const auto urc = At::ParseUrc("+CMT: \"\",24");
    ASSERT_TRUE(urc);
    EXPECT_TRUE(urc->TakesNextLine());
    EXPECT_EQ(urc->length, 24);
    EXPECT_FALSE(At::ParseUrc("+CMTI: \"SM\",3")->TakesNextLine());
}

// ---------------------------------------------------------------------------

struct CpinCase {
    const char* line;
    At::SimState state;
    std::uint32_t readyState;
};

using S = At::SimState;
const CpinCase kCpinCases[] = {
    {"+CPIN: READY", S::Ready, 1},
    {"+CPIN: \"READY\"", S::Ready, 1},
    {"+CPIN: SIM PIN", S::PinRequired, 6},
    {"+CPIN: SIM PUK", S::PukRequired, 7},
    {"+CPIN: SIM PUK2", S::PukRequired, 7},
    {"+CPIN: NOT INSERTED", S::NotInserted, 2},
    {"+CPIN: NOT READY", S::Busy, 4},
    {"+CME ERROR: SIM not inserted", S::NotInserted, 2},
    {"+CME ERROR: 13", S::Failure, 3},
    {"+CME ERROR: 15", S::Wrong, 3},
    {"+CME ERROR: 14", S::Busy, 4},
    {"+CME ERROR: 11", S::PinRequired, 6},
    {"ERROR", S::Unknown, 4},
};

class CpinTest : public testing::TestWithParam<CpinCase> {};

TEST_P(CpinTest, StateAndReadyState) {
    const CpinCase& c = GetParam();
    EXPECT_EQ(At::ParseCpin(c.line), c.state) << c.line;
    EXPECT_EQ(At::ReadyStateFor(At::ParseCpin(c.line)), c.readyState) << c.line;
}

INSTANTIATE_TEST_SUITE_P(Lines, CpinTest, testing::ValuesIn(kCpinCases));

// ---------------------------------------------------------------------------

TEST(CopsTest, Forms) {
    const struct {
        const char* line;
        int mode, format;
        const char* name;
        int act;
    } cases[] = {
        {"+COPS: 0,0,\"Vodafone UK\",2", 0, 0, "Vodafone UK", 2},
        {"+COPS: 0,0,\"T-Mobile, D\"", 0, 0, "T-Mobile, D", -1},  // comma inside the quotes
        {"+COPS: 0", 0, -1, "", -1},                              // not registered: no operator
        {"+COPS: 1,2,\"23415\",7", 1, 2, "23415", 7},
    };
    for (const auto& c : cases) {
        const auto op = At::ParseCops(c.line);
        ASSERT_TRUE(op) << c.line;
        EXPECT_EQ(std::make_tuple(op->mode, op->format, op->name, op->act),
                  std::make_tuple(c.mode, c.format, std::string(c.name), c.act));
    }
    EXPECT_FALSE(At::ParseCops("+COPS: (2,\"Vodafone\",\"VF\",\"23415\",2),,(0-4),(0-2)"));
    EXPECT_FALSE(At::ParseCops("+CSQ: 1,2"));
}

struct CscaCase {
    const char* line;
    bool ok;
    const char* number;
    int type;
};

const CscaCase kCscaCases[] = {
    {"+CSCA: \"+447785016005\",145", true, "+447785016005", 145},
    {"+CSCA: \"447785016005\",145", true, "+447785016005", 145},
    {"+CSCA: \"0170760000\",129", true, "0170760000", 129},
    {"+CSCA: \"\",129", true, "", 129},
    {"+CSCA: \"002B0034003400370037\",145", true, "+4477", 145},
    {"+CSCA: \"+4477\r\nAT\",145", false, "", 0},
    {"+CSQ: 5,5", false, "", 0},
};

class CscaTest : public testing::TestWithParam<CscaCase> {};

TEST_P(CscaTest, Number) {
    const CscaCase& c = GetParam();
    const auto sc = At::ParseCsca(c.line);
    ASSERT_EQ(sc.has_value(), c.ok) << c.line;
    if (c.ok) {
        EXPECT_EQ(sc->number, c.number);
        EXPECT_EQ(sc->type, c.type);
    }
}

INSTANTIATE_TEST_SUITE_P(Lines, CscaTest, testing::ValuesIn(kCscaCases));

struct CmgfCase {
    const char* line;
    bool ok;
    bool pdu;
    bool text;
};

const CmgfCase kCmgfCases[] = {
    {"+CMGF: (0,1)", true, true, true},  {"+CMGF: (0-1)", true, true, true},
    {"+CMGF: (0)", true, true, false},   {"+CMGF: (1)", true, false, true},
    {"+CMGF: 0,1", true, true, true},    {"+CMGF: ()", false, false, false},
    {"+CMGF: (x)", false, false, false}, {"+CMGF: (1-0)", false, false, false},
};

class CmgfTest : public testing::TestWithParam<CmgfCase> {};

TEST_P(CmgfTest, Modes) {
    const CmgfCase& c = GetParam();
    const auto modes = At::ParseCmgfTest(c.line);
    ASSERT_EQ(modes.has_value(), c.ok) << c.line;
    if (c.ok) {
        EXPECT_EQ(modes->pdu, c.pdu) << c.line;
        EXPECT_EQ(modes->text, c.text) << c.line;
    }
}

INSTANTIATE_TEST_SUITE_P(Lines, CmgfTest, testing::ValuesIn(kCmgfCases));

// The parsers that give one text: the value with prefix and quotes removed.
struct IdCase {
    std::optional<std::string> (*parse)(std::string_view);
    const char* line;
    const char* expected;  // nullptr: refused
};

const IdCase kIdCases[] = {
    {At::ParseIccid, "+CCID: 89441000301641313004", "89441000301641313004"},
    {At::ParseIccid, "+CCID: \"8944100030164131300F\"", "8944100030164131300"},
    {At::ParseIccid, "^ICCID: 89860316244591080765", "89860316244591080765"},
    {At::ParseIccid, "89014103211118510720", "89014103211118510720"},
    {At::ParseIccid, "+CCID: 1234", nullptr},
    {At::ParseIccid, "ERROR", nullptr},
    {At::ParseCimi, "234150123456789", "234150123456789"},
    {At::ParseCimi, "+CIMI: 310260000000000", "310260000000000"},
    {At::ParseCimi, "OK", nullptr},
    {At::ParseCimi, "2341501234567890", nullptr},
    {At::ParseIdentity, "huawei", "huawei"},
    {At::ParseIdentity, "+CGMI: \"QUALCOMM INCORPORATED\"", "QUALCOMM INCORPORATED"},
    {At::ParseIdentity, "Manufacturer: SIMCOM INCORPORATED", "SIMCOM INCORPORATED"},
    {At::ParseIdentity, "OK", nullptr},
    {At::ParseIdentity, "+CGMM: ", nullptr},
    {At::ParseCnum, "+CNUM: \"\",\"+447700900123\",145", "+447700900123"},
    {At::ParseCnum, "+CNUM: \"Own, voice\",\"447700900123\",145", "+447700900123"},
    {At::ParseCnum, "+CNUM: ,\"07700900123\",129", "07700900123"},
    {At::ParseCnum, "+CNUM: \"\",\"\",129", nullptr},
    {At::ParseCnum, "+CNUM: \"x\"", nullptr},
};

TEST(IdTest, Texts) {
    for (const IdCase& c : kIdCases) {
        const auto id = c.parse(c.line);
        ASSERT_EQ(id.has_value(), c.expected != nullptr) << c.line;
        if (id) {
            EXPECT_EQ(*id, c.expected);
        }
    }
}

TEST(CsqTest, StrengthAndUnknown) {
    auto q = At::ParseCsq("+CSQ: 17,99");
    ASSERT_TRUE(q);
    EXPECT_TRUE(q->Known());
    EXPECT_EQ(q->rssi, 17);
    EXPECT_EQ(q->Dbm(), -79);
    for (const char* unknown : {"+CSQ: 99,99", "+CSQ: 120,0"}) {  // out of range reads as unknown
        q = At::ParseCsq(unknown);
        ASSERT_TRUE(q);
        EXPECT_FALSE(q->Known());
    }
    EXPECT_FALSE(At::ParseCsq("+CSQ: 17"));
    EXPECT_FALSE(At::ParseCsq("+CSQ: a,b"));
}

TEST(CmgrTest, HeaderAndPduLine) {
    auto header = At::ParseCmgrHeader("+CMGR: 0,,24");
    ASSERT_TRUE(header);
    EXPECT_EQ(header->stat, 0);
    EXPECT_EQ(header->length, 24);
    header = At::ParseCmgrHeader("+CMGR: 1,\"Mum\",24");
    ASSERT_TRUE(header);
    EXPECT_EQ(header->stat, 1);
    // Text-mode header: not what the PDU read path expects.
    EXPECT_FALSE(At::ParseCmgrHeader("+CMGR: \"REC UNREAD\",\"+4477\",,\"24/01/01,10:00:00+00\""));
    EXPECT_FALSE(At::ParseCmgrHeader("+CMGR: 0,,0"));

    // 07 91 447758100650 (SCA, 8 octets with its length), then a 5-octet TPDU.
    const std::string pdu = "07914477581006500401020304";
    EXPECT_EQ(PduLib::TpduLength(pdu), 5);
    EXPECT_EQ(At::CheckPduLine("0791447758100650040102030a", 5), "0791447758100650040102030A");
    EXPECT_FALSE(At::CheckPduLine(pdu, 6));
}

TEST(CpmsTest, SizeOfTheReadingStore) {
    EXPECT_EQ(At::ParseCpmsTotal("+CPMS: \"SM\",3,30,\"SM\",3,30,\"SM\",3,30"), 30);
    EXPECT_EQ(At::ParseCpmsTotal("+CPMS: \"ME\",0,255,\"ME\",0,255"), 255);
    EXPECT_FALSE(At::ParseCpmsTotal("+CPMS: 3,30,3,30,3,30"));  // answer to AT+CPMS=
    EXPECT_FALSE(At::ParseCpmsTotal("+CPMS: \"SM\",3"));
    auto use = At::ParseCpms("+CPMS: \"SR\",2,20,\"SM\",3,30");
    ASSERT_TRUE(use);
    EXPECT_EQ(use->memory + std::to_string(use->used), "SR2");
    EXPECT_EQ(At::ParseCsms("+CSMS: 1,1,1,1"), 1);
    EXPECT_FALSE(At::ParseCsms("+CSMS: 1,1,1"));  // answer to AT+CSMS=
}

// A listing of AT+CMGL / AT+CMGR in PDU mode: entries kept, entries counted
// as malformed (the PDU line missing or not of the header's length), and the
// TP-MTI that decides what a stored message is.
struct ListingCase {
    const char* name;
    std::vector<std::string> lines;
    std::vector<std::string> kept;  // "index/stat/MTI"
    int malformed;
};

const std::string kDeliver = "07914477581006500401020304";  // first TPDU octet 04: MTI 0
const std::string kReport = "0006010203";                   // no SCA; first octet 06: MTI 2

const ListingCase kListings[] = {
    {"TwoKinds",
     {"+CMGL: 1,0,,5", kDeliver, "+CMGL: 12,1,\"Mum\",4", kReport},
     {"1/0/0", "12/1/2"},
     0},
    {"WrongLengthThenGood", {"+CMGL: 1,0,,6", kDeliver, "+CMGL: 2,0,,5", kDeliver}, {"2/0/0"}, 1},
    {"HeaderWithoutPdu", {"+CMGL: 1,0,,5", "+CMGL: 2,0,,5", kDeliver}, {"2/0/0"}, 1},
    {"LastHeaderCut", {"+CMGL: 3,1,,5"}, {}, 1},
    {"ReadAnswerHasNoIndex", {"+CMGR: 0,,5", kDeliver}, {"-1/0/0"}, 0},
    {"TextModeAndStrays",
     {"+CMGL: 1,\"REC READ\",\"+4477\",,\"24/01/01\"", "Hello", kDeliver, "+CMGL: x,0,,5"},
     {},
     0},
    {"StatOutOfRange", {"+CMGL: 1,7,,5", kDeliver}, {}, 0},
};

class ListingTest : public testing::TestWithParam<ListingCase> {};

TEST_P(ListingTest, EntriesAndKinds) {
    const ListingCase& c = GetParam();
    const At::Listing listing = At::ParseListing(c.lines);
    std::vector<std::string> kept;
    for (const At::ListedMessage& m : listing.messages) {
        kept.push_back(std::to_string(m.index) + "/" + std::to_string(m.stat) + "/" +
                       std::to_string(At::TpMti(m.pdu).value_or(-1)));
    }
    EXPECT_EQ(kept, c.kept);
    EXPECT_EQ(listing.malformed, c.malformed);
}

INSTANTIATE_TEST_SUITE_P(Lines, ListingTest, testing::ValuesIn(kListings),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ListingTest, MtiNeedsTheFirstTpduOctet) {
    EXPECT_FALSE(At::TpMti(""));
    EXPECT_FALSE(At::TpMti("07914477581006"));  // the SCA field runs out
    EXPECT_FALSE(At::TpMti("00ZZ"));
    EXPECT_EQ(At::TpMti("0011"), 1);
}

}  // namespace
