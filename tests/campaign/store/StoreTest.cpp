// The campaign store's rules: names, paths, hashing, the write-ahead state
// changes of rows and parts, recovery, counts, resumable selection, group
// commit and the schema migration chain.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "StoreTestUtil.h"
#include "campaign/store/CampaignStore.h"

namespace {

using Kind = StoreError::Kind;

// The state names are what the store file, the JSON output and the CSV
// export share; a renamed one would orphan every older store.
TEST(StoreNames, StatesHaveTheirStoredNames) {
    const std::pair<SendState, const char*> sends[] = {{SendState::NotSent, "not_sent"},
                                                       {SendState::Sending, "sending"},
                                                       {SendState::Sent, "sent"},
                                                       {SendState::Failed, "failed"},
                                                       {SendState::Unknown, "unknown"}};
    for (const auto& [state, name] : sends) {
        EXPECT_EQ(ToString(state), name);
        EXPECT_EQ(ParseSendState(name), state);
    }
    const std::pair<CampaignState, const char*> campaigns[] = {
        {CampaignState::Running, "running"},
        {CampaignState::Stopped, "stopped"},
        {CampaignState::Finished, "finished"},
        {CampaignState::Interrupted, "interrupted"}};
    for (const auto& [state, name] : campaigns) {
        EXPECT_EQ(ToString(state), name);
        EXPECT_EQ(ParseCampaignState(name), state);
    }
    EXPECT_FALSE(ParseSendState("Sent"));
    EXPECT_FALSE(ParseCampaignState(""));
}

TEST(StorePath, FollowsTheDataFolderRules) {
    struct Case {
        const char* dataHome;
        const char* home;
        std::string expected;
    };
    const Case cases[] = {
        {"/x/data", "/home/u", "/x/data/Vantorix/campaigns.sqlite"},
        {"relative/data", "/home/u", "/home/u/.local/share/Vantorix/campaigns.sqlite"},
        {"", "/home/u", "/home/u/.local/share/Vantorix/campaigns.sqlite"},
        {nullptr, "/home/u", "/home/u/.local/share/Vantorix/campaigns.sqlite"},
        {nullptr, nullptr, ""},
    };
    const char* oldData = std::getenv("XDG_DATA_HOME");
    const char* oldHome = std::getenv("HOME");
    const std::optional<std::string> savedData =
        oldData ? std::optional<std::string>(oldData) : std::nullopt;
    const std::optional<std::string> savedHome =
        oldHome ? std::optional<std::string>(oldHome) : std::nullopt;
    auto set = [](const char* name, const char* value) {
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    };
    for (const Case& c : cases) {
        set("XDG_DATA_HOME", c.dataHome);
        set("HOME", c.home);
        EXPECT_EQ(DefaultStorePath(), c.expected) << (c.dataHome ? c.dataHome : "(unset)");
    }
    set("XDG_DATA_HOME", savedData ? savedData->c_str() : nullptr);
    set("HOME", savedHome ? savedHome->c_str() : nullptr);
}

// Published FNV-1a 64-bit test vectors.
TEST(StoreHash, MatchesFnv1a64Vectors) {
    EXPECT_EQ(ContentHash(""), "fnv1a64:cbf29ce484222325");
    EXPECT_EQ(ContentHash("a"), "fnv1a64:af63dc4c8601ec8c");
    EXPECT_EQ(ContentHash("foobar"), "fnv1a64:85944171f73967e8");
    EXPECT_NE(ContentHash(std::string("\x00\x01", 2)), ContentHash(std::string("\x01\x00", 2)));
}

class StoreTest : public StoreTestBase {};

TEST_F(StoreTest, HashesAFileByItsBytes) {
    const std::string file = m_dir + "/numbers.txt";
    WriteBytes(file, "+491701\r\n+491702\r\n");
    std::string hash;
    StoreError error;
    ASSERT_TRUE(FileContentHash(file, hash, error)) << error.text;
    EXPECT_EQ(hash, ContentHash("+491701\r\n+491702\r\n"));
    EXPECT_FALSE(FileContentHash(m_dir + "/missing.txt", hash, error));
    EXPECT_EQ(error.kind, Kind::Unreadable);
}

// One step of a row's life: the update, and whether the store takes it.
struct Step {
    SendState state;
    bool accepted;
    std::optional<std::int64_t> requestId = std::nullopt;
    std::optional<std::int64_t> code = std::nullopt;
};

TEST_F(StoreTest, RowsMoveOnlyThroughWriteAheadMarks) {
    struct Case {
        const char* name;
        std::vector<Step> steps;
        SendState final;
    };
    using S = SendState;
    const Case cases[] = {
        {"mark then sent", {{S::Sending, true}, {S::Sent, true}}, S::Sent},
        {"second mark refused", {{S::Sending, true}, {S::Sending, false}}, S::Sending},
        {"result without mark", {{S::Sent, false}, {S::Failed, false}}, S::NotSent},
        {"sent is never sent again",
         {{S::Sending, true}, {S::Sent, true}, {S::Sending, false}, {S::Sent, false}},
         S::Sent},
        {"failed may be tried again",
         {{S::Sending, true}, {S::Failed, true}, {S::Sending, true}, {S::Sent, true}},
         S::Sent},
        {"accepted with a request id, then the report",
         {{S::Sending, true}, {S::Sending, true, 7}, {S::Sent, true, std::nullopt, 0}},
         S::Sent},
        {"busy hands it back unsent",
         {{S::Sending, true}, {S::NotSent, true}, {S::Sending, true}},
         S::Sending},
        {"a late answer settles an unknown",
         {{S::Sending, true}, {S::Unknown, true}, {S::Sent, true}},
         S::Sent},
        {"unknown may be sent again",
         {{S::Sending, true}, {S::Unknown, true}, {S::Sending, true}},
         S::Sending},
    };
    CCampaignStore store;
    OpenSend(store);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::int64_t id = Create(store, 2);
        std::size_t changes = 0;
        SendState last = S::NotSent;
        for (const Step& step : c.steps) {
            SendUpdate update;
            update.campaign = id;
            update.row = 1;
            update.state = step.state;
            update.requestId = step.requestId;
            update.code = step.code;
            update.statusText = std::string(ToString(step.state));
            StoreError error;
            EXPECT_EQ(store.RecordResult(update, error), step.accepted) << error.text;
            EXPECT_EQ(error.kind, step.accepted ? Kind::None : Kind::Refused);
            if (step.accepted && step.state != last) {
                ++changes;
                last = step.state;
            }
        }
        const std::vector<RowRecord> rows = Rows(store, id);
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[1].state, c.final);
        EXPECT_EQ(rows[0].state, S::NotSent);
        std::vector<StoreEvent> events;
        StoreError error;
        ASSERT_TRUE(store.GetEvents(id, events, error));
        // The creation, then one entry per change of the row's state.
        ASSERT_EQ(events.size(), 1 + changes);
        EXPECT_FALSE(events[0].row);
        EXPECT_EQ(events[0].to, "running");
        for (std::size_t i = 1; i < events.size(); ++i) {
            EXPECT_EQ(events[i].row, 1);
            EXPECT_NE(events[i].from, events[i].to);
        }
    }
}

