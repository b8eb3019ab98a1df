#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>

#include "device/kannel/KannelProtocol.h"
#include "pdu/PartsComposer.h"
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
    const std::string q = SendsmsQuery(request, "u", "p&w", DlrUrl("127.0.0.1:9", "r7-12"));
    EXPECT_EQ(q,
              "username=u&password=p%26w&to=%2B491&text=a%20b%26c&coding=0&charset=UTF-8"
              "&udh=%05%00%03%01%02%01&dlr-mask=31&dlr-url=http%3A%2F%2F127.0.0.1%3A9%2Fdlr%"
              "3Fid%3Dr7-12%26status%3D%25d%26reply%3D%25A");
    // What Kannel calls back with, read back.
    const auto fields = ParseQuery("id=r7-12&status=8&reply=ACK%2Fx+y&id=other&bad=%G1");
    Report report;
    ASSERT_TRUE(ParseReport(fields, report));
    EXPECT_EQ(report.messageId, "r7-12");
    EXPECT_EQ(report.code, 8);
    EXPECT_EQ(report.smscReply, "ACK/x y");
    EXPECT_EQ(fields.at("bad"), "%G1");
    for (const char* bad : {"id=1", "status=1", "id=&status=1", "id=1&status=x", "id=1&status="}) {
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
