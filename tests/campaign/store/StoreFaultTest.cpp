// The campaign store under bad conditions: a sender killed at any moment, a
// second sender, damaged, unreadable, locked and foreign files, a full disk.
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <map>
#include <random>
#include <set>

#include "StoreTestUtil.h"

namespace {

using Kind = StoreError::Kind;
namespace fs = std::filesystem;

class StoreFaultTest : public StoreTestBase {
protected:
    static constexpr std::int64_t kRows = 120;

    // A sender (run in a child process): resumes the newest resumable
    // campaign (or creates one) and sends its unsent rows, writing to `out`
    // each row's order once its mark is committed and ~order once its result
    // is. Never resends a row of unknown outcome.
    int Send(int out) {
        CCampaignStore store;
        StoreError error;
        std::optional<std::int64_t> id;
        std::vector<RowRecord> rows;
        if (!store.Open(m_path, StoreMode::Send, error, Options()) ||
            !store.FindLatestResumable(id, error)) {
            return 2;
        }
        id = id ? *id : Create(store, kRows);
        if (!store.SetCampaignState(*id, CampaignState::Running, error) ||
            !store.GetRows(*id, rows, error, SendState::NotSent)) {
            return 3;
        }
        for (const RowRecord& row : rows) {
            std::int64_t report = row.order;
            if (!store.MarkSending(*id, row.order, std::nullopt, "sim", error) ||
                ::write(out, &report, sizeof report) != sizeof report ||
                !store.RecordResult({*id, row.order, std::nullopt, SendState::Sent}, error)) {
                return 4;
            }
            report = ~row.order;
            (void)!::write(out, &report, sizeof report);
        }
        return store.SetCampaignState(*id, CampaignState::Finished, error) ? 0 : 5;
    }
};

// kill -9 at many moments, each followed by a resume: no row is ever
// marked for sending twice, a row reported sent stays sent, and every row
// without a result ends up either sent or of unknown outcome.
TEST_F(StoreFaultTest, KilledSenderLosesNothingAndResendsNothing) {
    std::mt19937 random(12345);
    std::map<std::int64_t, bool> resulted;  // by row: its result was committed
    int kills = 0;
    for (int run = 0; run < 12; ++run) {
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(fds[0]);
            ::_exit(Send(fds[1]));
        }
        ::close(fds[1]);
        // Kill once the child has reported a random number of steps (the
        // first runs right at the start), or let the last run finish.
        const bool last = run == 11;
        const int steps = last ? -1 : run < 2 ? run : static_cast<int>(random() % 40);
        std::int64_t report = 0;
        for (int seen = 0;; ++seen) {
            if (seen == steps) {
                ::kill(pid, SIGKILL);
                ++kills;
            }
            if (::read(fds[0], &report, 8) != 8) {
                break;
            }
            resulted[report < 0 ? ~report : report] = report < 0;
        }
        ::close(fds[0]);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(!last || status == 0);
    }

    CCampaignStore store;
    OpenSend(store);
    const std::vector<CampaignRecord> campaigns = Campaigns(store);
    ASSERT_EQ(campaigns.size(), 1u);
    EXPECT_EQ(campaigns[0].state, CampaignState::Finished);
    const std::vector<RowRecord> rows = Rows(store, campaigns[0].id);
    ASSERT_EQ(static_cast<std::int64_t>(rows.size()), kRows);
    std::int64_t unknown = 0;
    for (const RowRecord& row : rows) {
        EXPECT_TRUE(row.state == SendState::Sent || row.state == SendState::Unknown) << row.order;
        EXPECT_TRUE(row.state == SendState::Sent || !resulted[row.order]) << row.order;
        unknown += row.state == SendState::Unknown;
    }
    EXPECT_LE(unknown, kills);
    std::vector<StoreEvent> events;
    StoreError error;
    ASSERT_TRUE(store.GetEvents(campaigns[0].id, events, error));
    std::map<std::int64_t, int> marks;  // by row
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

