#include "campaign/store/CampaignStore.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <unordered_map>
#include <utility>

#include "campaign/store/StoreSchema.h"
#include "device/StatusText.h"
#include "pdu/Unicode.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// What a row that was with the modem when its sender stopped says.
const std::string kUnknownText = PduLib::Utf16ToUtf8(kOutcomeUnknownText);

namespace fs = std::filesystem;

constexpr std::array<std::string_view, 4> kCampaignStateNames = {"running", "stopped", "finished",
                                                                 "interrupted"};
constexpr std::array<std::string_view, 5> kSendStateNames = {"not_sent", "sending", "sent",
                                                             "failed", "unknown"};

template <typename State, std::size_t N>
std::optional<State> ParseState(const std::array<std::string_view, N>& names,
                                std::string_view text) {
    const auto found = std::find(names.begin(), names.end(), text);
    if (found == names.end()) {
        return std::nullopt;
    }
    return static_cast<State>(found - names.begin());
}

StoreTime FromMillis(std::int64_t ms) {
    return StoreTime(std::chrono::milliseconds(ms));
}

std::int64_t ToMillis(StoreTime time) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count();
}

bool SetError(StoreError& error, StoreError::Kind kind, std::string text) {
    error.kind = kind;
    error.text = std::move(text);
    return false;
}

// The state a row of several parts is in, from the states of its parts.
SendState AggregateParts(const std::array<std::int64_t, 5>& count, std::int64_t parts) {
    auto n = [&count](SendState s) { return count[static_cast<std::size_t>(s)]; };
    if (n(SendState::Sending) > 0) {
        return SendState::Sending;
    }
    if (n(SendState::Failed) > 0) {
        return SendState::Failed;
    }
    if (n(SendState::Sent) == parts) {
        return SendState::Sent;
    }
    if (n(SendState::NotSent) == parts) {
        return SendState::NotSent;
    }
    // Some parts went and others did not, or their fate is unknown: the
    // number may have received part of the message.
    return SendState::Unknown;
}

}  // namespace

std::string_view ToString(CampaignState state) {
    return kCampaignStateNames[static_cast<std::size_t>(state)];
}

std::string_view ToString(SendState state) {
    return kSendStateNames[static_cast<std::size_t>(state)];
}

std::optional<CampaignState> ParseCampaignState(std::string_view text) {
    return ParseState<CampaignState>(kCampaignStateNames, text);
}

std::optional<SendState> ParseSendState(std::string_view text) {
    return ParseState<SendState>(kSendStateNames, text);
}

std::string_view ToString(DeliveryState state) {
    constexpr std::array<std::string_view, 4> kNames = {"", "pending", "delivered", "failed"};
    return kNames[static_cast<std::size_t>(state)];
}

DeliveryState ParseDeliveryState(std::string_view text) {
    for (const DeliveryState state :
         {DeliveryState::Pending, DeliveryState::Delivered, DeliveryState::Failed}) {
        if (ToString(state) == text) {
            return state;
        }
    }
    return DeliveryState::None;
}

std::string DefaultStorePath() {
#ifdef _WIN32
    // The wide form: a user name outside the ANSI code page is common.
    const wchar_t* appData = _wgetenv(L"APPDATA");
    if (appData == nullptr || *appData == L'\0') {
        return {};
    }
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, appData, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 1) {
        return {};
    }
    std::string folder(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, appData, -1, folder.data(), bytes, nullptr, nullptr);
    folder.resize(static_cast<std::size_t>(bytes - 1));
    return folder + "\\Vantorix\\campaigns.sqlite";
#else
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    // A relative XDG_DATA_HOME is invalid and must be ignored.
    if (dataHome != nullptr && dataHome[0] == '/') {
        return std::string(dataHome) + "/Vantorix/campaigns.sqlite";
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') {
        return {};
    }
    return std::string(home) + "/.local/share/Vantorix/campaigns.sqlite";
#endif
}

std::string ContentHash(std::string_view bytes) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;
    }
    char hex[17];
    std::snprintf(hex, sizeof(hex), "%016llx", static_cast<unsigned long long>(hash));
    return std::string("fnv1a64:") + hex;
}

bool FileContentHash(const std::string& path, std::string& hash, StoreError& error) {
    std::ifstream in(fs::u8path(path), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.is_open() || in.bad()) {
        return SetError(error, StoreError::Kind::Unreadable,
                        "The numbers file " + path + " cannot be read.");
    }
    hash = ContentHash(bytes);
    return true;
}

// The statements that every send runs, prepared once.
struct CCampaignStore::Prepared {
    Sqlite::CStatement campaignParts;
    Sqlite::CStatement selectRow;
    Sqlite::CStatement updateRow;
    Sqlite::CStatement selectPart;
    Sqlite::CStatement upsertPart;
    Sqlite::CStatement partCounts;
    Sqlite::CStatement insertEvent;
};

CCampaignStore::CCampaignStore() = default;

CCampaignStore::~CCampaignStore() {
    Close();
}

void CCampaignStore::Close() {
    m_pStmts.reset();
    m_cached.clear();
    m_bE164Filled = false;
    m_db.Close();
    m_lock.Release();
    m_recovery = {};
    m_bRecovered = false;
}

std::int64_t CCampaignStore::Now() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               m_options.clock().time_since_epoch())
        .count();
}

bool CCampaignStore::Fail(StoreError& error, int rc, std::string_view doing) {
    const std::string where = "The campaign store " + m_strPath;
    const std::string detail =
        " (" + std::string(doing) + ": " + (m_db.IsOpen() ? m_db.ErrorText() : "") + ")";
    switch (rc & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return SetError(error, StoreError::Kind::Locked,
                            where + " is locked by another program" + detail +
                                ". Nothing was changed; try again when it is done.");
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            return SetError(error, StoreError::Kind::Damaged,
                            where + " is damaged or is not a database" + detail +
                                ". It was left as it is; move it away to start a new store.");
        case SQLITE_FULL:
            return SetError(error, StoreError::Kind::Full,
                            "No room is left for the campaign store " + m_strPath + detail +
                                ". Nothing was recorded; free some space and try again.");
        case SQLITE_CONSTRAINT:
            return SetError(error, StoreError::Kind::Refused, where + " refused a change" + detail);
        default:
            return SetError(error, StoreError::Kind::Unreadable,
                            where + " cannot be opened, read or written" + detail + ".");
    }
}

