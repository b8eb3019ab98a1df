// Helpers shared by the tests of the campaign store and of what reads its
// history: a private folder per test, a clock that ticks one millisecond per
// reading, a sample history, and raw file access.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "campaign/store/CampaignStore.h"
#include "campaign/store/Sqlite.h"

class StoreTestBase : public ::testing::Test {
protected:
    void SetUp() override {
#ifdef _WIN32
        // No mkdtemp on Windows.
        std::random_device random;
        std::string dir;
        do {
            dir = (std::filesystem::temp_directory_path() /
                   ("vantorix-store-" + std::to_string(random())))
                      .string();
        } while (!std::filesystem::create_directory(dir));
#else
        std::string dir =
            (std::filesystem::temp_directory_path() / "vantorix-store-XXXXXX").string();
        ASSERT_NE(::mkdtemp(dir.data()), nullptr);
#endif
        m_dir = dir;
        m_path = m_dir + "/campaigns.sqlite";
    }
    void TearDown() override {
        std::filesystem::remove_all(m_dir);
    }
    StoreOptions Options() {
        StoreOptions options;
        options.program = "store-test";
        options.busyTimeout = std::chrono::milliseconds(50);
        options.clock = [this] { return StoreTime(std::chrono::milliseconds(++m_ticks)); };
        return options;
    }
    void OpenSend(CCampaignStore& store) {
        StoreError error;
        ASSERT_TRUE(store.Open(m_path, StoreMode::Send, error, Options())) << error.text;
    }
    // A campaign of `count` numbers with `parts` parts.
    std::int64_t Create(CCampaignStore& store, std::size_t count, int parts = 1,
                        const std::string& message = "Hello", const std::string& hash = "h1") {
        NewCampaign campaign{message, "GSM 7-bit", parts, "/n.txt", hash, "{}", {}};
        for (std::size_t i = 0; i < count; ++i) {
            campaign.numbers.push_back("+49170" + std::to_string(1000000 + i));
        }
        std::int64_t id = 0;
        StoreError error;
        EXPECT_TRUE(store.CreateCampaign(campaign, id, error)) << error.text;
        return id;
    }
    std::vector<RowRecord> Rows(CCampaignStore& store, std::int64_t campaign) {
        std::vector<RowRecord> rows;
        StoreError error;
        EXPECT_TRUE(store.GetRows(campaign, rows, error)) << error.text;
        return rows;
    }
    std::vector<CampaignRecord> Campaigns(CCampaignStore& store) {
        std::vector<CampaignRecord> campaigns;
        StoreError error;
        EXPECT_TRUE(store.ListCampaigns(campaigns, error)) << error.text;
        return campaigns;
    }
    // Two past campaigns, all written within 2023-11-14T22:13:20Z:
    //   1: two lines, stopped: five numbers sent (code 0, TP-MR 42), failed
    //      (code 0x80070057, a status text like a formula), unknown, and two
    //      never sent.
    //   2: "Zweiteilig" and a sun, two parts, finished: one number, sent.
    void WriteSample() {
        CCampaignStore store;
        OpenSend(store);
        const std::int64_t one = Create(store, 5, 1, "Shop opens at 9.\nReply STOP to opt out");
        const std::int64_t two = Create(store, 1, 2, "Zweiteilig \xE2\x98\x80");
        using S = SendState;
        StoreError e;
        ASSERT_TRUE(store.Apply({{one, 0, {}, S::Sending},
                                 {one, 0, {}, S::Sent, "Sent", 0, {}, 42},
                                 {one, 1, {}, S::Sending},
                                 {one, 1, {}, S::Failed, "=SUM(A1), refused", -2147024809},
                                 {one, 2, {}, S::Sending},
                                 {one, 2, {}, S::Unknown, "Outcome unknown"},
                                 {two, 0, 0, S::Sending},
                                 {two, 0, 0, S::Sent},
                                 {two, 0, 1, S::Sending},
                                 {two, 0, 1, S::Sent}},
                                e) &&
                    store.SetCampaignState(one, CampaignState::Stopped, e) &&
                    store.SetCampaignState(two, CampaignState::Finished, e))
            << e.text;
    }

    std::string m_dir;
    std::string m_path;
    std::int64_t m_ticks = 1'700'000'000'000;
};

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Runs `sql` on the file at `path` with a plain SQLite connection.
inline void RunSql(const std::string& path, const std::string& sql) {
    Sqlite::CDatabase db;
    ASSERT_EQ(db.Open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE), SQLITE_OK);
    ASSERT_EQ(db.Exec(sql.c_str()), SQLITE_OK) << db.ErrorText() << "\n" << sql;
}

inline std::int64_t QuerySql(const std::string& path, const char* sql) {
    Sqlite::CDatabase db;
    std::int64_t value = -1;
    EXPECT_EQ(db.Open(path, SQLITE_OPEN_READONLY), SQLITE_OK);
    EXPECT_EQ(db.QueryInt(sql, value), SQLITE_OK) << db.ErrorText();
    return value;
}

#ifndef _WIN32
// Runs `body` in a child process; its return value is the exit status.
inline int RunInChild(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) {  // never back into the test's own run, nor its tear-down
        try {
            ::_exit(body());
        } catch (...) {
            ::_exit(99);
        }
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
#endif
