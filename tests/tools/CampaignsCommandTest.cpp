// vantorix-cli campaigns and show over a store written through the store's
// own API: the JSON a JSON library reads back, the CSV, the exit statuses,
// and stores that are missing or damaged left exactly as they were.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <CLI/CLI.hpp>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "campaign/store/CampaignStore.h"
#include "campaign/store/History.h"
#include "tests/campaign/store/SampleHistory.h"
#include "tools/cli/Commands.h"

namespace {

namespace fs = std::filesystem;

struct Result {
    int status = 0;
    std::string out;
    std::string err;
};

// Runs vantorix-cli's history commands in this process, as main() does.
Result RunCli(std::vector<std::string> args) {
    CLI::App app{"test", "vantorix-cli"};
    app.require_subcommand(1);
    AddCampaignsCommands(app);
    std::ostringstream out, err;
    std::streambuf* const oldOut = std::cout.rdbuf(out.rdbuf());
    std::streambuf* const oldErr = std::cerr.rdbuf(err.rdbuf());
    Result result;
    std::reverse(args.begin(), args.end());  // CLI11 takes them last first
    try {
        app.parse(args);
    } catch (const CLI::RuntimeError& e) {
        result.status = e.get_exit_code();
    } catch (const CLI::ParseError& e) {
        app.exit(e, err, err);
        result.status = kExitUsage;
    }
    std::cout.rdbuf(oldOut);
    std::cerr.rdbuf(oldErr);
    result.out = out.str();
    result.err = err.str();
    return result;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

constexpr std::int64_t kStart = 1'700'000'000'000;  // 2023-11-14T22:13:20Z

class CampaignsCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string dir = (fs::temp_directory_path() / "vantorix-cli-store-XXXXXX").string();
        ASSERT_NE(::mkdtemp(dir.data()), nullptr);
        m_dir = dir;
        m_store = m_dir + "/campaigns.sqlite";
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }

    void Populate() {
        StoreOptions options;
        options.clock = [] { return StoreTime(std::chrono::milliseconds(kStart)); };
        std::string error;
        ASSERT_TRUE(WriteSampleHistory(m_store, options, error)) << error;
    }

    std::string m_dir;
    std::string m_store;
};

const std::regex kIsoUtc(R"(\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}\+00:00)");

TEST_F(CampaignsCommandTest, CampaignsJsonListsNewestFirstWithCounts) {
    Populate();
    const Result r = RunCli({"campaigns", "--json", "--store", m_store});
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json list = nlohmann::json::parse(r.out);
    ASSERT_TRUE(list.is_array());
    ASSERT_EQ(list.size(), 2U);
    const struct {
        std::int64_t id;
        const char* state;
        const char* message;
        int total, sent, failed, unknown, notSent;
    } expected[] = {
        {2, "finished", "Zweiteilig \xE2\x98\x80", 1, 1, 0, 0, 0},
        {1, "stopped", "Shop opens at 9.\nReply STOP to opt out", 5, 1, 1, 1, 2},
    };
    for (std::size_t i = 0; i < 2; ++i) {
        const nlohmann::json& c = list[i];
        const auto& want = expected[i];
        EXPECT_EQ(c.at("id").get<std::int64_t>(), want.id);
        EXPECT_EQ(c.at("state").get<std::string>(), want.state);
        EXPECT_EQ(c.at("message").get<std::string>(), want.message);
        EXPECT_EQ(c.at("total").get<int>(), want.total);
        EXPECT_EQ(c.at("sent").get<int>(), want.sent);
        EXPECT_EQ(c.at("failed").get<int>(), want.failed);
        EXPECT_EQ(c.at("unknown").get<int>(), want.unknown);
        EXPECT_EQ(c.at("not_sent").get<int>(), want.notSent);
        EXPECT_TRUE(std::regex_match(c.at("created").get<std::string>(), kIsoUtc))
            << c.at("created");
    }
    EXPECT_EQ(list[1].at("created").get<std::string>(), "2023-11-14T22:13:20+00:00");

    const Result plain = RunCli({"campaigns", "--store", m_store});
    ASSERT_EQ(plain.status, 0) << plain.err;
    EXPECT_NE(plain.out.find("Shop opens at 9. Reply STOP to opt out"), std::string::npos)
        << plain.out;
    EXPECT_LT(plain.out.find("finished"), plain.out.find("stopped")) << plain.out;
}