    CCampaignStore second;
    StoreError error;
    EXPECT_FALSE(second.Open(m_path, StoreMode::Send, error, Options()));
    EXPECT_EQ(error.kind, Kind::InUse);
    EXPECT_NE(error.text.find("store-test, process "), std::string::npos) << error.text;
    EXPECT_TRUE(first.MarkSending(id, 0, std::nullopt, "", error)) << error.text;
    // From another process too, which is told our pid. (A killed sender
    // leaving no lock behind is the kill test's to show.)
    const int status = RunInChild([this] {
        CCampaignStore store;
        StoreError e;
        return store.Open(m_path, StoreMode::Send, e, Options()) || e.kind != Kind::InUse ||
               e.text.find("process " + std::to_string(::getppid())) == std::string::npos;
    });
    EXPECT_EQ(status, 0);
    first.Close();
    EXPECT_TRUE(second.Open(m_path, StoreMode::Send, error, Options())) << error.text;
}

// Bad files are refused, with their path named, and left byte for byte; by
// an ordinary user (root reads anything).
TEST_F(StoreFaultTest, RefusesBadFilesAndLeavesThemAsTheyAre) {
    fs::create_directory(m_path);
    CCampaignStore folder;
    StoreError error;
    EXPECT_FALSE(folder.Open(m_path, StoreMode::Send, error, Options()));
    EXPECT_NE(error.text.find(m_path + " is a folder, not a file."), std::string::npos);
    fs::remove(m_path);
    {
        CCampaignStore store;
        OpenSend(store);
        Create(store, 3000);
    }
    const std::string good = ReadBytes(m_path);
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

    const std::string write = "BEGIN IMMEDIATE; UPDATE campaign SET state = 'stopped';";
    const struct {
        const char* name;
        std::string bytes;  // empty: SQL below on an empty file
        std::string sql;
        Kind send;
        Kind read = Kind::None;  // for reading while another program holds the file
        std::string hold = {};   // run by another program that keeps its connection
        mode_t access = 0600;
    } cases[] = {
        {"text", std::string(5000, 'x'), "", Kind::Damaged},
        {"header then garbage", good.substr(0, 100) + std::string(8000, 'Z'), "", Kind::Damaged},
        {"pages damaged", flipped, "", Kind::Damaged},
        {"pages damaged, rollback journal", flippedRollback, "", Kind::Damaged},
        {"truncated", good.substr(0, 6000), "", Kind::Damaged},
        {"newer version", newer, "", Kind::TooNew},
        {"another program's database", "", "CREATE TABLE contacts (name TEXT);", Kind::NotAStore},
        {"another program's version", "", "PRAGMA user_version = 3;", Kind::NotAStore},
        // Readers do not wait for a writer, but for an exclusive lock.
        {"a write transaction", good, "", Kind::Locked, Kind::None, write},
        {"an exclusive lock", good, "", Kind::Locked, Kind::Locked,
         "PRAGMA locking_mode = EXCLUSIVE; " + write},
        {"unreadable", good, "", Kind::Unreadable, Kind::None, "", 0},
    };
    fs::remove(m_path + ".lock");  // the child makes its own
    ASSERT_EQ(::chmod(m_dir.c_str(), 0777), 0);
    const int status = RunInChild([&] {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            return 77;
        }
        for (const auto& c : cases) {
            fs::remove(m_path);
            fs::remove(m_path + "-wal");
            WriteBytes(m_path, c.bytes);
            RunSql(m_path, c.sql);
            Sqlite::CDatabase other;
            EXPECT_TRUE(c.hold.empty() || (other.Open(m_path, SQLITE_OPEN_READWRITE) == SQLITE_OK &&
                                           other.Exec(c.hold.c_str()) == SQLITE_OK));
            const std::string before = ReadBytes(m_path);
            ::chmod(m_path.c_str(), c.access);
            for (const StoreMode mode : {StoreMode::Read, StoreMode::Send}) {
                SCOPED_TRACE(std::string(c.name) + (mode == StoreMode::Send ? " (send)" : ""));
                const Kind kind = mode == StoreMode::Send || c.hold.empty() ? c.send : c.read;
                CCampaignStore store;
                StoreError error;
                // Damage inside the pages may show only when they are read.
                std::vector<CampaignRecord> campaigns;
                std::vector<RowRecord> rows;
                EXPECT_EQ(store.Open(m_path, mode, error, Options()) &&
                              store.ListCampaigns(campaigns, error) &&
                              (campaigns.empty() || store.GetRows(campaigns[0].id, rows, error)),
                          kind == Kind::None);
                EXPECT_EQ(error.kind, kind) << error.text;
                // Named, and said to be left alone.
                EXPECT_TRUE(kind == Kind::None ||
                            (error.text.find(m_path) != std::string::npos &&
                             (kind == Kind::Unreadable ||
                              error.text.find("as it is") != std::string::npos ||
                              error.text.find("Nothing was changed") != std::string::npos)))
                    << error.text;
                store.Close();
                EXPECT_TRUE(!c.hold.empty() ||
                            !(fs::exists(m_path + "-wal") || fs::exists(m_path + "-shm")));
            }
            ::chmod(m_path.c_str(), 0600);
            EXPECT_EQ(ReadBytes(m_path), before) << c.name;
            // The other program's work is intact and goes on.
            EXPECT_EQ(other.IsOpen() ? other.Exec("COMMIT") : SQLITE_OK, SQLITE_OK) << c.name;
        }
        return HasFailure() ? 1 : 0;
    });
    ASSERT_NE(status, 77) << "cannot drop root rights";
    EXPECT_EQ(status, 0);
}

