// The campaign store's rules: paths, hashing, the write-ahead state changes
// of rows and parts, recovery, counts, resumable selection, group commit
// and the schema migration chain.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string_view>
#include <tuple>

#include "StoreTestUtil.h"

namespace {

using Kind = StoreError::Kind;
using S = SendState;

TEST(StorePath, FollowsTheDataFolderRules) {
    const struct {
        const char* dataHome;
        const char* home;
        std::string expected;
    } cases[] = {
        {"/x/data", "/home/u", "/x/data/Vantorix/campaigns.sqlite"},
        {"relative/data", "/home/u", "/home/u/.local/share/Vantorix/campaigns.sqlite"},
        {nullptr, "/home/u", "/home/u/.local/share/Vantorix/campaigns.sqlite"},
        {nullptr, "", ""},
    };
    const std::string savedData = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    for (const auto& c : cases) {
        c.dataHome ? ::setenv("XDG_DATA_HOME", c.dataHome, 1) : ::unsetenv("XDG_DATA_HOME");
        ::setenv("HOME", c.home, 1);
        EXPECT_EQ(DefaultStorePath(), c.expected) << (c.dataHome ? c.dataHome : "(unset)");
    }
    ::setenv("XDG_DATA_HOME", savedData.c_str(), 1);
    ::setenv("HOME", savedHome.c_str(), 1);
}

class StoreTest : public StoreTestBase {};

// Published FNV-1a 64-bit test vectors; a file hashes as its bytes.
TEST_F(StoreTest, HashesByFnv1a64) {
    EXPECT_EQ(ContentHash(""), "fnv1a64:cbf29ce484222325");
    EXPECT_EQ(ContentHash("foobar"), "fnv1a64:85944171f73967e8");
    const std::string file = m_dir + "/numbers.txt";
    WriteBytes(file, std::string("+491701\r\n\0\xff", 11));
    std::string hash;
    StoreError error;
    ASSERT_TRUE(FileContentHash(file, hash, error)) << error.text;
    EXPECT_EQ(hash, ContentHash(std::string("+491701\r\n\0\xff", 11)));
    EXPECT_FALSE(FileContentHash(m_dir + "/missing.txt", hash, error));
    EXPECT_EQ(error.kind, Kind::Unreadable);
}

// Steps of one send, by letter: M mark (Sending), S sent, F failed, U unknown,
// B busy (handed back NotSent); then the part's index (none: the whole row);
// "!" when the store refuses it. (A modem's acceptance: GroupCommit.)
TEST_F(StoreTest, RowsAndPartsMoveOnlyThroughWriteAheadMarks) {
    const struct {
        int parts;
        const char* steps;
        S final;
    } cases[] = {
        {1, "M S", S::Sent},
        {1, "M M!", S::Sending},
        {1, "S! U!", S::NotSent},   // a result without a mark
        {1, "F", S::Failed},        // refused before any send
        {1, "M S M! S!", S::Sent},  // sent is never sent again
        {1, "M F M S", S::Sent},    // failed may be tried again
        {1, "M B M", S::Sending},   // busy hands it back unsent
        {1, "M U S", S::Sent},      // a late answer settles an unknown
        {1, "M U M", S::Sending},   // unknown may be sent again
        {1, "M0!", S::NotSent},     // a single part has no parts
        {3, "M0 S0 M1 S1 M2 S2", S::Sent},
        {3, "M0", S::Sending},
        {3, "M0 S0", S::Unknown},  // part of the message went
        {3, "M0 S0 M1 F1", S::Failed},
        {3, "M0 B0", S::NotSent},
        {3, "M3! M-1!", S::NotSent},  // no such part
        {3, "M1 M1!", S::Sending},
        {3, "M0 S M1!", S::Sent},  // no part once the row is sent
    };
    CCampaignStore store;
    OpenSend(store);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.steps);
        const std::int64_t id = Create(store, 2, c.parts);
        std::istringstream steps(c.steps);
        for (std::string step; steps >> step;) {
            const bool accepted = step.back() != '!';
            const auto state = static_cast<S>(std::string_view("BMSFU").find(step[0]));
            SendUpdate update{id, 1, std::nullopt, state, step};
            if (step.size() > 1 && step[1] != '!') {
                update.part = std::stoi(step.substr(1));
            }
            StoreError error;
            EXPECT_EQ(store.RecordResult(update, error), accepted) << step << " " << error.text;
            EXPECT_EQ(error.kind, accepted ? Kind::None : Kind::Refused);
        }
        const std::vector<RowRecord> rows = Rows(store, id);
        EXPECT_EQ(rows.at(1).state, c.final);
        EXPECT_EQ(rows[0].state, S::NotSent);
    }
}

