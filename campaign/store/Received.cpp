// What comes back from the network, kept in the campaign store: status
// reports matched to their sends, received messages joined from their
// parts, PDUs that could not be read, and the opt-out list.
#include <algorithm>
#include <exception>
#include <limits>
#include <utility>

#include "campaign/phone/PhoneNumber.h"
#include "campaign/store/CampaignStore.h"
#include "pdu/Hex.h"
#include "pdu/PduDecoder.h"
#include "pdu/StatusReportOutcome.h"
#include "pdu/Unicode.h"

namespace {

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

// A cached statement, reset (its read ended) when the use ends.
class CUse {
public:
    explicit CUse(Sqlite::CStatement* stmt) : m_pStmt(stmt) {}
    ~CUse() {
        if (m_pStmt != nullptr) {
            m_pStmt->Reset();
        }
    }
    CUse(const CUse&) = delete;
    CUse& operator=(const CUse&) = delete;
    explicit operator bool() const { return m_pStmt != nullptr; }
    Sqlite::CStatement* operator->() const { return m_pStmt; }

private:
    Sqlite::CStatement* m_pStmt;
};

// A report that comes before the modem's answer naming its reference is
// matched when the answer is recorded, if it is at most this old then.
constexpr std::int64_t kLateReportMs = 10 * 60 * 1000;

const char* const kStopWords[] = {"STOP", "STOPALL", "UNSUBSCRIBE", "CANCEL", "END", "QUIT"};
const char* const kStartWords[] = {"START", "UNSTOP"};

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// Blanks around it removed, ASCII letters in upper case.
std::string Fold(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return out;
}

DeliveryState FromStatus(std::uint8_t st) {
    switch (PduLib::StatusReportOutcome(st).kind) {
        case PduLib::StatusKind::Delivered:
            return DeliveryState::Delivered;
        case PduLib::StatusKind::FailedPermanent:
        case PduLib::StatusKind::FailedGaveUp:
            return DeliveryState::Failed;
        case PduLib::StatusKind::StillTrying:
        case PduLib::StatusKind::Unknown:
            break;
    }
    return DeliveryState::Pending;
}

bool IsFinal(DeliveryState state) {
    return state == DeliveryState::Delivered || state == DeliveryState::Failed;
}

// TS 23.040 9.1.2.5: type of number 101 is an alphanumeric sender.
bool IsAlphanumeric(std::uint8_t toa) {
    return ((toa >> 4) & 0x07) == 0x05;
}

std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

std::int64_t StampMillis(const PduLib::TimeStamp& t, std::int64_t otherwise) {
    return TimeStampMillis(t.year, t.month, t.day, t.hour, t.minute, t.second, t.timeZone)
        .value_or(otherwise);
}

// The text of a stored part, read again from its PDU.
std::u16string PartText(const std::string& pduHex) {
    std::string octets;
    std::string why;
    if (!PduLib::FromHex(pduHex, octets, why)) {
        return {};
    }
    try {
        return PduLib::DecodePdu(octets).deliver.text();
    } catch (const std::exception&) {
        return {};
    }
}

std::optional<OptOutSource> ParseOptOutSource(std::string_view text) {
    for (const OptOutSource s : {OptOutSource::Reply, OptOutSource::Manual, OptOutSource::Import}) {
        if (ToString(s) == text) {
            return s;
        }
    }
    return std::nullopt;
}

}  // namespace

std::string_view ToString(OptOutSource source) {
    constexpr std::string_view kNames[] = {"reply", "manual", "import"};
    return kNames[static_cast<std::size_t>(source)];
}

ReplyIntent ClassifyReply(std::string_view text, const std::vector<std::string>& userWords) {
    const std::string folded = Fold(text);
    if (folded.empty()) {
        return ReplyIntent::None;
    }
    for (const char* word : kStartWords) {
        if (folded == word) {
            return ReplyIntent::Start;
        }
    }
    for (const char* word : kStopWords) {
        if (folded == word) {
            return ReplyIntent::Stop;
        }
    }
    for (const std::string& word : userWords) {
        if (folded == Fold(word)) {
            return ReplyIntent::Stop;
        }
    }
    return ReplyIntent::None;
}

std::optional<std::int64_t> TimeStampMillis(std::uint8_t year, std::uint8_t month, std::uint8_t day,
                                            std::uint8_t hour, std::uint8_t minute,
                                            std::uint8_t second, int quarterHours) {
    if (year > 99 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 ||
        second > 59) {
        return std::nullopt;
    }
    const std::int64_t fullYear = year >= 90 ? 1900 + year : 2000 + year;
    const std::int64_t seconds = DaysFromCivil(fullYear, month, day) * 86400 + hour * 3600 +
                                 minute * 60 + second - std::int64_t{quarterHours} * 15 * 60;
    return seconds * 1000;
}

