#include "StoreTestUtil.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "campaign/store/Sqlite.h"

namespace fs = std::filesystem;

void StoreTestBase::SetUp() {
    std::string pattern = (fs::temp_directory_path() / "vantorix-store-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    m_dir = pattern;
    m_path = m_dir + "/campaigns.sqlite";
}

void StoreTestBase::TearDown() {
    std::error_code ec;
    fs::permissions(m_dir, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(m_dir, ec);
}

StoreOptions StoreTestBase::Options() {
    StoreOptions options;
    options.program = "store-test";
    options.busyTimeout = std::chrono::milliseconds(50);
    options.clock = [this] { return StoreTime(std::chrono::milliseconds(++m_ticks)); };
    return options;
}

void StoreTestBase::OpenSend(CCampaignStore& store) {
    StoreError error;
    ASSERT_TRUE(store.Open(m_path, StoreMode::Send, error, Options())) << error.text;
}

std::int64_t StoreTestBase::Create(CCampaignStore& store, std::size_t count, int parts,
                                   const std::string& message, const std::string& hash) {
    NewCampaign campaign;
    campaign.message = message;
    campaign.encoding = "GSM 7-bit";
    campaign.parts = parts;
    campaign.numbersPath = "/data/numbers.txt";
    campaign.numbersHash = hash;
    campaign.settings = R"({"interval_ms":1000})";
    for (std::size_t i = 0; i < count; ++i) {
        campaign.numbers.push_back("+49170" + std::to_string(1000000 + i));
    }
    std::int64_t id = 0;
    StoreError error;
    EXPECT_TRUE(store.CreateCampaign(campaign, id, error)) << error.text;
    return id;
}

std::vector<RowRecord> StoreTestBase::Rows(CCampaignStore& store, std::int64_t campaign,
                                           std::optional<SendState> only) {
    std::vector<RowRecord> rows;
    StoreError error;
    EXPECT_TRUE(store.GetRows(campaign, rows, error, only)) << error.text;
    return rows;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

void RunSql(const std::string& path, const std::string& sql) {
    Sqlite::CDatabase db;
    ASSERT_EQ(db.Open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE), SQLITE_OK);
    ASSERT_EQ(db.Exec(sql.c_str()), SQLITE_OK) << db.ErrorText() << "\n" << sql;
}

std::int64_t QuerySql(const std::string& path, const std::string& sql) {
    Sqlite::CDatabase db;
    std::int64_t value = -1;
    EXPECT_EQ(db.Open(path, SQLITE_OPEN_READONLY), SQLITE_OK);
    EXPECT_EQ(db.QueryInt(sql.c_str(), value), SQLITE_OK) << db.ErrorText();
    return value;
}

int RunInChild(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