bool CCampaignStore::Open(const std::string& path, StoreMode mode, StoreError& error,
                          StoreOptions options) {
    Close();
    m_options = std::move(options);
    if (!m_options.clock) {
        m_options.clock = &std::chrono::system_clock::now;
    }
    m_strPath = path;
    m_mode = mode;
    if (path.empty()) {
        return SetError(error, StoreError::Kind::NotFound,
                        "No campaign store was named, and no data folder was found for one.");
    }
    std::error_code ec;
    const fs::path file = fs::u8path(path);
    const fs::file_status status = fs::status(file, ec);
    if (fs::is_directory(status)) {
        return SetError(error, StoreError::Kind::Unreadable,
                        "The campaign store " + path + " is a folder, not a file.");
    }
    if (!fs::exists(status)) {
        if (mode == StoreMode::Read) {
            return SetError(error, StoreError::Kind::NotFound,
                            "There is no campaign store at " + path + " yet.");
        }
        if (file.has_parent_path()) {
            fs::create_directories(file.parent_path(), ec);
            if (ec) {
                return SetError(error, StoreError::Kind::Unreadable,
                                "The folder of the campaign store " + path +
                                    " cannot be created: " + ec.message() + ".");
            }
        }
    }
    if (mode == StoreMode::Send) {
        std::string holder;
        std::string lockError;
        if (!m_lock.Acquire(path, m_options.program, holder, lockError)) {
            if (!lockError.empty()) {
                return SetError(error, StoreError::Kind::Unreadable, lockError);
            }
            return SetError(error, StoreError::Kind::InUse,
                            "The campaign store " + path + " is in use by " + holder +
                                ": only one program at a time can send with it. Nothing was "
                                "changed.");
        }
    }
    if (!OpenDatabase(mode, error)) {
        Close();
        return false;
    }
    return true;
}

bool CCampaignStore::OpenDatabase(StoreMode mode, StoreError& error) {
    const int flags = SQLITE_OPEN_READWRITE | (mode == StoreMode::Send ? SQLITE_OPEN_CREATE : 0);
    int rc = m_db.Open(m_strPath, flags);
    if (rc != SQLITE_OK) {
        return Fail(error, rc, "opening");
    }
    sqlite3_busy_timeout(m_db.Get(), static_cast<int>(m_options.busyTimeout.count()));
    // The file may come from anywhere: no schema-borne SQL functions.
    m_db.Exec("PRAGMA trusted_schema = OFF");

    std::int64_t appId = 0;
    std::int64_t version = 0;
    std::int64_t objects = 0;
    if ((rc = m_db.QueryInt("PRAGMA application_id", appId)) != SQLITE_OK ||
        (rc = m_db.QueryInt("PRAGMA user_version", version)) != SQLITE_OK ||
        (rc = m_db.QueryInt("SELECT count(*) FROM sqlite_schema", objects)) != SQLITE_OK) {
        return Fail(error, rc, "reading its header");
    }
    if (appId != kApplicationId && !(appId == 0 && version == 0 && objects == 0)) {
        return SetError(error, StoreError::Kind::NotAStore,
                        "The file " + m_strPath +
                            " is a database of another program, not a campaign store. It was "
                            "left as it is.");
    }
    if (version > kSchemaVersion) {
        return SetError(error, StoreError::Kind::TooNew,
                        "The campaign store " + m_strPath + " was written by a newer version (" +
                            std::to_string(version) + ") of the program; this one reads up to " +
                            std::to_string(kSchemaVersion) + ". It was left as it is.");
    }
    // A refused store is left byte for byte as it was. Everything that can
    // find it damaged (a check of its pages when it is not ours yet or is
    // upgraded, the upgrade, the statements, the recovery) runs before the
    // journal turns to WAL, which rewrites the header at once; until then a
    // failed change is rolled back by the old journal, and after it a
    // failed change never leaves the WAL file.
    std::string journal;
    {
        Sqlite::CStatement mode;
        if ((rc = mode.Prepare(m_db.Get(), "PRAGMA journal_mode")) != SQLITE_OK ||
            (rc = mode.Step()) != SQLITE_ROW) {
            return Fail(error, rc, "reading its header");
        }
        journal = mode.Text(0);
    }
    // A sender checks the whole file, indexes against their tables included
    // (a damaged index would show one count and send to other rows); a
    // reader checks the pages when the file is not ours yet or is upgraded.
    const bool sending = mode == StoreMode::Send;
    if (objects > 0 && (sending || journal != "wal" || version < kSchemaVersion)) {
        Sqlite::CStatement check;
        if ((rc = check.Prepare(m_db.Get(), sending ? "PRAGMA integrity_check(1)"
                                                    : "PRAGMA quick_check(1)")) != SQLITE_OK ||
            (rc = check.Step()) != SQLITE_ROW) {
            return Fail(error, rc, "checking it");
        }
        std::string verdict = check.Text(0);
        if (verdict != "ok") {
            std::replace(verdict.begin(), verdict.end(), '\n', ' ');
            return SetError(error, StoreError::Kind::Damaged,
                            "The campaign store " + m_strPath + " is damaged (" + verdict +
                                "). It was left as it is; move it away to start a new store.");
        }
    }
    // Every commit reaches the disk before it returns: the write-ahead mark
    // of a send must survive a power cut.
    // A campaign of 65,535 rows is created in one transaction: a cache that
    // holds it keeps SQLite from spilling pages to the journal halfway.
    if ((rc = m_db.Exec("PRAGMA synchronous = FULL; PRAGMA cache_size = -32768")) != SQLITE_OK) {
        return Fail(error, rc, "setting up");
    }
    if (!Migrate(error)) {
        return false;
    }
    if (!Prepare(error)) {
        return false;
    }
    if (mode == StoreMode::Send && !m_bRecovered && !Recover(m_recovery, error)) {
        return false;
    }
    if (journal != "wal" && (rc = m_db.Exec("PRAGMA journal_mode = WAL")) != SQLITE_OK) {
        return Fail(error, rc, "turning on its journal");
    }
    return true;
}