Sqlite::CStatement* CCampaignStore::Cached(const char* sql, StoreError& error) {
    std::unique_ptr<Sqlite::CStatement>& slot = m_cached[sql];
    if (!slot) {
        auto stmt = std::make_unique<Sqlite::CStatement>();
        const int rc = stmt->Prepare(m_db.Get(), sql);
        if (rc != SQLITE_OK) {
            Fail(error, rc == SQLITE_ERROR ? SQLITE_CORRUPT : rc, "reading its tables");
            return nullptr;
        }
        slot = std::move(stmt);
    }
    slot->Reset();
    return slot.get();
}

bool CCampaignStore::RequireOpen(StoreError& error) {
    return IsOpen() ||
           SetError(error, StoreError::Kind::Refused, "The campaign store is not open.");
}

std::string CCampaignStore::E164Of(std::string_view number) const {
    return Phone::ToE164(PduLib::Utf8ToUtf16(number), m_options.region).value_or(std::string());
}

bool CCampaignStore::FillE164(StoreError& error) {
    std::vector<std::pair<std::pair<std::int64_t, std::int64_t>, std::string>> rows;
    {
        CUse select(Cached("SELECT campaign_id, ord, number FROM row WHERE e164 IS NULL", error));
        if (!select) {
            return false;
        }
        int rc = 0;
        while ((rc = select->Step()) == SQLITE_ROW) {
            rows.push_back({{select->Int(0), select->Int(1)}, E164Of(select->Text(2))});
        }
        if (rc != SQLITE_DONE) {
            return Fail(error, rc, "reading rows");
        }
    }
    for (const auto& [key, e164] : rows) {
        CUse update(Cached("UPDATE row SET e164 = ?3 WHERE campaign_id = ?1 AND ord = ?2", error));
        if (!update) {
            return false;
        }
        update->Bind(1, key.first);
        update->Bind(2, key.second);
        update->Bind(3, e164);
        const int rc = update->Step();
        if (rc != SQLITE_DONE) {
            return Fail(error, rc, "recording numbers");
        }
    }
    return true;
}

bool CCampaignStore::Receive(std::string_view pduHex, StoreTime received, ReceiveResult& result,
                             StoreError& error) {
    std::vector<ReceiveResult> results;
    if (!ReceiveBatch({ReceivedPdu{std::string(pduHex), received, {}}}, results, error)) {
        return false;
    }
    result = std::move(results.front());
    return true;
}

bool CCampaignStore::ReceiveBatch(const std::vector<ReceivedPdu>& pdus,
                                  std::vector<ReceiveResult>& results, StoreError& error) {
    results.clear();
    if (!RequireOpen(error)) {
        return false;
    }
    Sqlite::CTransaction transaction(m_db);
    int rc = transaction.Begin();
    if (rc != SQLITE_OK) {
        return Fail(error, rc, "receiving");
    }
    if (!m_bE164Filled && !FillE164(error)) {
        return false;
    }
    std::vector<ReceiveResult> out;
    out.reserve(pdus.size());
    for (const ReceivedPdu& pdu : pdus) {
        ReceiveResult result;
        if (!ReceiveOne(pdu, result, error)) {
            return false;
        }
        out.push_back(std::move(result));
    }
    if ((rc = transaction.Commit()) != SQLITE_OK) {
        return Fail(error, rc, "receiving");
    }
    m_bE164Filled = true;
    results = std::move(out);
    return true;
}

bool CCampaignStore::ReceiveOne(const ReceivedPdu& pdu, ReceiveResult& result, StoreError& error) {
    const std::int64_t received = ToMillis(pdu.received);
    std::string_view hex = pdu.pduHex;
    while (!hex.empty() && IsBlank(hex.back())) {
        hex.remove_suffix(1);
    }
    while (!hex.empty() && IsBlank(hex.front())) {
        hex.remove_prefix(1);
    }
    std::string octets;
    std::string reason;
    std::string normal(hex);
    PduLib::DecodedPdu decoded;
    if (PduLib::FromHex(hex, octets, reason)) {
        normal = PduLib::ToHex(octets);
        try {
            decoded = PduLib::DecodePdu(octets);
        } catch (const std::exception& e) {
            reason = e.what();
        }
    }
    if (reason.empty()) {
        if (decoded.type == PduLib::DecodedPdu::Type::StatusReport) {
            return RecordStatusReport(decoded.statusReport, normal, received, pdu.modem, result,
                                      error);
        }
        if (decoded.type == PduLib::DecodedPdu::Type::Deliver) {
            return RecordReceivedPart(decoded.deliver, normal, received, result, error);
        }
        reason = "an SMS-SUBMIT (a message to send), not a received one";
    }
    result.kind = ReceiveResult::Kind::Unreadable;
    result.note = reason;
    CUse insert(
        Cached("INSERT INTO unreadable (received, pdu, reason) VALUES (?1, ?2, ?3) "
               "ON CONFLICT (pdu) DO NOTHING",
               error));
    if (!insert) {
        return false;
    }
    insert->Bind(1, received);
    insert->Bind(2, normal);
    insert->Bind(3, reason);
    const int rc = insert->Step();
    if (rc != SQLITE_DONE) {
        return Fail(error, rc, "keeping a received PDU");
    }
    result.duplicate = sqlite3_changes(m_db.Get()) == 0;
    return true;
}

