// The campaign store under bad conditions: a sender killed at any moment, a
// second sender, damaged, unreadable, locked and foreign files, a full disk.
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "StoreTestUtil.h"
#include "campaign/store/CampaignStore.h"

namespace {

using Kind = StoreError::Kind;
namespace fs = std::filesystem;

class StoreFaultTest : public StoreTestBase {};

constexpr std::int64_t kRows = 120;

// A sender in a child process: resumes the newest resumable campaign (or
// creates one), and for each row without an outcome writes 'M' to `out`
// once its mark is committed and 'R' once its result is. Never resends a
// row of unknown outcome.
int SendInChild(const std::string& path, int out) {
    CCampaignStore store;
    StoreError error;
    StoreOptions options;
    options.program = "child-sender";
    if (!store.Open(path, StoreMode::Send, error, options)) {
        std::fprintf(stderr, "child: %s\n", error.text.c_str());
        return 2;
    }
    std::optional<std::int64_t> id;
    if (!store.FindLatestResumable(id, error)) {
        return 3;
    }
    if (!id) {
        NewCampaign campaign;
        campaign.message = "Hi";
        for (std::int64_t i = 0; i < kRows; ++i) {
            campaign.numbers.push_back("+4917" + std::to_string(i));
        }
        std::int64_t created = 0;
        if (!store.CreateCampaign(campaign, created, error)) {
            return 4;
        }
        id = created;
    } else if (!store.SetCampaignState(*id, CampaignState::Running, error)) {
        return 5;
    }
    std::vector<RowRecord> rows;
    if (!store.GetRows(*id, rows, error, SendState::NotSent)) {
        return 6;
    }
    for (const RowRecord& row : rows) {
        if (!store.MarkSending(*id, row.order, std::nullopt, "sim", error)) {
            return 7;
        }
        char mark[16];
        const int n =
            std::snprintf(mark, sizeof(mark), "M%lld;", static_cast<long long>(row.order));
        (void)!::write(out, mark, static_cast<std::size_t>(n));
        if (!store.RecordResult({*id, row.order, std::nullopt, SendState::Sent}, error)) {
            return 8;
        }
        (void)!::write(out, "R;", 2);
    }
    return store.SetCampaignState(*id, CampaignState::Finished, error) ? 0 : 9;
}

// kill -9 at many moments, each followed by a resume: no row is ever
// marked for sending twice, a row reported sent stays sent, and every row
// without a result ends up either sent or of unknown outcome.
TEST_F(StoreFaultTest, KilledSenderLosesNothingAndResendsNothing) {
    std::mt19937 random(12345);
    std::map<std::int64_t, char> reported;  // 'M' marked, 'R' result recorded
    int kills = 0;
    for (int run = 0; run < 12; ++run) {
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(pipeFds[0]);
            ::_exit(SendInChild(m_path, pipeFds[1]));
        }
        ::close(pipeFds[1]);
        // Kill once the child has reported a random number of steps (the
        // first runs right at the start), or let the last run finish.
        const bool last = run == 11;
        const int steps = run < 2 ? run : static_cast<int>(random() % 40);
        std::string got;
        std::int64_t current = -1;
        int seen = 0;
        char buffer[256];
        auto consume = [&](const std::string& chunk) {
            got += chunk;
            std::size_t end;
            while ((end = got.find(';')) != std::string::npos) {
                const std::string item = got.substr(0, end);
                got.erase(0, end + 1);
                if (item[0] == 'M') {
                    current = std::stoll(item.substr(1));
                    reported[current] = 'M';
                } else {
                    reported[current] = 'R';
                }
                ++seen;
            }
        };
        while (last || seen < steps) {
            const ssize_t n = ::read(pipeFds[0], buffer, sizeof(buffer));
            if (n <= 0) {
                break;
            }
            consume(std::string(buffer, static_cast<std::size_t>(n)));
        }
        if (!last) {
            ::kill(pid, SIGKILL);
            ++kills;
        }
        ssize_t n;
        while ((n = ::read(pipeFds[0], buffer, sizeof(buffer))) > 0) {
            consume(std::string(buffer, static_cast<std::size_t>(n)));
        }
        ::close(pipeFds[0]);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        if (last) {
            ASSERT_TRUE(WIFEXITED(status));
            ASSERT_EQ(WEXITSTATUS(status), 0);
        }
    }

