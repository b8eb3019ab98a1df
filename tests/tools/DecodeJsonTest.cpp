// The JSON lines of `decode` must be what a JSON library reads back.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "pdu/CPduComposer.h"
#include "pdu/Hex.h"
#include "pdu/PduDecoder.h"
#include "tools/cli/DecodeJson.h"

namespace {

nlohmann::json decodeToJson(const std::string& hex) {
    std::string octets, error;
    EXPECT_TRUE(PduLib::FromHex(hex, octets, error)) << error;
    std::string line;
    AppendDecodedJson(PduLib::DecodeSubmitPdu(octets), line);
    return nlohmann::json::parse(line);  // throws on malformed JSON
}

TEST(DecodeJson, TextsWithCharactersJsonMustEscape) {
    const struct {
        const char* pdu;
        const char* text;  // UTF-8
    } cases[] = {
        // UCS2: U+0001, U+00E9, an emoji as a surrogate pair, U+2028
        {"000100048121430008"
         "0A"
         "000100E9D83DDE002028",
         "\x01\xC3\xA9\xF0\x9F\x98\x80\xE2\x80\xA8"},
        // UCS2: a lone high surrogate becomes U+FFFD
        {"000100048121430008"
         "04"
         "D83D0041",
         "\xEF\xBF\xBD"
         "A"},
        // 8-bit data is shown as hexadecimal
        {"000100048121430004"
         "03"
         "00FF22",
         "00FF22"},
    };
    for (const auto& c : cases) {
        const nlohmann::json j = decodeToJson(c.pdu);
        EXPECT_EQ(j.at("text").get<std::string>(), c.text) << c.pdu;
    }
}

TEST(DecodeJson, SevenBitTextWithQuotesAndControls) {
    PduLib::CPduComposer composer;
    composer.SetTrace(nullptr);
    composer.SetDestination(u"+1");
    composer.SetMessageText(u"\"\\\n\r@\u000C");
    ASSERT_FALSE(composer.ComposePdu().empty());
    EXPECT_EQ(decodeToJson(composer.PduHex()).at("text").get<std::string>(), "\"\\\n\r@\f");
}

TEST(DecodeJson, ErrorObject) {
    std::string line;
    AppendErrorJson("bad \"thing\"\\", line);
    EXPECT_EQ(nlohmann::json::parse(line), nlohmann::json({{"error", "bad \"thing\"\\"}}));
}

}  // namespace