// A full disk: a small tmpfs, filled up, in a private mount namespace of a
// child (needs the right to mount). Rows are sent in order until a mark
// fails for want of room; once there is room, the row whose mark failed is
// still unsent and goes on, and a row whose result could not be recorded is
// left sending (its outcome unknown).
TEST_F(StoreFaultTest, FullDiskFailsTheMarkBeforeTheSend) {
    const std::string small = m_dir + "/small";
    fs::create_directory(small);
    const int status = RunInChild([&] {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=1m") != 0) {
            return 77;
        }
        m_path = small + "/campaigns.sqlite";
        CCampaignStore store;
        OpenSend(store);
        const std::int64_t id = Create(store, 3000);
        WriteBytes(small + "/filler", std::string(2 << 20, 'f'));  // as much as fits
        std::set<std::int64_t> lost;
        std::int64_t row = 0;
        StoreError error;
        for (; row < 3000 && store.MarkSending(id, row, std::nullopt, "", error); ++row) {
            if (!store.RecordResult({id, row, std::nullopt, SendState::Sent}, error)) {
                EXPECT_EQ(error.kind, Kind::Full) << error.text;
                lost.insert(row);
            }
        }
        EXPECT_LT(row, 3000);
        EXPECT_EQ(error.kind, Kind::Full);
        EXPECT_NE(error.text.find("No room"), std::string::npos);
        fs::remove(small + "/filler");
        const std::vector<RowRecord> rows = Rows(store, id);
        for (std::int64_t before = 0; before <= row; ++before) {
            EXPECT_EQ(rows.at(static_cast<std::size_t>(before)).state,
                      lost.count(before) ? SendState::Sending
                      : before == row    ? SendState::NotSent
                                         : SendState::Sent)
                << before;
        }
        EXPECT_TRUE(store.MarkSending(id, row, std::nullopt, "", error)) << error.text;
        return HasFailure() ? 1 : 0;
    });
    if (status == 77) {
        GTEST_SKIP() << "no right to mount a tmpfs";
    }
    EXPECT_EQ(status, 0);
}

}  // namespace