bool CCampaignStore::RecordStatusReport(const PduLib::DecodedStatusReport& report,
                                        const std::string& pduHex, std::int64_t received,
                                        const std::string& modem, ReceiveResult& result,
                                        StoreError& error) {
    result.kind = ReceiveResult::Kind::StatusReport;
    const std::string recipient = E164Of(report.recipient);
    const std::int64_t discharge = StampMillis(report.dischargeTime, received);
    std::int64_t id = 0;
    {
        CUse insert(Cached(
            "INSERT INTO status_report (tp_mr, recipient, recipient_e164, st, scts, discharge, "
            "discharge_time, received, pdu) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9) "
            "ON CONFLICT DO NOTHING",
            error));
        if (!insert) {
            return false;
        }
        insert->Bind(1, std::int64_t{report.messageReference});
        insert->Bind(2, report.recipient);
        insert->Bind(3, recipient);
        insert->Bind(4, std::int64_t{report.status});
        insert->Bind(5, PduLib::TimeStampIso8601(report.serviceCentreTime));
        insert->Bind(6, PduLib::TimeStampIso8601(report.dischargeTime));
        insert->Bind(7, discharge);
        insert->Bind(8, received);
        insert->Bind(9, pduHex);
        const int rc = insert->Step();
        if (rc != SQLITE_DONE) {
            return Fail(error, rc, "keeping a status report");
        }
        if (sqlite3_changes(m_db.Get()) == 0) {
            result.duplicate = true;
            return true;
        }
        id = sqlite3_last_insert_rowid(m_db.Get());
    }
    // The latest send with this reference to this number.
    std::optional<std::int64_t> campaign;
    std::int64_t row = 0;
    std::optional<std::int64_t> part;
    // The send a match query found (campaign, row, part), if any.
    auto takeMatch = [&](const CUse& match, const char* what) {
        const int rc = match->Step();
        if (rc == SQLITE_ROW) {
            campaign = match->Int(0);
            row = match->Int(1);
            part = match->OptionalInt(2);
        } else if (rc != SQLITE_DONE) {
            return Fail(error, rc, what);
        }
        return true;
    };
    if (!recipient.empty()) {
        CUse match(Cached(
            "SELECT r.campaign_id, r.ord, NULL, r.changed FROM row r JOIN campaign c ON c.id = "
            "r.campaign_id WHERE r.tp_mr = ?1 AND r.e164 = ?2 AND (?3 = '' OR r.modem IN ('', "
            "?3)) AND (c.parts = 1 OR NOT EXISTS (SELECT 1 FROM part q WHERE q.campaign_id = "
            "r.campaign_id AND q.ord = r.ord)) UNION ALL SELECT p.campaign_id, p.ord, "
            "p.part_index, p.changed FROM part p JOIN row r ON r.campaign_id = p.campaign_id AND "
            "r.ord = p.ord WHERE p.tp_mr = ?1 AND r.e164 = ?2 AND (?3 = '' OR r.modem IN ('', "
            "?3)) ORDER BY 4 DESC LIMIT 1",
            error));
        if (!match) {
            return false;
        }
        match->Bind(1, std::int64_t{report.messageReference});
        match->Bind(2, recipient);
        match->Bind(3, modem);
        if (!takeMatch(match, "matching a status report")) {
            return false;
        }
    }
    // A modem that names no reference (the Mobile Broadband API tells none):
    // the report goes to the oldest undecided part of the newest campaign
    // that sent to this number without one.
    if (!campaign && !recipient.empty()) {
        CUse match(Cached(
            "SELECT r.campaign_id, r.ord, NULL FROM row r JOIN campaign c ON c.id = "
            "r.campaign_id WHERE r.tp_mr IS NULL AND r.e164 = ?1 AND (?2 = '' OR r.modem IN "
            "('', ?2)) AND r.state = 'sent' AND r.delivery IN ('', 'pending') AND (c.parts = 1 OR "
            "NOT EXISTS (SELECT 1 FROM part q WHERE q.campaign_id = r.campaign_id AND q.ord = "
            "r.ord)) UNION ALL SELECT p.campaign_id, p.ord, p.part_index FROM part p JOIN row r "
            "ON r.campaign_id = p.campaign_id AND r.ord = p.ord WHERE p.tp_mr IS NULL AND r.e164 "
            "= ?1 AND (?2 = '' OR r.modem IN ('', ?2)) AND p.state = 'sent' AND p.delivery IN "
            "('', 'pending') ORDER BY 1 DESC, 3 ASC LIMIT 1",
            error));
        if (!match) {
            return false;
        }
        match->Bind(1, recipient);
        match->Bind(2, modem);
        if (!takeMatch(match, "matching a status report by number")) {
            return false;
        }
    }
    if (!campaign) {
        result.note = recipient.empty()
                          ? "the recipient " + report.recipient + " is no telephone number"
                          : "no send with reference " + std::to_string(report.messageReference) +
                                " to " + recipient + " (yet)";
    }
    CUse update(
        Cached("UPDATE status_report SET campaign_id = ?2, ord = ?3, part_index = ?4, "
               "note = ?5 WHERE id = ?1",
               error));
    if (!update) {
        return false;
    }
    update->Bind(1, id);
    update->Bind(2, campaign);
    update->Bind(3, campaign ? std::optional<std::int64_t>(row) : std::nullopt);
    update->Bind(4, part);
    update->Bind(5, result.note);
    const int rc = update->Step();
    if (rc != SQLITE_DONE) {
        return Fail(error, rc, "keeping a status report");
    }
    if (!campaign) {
        return true;
    }
    result.campaign = campaign;
    result.row = row;
    result.part = part;
    if (!ApplyReport(*campaign, row, part, report.status, discharge, error)) {
        return false;
    }
    CUse state(Cached("SELECT delivery FROM row WHERE campaign_id = ?1 AND ord = ?2", error));
    if (!state) {
        return false;
    }
    state->Bind(1, *campaign);
    state->Bind(2, row);
    if (state->Step() == SQLITE_ROW) {
        result.delivery = ParseDeliveryState(state->Text(0));
    }
    return true;
}