TEST_F(StoreTest, AcceptedSendKeepsItsRequestIdUntilTheNextMark) {
    CCampaignStore store;
    OpenSend(store);
    const std::int64_t id = Create(store, 1);
    StoreError error;
    ASSERT_TRUE(store.MarkSending(id, 0, std::nullopt, "modem-1", error)) << error.text;
    SendUpdate update{id, 0, std::nullopt, SendState::Sending, "Sending...", std::nullopt, 41};
    ASSERT_TRUE(store.RecordResult(update, error)) << error.text;
    update = {id, 0, std::nullopt, SendState::Failed, "Network timeout", 0x80040001, {}, 12};
    ASSERT_TRUE(store.RecordResult(update, error)) << error.text;
    RowRecord row = Rows(store, id)[0];
    EXPECT_EQ(row.state, SendState::Failed);
    EXPECT_EQ(row.statusText, "Network timeout");
    EXPECT_EQ(row.code, 0x80040001);
    EXPECT_EQ(row.requestId, 41);
    EXPECT_EQ(row.tpMr, 12);
    EXPECT_EQ(row.modem, "modem-1");
    // A new attempt starts clean: no answer of the old one may stick to it.
    ASSERT_TRUE(store.MarkSending(id, 0, std::nullopt, "", error)) << error.text;
    row = Rows(store, id)[0];
    EXPECT_EQ(row.state, SendState::Sending);
    EXPECT_FALSE(row.code);
    EXPECT_FALSE(row.requestId);
    EXPECT_FALSE(row.tpMr);
    EXPECT_EQ(row.modem, "modem-1");
    EXPECT_GT(row.time, StoreTime{});
}

