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
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "campaign/store/Sqlite.h"
#include "campaign/store/StoreLock.h"

namespace PduLib {
struct DecodedDeliver;
struct DecodedStatusReport;
}  // namespace PduLib

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
    // Each row's own message (personal messages), in the order of
    // `numbers`; empty when every row sends `message`.
    std::vector<std::string> texts{};
    // With `texts`: the parts of each row's own message (`parts` is then the
    // most of any row).
    std::vector<int> rowParts{};
    std::optional<StoreTime> sendAt{};  // when a scheduled campaign starts
};

// What the reports said about a send (of a row, or of one of its parts).
enum class DeliveryState {
    None,       // no report
    Pending,    // the service centre still tries (or a reserved TP-ST)
    Delivered,  // every part reached the phone
    Failed,     // a part will not be delivered
};
// "", "pending", "delivered", "failed"; an unknown name reads as None.
std::string_view ToString(DeliveryState state);
DeliveryState ParseDeliveryState(std::string_view text);

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
    std::optional<StoreTime> sendAt;
};

struct PartRecord {
    int index = 0;  // from 0
    SendState state = SendState::NotSent;
    std::optional<std::int64_t> code;
    std::optional<std::int64_t> requestId;
    std::optional<std::int64_t> tpMr;
    StoreTime time{};
    DeliveryState delivery = DeliveryState::None;
    std::optional<std::uint8_t> deliveryStatus;  // TP-ST of the deciding report
    StoreTime deliveryTime{};                    // its discharge time
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
    StoreTime time{};                 // last change (the campaign's creation if none)
    std::vector<PartRecord> parts;    // only for messages of several parts
    std::optional<std::string> text;  // the row's own message, if it has one
    // From the status reports; for several parts, the verdict of them all.
    DeliveryState delivery = DeliveryState::None;
    std::optional<std::uint8_t> deliveryStatus;
    StoreTime deliveryTime{};
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
    // The two-letter country of national numbers, for bringing numbers to
    // E.164 (matching reports, replies and opt-outs); empty when unknown.
    std::string region;
};

// $XDG_DATA_HOME/Vantorix/campaigns.sqlite, else ~/.local/share/...; on
// Windows %APPDATA%\Vantorix\campaigns.sqlite. Empty when none of these is set.
std::string DefaultStorePath();

// "fnv1a64:" and 16 hex digits: FNV-1a 64-bit of `bytes`. Detects a changed
// numbers file; not a defence against a crafted one.
std::string ContentHash(std::string_view bytes);
bool FileContentHash(const std::string& path, std::string& hash, StoreError& error);

// --- Received PDUs: status reports, messages (the inbox), opt-outs.

struct ReceivedPdu {
    std::string pduHex;  // service-centre field first, as AT+CMGL lists it
    StoreTime received{};
    // The modem that received it, as rows name the modem that sent them: a
    // status report matches only sends of that modem (each modem numbers
    // its own TP-MRs). Empty: any modem.
    std::string modem;
};

struct ReceiveResult {
    enum class Kind {
        StatusReport,
        Message,     // a part of a message (or a whole one)
        Unreadable,  // kept with its reason (`note`), also an SMS-SUBMIT
    };
    enum class OptOut { None, Added, Removed };
    Kind kind = Kind::Unreadable;
    bool duplicate = false;  // held already: nothing changed
    std::string note;        // why a report matched no send, why a PDU is unreadable
    // A status report matched to its send.
    std::optional<std::int64_t> campaign;
    std::optional<std::int64_t> row;
    std::optional<std::int64_t> part;
    DeliveryState delivery = DeliveryState::None;  // the row's, after the report
    // A message part.
    std::int64_t message = 0;
    bool complete = false;  // the message has every part now
    std::string from;       // E.164, or the sender's name
    OptOut optOut = OptOut::None;
};

struct MessageQuery {
    std::optional<StoreTime> since;  // received at or after
    // A message still missing parts is listed once its first part is older
    // than `incompleteAfter` (parts may still come until then), or always
    // with `includeWaiting`.
    std::chrono::milliseconds incompleteAfter = std::chrono::hours(24);
    bool includeWaiting = false;
};

struct MessageRecord {
    std::int64_t id = 0;
    std::string from;        // E.164 where it is a number, else the sender's name
    std::string originator;  // TP-OA as received
    std::string sentText;    // the service centre's time stamp, ISO 8601 with its offset
    StoreTime sent{};        // the same instant
    StoreTime received{};    // when its first part was stored
    std::string text;        // the parts held, joined in order
    int parts = 1;
    int have = 1;
    bool complete = true;
    std::optional<std::int64_t> campaign;  // the latest campaign sent to `from`
};

struct StatusReportRecord {
    std::int64_t id = 0;
    std::optional<std::int64_t> campaign;
    std::optional<std::int64_t> row;
    std::optional<std::int64_t> part;
    int tpMr = 0;
    std::string recipient;
    int status = 0;             // TP-ST
    std::string sentText;       // TP-SCTS, ISO 8601
    std::string dischargeText;  // TP-DT, ISO 8601
    StoreTime received{};
    std::string pduHex;
    std::string note;
};

enum class OptOutSource { Reply, Manual, Import };
std::string_view ToString(OptOutSource source);

struct OptOutRecord {
    std::string number;  // E.164
    StoreTime added{};
    OptOutSource source = OptOutSource::Manual;
};