bool CCampaignStore::ApplyReport(std::int64_t campaign, std::int64_t row,
                                 std::optional<std::int64_t> part, std::uint8_t st,
                                 std::int64_t discharge, StoreError& error) {
    const DeliveryState next = FromStatus(st);
    // A late "still trying" never undoes a final verdict.
    {
        CUse current(Cached(part ? "SELECT delivery FROM part WHERE campaign_id = ?1 AND ord = ?2 "
                                   "AND part_index = ?3"
                                 : "SELECT delivery FROM row WHERE campaign_id = ?1 AND ord = ?2",
                            error));
        if (!current) {
            return false;
        }
        current->Bind(1, campaign);
        current->Bind(2, row);
        if (part) {
            current->Bind(3, *part);
        }
        const int rc = current->Step();
        if (rc != SQLITE_ROW) {
            return Fail(error, rc == SQLITE_DONE ? SQLITE_CORRUPT : rc, "recording a delivery");
        }
        if (IsFinal(ParseDeliveryState(current->Text(0))) && !IsFinal(next)) {
            return true;
        }
    }
    DeliveryState rowState = next;
    std::int64_t rowSt = st;
    std::int64_t rowTime = discharge;
    if (part) {
        {
            CUse update(
                Cached("UPDATE part SET delivery = ?4, delivery_st = ?5, delivery_time = "
                       "?6 WHERE campaign_id = ?1 AND ord = ?2 AND part_index = ?3",
                       error));
            if (!update) {
                return false;
            }
            update->Bind(1, campaign);
            update->Bind(2, row);
            update->Bind(3, *part);
            update->Bind(4, ToString(next));
            update->Bind(5, std::int64_t{st});
            update->Bind(6, discharge);
            const int rc = update->Step();
            if (rc != SQLITE_DONE) {
                return Fail(error, rc, "recording a delivery");
            }
        }
        // The row's verdict: delivered when every part is, failed when any
        // part failed, else pending.
        CUse parts(
            Cached("SELECT p.delivery, p.delivery_st, p.delivery_time, COALESCE(r.parts, c.parts) "
                   "FROM part p JOIN row r ON r.campaign_id = p.campaign_id AND r.ord = p.ord "
                   "JOIN campaign c ON c.id = p.campaign_id WHERE p.campaign_id = ?1 AND "
                   "p.ord = ?2 AND p.delivery <> '' ORDER BY p.delivery_time",
                   error));
        if (!parts) {
            return false;
        }
        parts->Bind(1, campaign);
        parts->Bind(2, row);
        std::int64_t delivered = 0;
        std::int64_t total = 0;
        bool failed = false;
        int rc = 0;
        while ((rc = parts->Step()) == SQLITE_ROW) {
            const DeliveryState state = ParseDeliveryState(parts->Text(0));
            total = parts->Int(3);
            if (failed) {
                continue;  // the first failure decides
            }
            rowSt = parts->Int(1);
            rowTime = parts->Int(2);
            failed = state == DeliveryState::Failed;
            delivered += state == DeliveryState::Delivered ? 1 : 0;
        }
        if (rc != SQLITE_DONE) {
            return Fail(error, rc, "recording a delivery");
        }
        rowState = failed               ? DeliveryState::Failed
                   : delivered == total ? DeliveryState::Delivered
                                        : DeliveryState::Pending;
        if (rowState == DeliveryState::Pending && next == DeliveryState::Delivered) {
            rowSt = st;  // some parts delivered, others not yet reported
        }
    }
    CUse update(
        Cached("UPDATE row SET delivery = ?3, delivery_st = ?4, delivery_time = ?5 "
               "WHERE campaign_id = ?1 AND ord = ?2",
               error));
    if (!update) {
        return false;
    }
    update->Bind(1, campaign);
    update->Bind(2, row);
    update->Bind(3, ToString(rowState));
    update->Bind(4, rowSt);
    update->Bind(5, rowTime);
    const int rc = update->Step();
    return rc == SQLITE_DONE || Fail(error, rc, "recording a delivery");
}