bool CCampaignStore::Migrate(StoreError& error) {
    static_assert(kSchemaVersion >= 1);
    if (StoreSchema::kStepCount != static_cast<std::size_t>(kSchemaVersion)) {
        return SetError(error, StoreError::Kind::Refused, "Schema steps and version disagree.");
    }
    std::int64_t current = 0;
    int rc = m_db.QueryInt("PRAGMA user_version", current);
    if (rc != SQLITE_OK) {
        return Fail(error, rc, "reading its header");
    }
    // Up to date: no write lock, so that readers never wait for a sender.
    if (current >= kSchemaVersion) {
        return true;
    }
    for (;;) {
        Sqlite::CTransaction transaction(m_db);
        rc = transaction.Begin();
        if (rc != SQLITE_OK) {
            return Fail(error, rc, "upgrading");
        }
        // Read again under the write lock: another program may have done it.
        std::int64_t version = 0;
        if ((rc = m_db.QueryInt("PRAGMA user_version", version)) != SQLITE_OK) {
            return Fail(error, rc, "upgrading");
        }
        if (version >= kSchemaVersion) {
            return true;
        }
        if ((rc = m_db.Exec(StoreSchema::kSteps[version])) != SQLITE_OK) {
            return Fail(error, rc, "upgrading to version " + std::to_string(version + 1));
        }
        // A store whose tables this version cannot use is refused before
        // the upgrade is committed, so that it is left as it was.
        if (version + 1 == kSchemaVersion && !Prepare(error)) {
            return false;
        }
        // So is one that a sender cannot recover: the recovery joins the
        // upgrade's transaction.
        if (version + 1 == kSchemaVersion && m_mode == StoreMode::Send) {
            if (!RecoverInTransaction(m_recovery, error)) {
                return false;
            }
            m_bRecovered = true;
        }
        const std::string stamp = "PRAGMA application_id = " + std::to_string(kApplicationId) +
                                  "; PRAGMA user_version = " + std::to_string(version + 1);
        if ((rc = m_db.Exec(stamp.c_str())) != SQLITE_OK ||
            (rc = transaction.Commit()) != SQLITE_OK) {
            return Fail(error, rc, "upgrading");
        }
    }
}

bool CCampaignStore::Prepare(StoreError& error) {
    auto stmts = std::make_unique<Prepared>();
    const std::pair<Sqlite::CStatement*, const char*> list[] = {
        {&stmts->campaignParts,
         "SELECT COALESCE(r.parts, c.parts) FROM row r JOIN campaign c ON c.id = r.campaign_id "
         "WHERE r.campaign_id = ?1 AND r.ord = ?2"},
        {&stmts->selectRow,
         "SELECT state, status_text, code, request_id, tp_mr, modem FROM row "
         "WHERE campaign_id = ?1 AND ord = ?2"},
        {&stmts->updateRow,
         "UPDATE row SET state = ?3, status_text = ?4, code = ?5, request_id = ?6, tp_mr = ?7, "
         "modem = ?8, changed = ?9 WHERE campaign_id = ?1 AND ord = ?2"},
        {&stmts->selectPart,
         "SELECT state, code, request_id, tp_mr FROM part "
         "WHERE campaign_id = ?1 AND ord = ?2 AND part_index = ?3"},
        {&stmts->upsertPart,
         "INSERT INTO part (campaign_id, ord, part_index, state, code, request_id, tp_mr, changed) "
         "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8) ON CONFLICT (campaign_id, ord, part_index) DO "
         "UPDATE SET state = excluded.state, code = excluded.code, request_id = "
         "excluded.request_id, tp_mr = excluded.tp_mr, changed = excluded.changed"},
        {&stmts->partCounts,
         "SELECT state, count(*) FROM part WHERE campaign_id = ?1 AND ord = ?2 GROUP BY state"},
        {&stmts->insertEvent,
         "INSERT INTO event (campaign_id, ord, part_index, time, from_state, to_state, detail) "
         "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)"},
    };
    for (const auto& [stmt, sql] : list) {
        const int rc = stmt->Prepare(m_db.Get(), sql);
        if (rc != SQLITE_OK) {
            // A store whose tables are not what this version wrote.
            return Fail(error, rc == SQLITE_ERROR ? SQLITE_CORRUPT : rc, "reading its tables");
        }
    }
    m_pStmts = std::move(stmts);
    return true;
}

bool CCampaignStore::Recover(RecoveryReport& report, StoreError& error) {
    report = {};
    if (m_mode != StoreMode::Send || !m_lock.IsHeld()) {
        return SetError(error, StoreError::Kind::Refused,
                        "Only the program that sends with a campaign store may recover it.");
    }
    Sqlite::CTransaction transaction(m_db);
    const int rc = transaction.Begin();
    if (rc != SQLITE_OK) {
        return Fail(error, rc, "recovering");
    }
    if (!RecoverInTransaction(report, error)) {
        return false;
    }
    if (const int commit = transaction.Commit(); commit != SQLITE_OK) {
        return Fail(error, commit, "recovering");
    }
    return true;
}