// What a reply asks for: its whole text, blanks around it and case aside,
// is STOP, STOPALL, UNSUBSCRIBE, CANCEL, END, QUIT or one of `userWords`
// (Stop), or START or UNSTOP (Start). Case is folded for ASCII letters only.
enum class ReplyIntent { None, Stop, Start };
ReplyIntent ClassifyReply(std::string_view text, const std::vector<std::string>& userWords);

// A time stamp (TS 23.040 9.2.3.11) as milliseconds since 1970 UTC; nullopt
// for one that names no date.
std::optional<std::int64_t> TimeStampMillis(std::uint8_t year, std::uint8_t month, std::uint8_t day,
                                            std::uint8_t hour, std::uint8_t minute,
                                            std::uint8_t second, int quarterHours);

class CCampaignStore {
public:
    // Schema versions: 0 is an empty file; each step moves one version on.
    static constexpr std::int64_t kSchemaVersion = 2;
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

    // Sets or clears when campaign `id` is to start.
    bool SetCampaignSendAt(std::int64_t campaign, std::optional<StoreTime> sendAt,
                           StoreError& error);

    // --- What the network sends back (see Received.h). Allowed in either
    // mode: they touch no send, only delivery verdicts, the inbox and the
    // opt-out list, and SQLite serialises the writers.

    // One PDU as the modem lists it (hexadecimal, service-centre field
    // first), decoded and kept: a status report is matched to its send, a
    // message part joins its message, a PDU that cannot be read is kept with
    // its reason. True means it is durably stored, so the modem may delete
    // it; the same PDU again is recognised (`result.duplicate`).
    bool Receive(std::string_view pduHex, StoreTime received, ReceiveResult& result,
                 StoreError& error);
    // Many at once, in one transaction (all or none): for the messages
    // waiting in the modem at start-up.
    bool ReceiveBatch(const std::vector<ReceivedPdu>& pdus, std::vector<ReceiveResult>& results,
                      StoreError& error);
    // Received messages, newest first; see MessageQuery.
    bool ListMessages(const MessageQuery& query, std::vector<MessageRecord>& messages,
                      StoreError& error);
    // Reports kept, newest first; only those matched to no send when
    // `unmatchedOnly`.
    bool ListStatusReports(bool unmatchedOnly, std::vector<StatusReportRecord>& reports,
                           StoreError& error);

    // The opt-out list. Numbers in any spelling are kept in E.164; one that
    // cannot be brought to E.164 is refused (Refused).
    bool AddOptOut(std::string_view number, OptOutSource source, bool& added, StoreError& error);
    // Many in one transaction; `refused` gets those that are no number.
    bool AddOptOuts(const std::vector<std::string>& numbers, OptOutSource source,
                    std::int64_t& added, std::vector<std::string>& refused, StoreError& error);
    bool RemoveOptOut(std::string_view number, bool& removed, StoreError& error);
    // In E.164 order.
    bool ListOptOuts(std::vector<OptOutRecord>& list, StoreError& error);
    // For a campaign about to start: look each number up with E164Of.
    bool GetOptOutSet(std::unordered_set<std::string>& e164, StoreError& error);
    bool IsOptedOut(std::string_view number, bool& optedOut, StoreError& error);
    // `number` in E.164 with this store's region; empty when it is none.
    std::string E164Of(std::string_view number) const;

    // The user's own stop words, besides the standard ones (see
    // ClassifyReply).
    bool GetStopWords(std::vector<std::string>& words, StoreError& error);
    bool SetStopWords(const std::vector<std::string>& words, StoreError& error);

private:
    struct Prepared;

    bool Fail(StoreError& error, int rc, std::string_view doing);
    bool OpenDatabase(StoreMode mode, StoreError& error);
    // Recover's work, inside a transaction the caller holds.
    bool RecoverInTransaction(RecoveryReport& report, StoreError& error);
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
    bool RequireOpen(StoreError& error);
    // `sql` (a literal: its address is the key) prepared once and reset.
    Sqlite::CStatement* Cached(const char* sql, StoreError& error);
    bool ReceiveOne(const ReceivedPdu& pdu, ReceiveResult& result, StoreError& error);
    bool RecordStatusReport(const PduLib::DecodedStatusReport& report, const std::string& pduHex,
                            std::int64_t received, const std::string& modem, ReceiveResult& result,
                            StoreError& error);
    bool RecordReceivedPart(const PduLib::DecodedDeliver& part, const std::string& pduHex,
                            std::int64_t received, ReceiveResult& result, StoreError& error);
    bool ApplyReport(std::int64_t campaign, std::int64_t row, std::optional<std::int64_t> part,
                     std::uint8_t st, std::int64_t discharge, StoreError& error);
    bool MatchLateReports(std::int64_t campaign, std::int64_t row, std::optional<int> part,
                          std::int64_t tpMr, std::int64_t now, StoreError& error);
    bool FillE164(StoreError& error);
    bool UserStopWords(std::vector<std::string>& words, StoreError& error);

    Sqlite::CDatabase m_db;
    CStoreLock m_lock;
    StoreMode m_mode = StoreMode::Read;
    StoreOptions m_options;
    std::string m_strPath;
    RecoveryReport m_recovery;
    // Set when the upgrade of Open already recovered.
    bool m_bRecovered = false;
    std::unique_ptr<Prepared> m_pStmts;
    std::map<const char*, std::unique_ptr<Sqlite::CStatement>> m_cached;
    bool m_bE164Filled = false;
};