bool CCampaignStore::MatchLateReports(std::int64_t campaign, std::int64_t row,
                                      std::optional<int> part, std::int64_t tpMr, std::int64_t now,
                                      StoreError& error) {
    struct Late {
        std::int64_t id;
        std::int64_t st;
        std::int64_t discharge;
    };
    std::vector<Late> late;
    {
        CUse select(Cached(
            "SELECT s.id, s.st, s.discharge_time FROM status_report s JOIN row r ON r.campaign_id "
            "= ?1 AND r.ord = ?2 WHERE s.campaign_id IS NULL AND s.tp_mr = ?3 AND "
            "s.recipient_e164 = r.e164 AND r.e164 <> '' AND s.received >= ?4 ORDER BY s.id",
            error));
        if (!select) {
            return false;
        }
        select->Bind(1, campaign);
        select->Bind(2, row);
        select->Bind(3, tpMr);
        select->Bind(4, now - kLateReportMs);
        int rc = 0;
        while ((rc = select->Step()) == SQLITE_ROW) {
            late.push_back({select->Int(0), select->Int(1), select->Int(2)});
        }
        if (rc != SQLITE_DONE) {
            return Fail(error, rc, "matching a status report");
        }
    }
    const std::optional<std::int64_t> partIndex =
        part ? std::optional<std::int64_t>(*part) : std::nullopt;
    for (const Late& report : late) {
        CUse update(
            Cached("UPDATE status_report SET campaign_id = ?2, ord = ?3, part_index = ?4, "
                   "note = ?5 WHERE id = ?1",
                   error));
        if (!update) {
            return false;
        }
        update->Bind(1, report.id);
        update->Bind(2, campaign);
        update->Bind(3, row);
        update->Bind(4, partIndex);
        update->Bind(5, std::string_view("matched when the modem named its reference"));
        const int rc = update->Step();
        if (rc != SQLITE_DONE) {
            return Fail(error, rc, "matching a status report");
        }
        if (!ApplyReport(campaign, row, partIndex, static_cast<std::uint8_t>(report.st),
                         report.discharge, error)) {
            return false;
        }
    }
    return true;
}