bool CCampaignStore::RecoverInTransaction(RecoveryReport& report, StoreError& error) {
    report = {};
    const std::int64_t now = Now();
    int rc = SQLITE_OK;
    const char* const steps[] = {
        "INSERT INTO event (campaign_id, ord, part_index, time, from_state, to_state, detail) "
        "SELECT campaign_id, ord, part_index, ?1, 'sending', 'unknown', 'sender stopped' "
        "FROM part WHERE state = 'sending'",
        "UPDATE part SET state = 'unknown', changed = ?1 WHERE state = 'sending'",
        "INSERT INTO event (campaign_id, ord, part_index, time, from_state, to_state, detail) "
        "SELECT campaign_id, ord, NULL, ?1, 'sending', 'unknown', 'sender stopped' "
        "FROM row WHERE state = 'sending'",
        "UPDATE row SET state = 'unknown', status_text = ?2, changed = ?1 "
        "WHERE state = 'sending'",
        "INSERT INTO event (campaign_id, ord, part_index, time, from_state, to_state, detail) "
        "SELECT id, NULL, NULL, ?1, 'running', 'interrupted', 'sender stopped' "
        "FROM campaign WHERE state = 'running'",
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        Sqlite::CStatement stmt;
        if ((rc = stmt.Prepare(m_db.Get(), steps[i])) != SQLITE_OK) {
            return Fail(error, rc, "recovering");
        }
        stmt.Bind(1, now);
        if (i == 3) {
            stmt.Bind(2, kUnknownText);
        }
        if ((rc = stmt.Step()) != SQLITE_DONE) {
            return Fail(error, rc, "recovering");
        }
        if (i == 3) {
            report.unknownRows = sqlite3_changes(m_db.Get());
        }
    }
    Sqlite::CStatement running;
    if ((rc = running.Prepare(m_db.Get(), "SELECT id FROM campaign WHERE state = 'running'")) !=
        SQLITE_OK) {
        return Fail(error, rc, "recovering");
    }
    while ((rc = running.Step()) == SQLITE_ROW) {
        report.interrupted.push_back(running.Int(0));
    }
    if (rc != SQLITE_DONE) {
        return Fail(error, rc, "recovering");
    }
    Sqlite::CStatement interrupt;
    if ((rc = interrupt.Prepare(m_db.Get(),
                                "UPDATE campaign SET state = 'interrupted', changed = ?1 "
                                "WHERE state = 'running'")) != SQLITE_OK) {
        return Fail(error, rc, "recovering");
    }
    interrupt.Bind(1, now);
    if ((rc = interrupt.Step()) != SQLITE_DONE) {
        return Fail(error, rc, "recovering");
    }
    return true;
}

bool CCampaignStore::LogEvent(std::int64_t campaign, std::optional<std::int64_t> row,
                              std::optional<std::int64_t> part, std::string_view from,
                              std::string_view to, std::string_view detail, std::int64_t now,
                              StoreError& error) {
    Sqlite::CStatement& stmt = m_pStmts->insertEvent;
    stmt.Reset();
    stmt.Bind(1, campaign);
    stmt.Bind(2, row);
    stmt.Bind(3, part);
    stmt.Bind(4, now);
    stmt.Bind(5, from);
    stmt.Bind(6, to);
    stmt.Bind(7, detail);
    const int rc = stmt.Step();
    stmt.Reset();
    return rc == SQLITE_DONE || Fail(error, rc, "logging a change");
}

bool CCampaignStore::CreateCampaign(const NewCampaign& campaign, std::int64_t& id,
                                    StoreError& error) {
    if (!IsOpen() || m_mode != StoreMode::Send) {
        return SetError(error, StoreError::Kind::Refused,
                        "Campaigns are created only by the program that sends.");
    }
    if (campaign.parts < 1) {
        return SetError(error, StoreError::Kind::Refused, "A message has at least one part.");
    }
    if (!campaign.texts.empty() && campaign.texts.size() != campaign.numbers.size()) {
        return SetError(error, StoreError::Kind::Refused,
                        "A campaign's own messages must be one per number.");
    }
    const std::int64_t now = Now();
    Sqlite::CTransaction transaction(m_db);
    int rc = transaction.Begin();
    if (rc != SQLITE_OK) {
        return Fail(error, rc, "creating a campaign");
    }
    Sqlite::CStatement insert;
    if ((rc = insert.Prepare(m_db.Get(),
                             "INSERT INTO campaign (created, changed, message, encoding, parts, "
                             "numbers_path, numbers_hash, settings, state, send_at) VALUES (?1, "
                             "?1, ?2, ?3, ?4, ?5, ?6, ?7, 'running', ?8)")) != SQLITE_OK) {
        return Fail(error, rc, "creating a campaign");
    }
    insert.Bind(1, now);
    insert.Bind(2, campaign.message);
    insert.Bind(3, campaign.encoding);
    insert.Bind(4, static_cast<std::int64_t>(campaign.parts));
    insert.Bind(5, campaign.numbersPath);
    insert.Bind(6, campaign.numbersHash);
    insert.Bind(7, campaign.settings);
    if (campaign.sendAt) {
        insert.Bind(8, ToMillis(*campaign.sendAt));
    }
    if ((rc = insert.Step()) != SQLITE_DONE) {
        return Fail(error, rc, "creating a campaign");
    }
    const std::int64_t newId = sqlite3_last_insert_rowid(m_db.Get());
    // Rows go in by chunks of many rows per statement: one statement per
    // row spent more time in statement set-up than in the inserts.
    constexpr std::size_t kChunk = 256;
    // Per row: order, number, E.164 form, own text and its parts.
    constexpr std::size_t kPerRow = 5;
    auto insertSql = [](std::size_t rows) {
        std::string sql =
            "INSERT INTO row (campaign_id, ord, number, e164, text, parts, state, changed) "
            "VALUES ";
        for (std::size_t i = 0; i < rows; ++i) {
            sql += i ? ",(?1" : "(?1";
            for (std::size_t k = 0; k < kPerRow; ++k) {
                sql += ", ?" + std::to_string(3 + kPerRow * i + k);
            }
            sql += ", 'not_sent', ?2)";
        }
        return sql;
    };
    std::vector<std::string> e164(campaign.numbers.size());
    std::transform(campaign.numbers.begin(), campaign.numbers.end(), e164.begin(),
                   [this](const std::string& number) { return E164Of(number); });
    Sqlite::CStatement full;
    const std::size_t count = campaign.numbers.size();
    for (std::size_t first = 0; first < count; first += kChunk) {
        const std::size_t rows = std::min(kChunk, count - first);
        Sqlite::CStatement tail;
        Sqlite::CStatement& insertRows = rows == kChunk ? full : tail;
        if (!insertRows.IsPrepared() &&
            (rc = insertRows.Prepare(m_db.Get(), insertSql(rows))) != SQLITE_OK) {
            return Fail(error, rc, "creating a campaign");
        }
        insertRows.Reset();
        insertRows.Bind(1, newId);
        insertRows.Bind(2, now);
        for (std::size_t i = 0; i < rows; ++i) {
            const int at = static_cast<int>(3 + kPerRow * i);
            insertRows.Bind(at, static_cast<std::int64_t>(first + i));
            insertRows.BindStatic(at + 1, campaign.numbers[first + i]);
            insertRows.BindStatic(at + 2, e164[first + i]);
            if (!campaign.texts.empty()) {
                insertRows.BindStatic(at + 3, campaign.texts[first + i]);
            }
            if (first + i < campaign.rowParts.size()) {
                insertRows.Bind(at + 4, static_cast<std::int64_t>(campaign.rowParts[first + i]));
            }
        }
        if ((rc = insertRows.Step()) != SQLITE_DONE) {
            return Fail(error, rc, "creating a campaign");
        }
    }
    if (!LogEvent(newId, std::nullopt, std::nullopt, "", ToString(CampaignState::Running),
                  std::to_string(campaign.numbers.size()) + " numbers", now, error)) {
        return false;
    }
    if ((rc = transaction.Commit()) != SQLITE_OK) {
        return Fail(error, rc, "creating a campaign");
    }
    id = newId;
    return true;
}

