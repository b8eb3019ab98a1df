// Helpers shared by the campaign store tests: a private folder per test, a
// clock that ticks one millisecond per reading, and raw file access.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "campaign/store/CampaignStore.h"

class StoreTestBase : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    StoreOptions Options();
    // Opens m_path for sending; fails the test when it cannot.
    void OpenSend(CCampaignStore& store);
    // A campaign of `count` numbers "+4917000000NN" with `parts` parts.
    std::int64_t Create(CCampaignStore& store, std::size_t count, int parts = 1,
                        const std::string& message = "Hello", const std::string& hash = "h1");
    std::vector<RowRecord> Rows(CCampaignStore& store, std::int64_t campaign,
                                std::optional<SendState> only = std::nullopt);

    std::string m_dir;
    std::string m_path;
    std::int64_t m_ticks = 1'700'000'000'000;
};

std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
// Runs `sql` on the file at `path` with a plain SQLite connection.
void RunSql(const std::string& path, const std::string& sql);
std::int64_t QuerySql(const std::string& path, const std::string& sql);
// Runs `body` in a child process; its return value is the exit status.
int RunInChild(const std::function<int()>& body);
