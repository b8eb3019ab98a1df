// vantorix-cli campaigns and show over a store written through the store's
// own API: the JSON a JSON library reads back, the CSV, the exit statuses,
// and stores that are missing or damaged left exactly as they were.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <CLI/CLI.hpp>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "campaign/store/History.h"
#include "tests/campaign/store/StoreTestUtil.h"
#include "tools/cli/Commands.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

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
    AddInboxCommands(app);
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
    return {result.status, out.str(), err.str()};
}

using CampaignsCommandTest = StoreTestBase;

// Some fields of each object of a JSON array, as a table of texts.
std::vector<std::string> Fields(const json& list, const std::vector<const char*>& keys) {
    std::vector<std::string> lines;
    for (const json& item : list) {
        std::string line;
        for (const char* key : keys) {
            line += (line.empty() ? "" : " ") + item.at(key).dump();
        }
        lines.push_back(line);
    }
    return lines;
}

// The sample is written within one second: its time as T.
std::string Timeless(const std::string& text) {
    return std::regex_replace(text, std::regex(R"(2023-11-14T22:13:20\+00:00)"), "T");
}

TEST_F(CampaignsCommandTest, JsonAndCsvOfTheSampleHistory) {
    WriteSample();
    Result r = RunCli({"campaigns", "--json", "--store", m_path});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Fields(json::parse(Timeless(r.out)), {"id", "state", "message", "total", "sent",
                                                    "failed", "unknown", "not_sent", "created"}),
              std::vector<std::string>(
                  {"2 \"finished\" \"Zweiteilig \xE2\x98\x80\" 1 1 0 0 0 \"T\"",
                   "1 \"stopped\" \"Shop opens at 9.\\nReply STOP to opt out\" 5 1 1 1 2 \"T\""}));
    r = RunCli({"show", "1", "--json", "--store", m_path});
    ASSERT_EQ(r.status, 0) << r.err;
    const json rows = json::parse(r.out);
    EXPECT_EQ(Fields(rows, {"order", "state", "code", "tp_mr"}),
              std::vector<std::string>({"1 \"sent\" 0 42", "2 \"failed\" -2147024809 null",
                                        "3 \"unknown\" null null", "4 \"not_sent\" null null",
                                        "5 \"not_sent\" null null"}));
    EXPECT_FALSE(rows[0].contains("parts"));
    r = RunCli({"show", "2", "--json", "--store", m_path});
    EXPECT_EQ(Fields(json::parse(r.out)[0].at("parts"), {"part", "state"}),
              std::vector<std::string>({"1 \"sent\"", "2 \"sent\""}));

    const std::string csv = m_dir + "/rows.csv";
    const auto csvOf = [&](const char* id) {
        r = RunCli({"show", id, "--csv", csv, "--store", m_path});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "");
        return Timeless(ReadBytes(csv));
    };
    EXPECT_EQ(csvOf("2"),
              "\xEF\xBB\xBFnumber,state,status_text,code,time,parts\r\n"
              "+491701000000,sent,,,T,1:sent 2:sent\r\n");
    EXPECT_EQ(csvOf("1"),
              "\xEF\xBB\xBFnumber,state,status_text,code,time\r\n"
              "+491701000000,sent,Sent,0x00000000,T\r\n"
              "+491701000001,failed,\"'=SUM(A1), refused\",0x80070057,T\r\n"
              "+491701000002,unknown,Outcome unknown,,T\r\n"
              "+491701000003,not_sent,,,T\r\n"
              "+491701000004,not_sent,,,T\r\n");

    r = RunCli({"campaigns", "--store", m_path});
    EXPECT_NE(r.out.find("Shop opens at 9. Reply STOP to opt out"), std::string::npos) << r.out;
    EXPECT_LT(r.out.find("finished"), r.out.find("stopped")) << r.out;
}

// Mistakes and stores that cannot be used: the exit status, what is said,
// and that no store file was made or changed.
TEST_F(CampaignsCommandTest, RefusalsLeaveTheStoreAsItWas) {
    WriteSample();
    const std::string missing = m_dir + "/nowhere/campaigns.sqlite";
    const std::string damaged = m_dir + "/damaged.sqlite";
    WriteBytes(damaged, std::string(5000, 'Z'));
    const std::string storeBytes = ReadBytes(m_path);
    const struct {
        std::vector<std::string> args;
        int status;
        const char* out;  // a part of standard output
        const char* err;  // a part of standard error
    } cases[] = {
        {{"show", "7", "--store", m_path}, kExitUsage, "", "there is no campaign 7 in"},
        {{"show", "1", "--json", "--csv", "a.csv", "--store", m_path}, kExitUsage, "", "excludes"},
        {{"show", "1", "--csv", m_path, "--store", m_path}, kExitUsage, "", "store itself"},
        {{"show", "1", "--csv", m_path + "-wal", "--store", m_path}, kExitUsage, "", "itself"},
        {{"show", "1", "--csv", m_dir + "/no/a.csv", "--store", m_path},
         kExitFailure,
         "",
         "written"},
        {{"show", "1", "--store", missing}, kExitUsage, "", "no campaigns yet"},
        {{"campaigns", "--store", missing}, kExitOk, "No campaigns yet", ""},
        {{"campaigns", "--json", "--store", missing}, kExitOk, "[]\n", ""},
        {{"campaigns", "--store", damaged}, kExitFailure, "", "is damaged or is not a database"},
    };
    for (const auto& c : cases) {
        const Result r = RunCli(c.args);
        SCOPED_TRACE(c.args[0] + ' ' + c.args[1] + ' ' + c.args[2]);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    }
    EXPECT_FALSE(fs::exists(m_dir + "/nowhere")) << "reading never creates a store";
    EXPECT_EQ(ReadBytes(damaged), std::string(5000, 'Z'));
    EXPECT_EQ(ReadBytes(m_path), storeBytes);
}