bool CCampaignStore::SetCampaignState(std::int64_t campaign, CampaignState state, StoreError& error,
                                      std::string_view detail) {
    if (!IsOpen() || m_mode != StoreMode::Send) {
        return SetError(error, StoreError::Kind::Refused,
                        "Only the program that sends changes a campaign.");
    }
    const std::int64_t now = Now();
    Sqlite::CTransaction transaction(m_db);
    int rc = transaction.Begin();
    if (rc != SQLITE_OK) {
        return Fail(error, rc, "changing a campaign");
    }
    Sqlite::CStatement select;
    if ((rc = select.Prepare(m_db.Get(), "SELECT state FROM campaign WHERE id = ?1")) !=
        SQLITE_OK) {
        return Fail(error, rc, "changing a campaign");
    }
    select.Bind(1, campaign);
    rc = select.Step();
    if (rc == SQLITE_DONE) {
        return SetError(error, StoreError::Kind::NotFound,
                        "There is no campaign " + std::to_string(campaign) + ".");
    }
    if (rc != SQLITE_ROW) {
        return Fail(error, rc, "changing a campaign");
    }
    const std::string from = select.Text(0);
    Sqlite::CStatement update;
    if ((rc = update.Prepare(m_db.Get(),
                             "UPDATE campaign SET state = ?2, changed = ?3 WHERE id = ?1")) !=
        SQLITE_OK) {
        return Fail(error, rc, "changing a campaign");
    }
    update.Bind(1, campaign);
    update.Bind(2, ToString(state));
    update.Bind(3, now);
    if ((rc = update.Step()) != SQLITE_DONE) {
        return Fail(error, rc, "changing a campaign");
    }
    if (!LogEvent(campaign, std::nullopt, std::nullopt, from, ToString(state), detail, now,
                  error)) {
        return false;
    }
    if ((rc = transaction.Commit()) != SQLITE_OK) {
        return Fail(error, rc, "changing a campaign");
    }
    return true;
}

bool CCampaignStore::SetCampaignSendAt(std::int64_t campaign, std::optional<StoreTime> sendAt,
                                       StoreError& error) {
    if (!IsOpen() || m_mode != StoreMode::Send) {
        return SetError(error, StoreError::Kind::Refused,
                        "Only the program that sends changes a campaign.");
    }
    Sqlite::CStatement update;
    int rc = update.Prepare(m_db.Get(), "UPDATE campaign SET send_at = ?2 WHERE id = ?1");
    if (rc != SQLITE_OK) {
        return Fail(error, rc, "changing a campaign");
    }
    update.Bind(1, campaign);
    update.Bind(2, sendAt ? std::optional<std::int64_t>(ToMillis(*sendAt)) : std::nullopt);
    if ((rc = update.Step()) != SQLITE_DONE) {
        return Fail(error, rc, "changing a campaign");
    }
    if (sqlite3_changes(m_db.Get()) == 0) {
        return SetError(error, StoreError::Kind::NotFound,
                        "There is no campaign " + std::to_string(campaign) + ".");
    }
    return true;
}

bool CCampaignStore::MarkSending(std::int64_t campaign, std::int64_t row, std::optional<int> part,
                                 std::string_view modem, StoreError& error) {
    SendUpdate update;
    update.campaign = campaign;
    update.row = row;
    update.part = part;
    update.state = SendState::Sending;
    update.modem = std::string(modem);
    return Apply({update}, error);
}

bool CCampaignStore::RecordResult(const SendUpdate& update, StoreError& error) {
    return Apply({update}, error);
}

bool CCampaignStore::Apply(const std::vector<SendUpdate>& updates, StoreError& error) {
    if (!IsOpen() || m_mode != StoreMode::Send) {
        return SetError(error, StoreError::Kind::Refused,
                        "Only the program that sends records sends.");
    }
    const std::int64_t now = Now();
    Sqlite::CTransaction transaction(m_db);
    int rc = transaction.Begin();
    if (rc != SQLITE_OK) {
        return Fail(error, rc, "recording a send");
    }
    for (const SendUpdate& update : updates) {
        if (!ApplyOne(update, now, error)) {
            return false;
        }
    }
    if ((rc = transaction.Commit()) != SQLITE_OK) {
        return Fail(error, rc, "recording a send");
    }
    return true;
}