TEST_F(StoreTest, ReopeningForSendingSettlesWhatWasInFlight) {
    CCampaignStore reader;
    StoreError error;
    EXPECT_FALSE(reader.Open(m_path, StoreMode::Read, error, Options()));
    EXPECT_EQ(error.kind, Kind::NotFound);
    EXPECT_FALSE(std::filesystem::exists(m_path));
    std::int64_t id = 0;
    std::int64_t multi = 0;
    {
        CCampaignStore store;
        OpenSend(store);
        id = Create(store, 10);
        multi = Create(store, 2, 2);
        std::vector<SendUpdate> updates;
        for (std::int64_t row = 0; row < 4; ++row) {
            updates.push_back({id, row, std::nullopt, S::Sending});
        }
        updates.insert(updates.end(), {{id, 0, std::nullopt, S::Sent},
                                       {id, 1, std::nullopt, S::Failed, "Barred"},
                                       {id, 3, std::nullopt, S::Unknown},
                                       {multi, 0, 0, S::Sending},
                                       {multi, 0, 0, S::Sent},
                                       {multi, 0, 1, S::Sending}});
        ASSERT_TRUE(store.Apply(updates, error)) << error.text;
        ASSERT_TRUE(store.SetCampaignState(multi, CampaignState::Stopped, error)) << error.text;

        // A reader meanwhile sees the sender's rows as they are, and changes nothing.
        ASSERT_TRUE(reader.Open(m_path, StoreMode::Read, error, Options())) << error.text;
        EXPECT_EQ(Campaigns(reader).at(1).counts.sending, 1);
        RecoveryReport report;
        const NewCampaign one{"Hi", "GSM 7-bit", 1, "/n.txt", "h1", "{}", {"+4917011"}};
        EXPECT_FALSE(reader.Recover(report, error) ||
                     reader.MarkSending(id, 5, std::nullopt, "", error) ||
                     reader.CreateCampaign(one, id, error));
        EXPECT_EQ(error.kind, Kind::Refused);
    }  // closed without stopping: as after a crash

    CCampaignStore store;
    OpenSend(store);
    EXPECT_EQ(store.GetRecovery().interrupted, std::vector<std::int64_t>{id});
    EXPECT_EQ(store.GetRecovery().unknownRows, 2);  // row 2, and the row of two parts
    const std::vector<CampaignRecord> campaigns = Campaigns(store);
    ASSERT_EQ(campaigns.size(), 2u);
    EXPECT_EQ(campaigns[0].state, CampaignState::Stopped);  // newest first
    EXPECT_EQ(campaigns[1].state, CampaignState::Interrupted);
    const SendCounts& n = campaigns[1].counts;
    EXPECT_EQ(
        std::vector<std::int64_t>({n.total, n.sent, n.failed, n.unknown, n.sending, n.notSent}),
        std::vector<std::int64_t>({10, 1, 1, 2, 0, 6}));
    const RowRecord split = Rows(store, multi)[0];
    EXPECT_EQ(split.state, S::Unknown);
    EXPECT_EQ(split.parts.at(1).state, S::Unknown);
    EXPECT_EQ(split.parts[0].state, S::Sent);

    // Resumed: the newest stopped or interrupted campaign of the same message
    // and numbers file (any, without them); a change of either starts anew.
    const auto resumable = [&](const char* message, const char* hash) {
        std::optional<std::int64_t> found;
        EXPECT_TRUE(message ? store.FindResumable(message, hash, found, error)
                            : store.FindLatestResumable(found, error))
            << error.text;
        return found;
    };
    EXPECT_EQ(resumable("Hello", "h1"), multi);
    const std::int64_t otherFile = Create(store, 1, 1, "Hello", "h2");
    Create(store, 1, 1, "Hello", "h1");  // running
    ASSERT_TRUE(store.SetCampaignState(otherFile, CampaignState::Stopped, error) &&
                store.SetCampaignState(multi, CampaignState::Finished, error))
        << error.text;
    EXPECT_EQ(resumable("Hello", "h1"), id);
    EXPECT_EQ(resumable("Hello", "h2"), otherFile);
    EXPECT_EQ(resumable("Hello!", "h1"), std::nullopt);
    EXPECT_EQ(resumable("Hello", "h3"), std::nullopt);
    EXPECT_EQ(resumable(nullptr, nullptr), otherFile);
    EXPECT_FALSE(store.SetCampaignState(999, CampaignState::Stopped, error));
    EXPECT_EQ(error.kind, Kind::NotFound);
}