TEST_F(StoreTest, PartsDecideTheStateOfTheirRow) {
    using S = SendState;
    struct PartStep {
        int part;
        S state;
        bool accepted;
    };
    struct Case {
        const char* name;
        std::vector<PartStep> steps;
        S row;
    };
    const Case cases[] = {
        {"all parts sent",
         {{0, S::Sending, true},
          {0, S::Sent, true},
          {1, S::Sending, true},
          {1, S::Sent, true},
          {2, S::Sending, true},
          {2, S::Sent, true}},
         S::Sent},
        {"one part in flight", {{0, S::Sending, true}}, S::Sending},
        {"part of the message went", {{0, S::Sending, true}, {0, S::Sent, true}}, S::Unknown},
        {"a failed part fails the row",
         {{0, S::Sending, true}, {0, S::Sent, true}, {1, S::Sending, true}, {1, S::Failed, true}},
         S::Failed},
        {"busy on the first part", {{0, S::Sending, true}, {0, S::NotSent, true}}, S::NotSent},
        {"no such part", {{3, S::Sending, false}, {-1, S::Sending, false}}, S::NotSent},
        {"a part is not marked twice", {{1, S::Sending, true}, {1, S::Sending, false}}, S::Sending},
    };
    CCampaignStore store;
    OpenSend(store);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::int64_t id = Create(store, 1, 3);
        for (const PartStep& step : c.steps) {
            SendUpdate update{id, 0, step.part, step.state, "", std::nullopt, 100 + step.part};
            if (step.state == S::Sending) {
                update.requestId.reset();
            }
            StoreError error;
            EXPECT_EQ(store.RecordResult(update, error), step.accepted) << error.text;
        }
        const RowRecord row = Rows(store, id)[0];
        EXPECT_EQ(row.state, c.row);
        for (const PartRecord& part : row.parts) {
            EXPECT_GE(part.index, 0);
            EXPECT_LT(part.index, 3);
        }
    }
    // A message of one part has no parts to name.
    const std::int64_t single = Create(store, 1, 1);
    StoreError error;
    EXPECT_FALSE(store.MarkSending(single, 0, 0, "", error));
    EXPECT_EQ(error.kind, Kind::Refused);
}