bool CCampaignStore::ApplyOne(const SendUpdate& update, std::int64_t now, StoreError& error) {
    Prepared& s = *m_pStmts;
    const std::string which =
        "number " + std::to_string(update.row + 1) + " of campaign " +
        std::to_string(update.campaign) +
        (update.part ? " (part " + std::to_string(*update.part + 1) + ")" : std::string());
    auto refuse = [&](const std::string& why) {
        return SetError(error, StoreError::Kind::Refused, "Cannot record " + which + ": " + why);
    };
    auto damaged = [&]() {
        return SetError(
            error, StoreError::Kind::Damaged,
            "The campaign store " + m_strPath + " holds an unknown state for " + which + ".");
    };

    // The row as it is.
    s.selectRow.Reset();
    s.selectRow.Bind(1, update.campaign);
    s.selectRow.Bind(2, update.row);
    int rc = s.selectRow.Step();
    if (rc == SQLITE_DONE) {
        s.selectRow.Reset();
        return SetError(error, StoreError::Kind::NotFound, "There is no " + which + ".");
    }
    if (rc != SQLITE_ROW) {
        s.selectRow.Reset();
        return Fail(error, rc, "recording a send");
    }
    const std::optional<SendState> rowState = ParseSendState(s.selectRow.Text(0));
    std::string statusText = s.selectRow.Text(1);
    std::optional<std::int64_t> code = s.selectRow.OptionalInt(2);
    std::optional<std::int64_t> requestId = s.selectRow.OptionalInt(3);
    std::optional<std::int64_t> tpMr = s.selectRow.OptionalInt(4);
    std::string modem = s.selectRow.Text(5);
    s.selectRow.Reset();
    if (!rowState) {
        return damaged();
    }

    // The state that decides whether the change is allowed: the part's when
    // the update names one.
    SendState current = *rowState;
    std::int64_t parts = 1;
    if (update.part) {
        s.campaignParts.Reset();
        s.campaignParts.Bind(1, update.campaign);
        s.campaignParts.Bind(2, update.row);
        rc = s.campaignParts.Step();
        parts = rc == SQLITE_ROW ? s.campaignParts.Int(0) : 0;
        s.campaignParts.Reset();
        if (rc != SQLITE_ROW) {
            return Fail(error, rc == SQLITE_DONE ? SQLITE_CORRUPT : rc, "recording a send");
        }
        if (parts < 2 || *update.part < 0 || *update.part >= parts) {
            return refuse("the message has " + std::to_string(parts) + " part(s).");
        }
        s.selectPart.Reset();
        s.selectPart.Bind(1, update.campaign);
        s.selectPart.Bind(2, update.row);
        s.selectPart.Bind(3, static_cast<std::int64_t>(*update.part));
        rc = s.selectPart.Step();
        current = SendState::NotSent;
        if (rc == SQLITE_ROW) {
            const std::optional<SendState> partState = ParseSendState(s.selectPart.Text(0));
            s.selectPart.Reset();
            if (!partState) {
                return damaged();
            }
            current = *partState;
        } else {
            s.selectPart.Reset();
            if (rc != SQLITE_DONE) {
                return Fail(error, rc, "recording a send");
            }
        }
        if (update.state == SendState::Sending && current != SendState::Sending &&
            *rowState == SendState::Sent) {
            return refuse("it was sent already.");
        }
    }

    const bool mark = update.state == SendState::Sending && current != SendState::Sending;
    if (update.state == SendState::Sending) {
        if (current == SendState::Sent) {
            return refuse("it was sent already.");
        }
        if (current == SendState::Sending && !update.requestId) {
            return refuse("it is being sent already.");
        }
    } else if (current != SendState::Sending && current != SendState::Unknown &&
               !(current == SendState::NotSent && update.state == SendState::Failed)) {
        // Failed straight from not sent: refused before any send (a number
        // the codec cannot address).
        return refuse("it was not being sent (it is " + std::string(ToString(current)) + ").");
    }

    // The new values: a new send starts without the last one's answer.
    if (mark) {
        code.reset();
        requestId.reset();
        tpMr.reset();
    }
    if (!update.statusText.empty() || mark) {
        statusText = update.statusText;
    }
    if (update.code) {
        code = update.code;
    }
    if (update.requestId) {
        requestId = update.requestId;
    }
    if (update.tpMr) {
        tpMr = update.tpMr;
    }
    if (!update.modem.empty()) {
        modem = update.modem;
    }

    SendState newRowState = update.state;
    if (update.part) {
        s.upsertPart.Reset();
        s.upsertPart.Bind(1, update.campaign);
        s.upsertPart.Bind(2, update.row);
        s.upsertPart.Bind(3, static_cast<std::int64_t>(*update.part));
        s.upsertPart.Bind(4, ToString(update.state));
        s.upsertPart.Bind(5, mark ? std::nullopt : update.code);
        s.upsertPart.Bind(6, mark ? std::nullopt : update.requestId);
        s.upsertPart.Bind(7, mark ? std::nullopt : update.tpMr);
        s.upsertPart.Bind(8, now);
        rc = s.upsertPart.Step();
        s.upsertPart.Reset();
        if (rc != SQLITE_DONE) {
            return Fail(error, rc, "recording a send");
        }
        if (update.state != current &&
            !LogEvent(update.campaign, update.row, *update.part, ToString(current),
                      ToString(update.state), update.statusText, now, error)) {
            return false;
        }
        std::array<std::int64_t, 5> count{};
        std::int64_t listed = 0;
        s.partCounts.Reset();
        s.partCounts.Bind(1, update.campaign);
        s.partCounts.Bind(2, update.row);
        while ((rc = s.partCounts.Step()) == SQLITE_ROW) {
            const std::optional<SendState> state = ParseSendState(s.partCounts.Text(0));
            if (!state) {
                s.partCounts.Reset();
                return damaged();
            }
            count[static_cast<std::size_t>(*state)] += s.partCounts.Int(1);
            listed += s.partCounts.Int(1);
        }
        s.partCounts.Reset();
        if (rc != SQLITE_DONE) {
            return Fail(error, rc, "recording a send");
        }
        count[static_cast<std::size_t>(SendState::NotSent)] +=
            std::max<std::int64_t>(0, parts - listed);
        newRowState = AggregateParts(count, parts);
    }

    s.updateRow.Reset();
    s.updateRow.Bind(1, update.campaign);
    s.updateRow.Bind(2, update.row);
    s.updateRow.Bind(3, ToString(newRowState));
    s.updateRow.Bind(4, statusText);
    s.updateRow.Bind(5, code);
    s.updateRow.Bind(6, requestId);
    s.updateRow.Bind(7, tpMr);
    s.updateRow.Bind(8, modem);
    s.updateRow.Bind(9, now);
    rc = s.updateRow.Step();
    s.updateRow.Reset();
    if (rc != SQLITE_DONE) {
        return Fail(error, rc, "recording a send");
    }
    if (newRowState != *rowState &&
        !LogEvent(update.campaign, update.row, std::nullopt, ToString(*rowState),
                  ToString(newRowState), update.statusText, now, error)) {
        return false;
    }
    // A report can come before the modem's answer that names its reference.
    if (update.tpMr && update.state == SendState::Sent) {
        return MatchLateReports(update.campaign, update.row, update.part, *update.tpMr, now, error);
    }
    return true;
}

