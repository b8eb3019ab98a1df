// The durable record of every campaign and every send, in one SQLite file per
// user. The sending loop writes ahead: a row is marked "sending" and the mark
// is committed to disk before its PDU goes to the modem, and the modem's
// answer is recorded when it comes. So after any crash each number is one
// of: not sent, sent, failed, or outcome unknown (it was with the modem).
//
// One process at a time may open a store for sending (a lock on a side file,
// see CStoreLock); any number may read it meanwhile (WAL journal). Nothing
// here throws: every call returns false with a StoreError on failure.
// Texts (message, numbers, status texts, paths) are UTF-8.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "campaign/store/Sqlite.h"
#include "campaign/store/StoreLock.h"

enum class CampaignState { Running, Stopped, Finished, Interrupted };

enum class SendState {
    NotSent,  // never handed to the modem, or handed back unsent (busy)
    Sending,  // committed as handed to the modem; no answer yet
    Sent,
    Failed,
    Unknown,  // was with the modem when the sender stopped
};

// The names stored in the file and shown in JSON: "running", "not_sent", ...
std::string_view ToString(CampaignState state);
std::string_view ToString(SendState state);
std::optional<CampaignState> ParseCampaignState(std::string_view text);
std::optional<SendState> ParseSendState(std::string_view text);

struct StoreError {
    enum class Kind {
        None,
        NotFound,    // no store file (read mode), or no such campaign or row
        InUse,       // another process sends with this store
        Locked,      // the file is locked by another program (SQLite busy)
        Damaged,     // not a database, or a damaged one
        Unreadable,  // cannot be opened, read or written (permissions, I/O)
        TooNew,      // written by a newer version of the program
        NotAStore,   // a database, but of another program
        Full,        // disk full, or the file reached its size limit
        Refused,     // a request that breaks the store's rules
    };
    Kind kind = Kind::None;
    std::string text;  // for the user

    explicit operator bool() const { return kind != Kind::None; }
};

using StoreTime = std::chrono::system_clock::time_point;

struct SendCounts {
    std::int64_t total = 0;
    std::int64_t notSent = 0;
    std::int64_t sending = 0;
    std::int64_t sent = 0;
    std::int64_t failed = 0;
    std::int64_t unknown = 0;
};

struct NewCampaign {
    std::string message;   // as sent
    std::string encoding;  // e.g. "GSM 7-bit", "UCS-2"
    int parts = 1;         // parts per message
    std::string numbersPath;
    std::string numbersHash;           // ContentHash of the numbers file's bytes
    std::string settings;              // the settings used, as JSON text
    std::vector<std::string> numbers;  // in sending order
};

struct CampaignRecord {
    std::int64_t id = 0;
    StoreTime created{};
    StoreTime changed{};  // last change of the campaign's state
    std::string message;
    std::string encoding;
    int parts = 1;
    std::string numbersPath;
    std::string numbersHash;
    std::string settings;
    CampaignState state = CampaignState::Running;
    SendCounts counts;
};

struct PartRecord {
    int index = 0;  // from 0
    SendState state = SendState::NotSent;
    std::optional<std::int64_t> code;
    std::optional<std::int64_t> requestId;
    std::optional<std::int64_t> tpMr;
    StoreTime time{};
};

struct RowRecord {
    std::int64_t order = 0;  // from 0, the sending order
    std::string number;
    SendState state = SendState::NotSent;
    std::string statusText;
    std::optional<std::int64_t> code;       // final status or refusal code
    std::optional<std::int64_t> requestId;  // of the last accepted send
    std::optional<std::int64_t> tpMr;       // TP-Message-Reference, when known
    std::string modem;
    StoreTime time{};               // last change (the campaign's creation if none)
    std::vector<PartRecord> parts;  // only for messages of several parts
};

// One entry of the log of state changes: of the campaign when `row` is
// empty, else of that row (and part).
struct StoreEvent {
    StoreTime time{};
    std::optional<std::int64_t> row;
    std::optional<std::int64_t> part;
    std::string from;  // empty for a campaign's creation
    std::string to;
    std::string detail;
};

// A change of one row (or of one part of it). State Sending marks a send as
// handed over (write-ahead); Sending again with a request id records that
// the modem took it; Sent, Failed, Unknown and NotSent record its outcome.
struct SendUpdate {
    SendUpdate() = default;
    SendUpdate(std::int64_t campaign_, std::int64_t row_, std::optional<int> part_,
               SendState state_, std::string statusText_ = {},
               std::optional<std::int64_t> code_ = std::nullopt,
               std::optional<std::int64_t> requestId_ = std::nullopt,
               std::optional<std::int64_t> tpMr_ = std::nullopt, std::string modem_ = {})
        : campaign(campaign_),
          row(row_),
          part(part_),
          state(state_),
          statusText(std::move(statusText_)),
          code(code_),
          requestId(requestId_),
          tpMr(tpMr_),
          modem(std::move(modem_)) {}

    std::int64_t campaign = 0;
    std::int64_t row = 0;
    std::optional<int> part;  // from 0; only for messages of several parts
    SendState state = SendState::Sending;
    std::string statusText;
    std::optional<std::int64_t> code;
    std::optional<std::int64_t> requestId;
    std::optional<std::int64_t> tpMr;
    std::string modem;  // empty: unchanged
};

// What opening for sending found left over from a sender that stopped
// without closing the store.
struct RecoveryReport {
    std::vector<std::int64_t> interrupted;  // campaigns that were running
    std::int64_t unknownRows = 0;           // rows that were being sent
};