TEST_F(StoreTest, ReopeningForSendingSettlesWhatWasInFlight) {
    std::int64_t id = 0;
    std::int64_t multi = 0;
    {
        CCampaignStore store;
        OpenSend(store);
        id = Create(store, 10);
        multi = Create(store, 2, 2);
        StoreError error;
        for (std::int64_t row = 0; row < 4; ++row) {
            ASSERT_TRUE(store.MarkSending(id, row, std::nullopt, "m", error)) << error.text;
        }
        ASSERT_TRUE(store.RecordResult({id, 0, std::nullopt, SendState::Sent}, error));
        ASSERT_TRUE(store.RecordResult({id, 1, std::nullopt, SendState::Failed, "Barred"}, error));
        ASSERT_TRUE(store.RecordResult({id, 3, std::nullopt, SendState::Unknown}, error));
        ASSERT_TRUE(store.MarkSending(multi, 0, 0, "m", error));
        ASSERT_TRUE(store.RecordResult({multi, 0, 0, SendState::Sent}, error));
        ASSERT_TRUE(store.MarkSending(multi, 0, 1, "m", error));
        ASSERT_TRUE(store.SetCampaignState(multi, CampaignState::Stopped, error)) << error.text;

        // A reader meanwhile sees the sender's rows as they are.
        CCampaignStore reader;
        ASSERT_TRUE(reader.Open(m_path, StoreMode::Read, error, Options())) << error.text;
        CampaignRecord campaign;
        ASSERT_TRUE(reader.GetCampaign(id, campaign, error));
        EXPECT_EQ(campaign.state, CampaignState::Running);
        EXPECT_EQ(campaign.counts.sending, 1);
        RecoveryReport report;
        EXPECT_FALSE(reader.Recover(report, error));
        EXPECT_EQ(error.kind, Kind::Refused);
    }  // closed without stopping: as after a crash

    CCampaignStore store;
    OpenSend(store);
    EXPECT_EQ(store.GetRecovery().interrupted, std::vector<std::int64_t>{id});
    EXPECT_EQ(store.GetRecovery().unknownRows, 2);  // row 2, and the row of two parts

    std::vector<CampaignRecord> campaigns;
    StoreError error;
    ASSERT_TRUE(store.ListCampaigns(campaigns, error)) << error.text;
    ASSERT_EQ(campaigns.size(), 2u);
    EXPECT_EQ(campaigns[0].id, multi);  // newest first
    EXPECT_EQ(campaigns[0].state, CampaignState::Stopped);
    const CampaignRecord& c = campaigns[1];
    EXPECT_EQ(c.state, CampaignState::Interrupted);
    EXPECT_EQ(c.message, "Hello");
    EXPECT_EQ(c.settings, R"({"interval_ms":1000})");
    EXPECT_EQ(c.counts.total, 10);
    EXPECT_EQ(c.counts.sent, 1);
    EXPECT_EQ(c.counts.failed, 1);
    EXPECT_EQ(c.counts.unknown, 2);
    EXPECT_EQ(c.counts.sending, 0);
    EXPECT_EQ(c.counts.notSent, 6);

    std::vector<std::int64_t> orders;
    for (const RowRecord& row : Rows(store, id, SendState::NotSent)) {
        orders.push_back(row.order);
    }
    EXPECT_EQ(orders, (std::vector<std::int64_t>{4, 5, 6, 7, 8, 9}));
    orders.clear();
    for (const RowRecord& row : Rows(store, id, SendState::Unknown)) {
        orders.push_back(row.order);
    }
    EXPECT_EQ(orders, (std::vector<std::int64_t>{2, 3}));

    const RowRecord split = Rows(store, multi)[0];
    EXPECT_EQ(split.state, SendState::Unknown);
    ASSERT_EQ(split.parts.size(), 2u);
    EXPECT_EQ(split.parts[0].state, SendState::Sent);
    EXPECT_EQ(split.parts[1].state, SendState::Unknown);
    EXPECT_EQ(Rows(store, multi)[1].parts.size(), 0u);
}