TEST_F(CampaignsCommandTest, ShowJsonRowsInOrderWithPartsOnlyForSeveral) {
    Populate();
    Result r = RunCli({"show", "1", "--json", "--store", m_store});
    ASSERT_EQ(r.status, 0) << r.err;
    nlohmann::json rows = nlohmann::json::parse(r.out);
    ASSERT_EQ(rows.size(), 5U);
    const char* const states[] = {"sent", "failed", "unknown", "not_sent", "not_sent"};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].at("state").get<std::string>(), states[i]) << i;
        EXPECT_EQ(rows[i].at("order").get<std::size_t>(), i + 1);
        EXPECT_TRUE(std::regex_match(rows[i].at("time").get<std::string>(), kIsoUtc));
        EXPECT_FALSE(rows[i].contains("parts"));
    }
    EXPECT_EQ(rows[0].at("code").get<std::int64_t>(), 0);
    EXPECT_EQ(rows[0].at("tp_mr").get<std::int64_t>(), 42);
    EXPECT_EQ(rows[1].at("code").get<std::int64_t>(), -2147024809);
    EXPECT_EQ(rows[1].at("status_text").get<std::string>(), "-cmd|' /C calc'!A0, refused");
    EXPECT_TRUE(rows[3].at("code").is_null());
    EXPECT_EQ(rows[2].at("number").get<std::string>(), "=HYPERLINK(\"http://x\")");

    r = RunCli({"show", "2", "--json", "--store", m_store});
    ASSERT_EQ(r.status, 0) << r.err;
    rows = nlohmann::json::parse(r.out);
    ASSERT_EQ(rows.size(), 1U);
    const nlohmann::json& parts = rows[0].at("parts");
    ASSERT_EQ(parts.size(), 2U);
    EXPECT_EQ(parts[1].at("part").get<int>(), 2);
    EXPECT_EQ(parts[1].at("state").get<std::string>(), "sent");
}

TEST_F(CampaignsCommandTest, ShowCsvDefusesFormulasAndQuotes) {
    Populate();
    const std::string csv = m_dir + "/rows.csv";
    const Result r = RunCli({"show", "1", "--csv", csv, "--store", m_store});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    const std::string text = ReadFile(csv);
    std::vector<std::string> lines;
    std::size_t begin = 3;  // after the byte-order mark
    ASSERT_EQ(text.substr(0, 3), "\xEF\xBB\xBF");
    for (std::size_t end; (end = text.find("\r\n", begin)) != std::string::npos; begin = end + 2) {
        lines.push_back(text.substr(begin, end - begin));
    }
    EXPECT_EQ(begin, text.size()) << "every line ends with CR LF";
    ASSERT_EQ(lines.size(), 6U);
    EXPECT_EQ(lines[0], "number,state,status_text,code,time");
    EXPECT_EQ(lines[1], "+4917000001,sent,Sent,0x00000000,2023-11-14T22:13:20+00:00");
    EXPECT_EQ(lines[2].substr(0, 61),
              "+4917000002,failed,\"'-cmd|' /C calc'!A0, refused\",0x80070057,");
    EXPECT_EQ(lines[3].substr(0, 33), "\"'=HYPERLINK(\"\"http://x\"\")\",unkno");
    EXPECT_EQ(lines[5], "+4917000005,not_sent,,,2023-11-14T22:13:20+00:00");

    const Result two = RunCli({"show", "2", "--csv", csv, "--store", m_store});
    ASSERT_EQ(two.status, 0) << two.err;
    EXPECT_NE(ReadFile(csv).find(",parts\r\n+4917000009,sent,Sent,,"), std::string::npos);
    EXPECT_NE(ReadFile(csv).find("+00:00,1:sent 2:sent\r\n"), std::string::npos);
}

// Mistakes and stores that cannot be used: the exit status, what is said,
// and that no store file was made or changed.
TEST_F(CampaignsCommandTest, RefusalsLeaveTheStoreAsItWas) {
    Populate();
    const std::string missing = m_dir + "/nowhere/campaigns.sqlite";
    const std::string damaged = m_dir + "/damaged.sqlite";
    const std::string garbage(5000, '\x5A');
    { std::ofstream(damaged, std::ios::binary) << garbage; }
    const std::string storeBytes = ReadFile(m_store);
    const struct {
        std::vector<std::string> args;
        int status;
        const char* out;  // a part of standard output
        const char* err;  // a part of standard error
    } cases[] = {
        {{"show", "7", "--store", m_store}, kExitUsage, "", "there is no campaign 7 in"},
        {{"show", "0", "--store", m_store}, kExitUsage, "", "ID"},
        {{"show", "x", "--store", m_store}, kExitUsage, "", "ID"},
        {{"show", "1", "--json", "--csv", "a.csv", "--store", m_store}, kExitUsage, "", "excludes"},
        {{"show", "1", "--csv", m_store, "--store", m_store}, kExitUsage, "", "store itself"},
        {{"show", "1", "--csv", m_store + "-wal", "--store", m_store}, kExitUsage, "", "itself"},
        {{"show", "1", "--csv", m_dir + "/no/such/dir/a.csv", "--store", m_store},
         kExitFailure,
         "",
         "cannot be written"},
        {{"show", "1", "--store", missing}, kExitUsage, "", "no campaigns yet"},
        {{"campaigns", "--store", missing}, kExitOk, "No campaigns yet", ""},
        {{"campaigns", "--json", "--store", missing}, kExitOk, "[]\n", ""},
        {{"campaigns", "--store", damaged}, kExitFailure, "", "is damaged or is not a database"},
        {{"show", "1", "--json", "--store", damaged}, kExitFailure, "", "It was left as it is"},
        {{"campaigns", "--store", m_dir}, kExitFailure, "", "is a folder, not a file"},
    };
    for (const auto& c : cases) {
        std::string line;
        for (const std::string& arg : c.args) {
            line += arg + ' ';
        }
        const Result r = RunCli(c.args);
        EXPECT_EQ(r.status, c.status) << line << r.err;
        EXPECT_NE(r.out.find(c.out), std::string::npos) << line << r.out;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << line << r.err;
        EXPECT_EQ(r.out.empty() || r.status == kExitOk, true) << line << r.out;
    }
    EXPECT_FALSE(fs::exists(m_dir + "/nowhere")) << "reading never creates a store";
    EXPECT_EQ(ReadFile(damaged), garbage);
    for (const char* side : {"-wal", "-shm", "-journal"}) {
        EXPECT_FALSE(fs::exists(damaged + side)) << side;
    }
    EXPECT_EQ(ReadFile(m_store), storeBytes);
    EXPECT_FALSE(fs::exists(m_dir + "/a.csv"));
}