enum class StoreMode {
    Read,  // history and reports: no lock, no recovery, no new file
    Send,  // the one sender: lock, recovery, creates the file when missing
};

struct StoreOptions {
    // Written into the lock for a refused second sender to name.
    std::string program = "vantorix";
    // How long a call waits for another program's lock on the file.
    std::chrono::milliseconds busyTimeout{2000};
    std::function<StoreTime()> clock = &std::chrono::system_clock::now;
};

// $XDG_DATA_HOME/Vantorix/campaigns.sqlite, else ~/.local/share/...; on
// Windows %APPDATA%\Vantorix\campaigns.sqlite. Empty when none of these is set.
std::string DefaultStorePath();

// "fnv1a64:" and 16 hex digits: FNV-1a 64-bit of `bytes`. Detects a changed
// numbers file; not a defence against a crafted one.
std::string ContentHash(std::string_view bytes);
bool FileContentHash(const std::string& path, std::string& hash, StoreError& error);

class CCampaignStore {
public:
    // Schema versions: 0 is an empty file; each step moves one version on.
    static constexpr std::int64_t kSchemaVersion = 1;
    // PRAGMA application_id of a campaign store ("VxCS").
    static constexpr std::int64_t kApplicationId = 0x56784353;

    CCampaignStore();
    ~CCampaignStore();
    CCampaignStore(const CCampaignStore&) = delete;
    CCampaignStore& operator=(const CCampaignStore&) = delete;

    // Opens (in Send mode creates) the store at `path`, brings its schema to
    // kSchemaVersion, and in Send mode takes the sender lock and recovers
    // what a stopped sender left. A file that is damaged, unreadable,
    // locked, newer or of another program is refused and left untouched.
    bool Open(const std::string& path, StoreMode mode, StoreError& error,
              StoreOptions options = {});
    void Close();
    bool IsOpen() const { return m_db.IsOpen(); }
    const std::string& GetPath() const { return m_strPath; }
    // What Open in Send mode recovered.
    const RecoveryReport& GetRecovery() const { return m_recovery; }

    // Rows left Sending become Unknown, running campaigns Interrupted. Run
    // by Open in Send mode; only a sender may call it.
    bool Recover(RecoveryReport& report, StoreError& error);

    // A new running campaign with one not_sent row per number.
    bool CreateCampaign(const NewCampaign& campaign, std::int64_t& id, StoreError& error);
    bool SetCampaignState(std::int64_t campaign, CampaignState state, StoreError& error,
                          std::string_view detail = {});

    // Write-ahead mark: committed durably when this returns true. On false
    // (disk full, lock lost, a row already sent or being sent) the caller
    // must not send.
    bool MarkSending(std::int64_t campaign, std::int64_t row, std::optional<int> part,
                     std::string_view modem, StoreError& error);
    bool RecordResult(const SendUpdate& update, StoreError& error);
    // Group commit: every update in one transaction, all or none.
    bool Apply(const std::vector<SendUpdate>& updates, StoreError& error);

    // Rows in `state` (unknown, failed or sent), or every row with an
    // outcome when none is given, go back to not sent, to be sent again;
    // logged. `reopened` tells how many.
    bool ReopenRows(std::int64_t campaign, std::optional<SendState> state, std::int64_t& reopened,
                    StoreError& error);

    // Newest first, with counts.
    bool ListCampaigns(std::vector<CampaignRecord>& campaigns, StoreError& error);
    bool GetCampaign(std::int64_t id, CampaignRecord& campaign, StoreError& error);
    // The rows in order; only those in state `only` when given.
    bool GetRows(std::int64_t campaign, std::vector<RowRecord>& rows, StoreError& error,
                 std::optional<SendState> only = std::nullopt);
    bool GetEvents(std::int64_t campaign, std::vector<StoreEvent>& events, StoreError& error);
    // The newest interrupted or stopped campaign, if any.
    bool FindLatestResumable(std::optional<std::int64_t>& id, StoreError& error);
    // The newest interrupted or stopped campaign of this message and numbers
    // file; none when either changed (that starts a new campaign).
    bool FindResumable(std::string_view message, std::string_view numbersHash,
                       std::optional<std::int64_t>& id, StoreError& error);

private:
    struct Prepared;

    bool Fail(StoreError& error, int rc, std::string_view doing);
    bool OpenDatabase(StoreMode mode, StoreError& error);
    bool Migrate(StoreError& error);
    bool Prepare(StoreError& error);
    bool ApplyOne(const SendUpdate& update, std::int64_t now, StoreError& error);
    bool LogEvent(std::int64_t campaign, std::optional<std::int64_t> row,
                  std::optional<std::int64_t> part, std::string_view from, std::string_view to,
                  std::string_view detail, std::int64_t now, StoreError& error);
    bool ReadCampaigns(std::string_view where, std::int64_t key,
                       std::vector<CampaignRecord>& campaigns, StoreError& error);
    bool FindResumableOf(bool any, std::string_view message, std::string_view numbersHash,
                         std::optional<std::int64_t>& id, StoreError& error);
    std::int64_t Now() const;

    Sqlite::CDatabase m_db;
    CStoreLock m_lock;
    StoreMode m_mode = StoreMode::Read;
    StoreOptions m_options;
    std::string m_strPath;
    RecoveryReport m_recovery;
    std::unique_ptr<Prepared> m_pStmts;
};