    CCampaignStore store;
    OpenSend(store);
    std::vector<CampaignRecord> campaigns;
    StoreError error;
    ASSERT_TRUE(store.ListCampaigns(campaigns, error)) << error.text;
    ASSERT_EQ(campaigns.size(), 1u);
    EXPECT_EQ(campaigns[0].state, CampaignState::Finished);
    const std::vector<RowRecord> rows = Rows(store, campaigns[0].id);
    ASSERT_EQ(static_cast<std::int64_t>(rows.size()), kRows);
    std::int64_t unknown = 0;
    for (const RowRecord& row : rows) {
        EXPECT_TRUE(row.state == SendState::Sent || row.state == SendState::Unknown)
            << row.order << " " << ToString(row.state);
        if (reported.count(row.order) && reported[row.order] == 'R') {
            EXPECT_EQ(row.state, SendState::Sent) << row.order;
        }
        unknown += row.state == SendState::Unknown;
    }
    EXPECT_LE(unknown, kills);
    std::vector<StoreEvent> events;
    ASSERT_TRUE(store.GetEvents(campaigns[0].id, events, error));
    std::map<std::int64_t, int> marks;
    for (const StoreEvent& event : events) {
        if (event.row && event.to == "sending") {
            EXPECT_EQ(++marks[*event.row], 1) << "row " << *event.row << " marked twice";
        }
    }
    EXPECT_EQ(static_cast<std::int64_t>(marks.size()), kRows);
}

TEST_F(StoreFaultTest, SecondSenderIsRefusedByName) {
    CCampaignStore first;
    OpenSend(first);
    const std::int64_t id = Create(first, 3);

    // In this process, and from another one.
    CCampaignStore second;
    StoreError error;
    EXPECT_FALSE(second.Open(m_path, StoreMode::Send, error, Options()));
    EXPECT_EQ(error.kind, Kind::InUse);
    EXPECT_NE(error.text.find("store-test, process " + std::to_string(::getpid())),
              std::string::npos)
        << error.text;
    const int status = RunInChild([this] {
        CCampaignStore store;
        StoreError childError;
        const bool opened = store.Open(m_path, StoreMode::Send, childError, Options());
        return !opened && childError.kind == Kind::InUse &&
                       childError.text.find(std::to_string(::getppid())) != std::string::npos
                   ? 0
                   : 1;
    });
    EXPECT_EQ(status, 0);
    std::string holder;
    EXPECT_TRUE(CStoreLock::IsHeldElsewhere(m_path, holder));

    // The refusal changed nothing, and readers are still welcome.
    StoreError ok;
    EXPECT_TRUE(first.MarkSending(id, 0, std::nullopt, "", ok)) << ok.text;
    CCampaignStore reader;
    ASSERT_TRUE(reader.Open(m_path, StoreMode::Read, ok, Options())) << ok.text;
    EXPECT_EQ(Rows(reader, id)[0].state, SendState::Sending);

    // A sender that was killed leaves no lock behind.
    first.Close();
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        CCampaignStore store;
        StoreError childError;
        const bool opened = store.Open(m_path, StoreMode::Send, childError, Options());
        (void)!::write(ready[1], opened ? "1" : "0", 1);
        ::pause();
        ::_exit(0);
    }
    char answer = 0;
    ASSERT_EQ(::read(ready[0], &answer, 1), 1);
    ASSERT_EQ(answer, '1');
    EXPECT_FALSE(second.Open(m_path, StoreMode::Send, error, Options()));
    EXPECT_NE(error.text.find("process " + std::to_string(pid)), std::string::npos) << error.text;
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_FALSE(CStoreLock::IsHeldElsewhere(m_path, holder));
    EXPECT_TRUE(second.Open(m_path, StoreMode::Send, error, Options())) << error.text;
}