bool CCampaignStore::RecordReceivedPart(const PduLib::DecodedDeliver& part,
                                        const std::string& pduHex, std::int64_t received,
                                        ReceiveResult& result, StoreError& error) {
    result.kind = ReceiveResult::Kind::Message;
    {
        CUse known(
            Cached("SELECT m.id, m.have >= m.parts FROM message_part p JOIN message m ON "
                   "m.id = p.message_id WHERE p.pdu = ?1",
                   error));
        if (!known) {
            return false;
        }
        known->Bind(1, pduHex);
        const int rc = known->Step();
        if (rc == SQLITE_ROW) {
            result.duplicate = true;
            result.message = known->Int(0);
            result.complete = known->Int(1) != 0;
            return true;
        }
        if (rc != SQLITE_DONE) {
            return Fail(error, rc, "receiving a message");
        }
    }
    std::string from = part.originator;
    if (!IsAlphanumeric(part.originatorToa)) {
        const std::string e164 = E164Of(part.originator);
        from = e164.empty() ? part.originator : e164;
    }
    result.from = from;
    const PduLib::ConcatenationInfo* concat = part.concatenation();
    const bool single = concat == nullptr || concat->total <= 1 || concat->sequence == 0 ||
                        concat->sequence > concat->total;
    const std::int64_t sequence = single ? 1 : concat->sequence;
    const std::int64_t total = single ? 1 : concat->total;
    const std::u16string text = part.text();

    // A part joins the oldest message of its originator, reference and total
    // that lacks it; the same part again (another PDU of the same text) is a
    // duplicate; else it starts a message (a reference used again).
    std::int64_t id = 0;
    if (!single) {
        std::vector<std::int64_t> open;
        {
            CUse select(
                Cached("SELECT id FROM message WHERE originator = ?1 AND concat_ref = ?2 "
                       "AND parts = ?3 AND concat_iei = ?4 AND have < parts ORDER BY id",
                       error));
            if (!select) {
                return false;
            }
            select->Bind(1, part.originator);
            select->Bind(2, std::int64_t{concat->reference});
            select->Bind(3, total);
            select->Bind(4, std::int64_t{concat->iei});
            int rc = 0;
            while ((rc = select->Step()) == SQLITE_ROW) {
                open.push_back(select->Int(0));
            }
            if (rc != SQLITE_DONE) {
                return Fail(error, rc, "receiving a message");
            }
        }
        for (const std::int64_t candidate : open) {
            CUse held(
                Cached("SELECT pdu FROM message_part WHERE message_id = ?1 AND seq = ?2", error));
            if (!held) {
                return false;
            }
            held->Bind(1, candidate);
            held->Bind(2, sequence);
            const int rc = held->Step();
            if (rc == SQLITE_DONE) {
                id = candidate;
                break;
            }
            if (rc != SQLITE_ROW) {
                return Fail(error, rc, "receiving a message");
            }
            if (PartText(held->Text(0)) == text) {
                result.duplicate = true;
                result.message = candidate;
                return true;
            }
        }
    }
    const std::int64_t sent = StampMillis(part.serviceCentreTime, received);
    const std::string sentText = PduLib::TimeStampIso8601(part.serviceCentreTime);
    if (id == 0) {
        std::optional<std::int64_t> campaign;
        if (!from.empty() && from.front() == '+') {
            CUse latest(
                Cached("SELECT max(campaign_id) FROM row WHERE e164 = ?1 AND state IN "
                       "('sent', 'unknown', 'sending')",
                       error));
            if (!latest) {
                return false;
            }
            latest->Bind(1, from);
            const int rc = latest->Step();
            if (rc != SQLITE_ROW) {
                return Fail(error, rc, "receiving a message");
            }
            campaign = latest->OptionalInt(0);
        }
        CUse insert(
            Cached("INSERT INTO message (sender, originator, scts, sent, received, text, "
                   "parts, have, concat_iei, concat_ref, campaign_id) VALUES (?1, ?2, ?3, "
                   "?4, ?5, '', ?6, 0, ?7, ?8, ?9)",
                   error));
        if (!insert) {
            return false;
        }
        insert->Bind(1, from);
        insert->Bind(2, part.originator);
        insert->Bind(3, sentText);
        insert->Bind(4, sent);
        insert->Bind(5, received);
        insert->Bind(6, total);
        if (!single) {
            insert->Bind(7, std::int64_t{concat->iei});
            insert->Bind(8, std::int64_t{concat->reference});
        }
        insert->Bind(9, campaign);
        const int rc = insert->Step();
        if (rc != SQLITE_DONE) {
            return Fail(error, rc, "receiving a message");
        }
        id = sqlite3_last_insert_rowid(m_db.Get());
    }
    {
        CUse insert(
            Cached("INSERT INTO message_part (message_id, seq, pdu, received) VALUES "
                   "(?1, ?2, ?3, ?4)",
                   error));
        if (!insert) {
            return false;
        }
        insert->Bind(1, id);
        insert->Bind(2, sequence);
        insert->Bind(3, pduHex);
        insert->Bind(4, received);
        const int rc = insert->Step();
        if (rc != SQLITE_DONE) {
            return Fail(error, rc, "receiving a message");
        }
    }
    // The text of the parts held, in order.
    std::u16string joined;
    std::int64_t have = 1;
    if (single) {
        joined = text;
    } else {
        CUse parts(
            Cached("SELECT seq, pdu FROM message_part WHERE message_id = ?1 ORDER BY seq", error));
        if (!parts) {
            return false;
        }
        parts->Bind(1, id);
        have = 0;
        int rc = 0;
        while ((rc = parts->Step()) == SQLITE_ROW) {
            joined += parts->Int(0) == sequence ? text : PartText(parts->Text(1));
            ++have;
        }
        if (rc != SQLITE_DONE) {
            return Fail(error, rc, "receiving a message");
        }
    }
    const std::string joinedText = PduLib::Utf16ToUtf8(joined);
    {
        CUse update(
            Cached("UPDATE message SET text = ?2, have = ?3, scts = CASE WHEN ?4 THEN ?5 "
                   "ELSE scts END, sent = CASE WHEN ?4 THEN ?6 ELSE sent END WHERE id = ?1",
                   error));
        if (!update) {
            return false;
        }
        update->Bind(1, id);
        update->Bind(2, joinedText);
        update->Bind(3, have);
        update->Bind(4, std::int64_t{sequence == 1});
        update->Bind(5, sentText);
        update->Bind(6, sent);
        const int rc = update->Step();
        if (rc != SQLITE_DONE) {
            return Fail(error, rc, "receiving a message");
        }
    }
    result.message = id;
    result.complete = have >= total;
    if (!result.complete || from.empty() || from.front() != '+') {
        return true;
    }
    std::vector<std::string> words;
    if (!UserStopWords(words, error)) {
        return false;
    }
    const ReplyIntent intent = ClassifyReply(joinedText, words);
    if (intent == ReplyIntent::None) {
        return true;
    }
    CUse change(Cached(intent == ReplyIntent::Stop
                           ? "INSERT INTO opt_out (number, added, source) VALUES (?1, ?2, "
                             "'reply') ON CONFLICT DO NOTHING"
                           : "DELETE FROM opt_out WHERE number = ?1 AND ?2 IS NOT NULL",
                       error));
    if (!change) {
        return false;
    }
    change->Bind(1, from);
    change->Bind(2, received);
    const int rc = change->Step();
    if (rc != SQLITE_DONE) {
        return Fail(error, rc, "changing the opt-out list");
    }
    if (sqlite3_changes(m_db.Get()) > 0) {
        result.optOut = intent == ReplyIntent::Stop ? ReceiveResult::OptOut::Added
                                                    : ReceiveResult::OptOut::Removed;
    }
    return true;
}