bool CCampaignStore::ReadCampaigns(std::string_view where, std::int64_t key,
                                   std::vector<CampaignRecord>& campaigns, StoreError& error) {
    campaigns.clear();
    if (!IsOpen()) {
        return SetError(error, StoreError::Kind::Refused, "The campaign store is not open.");
    }
    Sqlite::CStatement select;
    int rc = select.Prepare(m_db.Get(),
                            "SELECT id, created, changed, message, encoding, parts, numbers_path, "
                            "numbers_hash, settings, state, send_at FROM campaign " +
                                std::string(where) + " ORDER BY id DESC");
    if (rc != SQLITE_OK) {
        return Fail(error, rc, "reading campaigns");
    }
    if (!where.empty()) {
        select.Bind(1, key);
    }
    std::unordered_map<std::int64_t, std::size_t> index;
    while ((rc = select.Step()) == SQLITE_ROW) {
        CampaignRecord record;
        record.id = select.Int(0);
        record.created = FromMillis(select.Int(1));
        record.changed = FromMillis(select.Int(2));
        record.message = select.Text(3);
        record.encoding = select.Text(4);
        record.parts = static_cast<int>(std::clamp<std::int64_t>(select.Int(5), 1, 255));
        record.numbersPath = select.Text(6);
        record.numbersHash = select.Text(7);
        record.settings = select.Text(8);
        const std::optional<CampaignState> state = ParseCampaignState(select.Text(9));
        if (!state) {
            return SetError(error, StoreError::Kind::Damaged,
                            "The campaign store " + m_strPath +
                                " holds an unknown state for campaign " +
                                std::to_string(record.id) + ".");
        }
        record.state = *state;
        if (!select.IsNull(10)) {
            record.sendAt = FromMillis(select.Int(10));
        }
        index[record.id] = campaigns.size();
        campaigns.push_back(std::move(record));
    }
    if (rc != SQLITE_DONE) {
        return Fail(error, rc, "reading campaigns");
    }
    Sqlite::CStatement counts;
    rc = counts.Prepare(m_db.Get(), "SELECT campaign_id, state, count(*) FROM row " +
                                        std::string(where.empty() ? "" : "WHERE campaign_id = ?1") +
                                        " GROUP BY campaign_id, state");
    if (rc != SQLITE_OK) {
        return Fail(error, rc, "counting rows");
    }
    if (!where.empty()) {
        counts.Bind(1, key);
    }
    while ((rc = counts.Step()) == SQLITE_ROW) {
        const auto found = index.find(counts.Int(0));
        const std::optional<SendState> state = ParseSendState(counts.Text(1));
        if (found == index.end() || !state) {
            return SetError(error, StoreError::Kind::Damaged,
                            "The campaign store " + m_strPath + " holds rows it cannot place.");
        }
        SendCounts& c = campaigns[found->second].counts;
        const std::int64_t n = counts.Int(2);
        std::int64_t* const slots[] = {&c.notSent, &c.sending, &c.sent, &c.failed, &c.unknown};
        c.total += n;
        *slots[static_cast<std::size_t>(*state)] += n;
    }
    if (rc != SQLITE_DONE) {
        return Fail(error, rc, "counting rows");
    }
    return true;
}

bool CCampaignStore::ListCampaigns(std::vector<CampaignRecord>& campaigns, StoreError& error) {
    return ReadCampaigns({}, 0, campaigns, error);
}

bool CCampaignStore::GetCampaign(std::int64_t id, CampaignRecord& campaign, StoreError& error) {
    std::vector<CampaignRecord> found;
    if (!ReadCampaigns("WHERE id = ?1", id, found, error)) {
        return false;
    }
    if (found.empty()) {
        return SetError(error, StoreError::Kind::NotFound,
                        "There is no campaign " + std::to_string(id) + ".");
    }
    campaign = std::move(found.front());
    return true;
}

bool CCampaignStore::GetRows(std::int64_t campaign, std::vector<RowRecord>& rows, StoreError& error,
                             std::optional<SendState> only) {
    rows.clear();
    CampaignRecord record;
    if (!GetCampaign(campaign, record, error)) {
        return false;
    }
    Sqlite::CStatement select;
    int rc = select.Prepare(m_db.Get(),
                            "SELECT ord, number, state, status_text, code, request_id, tp_mr, "
                            "modem, changed, text, delivery, delivery_st, delivery_time FROM row "
                            "WHERE campaign_id = ?1" +
                                std::string(only ? " AND state = ?2" : "") + " ORDER BY ord");
    if (rc != SQLITE_OK) {
        return Fail(error, rc, "reading rows");
    }
    select.Bind(1, campaign);
    if (only) {
        select.Bind(2, ToString(*only));
    }
    rows.reserve(static_cast<std::size_t>(only ? 0 : record.counts.total));
    while ((rc = select.Step()) == SQLITE_ROW) {
        RowRecord row;
        row.order = select.Int(0);
        row.number = select.Text(1);
        const std::optional<SendState> state = ParseSendState(select.Text(2));
        if (!state) {
            return SetError(error, StoreError::Kind::Damaged,
                            "The campaign store " + m_strPath +
                                " holds an unknown state in campaign " + std::to_string(campaign) +
                                ".");
        }
        row.state = *state;
        row.statusText = select.Text(3);
        row.code = select.OptionalInt(4);
        row.requestId = select.OptionalInt(5);
        row.tpMr = select.OptionalInt(6);
        row.modem = select.Text(7);
        row.time = FromMillis(select.Int(8));
        if (!select.IsNull(9)) {
            row.text = select.Text(9);
        }
        row.delivery = ParseDeliveryState(select.Text(10));
        if (!select.IsNull(11)) {
            row.deliveryStatus = static_cast<std::uint8_t>(select.Int(11));
        }
        row.deliveryTime = FromMillis(select.Int(12));
        rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE) {
        return Fail(error, rc, "reading rows");
    }
    if (record.parts < 2) {
        return true;
    }
    Sqlite::CStatement parts;
    rc = parts.Prepare(m_db.Get(),
                       "SELECT ord, part_index, state, code, request_id, tp_mr, changed, "
                       "delivery, delivery_st, delivery_time FROM part "
                       "WHERE campaign_id = ?1 ORDER BY ord, part_index");
    if (rc != SQLITE_OK) {
        return Fail(error, rc, "reading rows");
    }
    parts.Bind(1, campaign);
    while ((rc = parts.Step()) == SQLITE_ROW) {
        const std::int64_t order = parts.Int(0);
        const auto row =
            std::lower_bound(rows.begin(), rows.end(), order,
                             [](const RowRecord& r, std::int64_t o) { return r.order < o; });
        if (row == rows.end() || row->order != order) {
            continue;  // a row left out by `only`
        }
        PartRecord part;
        part.index = static_cast<int>(parts.Int(1));
        const std::optional<SendState> state = ParseSendState(parts.Text(2));
        if (!state) {
            return SetError(error, StoreError::Kind::Damaged,
                            "The campaign store " + m_strPath +
                                " holds an unknown part state in campaign " +
                                std::to_string(campaign) + ".");
        }
        part.state = *state;
        part.code = parts.OptionalInt(3);
        part.requestId = parts.OptionalInt(4);
        part.tpMr = parts.OptionalInt(5);
        part.time = FromMillis(parts.Int(6));
        part.delivery = ParseDeliveryState(parts.Text(7));
        if (!parts.IsNull(8)) {
            part.deliveryStatus = static_cast<std::uint8_t>(parts.Int(8));
        }
        part.deliveryTime = FromMillis(parts.Int(9));
        row->parts.push_back(part);
    }
    if (rc != SQLITE_DONE) {
        return Fail(error, rc, "reading rows");
    }
    return true;
}