// A valid store of a few rows, closed.
std::string MakeStoreBytes(StoreTestBase& test, const std::string& path) {
    (void)test;
    CCampaignStore store;
    StoreError error;
    EXPECT_TRUE(store.Open(path, StoreMode::Send, error)) << error.text;
    NewCampaign campaign;
    campaign.message = "Hi";
    for (int i = 0; i < 3000; ++i) {
        campaign.numbers.push_back("+4917" + std::to_string(1000000 + i));
    }
    std::int64_t id = 0;
    EXPECT_TRUE(store.CreateCampaign(campaign, id, error)) << error.text;
    store.Close();
    return ReadBytes(path);
}

TEST_F(StoreFaultTest, RefusesBadFilesAndLeavesThemAsTheyAre) {
    const std::string good = MakeStoreBytes(*this, m_dir + "/good.sqlite");
    ASSERT_GT(good.size(), 16384u);
    std::string flipped = good;
    for (std::size_t i = 4096; i < flipped.size(); i += 7) {
        flipped[i] = static_cast<char>(~flipped[i]);
    }
    // As a store is before its first open for sending: rollback journal.
    std::string flippedRollback = flipped;
    flippedRollback[18] = flippedRollback[19] = 1;
    std::string newer = good;
    newer[60 + 3] = 99;  // user_version, big-endian at offset 60

    struct Case {
        const char* name;
        std::string bytes;  // empty: SQL below on an empty file
        std::string sql;
        std::vector<Kind> kinds;  // accepted refusals
    };
    const Case cases[] = {
        {"text", std::string(5000, 'x'), "", {Kind::Damaged}},
        {"header then garbage",
         good.substr(0, 100) + std::string(8000, '\x5a'),
         "",
         {Kind::Damaged}},
        {"pages damaged", flipped, "", {Kind::Damaged}},
        {"pages damaged, rollback journal", flippedRollback, "", {Kind::Damaged}},
        {"truncated", good.substr(0, 6000), "", {Kind::Damaged}},
        {"newer version", newer, "", {Kind::TooNew}},
        {"another program's database", "", "CREATE TABLE contacts (name TEXT);", {Kind::NotAStore}},
        {"another program's version", "", "PRAGMA user_version = 3;", {Kind::NotAStore}},
    };
    for (const Case& c : cases) {
        for (const StoreMode mode : {StoreMode::Read, StoreMode::Send}) {
            SCOPED_TRACE(std::string(c.name) + (mode == StoreMode::Send ? " (send)" : " (read)"));
            fs::remove(m_path);
            fs::remove(m_path + "-wal");
            WriteBytes(m_path, c.bytes);
            if (!c.sql.empty()) {
                RunSql(m_path, c.sql);
            }
            const std::string before = ReadBytes(m_path);
            CCampaignStore store;
            StoreError error;
            bool opened = store.Open(m_path, mode, error, Options());
            // Damage inside the pages may show only when they are read.
            std::vector<CampaignRecord> campaigns;
            if (opened && !store.ListCampaigns(campaigns, error)) {
                opened = false;
            }
            std::vector<RowRecord> rows;
            if (opened && !campaigns.empty() && !store.GetRows(campaigns[0].id, rows, error)) {
                opened = false;
            }
            EXPECT_FALSE(opened);
            EXPECT_NE(std::find(c.kinds.begin(), c.kinds.end(), error.kind), c.kinds.end())
                << static_cast<int>(error.kind) << " " << error.text;
            EXPECT_NE(error.text.find(m_path), std::string::npos) << error.text;
            store.Close();
            EXPECT_EQ(ReadBytes(m_path), before);
        }
    }
}