TEST_F(StoreTest, GroupCommitIsAllOrNothing) {
    CCampaignStore store;
    OpenSend(store);
    const std::int64_t id = Create(store, 3);
    StoreError error;
    // Marked, taken by the modem (a request id), then the report without one.
    ASSERT_TRUE(store.Apply({{id, 0, {}, S::Sending, "", {}, {}, {}, "modem-1"},
                             {id, 0, {}, S::Sending, "", {}, 1000},
                             {id, 0, {}, S::Failed, "Barred", 5, {}, 9}},
                            error))
        << error.text;
    const struct {
        SendUpdate bad;
        Kind kind;
    } cases[] = {
        {{id, 0, {}, S::Sent}, Kind::Refused},          // a result without a mark
        {{id, 3, {}, S::Sending}, Kind::NotFound},      // past the end
        {{id + 1, 0, {}, S::Sending}, Kind::NotFound},  // no such campaign
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(store.Apply({{id, 1, {}, S::Sending}, c.bad, {id, 2, {}, S::Sending}}, error));
        EXPECT_EQ(error.kind, c.kind);
        EXPECT_NE(error.text.find("number"), std::string::npos) << error.text;
    }
    std::vector<RowRecord> rows = Rows(store, id);
    EXPECT_EQ(rows[1].state, S::NotSent);
    EXPECT_EQ(rows[2].state, S::NotSent);
    EXPECT_EQ(std::make_tuple(rows[0].requestId, rows[0].code, rows[0].tpMr, rows[0].modem),
              std::make_tuple(std::optional<std::int64_t>(1000), std::optional<std::int64_t>(5),
                              std::optional<std::int64_t>(9), std::string("modem-1")));
    // A new attempt starts clean: no answer of the old one may stick to it.
    ASSERT_TRUE(store.MarkSending(id, 0, std::nullopt, "", error)) << error.text;
    const RowRecord retry = Rows(store, id)[0];
    EXPECT_FALSE(retry.code || retry.requestId || retry.tpMr || !retry.statusText.empty());
}