TEST_F(StoreTest, ResumesOnlyTheSameMessageAndNumbersFile) {
    CCampaignStore store;
    OpenSend(store);
    StoreError error;
    const std::int64_t stopped = Create(store, 3, 1, "Hello", "h1");
    ASSERT_TRUE(store.SetCampaignState(stopped, CampaignState::Stopped, error));
    const std::int64_t otherFile = Create(store, 3, 1, "Hello", "h2");
    ASSERT_TRUE(store.SetCampaignState(otherFile, CampaignState::Interrupted, error));
    const std::int64_t finished = Create(store, 3, 1, "Bye", "h1");
    ASSERT_TRUE(store.SetCampaignState(finished, CampaignState::Finished, error));
    Create(store, 3, 1, "Hello", "h1");  // still running

    struct Case {
        const char* message;
        const char* hash;
        std::optional<std::int64_t> expected;
    };
    const Case cases[] = {
        {"Hello", "h1", stopped},       {"Hello", "h2", otherFile},
        {"Bye", "h1", std::nullopt},     // finished
        {"Hello!", "h1", std::nullopt},  // changed message
        {"Hello", "h3", std::nullopt},   // changed numbers file
    };
    for (const Case& c : cases) {
        std::optional<std::int64_t> id = -1;
        ASSERT_TRUE(store.FindResumable(c.message, c.hash, id, error)) << error.text;
        EXPECT_EQ(id, c.expected) << c.message << " " << c.hash;
    }
    std::optional<std::int64_t> latest;
    ASSERT_TRUE(store.FindLatestResumable(latest, error));
    EXPECT_EQ(latest, otherFile);
    const std::int64_t newer = Create(store, 1, 1, "Hello", "h1");
    ASSERT_TRUE(store.SetCampaignState(newer, CampaignState::Stopped, error));
    ASSERT_TRUE(store.FindResumable("Hello", "h1", latest, error));
    EXPECT_EQ(latest, newer);
    EXPECT_FALSE(store.SetCampaignState(999, CampaignState::Stopped, error));
    EXPECT_EQ(error.kind, Kind::NotFound);
}

TEST_F(StoreTest, GroupCommitIsAllOrNothing) {
    CCampaignStore store;
    OpenSend(store);
    const std::int64_t id = Create(store, 100);
    std::vector<SendUpdate> marks;
    for (std::int64_t row = 0; row < 60; ++row) {
        marks.push_back({id, row, std::nullopt, SendState::Sending});
    }
    StoreError error;
    ASSERT_TRUE(store.Apply(marks, error)) << error.text;
    std::vector<SendUpdate> results;
    for (std::int64_t row = 0; row < 60; ++row) {
        results.push_back({id, row, std::nullopt, row % 3 ? SendState::Sent : SendState::Failed, "",
                           row, row + 1000});
    }
    ASSERT_TRUE(store.Apply(results, error)) << error.text;

    struct Case {
        const char* name;
        SendUpdate bad;
        Kind kind;
    };
    const Case cases[] = {
        {"a row already sent", {id, 1, std::nullopt, SendState::Sending}, Kind::Refused},
        {"a row past the end", {id, 100, std::nullopt, SendState::Sending}, Kind::NotFound},
        {"a campaign that is not there",
         {id + 1, 0, std::nullopt, SendState::Sending},
         Kind::NotFound},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<SendUpdate> batch = {{id, 60, std::nullopt, SendState::Sending},
                                         {id, 61, std::nullopt, SendState::Sending},
                                         c.bad,
                                         {id, 62, std::nullopt, SendState::Sending}};
        EXPECT_FALSE(store.Apply(batch, error));
        EXPECT_EQ(error.kind, c.kind);
        EXPECT_NE(error.text.find("number"), std::string::npos) << error.text;
    }
    const std::vector<RowRecord> rows = Rows(store, id);
    for (const RowRecord& row : rows) {
        if (row.order < 60) {
            EXPECT_EQ(row.state, row.order % 3 ? SendState::Sent : SendState::Failed);
            EXPECT_EQ(row.requestId, row.order + 1000);
            EXPECT_EQ(row.code, row.order);
        } else {
            EXPECT_EQ(row.state, SendState::NotSent) << row.order;
        }
    }
    CampaignRecord campaign;
    ASSERT_TRUE(store.GetCampaign(id, campaign, error));
    EXPECT_EQ(campaign.counts.sent, 40);
    EXPECT_EQ(campaign.counts.failed, 20);
    EXPECT_EQ(campaign.counts.notSent, 40);
}