bool CCampaignStore::GetEvents(std::int64_t campaign, std::vector<StoreEvent>& events,
                               StoreError& error) {
    events.clear();
    if (!IsOpen()) {
        return SetError(error, StoreError::Kind::Refused, "The campaign store is not open.");
    }
    Sqlite::CStatement select;
    int rc = select.Prepare(m_db.Get(),
                            "SELECT time, ord, part_index, from_state, to_state, detail FROM "
                            "event WHERE campaign_id = ?1 ORDER BY id");
    if (rc != SQLITE_OK) {
        return Fail(error, rc, "reading the log");
    }
    select.Bind(1, campaign);
    while ((rc = select.Step()) == SQLITE_ROW) {
        StoreEvent event;
        event.time = FromMillis(select.Int(0));
        event.row = select.OptionalInt(1);
        event.part = select.OptionalInt(2);
        event.from = select.Text(3);
        event.to = select.Text(4);
        event.detail = select.Text(5);
        events.push_back(std::move(event));
    }
    if (rc != SQLITE_DONE) {
        return Fail(error, rc, "reading the log");
    }
    return true;
}

bool CCampaignStore::ReopenRows(std::int64_t campaign, std::optional<SendState> state,
                                std::int64_t& reopened, StoreError& error) {
    reopened = 0;
    if (!IsOpen() || m_mode != StoreMode::Send) {
        return SetError(error, StoreError::Kind::Refused,
                        "Only the program that sends changes a campaign.");
    }
    if (state && (*state == SendState::NotSent || *state == SendState::Sending)) {
        return SetError(error, StoreError::Kind::Refused,
                        "Only rows with an outcome can be sent again.");
    }
    const std::int64_t now = Now();
    const std::string which = state ? "state = '" + std::string(ToString(*state)) + "'"
                                    : std::string("state IN ('sent', 'failed', 'unknown')");
    Sqlite::CTransaction transaction(m_db);
    int rc = transaction.Begin();
    if (rc != SQLITE_OK) {
        return Fail(error, rc, "reopening rows");
    }
    const std::string steps[] = {
        "INSERT INTO event (campaign_id, ord, part_index, time, from_state, to_state, detail) "
        "SELECT campaign_id, ord, NULL, ?2, state, 'not_sent', 'to be sent again' FROM row "
        "WHERE campaign_id = ?1 AND " +
            which,
        "DELETE FROM part WHERE campaign_id = ?1 AND ord IN (SELECT ord FROM row WHERE "
        "campaign_id = ?1 AND " +
            which + ")",
        "UPDATE row SET state = 'not_sent', status_text = '', code = NULL, request_id = NULL, "
        "tp_mr = NULL, delivery = '', delivery_st = NULL, delivery_time = NULL, changed = ?2 "
        "WHERE campaign_id = ?1 AND " +
            which,
    };
    for (const std::string& step : steps) {
        Sqlite::CStatement stmt;
        if ((rc = stmt.Prepare(m_db.Get(), step.c_str())) != SQLITE_OK) {
            return Fail(error, rc, "reopening rows");
        }
        stmt.Bind(1, campaign);
        if (step.find("?2") != std::string::npos) {
            stmt.Bind(2, now);
        }
        if ((rc = stmt.Step()) != SQLITE_DONE) {
            return Fail(error, rc, "reopening rows");
        }
        reopened = sqlite3_changes(m_db.Get());
    }
    if ((rc = transaction.Commit()) != SQLITE_OK) {
        return Fail(error, rc, "reopening rows");
    }
    return true;
}

bool CCampaignStore::FindLatestResumable(std::optional<std::int64_t>& id, StoreError& error) {
    return FindResumableOf(true, {}, {}, id, error);
}

bool CCampaignStore::FindResumable(std::string_view message, std::string_view numbersHash,
                                   std::optional<std::int64_t>& id, StoreError& error) {
    return FindResumableOf(false, message, numbersHash, id, error);
}

bool CCampaignStore::FindResumableOf(bool any, std::string_view message,
                                     std::string_view numbersHash, std::optional<std::int64_t>& id,
                                     StoreError& error) {
    id.reset();
    if (!IsOpen()) {
        return SetError(error, StoreError::Kind::Refused, "The campaign store is not open.");
    }
    Sqlite::CStatement select;
    int rc = select.Prepare(m_db.Get(),
                            std::string("SELECT id FROM campaign WHERE state IN ('interrupted', "
                                        "'stopped')") +
                                (any ? "" : " AND message = ?1 AND numbers_hash = ?2") +
                                " ORDER BY id DESC LIMIT 1");
    if (rc != SQLITE_OK) {
        return Fail(error, rc, "looking for a campaign to resume");
    }
    if (!any) {
        select.Bind(1, message);
        select.Bind(2, numbersHash);
    }
    rc = select.Step();
    if (rc == SQLITE_ROW) {
        id = select.Int(0);
        return true;
    }
    return rc == SQLITE_DONE || Fail(error, rc, "looking for a campaign to resume");
}