TEST_F(StoreFaultTest, RefusesAnUnreadableFile) {
    const std::string bytes = MakeStoreBytes(*this, m_path);
    ASSERT_EQ(::chmod(m_path.c_str(), 0), 0);
    ASSERT_EQ(::chmod(m_dir.c_str(), 0777), 0);
    // root reads anything: the check runs as an ordinary user then.
    const int status = RunInChild([this] {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            return 77;
        }
        for (const StoreMode mode : {StoreMode::Read, StoreMode::Send}) {
            CCampaignStore store;
            StoreError error;
            if (store.Open(m_path, mode, error, Options()) || error.kind != Kind::Unreadable ||
                error.text.find(m_path) == std::string::npos) {
                std::fprintf(stderr, "%d %s\n", static_cast<int>(error.kind), error.text.c_str());
                return 1;
            }
        }
        return 0;
    });
    if (status == 77) {
        GTEST_SKIP() << "cannot drop root rights";
    }
    EXPECT_EQ(status, 0);
    ::chmod(m_path.c_str(), 0600);
    EXPECT_EQ(ReadBytes(m_path), bytes);

    StoreError error;
    CCampaignStore store;
    fs::remove(m_path);
    fs::create_directory(m_path);
    EXPECT_FALSE(store.Open(m_path, StoreMode::Send, error, Options()));
    EXPECT_EQ(error.kind, Kind::Unreadable);
}