// Every older schema version, as that version's program wrote it: opened,
// upgraded, its data kept. Add the new current version here with each step.
TEST_F(StoreTest, OpensEveryOlderSchemaVersion) {
    const std::string version1 = R"sql(
CREATE TABLE campaign (id INTEGER PRIMARY KEY, created INTEGER NOT NULL, changed INTEGER NOT NULL,
    message TEXT NOT NULL, encoding TEXT NOT NULL, parts INTEGER NOT NULL CHECK (parts >= 1),
    numbers_path TEXT NOT NULL, numbers_hash TEXT NOT NULL, settings TEXT NOT NULL,
    state TEXT NOT NULL CHECK (state IN ('running', 'stopped', 'finished', 'interrupted')));
CREATE TABLE row (campaign_id INTEGER NOT NULL REFERENCES campaign (id), ord INTEGER NOT NULL,
    number TEXT NOT NULL,
    state TEXT NOT NULL CHECK (state IN ('not_sent', 'sending', 'sent', 'failed', 'unknown')),
    status_text TEXT NOT NULL DEFAULT '', code INTEGER, request_id INTEGER, tp_mr INTEGER,
    modem TEXT NOT NULL DEFAULT '', changed INTEGER NOT NULL, PRIMARY KEY (campaign_id, ord))
    WITHOUT ROWID;
CREATE INDEX row_state ON row (campaign_id, state);
CREATE INDEX row_in_flight ON row (campaign_id, ord) WHERE state = 'sending';
CREATE TABLE part (campaign_id INTEGER NOT NULL, ord INTEGER NOT NULL,
    part_index INTEGER NOT NULL,
    state TEXT NOT NULL CHECK (state IN ('not_sent', 'sending', 'sent', 'failed', 'unknown')),
    code INTEGER, request_id INTEGER, tp_mr INTEGER, changed INTEGER NOT NULL,
    PRIMARY KEY (campaign_id, ord, part_index),
    FOREIGN KEY (campaign_id, ord) REFERENCES row (campaign_id, ord)) WITHOUT ROWID;
CREATE TABLE event (id INTEGER PRIMARY KEY, campaign_id INTEGER NOT NULL REFERENCES campaign (id),
    ord INTEGER, part_index INTEGER, time INTEGER NOT NULL, from_state TEXT NOT NULL,
    to_state TEXT NOT NULL, detail TEXT NOT NULL DEFAULT '');
CREATE INDEX event_campaign ON event (campaign_id, id);
INSERT INTO campaign VALUES (1, 1700000000000, 1700000000000, 'Grüße', 'UCS-2', 2, '/n.txt',
    'fnv1a64:0000000000000001', '{}', 'running');
INSERT INTO row VALUES (1, 0, '+4917011', 'sent', 'Sent', 0, 5, 9, 'm', 1700000000001);
INSERT INTO row VALUES (1, 1, '+4917012', 'sending', '', NULL, NULL, NULL, 'm', 1700000000002);
INSERT INTO part VALUES (1, 1, 0, 'sending', NULL, NULL, NULL, 1700000000002);
INSERT INTO event VALUES (1, 1, NULL, NULL, 1700000000000, '', 'running', '2 numbers');
PRAGMA application_id = 1450722131;
PRAGMA user_version = 1;
)sql";
    // By version, the SQL run on an empty file; the current version is
    // reached from the empty one.
    const std::vector<std::string> fixtures = {"", version1};
    ASSERT_EQ(fixtures.size(), static_cast<std::size_t>(CCampaignStore::kSchemaVersion));
    for (std::size_t version = 0; version < fixtures.size(); ++version) {
        SCOPED_TRACE("version " + std::to_string(version));
        WriteBytes(m_path, "");
        RunSql(m_path, fixtures[version]);
        CCampaignStore store;
        OpenSend(store);
        EXPECT_EQ(QuerySql(m_path, "PRAGMA user_version"), CCampaignStore::kSchemaVersion);
        EXPECT_EQ(QuerySql(m_path, "PRAGMA application_id"), CCampaignStore::kApplicationId);
        const std::vector<CampaignRecord> campaigns = Campaigns(store);
        ASSERT_EQ(campaigns.size(), version > 0 ? 1u : 0u);
        if (version == 1) {
            const CampaignRecord& c = campaigns[0];
            EXPECT_EQ(std::vector<std::string>(
                          {c.message, c.encoding, c.numbersPath, c.numbersHash, c.settings}),
                      std::vector<std::string>(
                          {"Grüße", "UCS-2", "/n.txt", "fnv1a64:0000000000000001", "{}"}));
            EXPECT_EQ(c.parts, 2);
            EXPECT_EQ(c.state, CampaignState::Interrupted);
            const std::vector<RowRecord> rows = Rows(store, 1);
            EXPECT_EQ(rows.at(0).tpMr, 9);
            EXPECT_EQ(rows.at(1).parts.at(0).state, S::Unknown);
            // Its rows gain their E.164 form: a report (TP-MR 9, to +4917011)
            // finds the row sent before the upgrade.
            ReceiveResult report;
            StoreError error;
            ASSERT_TRUE(store.Receive("0006090791947110F1425060410000004250604120000000",
                                      StoreTime{}, report, error))
                << error.text;
            EXPECT_EQ(report.row, 0) << report.note;
            EXPECT_EQ(Rows(store, 1).at(0).delivery, DeliveryState::Delivered);
        }
        // The upgraded store works as a new one, in WAL mode (header byte 18).
        StoreError error;
        EXPECT_TRUE(store.MarkSending(Create(store, 2, 2), 0, 1, "m", error)) << error.text;
        store.Close();
        EXPECT_EQ(ReadBytes(m_path)[18], 2);
    }
}

}  // namespace
