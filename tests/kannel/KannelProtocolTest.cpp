#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>

#include "device/kannel/KannelProtocol.h"
#include "pdu/Hex.h"
#include "pdu/PartsComposer.h"
#include "pdu/PduDecoder.h"
#include "pdu/Unicode.h"

namespace {

using namespace Kannel;

std::string Part(const std::u16string& text, std::size_t index, bool national = false) {
    PduLib::MessageOptions options;
    options.deliveryReports = true;
    if (national) {
        options.languages = {1};  // Turkish
    }
    const auto parts = PduLib::ComposeParts(text, u"+4915112345678", u"+4917000000", options, 0x2A);
    EXPECT_EQ(parts.error, "");
    return index < parts.pdus.size() ? parts.pdus[index] : std::string();
}

TEST(KannelProtocol, SubmitBecomesOneRequestPerPart) {
    const std::u16string longGsm(200, u'a');
    const std::u16string longUcs2 = u"Привет " + std::u16string(80, u'ж');
    struct Case {
        std::string pdu;
        int coding;
        std::string text;
        std::string udh;
    } cases[] = {
        {Part(u"Hello [€]", 0), 0, "Hello [€]", ""},
        {Part(u"Привет", 0), 2, "Привет", ""},
        {Part(longGsm, 1), 0, std::string(47, 'a'), std::string("\x05\x00\x03\x2A\x02\x02", 6)},
        {Part(longUcs2, 0), 2, PduLib::Utf16ToUtf8(longUcs2.substr(0, 67)),
         std::string("\x05\x00\x03\x2A\x02\x01", 6)},
    };
    for (const Case& c : cases) {
        SendRequest request;
        std::string error;
        ASSERT_TRUE(SubmitToRequest(c.pdu, request, error)) << error;
        EXPECT_EQ(request.to, "+4915112345678");
        EXPECT_EQ(request.coding, c.coding);
        EXPECT_EQ(request.text, c.text);
        EXPECT_EQ(request.udh, c.udh);
    }
    SendRequest request;
    std::string error;
    EXPECT_FALSE(SubmitToRequest("0011", request, error));
    EXPECT_FALSE(SubmitToRequest(Part(u"Ğğış", 0, true), request, error));
    EXPECT_NE(error.find("national"), std::string::npos);
}

TEST(KannelProtocol, QueryCarriesHeaderAndReportUrl) {
    SendRequest request{"+491", 0, "a b&c", std::string("\x05\x00\x03\x01\x02\x01", 6)};
    const std::string q =
        SendsmsQuery(request, "u", "p&w", DlrUrl("127.0.0.1:9", "r7-12", "+491", 268, 1700000000));
    EXPECT_EQ(q,
              "username=u&password=p%26w&to=%2B491&text=a%20b%26c&coding=0&charset=UTF-8"
              "&udh=%05%00%03%01%02%01&dlr-mask=31&dlr-url=http%3A%2F%2F127.0.0.1%3A9%2Fdlr%"
              "3Fid%3Dr7-12%26to%3D%252B491%26mr%3D12%26t%3D1700000000%26status%3D%25d%26reply%"
              "3D%25A");
    // What Kannel calls back with, read back.
    const auto fields = ParseQuery(
        "id=r7-12&to=%2B491&mr=12&t=1700000000&status=8&reply=ACK%2Fx+y&id=other&bad=%G1");
    Report report;
    ASSERT_TRUE(ParseReport(fields, report));
    EXPECT_EQ(report.messageId, "r7-12");
    EXPECT_EQ(report.code, 8);
    EXPECT_EQ(report.smscReply, "ACK/x y");
    EXPECT_EQ(report.to, "+491");
    EXPECT_EQ(report.reference, 12);
    EXPECT_EQ(report.sent, 1700000000);
    EXPECT_EQ(fields.at("bad"), "%G1");
    for (const char* bad :
         {"id=1&to=1&mr=1&t=1", "status=1&to=1&mr=1&t=1", "id=&status=1&to=1&mr=1&t=1",
          "id=1&status=x&to=1&mr=1&t=1", "id=1&status=1&mr=1&t=1", "id=1&status=1&to=1&mr=256&t=1",
          "id=1&status=1&to=1&mr=1&t=-5"}) {
        EXPECT_FALSE(ParseReport(ParseQuery(bad), report)) << bad;
    }
    Reply reply;
    ASSERT_TRUE(ParseReply(ParseQuery("from=%2B4917&to=100&text=STOP+now&time=2026-01-02"), reply));
    EXPECT_EQ(reply.from, "+4917");
    EXPECT_EQ(reply.text, "STOP now");
    EXPECT_FALSE(ParseReply(ParseQuery("from=1&text=%FF"), reply));
}

TEST(KannelProtocol, AnswersAndReportCodes) {
    struct Case {
        int http;
        const char* body;
        Outcome outcome;
    } cases[] = {
        {202, "0: Accepted for delivery", Outcome::Sent},
        {202, "3: Queued for later delivery", Outcome::Sent},
        {503, "", Outcome::Retry},
        {403, "Authorization failed for sendsms", Outcome::Failed},
        {400, "Sender missing and no global set, rejected\n", Outcome::Failed},
        {202, "4: something else", Outcome::Failed},
        {500, "", Outcome::Failed},
    };
    for (const Case& c : cases) {
        const Answer answer = ClassifyAnswer(c.http, c.body);
        EXPECT_EQ(answer.outcome, c.outcome) << c.http << c.body;
        if (c.outcome == Outcome::Failed) {
            EXPECT_NE(GatewayFailureText(answer.status).find(u"Kannel refused the message (HTTP "),
                      std::u16string::npos);
        }
    }
    const HRESULT auth = ClassifyAnswer(403, "Authorization failed for sendsms").status;
    EXPECT_EQ(auth, ClassifyAnswer(403, "Authorization failed for sendsms\r\n").status);
    EXPECT_NE(auth, ClassifyAnswer(400, "Missing receiver number").status);
    EXPECT_EQ(GatewayFailureText(auth),
              u"Kannel refused the message (HTTP 403): Authorization failed for sendsms");
    EXPECT_EQ(GatewayFailureText(VTX_E_MODEM_BUSY), u"");

    EXPECT_EQ(ReportCodeMeaning(1).kind, PduLib::StatusKind::Delivered);
    EXPECT_TRUE(ReportCodeMeaning(2).final);
    EXPECT_FALSE(ReportCodeMeaning(8).final);
    EXPECT_EQ(ReportCodeMeaning(16).kind, PduLib::StatusKind::FailedPermanent);
    EXPECT_EQ(ReportCodeMeaning(3).kind, PduLib::StatusKind::Unknown);
}

// Reports and replies become the PDUs a modem hands up: the store reads
// them back with the modem's decoder.
TEST(KannelProtocol, ReportsAndRepliesReadBackAsModemPdus) {
    auto decode = [](const std::string& hex) {
        std::string octets;
        std::string why;
        EXPECT_TRUE(PduLib::FromHex(hex, octets, why)) << why;
        return PduLib::DecodePdu(octets);
    };
    const struct {
        int code;
        int st;  // -1: none
    } codes[] = {{1, 0x00}, {2, 0x40}, {4, 0x20}, {8, -1}, {16, 0x63}, {3, -1}};
    for (const auto& c : codes) {
        const auto st = ReportStatus(c.code);
        ASSERT_EQ(st.has_value(), c.st >= 0) << c.code;
        if (!st) {
            continue;
        }
        Report report{"r-1", c.code, "", "+4915112345678", 0xA7, 1767225599};  // 2025-12-31
        const PduLib::DecodedPdu pdu = decode(StatusReportPdu(report, *st, 1767225600));
        ASSERT_EQ(pdu.type, PduLib::DecodedPdu::Type::StatusReport);
        EXPECT_EQ(pdu.statusReport.messageReference, 0xA7);
        EXPECT_EQ(pdu.statusReport.recipient, "+4915112345678");
        EXPECT_EQ(pdu.statusReport.status, c.st);
        const PduLib::TimeStamp& sent = pdu.statusReport.serviceCentreTime;
        const PduLib::TimeStamp& done = pdu.statusReport.dischargeTime;
        EXPECT_EQ(std::vector<int>({sent.year, sent.month, sent.day, sent.hour, sent.second}),
                  std::vector<int>({25, 12, 31, 23, 59}));
        EXPECT_EQ(std::vector<int>({done.year, done.month, done.day, done.hour}),
                  std::vector<int>({26, 1, 1, 0}));
    }
    const std::u16string longText = u"STOP " + std::u16string(70, u'ж') + u"😀";
    const struct {
        Reply reply;
        std::string from;
        std::u16string text;
        std::size_t parts;
    } replies[] = {
        {{"+4917", "100", "stop", "2026-02-03 04:05:06"}, "+4917", u"stop", 1},
        {{"Shop", "100", "Hi", ""}, "Shop", u"Hi", 1},
        {{"4917", "100", PduLib::Utf16ToUtf8(longText), ""}, "4917", longText, 2},
    };
    for (const auto& r : replies) {
        const std::vector<std::string> pdus = ReplyPdus(r.reply, 1767225600);
        ASSERT_EQ(pdus.size(), r.parts);
        EXPECT_EQ(ReplyPdus(r.reply, 1767225600), pdus);  // posted again: the same
        std::u16string joined;
        for (const std::string& hex : pdus) {
            const PduLib::DecodedPdu pdu = decode(hex);
            ASSERT_EQ(pdu.type, PduLib::DecodedPdu::Type::Deliver);
            EXPECT_EQ(pdu.deliver.originator, r.from);
            EXPECT_EQ(pdu.deliver.header.size(), r.parts > 1 ? 1u : 0u);
            joined += pdu.deliver.text();
        }
        EXPECT_EQ(joined, r.text);
    }
    EXPECT_EQ(decode(ReplyPdus({"1", "2", "x", "2026-02-03 04:05:06"}, 0)[0])
                  .deliver.serviceCentreTime.minute,
              5);
}

TEST(KannelProtocol, PasswordFileMustBePrivate) {
    const std::string path = testing::TempDir() + "/kannel-password";
    struct Case {
        const char* content;
        mode_t mode;
        bool ok;
    } cases[] = {
        {"s3cret\n", 0600, true},  {"s3cret\r\nignored", 0400, true},
        {"s3cret\n", 0640, false}, {"s3cret\n", 0604, false},
        {"\n", 0600, false},
    };
    for (const Case& c : cases) {
        std::remove(path.c_str());
        std::ofstream(path) << c.content;
        ASSERT_EQ(::chmod(path.c_str(), c.mode), 0);
        std::string password;
        std::string error;
        EXPECT_EQ(ReadPasswordFile(path, password, error), c.ok) << c.mode;
        EXPECT_EQ(password, c.ok ? "s3cret" : "");
        EXPECT_EQ(error.find("s3cret"), std::string::npos);
    }
    std::remove(path.c_str());
    std::string password;
    std::string error;
    EXPECT_FALSE(ReadPasswordFile(path, password, error));
}

}  // namespace