bool CCampaignStore::ListMessages(const MessageQuery& query, std::vector<MessageRecord>& messages,
                                  StoreError& error) {
    messages.clear();
    if (!RequireOpen(error)) {
        return false;
    }
    CUse select(
        Cached("SELECT id, sender, originator, scts, sent, received, text, parts, have, "
               "campaign_id FROM message WHERE received >= ?1 AND (have >= parts OR ?2 OR "
               "received <= ?3) ORDER BY received DESC, id DESC",
               error));
    if (!select) {
        return false;
    }
    select->Bind(1,
                 query.since ? ToMillis(*query.since) : std::numeric_limits<std::int64_t>::min());
    select->Bind(2, std::int64_t{query.includeWaiting});
    select->Bind(3, Now() - query.incompleteAfter.count());
    int rc = 0;
    while ((rc = select->Step()) == SQLITE_ROW) {
        MessageRecord m;
        m.id = select->Int(0);
        m.from = select->Text(1);
        m.originator = select->Text(2);
        m.sentText = select->Text(3);
        m.sent = FromMillis(select->Int(4));
        m.received = FromMillis(select->Int(5));
        m.text = select->Text(6);
        m.parts = static_cast<int>(select->Int(7));
        m.have = static_cast<int>(select->Int(8));
        m.complete = m.have >= m.parts;
        m.campaign = select->OptionalInt(9);
        messages.push_back(std::move(m));
    }
    return rc == SQLITE_DONE || Fail(error, rc, "reading messages");
}

bool CCampaignStore::ListStatusReports(bool unmatchedOnly, std::vector<StatusReportRecord>& reports,
                                       StoreError& error) {
    reports.clear();
    if (!RequireOpen(error)) {
        return false;
    }
    CUse select(
        Cached("SELECT id, campaign_id, ord, part_index, tp_mr, recipient, st, scts, "
               "discharge, received, pdu, note FROM status_report WHERE NOT ?1 OR "
               "campaign_id IS NULL ORDER BY id DESC",
               error));
    if (!select) {
        return false;
    }
    select->Bind(1, std::int64_t{unmatchedOnly});
    int rc = 0;
    while ((rc = select->Step()) == SQLITE_ROW) {
        StatusReportRecord r;
        r.id = select->Int(0);
        r.campaign = select->OptionalInt(1);
        r.row = select->OptionalInt(2);
        r.part = select->OptionalInt(3);
        r.tpMr = static_cast<int>(select->Int(4));
        r.recipient = select->Text(5);
        r.status = static_cast<int>(select->Int(6));
        r.sentText = select->Text(7);
        r.dischargeText = select->Text(8);
        r.received = FromMillis(select->Int(9));
        r.pduHex = select->Text(10);
        r.note = select->Text(11);
        reports.push_back(std::move(r));
    }
    return rc == SQLITE_DONE || Fail(error, rc, "reading status reports");
}

bool CCampaignStore::AddOptOut(std::string_view number, OptOutSource source, bool& added,
                               StoreError& error) {
    std::int64_t count = 0;
    std::vector<std::string> refused;
    if (!AddOptOuts({std::string(number)}, source, count, refused, error)) {
        return false;
    }
    added = count > 0;
    return refused.empty() ||
           SetError(error, StoreError::Kind::Refused,
                    "\"" + std::string(number) + "\" is not a telephone number.");
}

bool CCampaignStore::AddOptOuts(const std::vector<std::string>& numbers, OptOutSource source,
                                std::int64_t& added, std::vector<std::string>& refused,
                                StoreError& error) {
    added = 0;
    refused.clear();
    if (!RequireOpen(error)) {
        return false;
    }
    const std::int64_t now = Now();
    Sqlite::CTransaction transaction(m_db);
    int rc = transaction.Begin();
    if (rc != SQLITE_OK) {
        return Fail(error, rc, "changing the opt-out list");
    }
    for (const std::string& number : numbers) {
        const std::string e164 = E164Of(number);
        if (e164.empty()) {
            refused.push_back(number);
            continue;
        }
        CUse insert(
            Cached("INSERT INTO opt_out (number, added, source) VALUES (?1, ?2, ?3) ON "
                   "CONFLICT DO NOTHING",
                   error));
        if (!insert) {
            return false;
        }
        insert->Bind(1, e164);
        insert->Bind(2, now);
        insert->Bind(3, ToString(source));
        if ((rc = insert->Step()) != SQLITE_DONE) {
            return Fail(error, rc, "changing the opt-out list");
        }
        added += sqlite3_changes(m_db.Get());
    }
    if ((rc = transaction.Commit()) != SQLITE_OK) {
        return Fail(error, rc, "changing the opt-out list");
    }
    return true;
}