// ISO 8601 with the offset; the local offset under a spelled-out TZ rule
// (Newfoundland: -03:30, -02:30 from March to November).
TEST(HistoryText, IsoTimesWithOffsets) {
    const struct {
        std::int64_t ms;
        int offset;  // minutes; 9999: the local time
        const char* text;
    } cases[] = {
        {0, 0, "1970-01-01T00:00:00+00:00"},
        {1'700'000'000'999, 0, "2023-11-14T22:13:20+00:00"},    // milliseconds dropped
        {1'700'000'000'000, 120, "2023-11-15T00:13:20+02:00"},  // over midnight
        {1'700'000'000'000, -330, "2023-11-14T16:43:20-05:30"},
        {1'709'164'800'000, 0, "2024-02-29T00:00:00+00:00"},  // a leap day
        {4'102'444'799'000, 0, "2099-12-31T23:59:59+00:00"},  // past 2038
        {-1'000, 0, "1969-12-31T23:59:59+00:00"},             // before 1970
        {1'700'000'000'000, 9999, "2023-11-14T18:43:20-03:30"},
        {1'690'000'000'000, 9999, "2023-07-22T01:56:40-02:30"},
    };
    const char* const oldTz = std::getenv("TZ");
    const std::string saved = oldTz != nullptr ? oldTz : "";
    ::setenv("TZ", "NST3:30NDT,M3.2.0,M11.1.0", 1);
    ::tzset();
    for (const auto& c : cases) {
        const StoreTime time{std::chrono::milliseconds(c.ms)};
        const int offset = c.offset == 9999 ? History::LocalOffsetMinutes(time) : c.offset;
        EXPECT_EQ(History::IsoTime(time, offset), c.text) << c.ms;
    }
    EXPECT_EQ(History::LocalTimeText(StoreTime(std::chrono::milliseconds(1'700'000'000'000))),
              "2023-11-14 18:43");
    oldTz != nullptr ? ::setenv("TZ", saved.c_str(), 1) : ::unsetenv("TZ");
    ::tzset();
}

TEST(HistoryText, MessageHeadsAndCodes) {
    const struct {
        const char* message;
        std::size_t max;
        const char* head;
    } cases[] = {
        {"  Two\r\n\r\nlines\t here \n", 40, "Two lines here"},
        {"Open day on Saturday at Elm Street", 19, "Open day on..."},
        {"exactly twenty chars", 20, "exactly twenty chars"},
        {"Supercalifragilistic word", 10, "Supercalif..."},  // no whole word fits
        // Counted in characters, never cut inside one.
        {"\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80", 2,
         "\xF0\x9F\x98\x80\xF0\x9F\x98\x80..."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(History::MessageHead(c.message, c.max), c.head) << c.message;
    }
    // Codes that do not fit in 32 bits stay decimal.
    EXPECT_EQ(History::CodeText(std::int64_t{1} << 40), "1099511627776");
}

// A reply to a campaign and a STOP: the inbox as JSON, the opt-out list
// edited, the row's delivery from its report.
TEST_F(CampaignsCommandTest, InboxOptOutsAndDelivery) {
    {
        StoreOptions options = Options();
        options.clock = [] { return std::chrono::system_clock::now(); };
        CCampaignStore store;
        StoreError e;
        ASSERT_TRUE(store.Open(m_path, StoreMode::Send, e, options)) << e.text;
        const std::int64_t id = Create(store, 1);
        ReceiveResult r;
        // TP-MR 5 delivered to +491701000000; "Hi" then "STOP" from it.
        ASSERT_TRUE(
            store.Apply(
                {{id, 0, {}, SendState::Sending}, {id, 0, {}, SendState::Sent, "", 0, {}, 5}}, e) &&
            store.Receive("0006050C91947110000000425060410000004250604120000000", StoreTime{}, r,
                          e) &&
            store.Receive("00040C919471100000000008425060900300000400480069", StoreTime{}, r, e) &&
            store.Receive("00040C91947110000000000842506090031000080053005400"
                          "4F0050",
                          StoreTime{}, r, e))
            << e.text;
    }
    const std::string store = "--store=" + m_path;
    Result inbox = RunCli({"inbox", "--json", store});
    ASSERT_EQ(inbox.status, 0) << inbox.err;
    EXPECT_EQ(
        Fields(json::parse(inbox.out), {"from", "time", "text", "complete", "campaign"}),
        (std::vector<std::string>{R"("+491701000000" "2024-05-06T09:30:01+00:00" "STOP" true 1)",
                                  R"("+491701000000" "2024-05-06T09:30:00+00:00" "Hi" true 1)"}));
    EXPECT_EQ(RunCli({"optouts", "add", "+44 7700 900123", store}).status, 0);
    EXPECT_EQ(RunCli({"optouts", "remove", "+491701000000", store}).status, 0);
    EXPECT_EQ(RunCli({"optouts", "add", "no number", store}).status, kExitUsage);
    EXPECT_EQ(RunCli({"optouts", "list", store}).out, "+447700900123\n");
    const json rows = json::parse(RunCli({"show", "1", "--json", store}).out);
    EXPECT_EQ(rows.at(0).at("delivery").get<std::string>().rfind("Delivered ", 0), 0u);
}

}  // namespace