TEST_F(StoreFaultTest, RefusesAStoreLockedByAnotherProgram) {
    {
        CCampaignStore store;
        OpenSend(store);
        Create(store, 5);
    }
    struct Case {
        const char* name;
        const char* hold;  // run by the other program, which keeps its connection
        std::vector<StoreMode> refused;
    };
    const Case cases[] = {
        {"a write transaction",
         "BEGIN IMMEDIATE; UPDATE campaign SET state = 'stopped';",
         {StoreMode::Send}},
        {"an exclusive lock",
         "PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE; UPDATE campaign SET state = "
         "'stopped';",
         {StoreMode::Send, StoreMode::Read}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Sqlite::CDatabase other;
        ASSERT_EQ(other.Open(m_path, SQLITE_OPEN_READWRITE), SQLITE_OK);
        ASSERT_EQ(other.Exec(c.hold), SQLITE_OK) << other.ErrorText();
        for (const StoreMode mode : c.refused) {
            CCampaignStore store;
            StoreError error;
            EXPECT_FALSE(store.Open(m_path, mode, error, Options()));
            EXPECT_EQ(error.kind, Kind::Locked) << error.text;
            EXPECT_NE(error.text.find("locked"), std::string::npos);
        }
        if (c.refused.size() == 1) {
            // Readers do not wait for a writer.
            CCampaignStore reader;
            StoreError error;
            EXPECT_TRUE(reader.Open(m_path, StoreMode::Read, error, Options())) << error.text;
        }
        // The other program's work is intact and goes on.
        EXPECT_EQ(other.Exec("COMMIT"), SQLITE_OK) << other.ErrorText();
        other.Close();
        CCampaignStore store;
        OpenSend(store);
        std::vector<CampaignRecord> campaigns;
        StoreError error;
        ASSERT_TRUE(store.ListCampaigns(campaigns, error));
        EXPECT_EQ(campaigns[0].state, CampaignState::Stopped);
    }
}

// The size cap stands in for a full disk: every write that would grow the
// file fails with SQLITE_FULL, as on a full file system.
TEST_F(StoreFaultTest, FullDiskFailsTheMarkBeforeTheSend) {
    std::int64_t id = 0;
    {
        CCampaignStore store;
        OpenSend(store);
        id = Create(store, 2000);
    }
    const std::int64_t pages = QuerySql(m_path, "PRAGMA page_count");
    StoreOptions options = Options();
    options.maxPages = pages;
    CCampaignStore store;
    StoreError error;
    ASSERT_TRUE(store.Open(m_path, StoreMode::Send, error, options)) << error.text;
    // A result that cannot be recorded leaves its row "sending" (its outcome
    // turns unknown); a mark that cannot be recorded leaves it not sent.
    std::optional<std::int64_t> resultLost;
    std::int64_t row = 0;
    for (; row < 2000; ++row) {
        if (!store.MarkSending(id, row, std::nullopt, "", error)) {
            break;
        }
        if (!store.RecordResult({id, row, std::nullopt, SendState::Sent}, error)) {
            EXPECT_EQ(error.kind, Kind::Full);
            resultLost = row;
        }
    }
    ASSERT_LT(row, 2000);
    EXPECT_EQ(error.kind, Kind::Full);
    EXPECT_NE(error.text.find("No room"), std::string::npos);
    const std::vector<RowRecord> rows = Rows(store, id);
    EXPECT_EQ(rows[static_cast<std::size_t>(row)].state, SendState::NotSent);
    for (std::int64_t before = 0; before < row; ++before) {
        EXPECT_EQ(rows[static_cast<std::size_t>(before)].state,
                  before == resultLost ? SendState::Sending : SendState::Sent);
    }
    store.Close();

    // Space is back: the same row goes on.
    ASSERT_TRUE(store.Open(m_path, StoreMode::Send, error, Options())) << error.text;
    EXPECT_EQ(store.GetRecovery().unknownRows, resultLost ? 1 : 0);
    EXPECT_TRUE(store.MarkSending(id, row, std::nullopt, "", error)) << error.text;
}

// The same on a real file system that runs out of space: a small tmpfs in
// a private mount namespace of a child (needs the right to mount).
TEST_F(StoreFaultTest, FullFileSystemFailsTheMarkBeforeTheSend) {
    const std::string mountPoint = m_dir + "/small";
    fs::create_directory(mountPoint);
    const int status = RunInChild([&mountPoint] {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=512k") != 0) {
            return 77;
        }
        const std::string path = mountPoint + "/campaigns.sqlite";
        CCampaignStore store;
        StoreError error;
        if (!store.Open(path, StoreMode::Send, error)) {
            return 2;
        }
        NewCampaign campaign;
        for (int i = 0; i < 3000; ++i) {
            campaign.numbers.push_back("+4917" + std::to_string(i));
        }
        std::int64_t id = 0;
        if (!store.CreateCampaign(campaign, id, error)) {
            return 3;
        }
        // Fill what is left.
        {
            std::FILE* filler = std::fopen((mountPoint + "/filler").c_str(), "wb");
            const std::string block(4096, 'f');
            while (std::fwrite(block.data(), 1, block.size(), filler) == block.size() &&
                   std::fflush(filler) == 0) {
            }
            std::fclose(filler);
        }
        std::int64_t row = 0;
        for (; row < 3000; ++row) {
            if (!store.MarkSending(id, row, std::nullopt, "", error)) {
                break;
            }
            if (!store.RecordResult({id, row, std::nullopt, SendState::Sent}, error)) {
                return 4;
            }
        }
        if (row == 3000 || error.kind != Kind::Full) {
            std::fprintf(stderr, "row %lld: %s\n", static_cast<long long>(row), error.text.c_str());
            return 5;
        }
        fs::remove(mountPoint + "/filler");
        std::vector<RowRecord> rows;
        if (!store.GetRows(id, rows, error) ||
            rows[static_cast<std::size_t>(row)].state != SendState::NotSent) {
            return 6;
        }
        return store.MarkSending(id, row, std::nullopt, "", error) ? 0 : 7;
    });
    if (status == 77) {
        GTEST_SKIP() << "no right to mount a tmpfs";
    }
    EXPECT_EQ(status, 0);
}

}  // namespace