TEST(HistoryText, IsoTimesWithOffsets) {
    using std::chrono::milliseconds;
    const struct {
        std::int64_t ms;
        int offset;
        const char* iso;
    } cases[] = {
        {0, 0, "1970-01-01T00:00:00+00:00"},
        {kStart + 999, 0, "2023-11-14T22:13:20+00:00"},  // milliseconds dropped
        {kStart, 60, "2023-11-14T23:13:20+01:00"},
        {kStart, 120, "2023-11-15T00:13:20+02:00"},  // over midnight
        {kStart, -330, "2023-11-14T16:43:20-05:30"},
        {1'709'164'800'000, 0, "2024-02-29T00:00:00+00:00"},  // a leap day
        {4'102'444'799'000, 0, "2099-12-31T23:59:59+00:00"},  // past 2038
        {-1'000, 0, "1969-12-31T23:59:59+00:00"},             // before 1970
    };
    for (const auto& c : cases) {
        EXPECT_EQ(History::IsoTime(StoreTime(milliseconds(c.ms)), c.offset), c.iso) << c.ms;
    }
    // The local form agrees with the machine's own offset.
    const char* const oldTz = std::getenv("TZ");
    const std::string saved = oldTz != nullptr ? oldTz : "";
    // Newfoundland's rule, spelled out so no time zone files are needed:
    // -03:30, and -02:30 from March to November.
    ::setenv("TZ", "NST3:30NDT,M3.2.0,M11.1.0", 1);
    ::tzset();
    EXPECT_EQ(History::LocalOffsetMinutes(StoreTime(milliseconds(kStart))), -210);
    EXPECT_EQ(History::LocalOffsetMinutes(StoreTime(milliseconds(1'690'000'000'000))), -150);
    EXPECT_EQ(History::LocalTimeText(StoreTime(milliseconds(kStart))), "2023-11-14 18:43");
    if (oldTz != nullptr) {
        ::setenv("TZ", saved.c_str(), 1);
    } else {
        ::unsetenv("TZ");
    }
    ::tzset();
}

TEST(HistoryText, MessageHeads) {
    const struct {
        const char* message;
        std::size_t max;
        const char* head;
    } cases[] = {
        {"Short", 40, "Short"},
        {"  Two\r\n\r\nlines\t here \n", 40, "Two lines here"},
        {"Open day on Saturday at Elm Street", 20, "Open day on Saturday..."},
        {"Open day on Saturday at Elm Street", 19, "Open day on..."},
        {"exactly twenty chars", 20, "exactly twenty chars"},
        {"Supercalifragilistic word", 10, "Supercalif..."},  // no whole word fits
        // Counted in characters, never cut inside one (2 and 4 bytes each).
        {"\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xD0\xBC\xD0\xB8\xD1\x80", 8,
         "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82..."},
        {"\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80", 2,
         "\xF0\x9F\x98\x80\xF0\x9F\x98\x80..."},
        {"", 40, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(History::MessageHead(c.message, c.max), c.head) << c.message;
    }
}

TEST(HistoryText, CodeTexts) {
    EXPECT_EQ(History::CodeText(std::nullopt), "");
    EXPECT_EQ(History::CodeText(-2147024809), "0x80070057");
    EXPECT_EQ(History::CodeText(0x8054820A), "0x8054820A");
    EXPECT_EQ(History::CodeText(305), "0x00000131");
    EXPECT_EQ(History::CodeText(std::int64_t{1} << 40), "1099511627776");
}

}  // namespace