bool CCampaignStore::RemoveOptOut(std::string_view number, bool& removed, StoreError& error) {
    removed = false;
    if (!RequireOpen(error)) {
        return false;
    }
    const std::string e164 = E164Of(number);
    if (e164.empty()) {
        return SetError(error, StoreError::Kind::Refused,
                        "\"" + std::string(number) + "\" is not a telephone number.");
    }
    CUse remove(Cached("DELETE FROM opt_out WHERE number = ?1", error));
    if (!remove) {
        return false;
    }
    remove->Bind(1, e164);
    const int rc = remove->Step();
    if (rc != SQLITE_DONE) {
        return Fail(error, rc, "changing the opt-out list");
    }
    removed = sqlite3_changes(m_db.Get()) > 0;
    return true;
}

bool CCampaignStore::ListOptOuts(std::vector<OptOutRecord>& list, StoreError& error) {
    list.clear();
    if (!RequireOpen(error)) {
        return false;
    }
    CUse select(Cached("SELECT number, added, source FROM opt_out ORDER BY number", error));
    if (!select) {
        return false;
    }
    int rc = 0;
    while ((rc = select->Step()) == SQLITE_ROW) {
        const std::optional<OptOutSource> source = ParseOptOutSource(select->Text(2));
        list.push_back(
            {select->Text(0), FromMillis(select->Int(1)), source.value_or(OptOutSource::Manual)});
    }
    return rc == SQLITE_DONE || Fail(error, rc, "reading the opt-out list");
}

bool CCampaignStore::GetOptOutSet(std::unordered_set<std::string>& e164, StoreError& error) {
    e164.clear();
    std::vector<OptOutRecord> list;
    if (!ListOptOuts(list, error)) {
        return false;
    }
    for (OptOutRecord& r : list) {
        e164.insert(std::move(r.number));
    }
    return true;
}

bool CCampaignStore::IsOptedOut(std::string_view number, bool& optedOut, StoreError& error) {
    optedOut = false;
    if (!RequireOpen(error)) {
        return false;
    }
    const std::string e164 = E164Of(number);
    if (e164.empty()) {
        return true;
    }
    CUse select(Cached("SELECT 1 FROM opt_out WHERE number = ?1", error));
    if (!select) {
        return false;
    }
    select->Bind(1, e164);
    const int rc = select->Step();
    optedOut = rc == SQLITE_ROW;
    return rc == SQLITE_ROW || rc == SQLITE_DONE || Fail(error, rc, "reading the opt-out list");
}

bool CCampaignStore::UserStopWords(std::vector<std::string>& words, StoreError& error) {
    words.clear();
    CUse select(Cached("SELECT value FROM setting WHERE key = 'stop_words'", error));
    if (!select) {
        return false;
    }
    const int rc = select->Step();
    if (rc == SQLITE_DONE) {
        return true;
    }
    if (rc != SQLITE_ROW) {
        return Fail(error, rc, "reading the stop words");
    }
    const std::string value = select->Text(0);
    std::size_t start = 0;
    while (start <= value.size()) {
        const std::size_t end = std::min(value.find('\n', start), value.size());
        if (end > start) {
            words.push_back(value.substr(start, end - start));
        }
        start = end + 1;
    }
    return true;
}

bool CCampaignStore::GetStopWords(std::vector<std::string>& words, StoreError& error) {
    return RequireOpen(error) && UserStopWords(words, error);
}

bool CCampaignStore::SetStopWords(const std::vector<std::string>& words, StoreError& error) {
    if (!RequireOpen(error)) {
        return false;
    }
    std::string value;
    for (const std::string& word : words) {
        std::string folded = Fold(word);
        if (folded.empty() || folded.find('\n') != std::string::npos) {
            continue;  // a word of one line only
        }
        value += (value.empty() ? "" : "\n") + folded;
    }
    CUse upsert(
        Cached("INSERT INTO setting (key, value) VALUES ('stop_words', ?1) ON CONFLICT "
               "(key) DO UPDATE SET value = excluded.value",
               error));
    if (!upsert) {
        return false;
    }
    upsert->Bind(1, value);
    const int rc = upsert->Step();
    return rc == SQLITE_DONE || Fail(error, rc, "keeping the stop words");
}