TEST_F(StoreTest, ReadModeNeitherCreatesNorChanges) {
    CCampaignStore store;
    StoreError error;
    EXPECT_FALSE(store.Open(m_path, StoreMode::Read, error, Options()));
    EXPECT_EQ(error.kind, Kind::NotFound);
    EXPECT_FALSE(std::filesystem::exists(m_path));
    OpenSend(store);
    const std::int64_t id = Create(store, 2);
    store.Close();
    ASSERT_TRUE(store.Open(m_path, StoreMode::Read, error, Options())) << error.text;
    EXPECT_FALSE(store.MarkSending(id, 0, std::nullopt, "", error));
    EXPECT_EQ(error.kind, Kind::Refused);
    std::int64_t other = 0;
    EXPECT_FALSE(store.CreateCampaign(NewCampaign{}, other, error));
    EXPECT_EQ(Rows(store, id).size(), 2u);
}

// Every older schema version, as that version's program wrote it: opened,
// upgraded, its data kept. Add the new current version here with each step.
TEST_F(StoreTest, OpensEveryOlderSchemaVersion) {
    struct Fixture {
        std::int64_t version;
        std::string sql;  // run on an empty file; nothing for version 0
        std::int64_t campaigns;
    };
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
    const Fixture fixtures[] = {{0, "", 0}, {1, version1, 1}};
    ASSERT_GE(std::size(fixtures), static_cast<std::size_t>(CCampaignStore::kSchemaVersion));
    for (const Fixture& fixture : fixtures) {
        SCOPED_TRACE("version " + std::to_string(fixture.version));
        std::filesystem::remove(m_path);
        WriteBytes(m_path, "");
        if (!fixture.sql.empty()) {
            RunSql(m_path, fixture.sql);
        }
        CCampaignStore store;
        OpenSend(store);
        EXPECT_EQ(QuerySql(m_path, "PRAGMA user_version"), CCampaignStore::kSchemaVersion);
        EXPECT_EQ(QuerySql(m_path, "PRAGMA application_id"), CCampaignStore::kApplicationId);
        std::vector<CampaignRecord> campaigns;
        StoreError error;
        ASSERT_TRUE(store.ListCampaigns(campaigns, error)) << error.text;
        ASSERT_EQ(static_cast<std::int64_t>(campaigns.size()), fixture.campaigns);
        if (fixture.campaigns > 0) {
            EXPECT_EQ(campaigns[0].message, "Grüße");
            EXPECT_EQ(campaigns[0].state, CampaignState::Interrupted);
            const std::vector<RowRecord> rows = Rows(store, 1);
            ASSERT_EQ(rows.size(), 2u);
            EXPECT_EQ(rows[0].state, SendState::Sent);
            EXPECT_EQ(rows[0].tpMr, 9);
            EXPECT_EQ(rows[1].state, SendState::Unknown);
            ASSERT_EQ(rows[1].parts.size(), 1u);
            EXPECT_EQ(rows[1].parts[0].state, SendState::Unknown);
        }
        // The upgraded store works as a new one.
        const std::int64_t id = Create(store, 2, 2);
        EXPECT_TRUE(store.MarkSending(id, 0, 1, "m", error)) << error.text;
        store.Close();
        Sqlite::CDatabase db;
        ASSERT_EQ(db.Open(m_path, SQLITE_OPEN_READONLY), SQLITE_OK);
        Sqlite::CStatement mode;
        ASSERT_EQ(mode.Prepare(db.Get(), "PRAGMA journal_mode"), SQLITE_OK);
        ASSERT_EQ(mode.Step(), SQLITE_ROW);
        EXPECT_EQ(mode.Text(0), "wal");
    }
}

}  // namespace
