#include "campaign/store/CampaignRecorder.h"

#include <unordered_set>
#include <utility>

#include "device/StatusText.h"

#include "pdu/Unicode.h"

SendState ToSendState(RowState state) {
    switch (state) {
        case RowState::NotSent:
            return SendState::NotSent;
        case RowState::Pending:
            return SendState::Sending;
        case RowState::Sent:
            return SendState::Sent;
        case RowState::Failed:
            return SendState::Failed;
        case RowState::Unknown:
            break;
    }
    return SendState::Unknown;
}

std::vector<CampaignRow> LoopRowsFromStore(const std::vector<RowRecord>& rows) {
    std::vector<CampaignRow> loopRows;
    loopRows.reserve(rows.size());
    for (const RowRecord& record : rows) {
        CampaignRow& row = loopRows.emplace_back();
        row.number = PduLib::Utf8ToUtf16(record.number);
        row.text = PduLib::Utf8ToUtf16(record.text.value_or(std::string()));
        row.statusText = PduLib::Utf8ToUtf16(record.statusText);
        row.route = PduLib::Utf8ToUtf16(record.modem);
        switch (record.state) {
            case SendState::NotSent:
                row.state = RowState::NotSent;
                break;
            case SendState::Sent:
                row.state = RowState::Sent;
                break;
            case SendState::Failed:
                row.state = RowState::Failed;
                break;
            case SendState::Sending:  // only while another sender runs
            case SendState::Unknown:
                row.state = RowState::Unknown;
                break;
        }
        if (record.code) {
            row.finalStatus = static_cast<HRESULT>(static_cast<std::uint32_t>(*record.code));
        }
        if (row.state != RowState::NotSent) {
            row.time = record.time;
        }
        row.parts = record.parts.size();
        for (const PartRecord& part : record.parts) {
            row.partsSent += part.state == SendState::Sent ? 1 : 0;
        }
    }
    return loopRows;
}

CCampaignRecorder::CCampaignRecorder(CCampaignStore& store, CCampaignLoop& loop)
    : m_store(store), m_loop(loop) {
    m_loop.SetJournal(this);
}

CCampaignRecorder::~CCampaignRecorder() {
    m_loop.SetJournal(nullptr);
}

bool CCampaignRecorder::Begin(const NewCampaign& campaign, StoreError& error) {
    std::int64_t id = 0;
    if (!m_store.CreateCampaign(campaign, id, error) || !m_store.GetCampaign(id, m_record, error)) {
        return false;
    }
    m_nCampaign = id;
    std::vector<CampaignRow> rows(campaign.numbers.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i].number = PduLib::Utf8ToUtf16(campaign.numbers[i]);
        if (i < campaign.texts.size()) {
            rows[i].text = PduLib::Utf8ToUtf16(campaign.texts[i]);
        }
    }
    m_loop.SetRows(std::move(rows));
    return true;
}

bool CCampaignRecorder::Resume(std::int64_t id, bool resendUnknown, StoreError& error) {
    CampaignRecord record;
    if (!m_store.GetCampaign(id, record, error)) {
        return false;
    }
    if (record.state == CampaignState::Running) {
        error = {StoreError::Kind::Refused,
                 "Campaign " + std::to_string(id) + " is being sent already."};
        return false;
    }
    std::int64_t reopened = 0;
    std::vector<RowRecord> rows;
    if ((resendUnknown && !m_store.ReopenRows(id, SendState::Unknown, reopened, error)) ||
        !m_store.GetRows(id, rows, error) ||
        !m_store.SetCampaignState(id, CampaignState::Running, error, "resumed") ||
        !m_store.GetCampaign(id, m_record, error)) {
        return false;
    }
    m_nCampaign = id;
    m_loop.SetRows(LoopRowsFromStore(rows));
    return true;
}

bool CCampaignRecorder::SkipOptedOut(std::size_t& skipped, StoreError& error) {
    skipped = 0;
    std::unordered_set<std::string> optedOut;
    if (!m_store.GetOptOutSet(optedOut, error)) {
        return false;
    }
    if (optedOut.empty()) {
        return true;
    }
    for (std::size_t row = 0; row < m_loop.GetRowCount(); ++row) {
        const CampaignRow& entry = m_loop.GetRow(row);
        if (entry.state == RowState::NotSent &&
            optedOut.count(m_store.E164Of(PduLib::Utf16ToUtf8(entry.number))) != 0) {
            m_loop.SkipRow(row, std::u16string(kSkippedOptedOutText));
            ++skipped;
        }
    }
    return Flush(error);
}

bool CCampaignRecorder::End(StoreError& error) {
    if (m_nCampaign == 0) {
        return true;
    }
    if (!Flush(error)) {
        return false;
    }
    const CampaignCounts counts = m_loop.GetCounts();
    const bool done = counts.sent + counts.failed + counts.unknown == counts.total;
    const std::string detail =
        m_loop.IsPaused() ? "paused: " + PduLib::Utf16ToUtf8(m_loop.GetPauseReason()) : "";
    return m_store.SetCampaignState(m_nCampaign,
                                    done ? CampaignState::Finished : CampaignState::Stopped, error,
                                    detail) &&
           m_store.GetCampaign(m_nCampaign, m_record, error);
}

bool CCampaignRecorder::WillSend(std::size_t row, std::size_t part, std::size_t parts,
                                 std::u16string& reason) {
    return WillSendMany({PartToSend{row, part, parts}}, reason) == 1;
}

std::size_t CCampaignRecorder::WillSendMany(const std::vector<PartToSend>& parts,
                                            std::u16string& reason) {
    // The kept outcomes first, then the marks: one transaction. Should one
    // of the outcomes be refused, they go one by one and the marks alone.
    std::vector<SendUpdate> updates = m_unrecorded;
    const std::size_t kept = updates.size();
    for (const PartToSend& entry : parts) {
        SendUpdate& mark = updates.emplace_back();
        mark.campaign = m_nCampaign;
        mark.row = static_cast<std::int64_t>(entry.row);
        mark.part =
            entry.parts > 1 ? std::optional<int>(static_cast<int>(entry.part)) : std::nullopt;
        mark.state = SendState::Sending;
        mark.modem = ModemOf(entry.row);
    }
    StoreError error;
    if (m_store.Apply(updates, error)) {
        m_unrecorded.clear();
        return parts.size();
    }
    if (kept != 0) {
        updates.erase(updates.begin(), updates.begin() + static_cast<long>(kept));
        if (Flush(error) && m_store.Apply(updates, error)) {
            return parts.size();
        }
    }
    reason = u"The send could not be recorded first, so nothing more is sent: " +
             PduLib::Utf8ToUtf16(error.text);
    return 0;
}

void CCampaignRecorder::FlushIfDue() {
    if (m_unrecorded.empty() ||
        (m_loop.HasWorkLeft() &&
         std::chrono::steady_clock::now() - m_oldestKept < kKeepOutcomesFor)) {
        return;
    }
    StoreError error;
    if (!Flush(error) && !m_recordError) {
        m_recordError = error;
    }
}

std::string CCampaignRecorder::ModemOf(std::size_t row) const {
    const std::u16string& route = m_loop.GetRow(row).route;
    return route.empty() ? m_strModem : PduLib::Utf16ToUtf8(route);
}

void CCampaignRecorder::PartChanged(std::size_t row, std::size_t part, std::size_t parts,
                                    RowState state) {
    Record(row, parts > 1 ? std::optional<int>(static_cast<int>(part)) : std::nullopt, state);
}

void CCampaignRecorder::RowEnded(std::size_t row) {
    Record(row, std::nullopt, m_loop.GetRow(row).state);
}

void CCampaignRecorder::Record(std::size_t row, std::optional<int> part, RowState state) {
    const CampaignRow& entry = m_loop.GetRow(row);
    SendUpdate update(m_nCampaign, static_cast<std::int64_t>(row), part, ToSendState(state),
                      PduLib::Utf16ToUtf8(entry.statusText));
    if (entry.finalStatus && state != RowState::Pending) {
        update.code = static_cast<std::int64_t>(static_cast<std::uint32_t>(*entry.finalStatus));
    }
    if (state == RowState::Pending && entry.requestId) {
        update.requestId = *entry.requestId;
        update.modem = ModemOf(row);
    }
    if (state != RowState::Pending && entry.tpMr) {
        update.tpMr = *entry.tpMr;
    }
    if (m_unrecorded.empty()) {
        m_oldestKept = std::chrono::steady_clock::now();
    }
    m_unrecorded.push_back(std::move(update));
    FlushIfDue();
}

bool CCampaignRecorder::Flush(StoreError& error) {
    if (m_unrecorded.empty()) {
        return true;
    }
    if (m_store.Apply(m_unrecorded, error)) {
        m_unrecorded.clear();
        return true;
    }
    std::size_t done = 0;
    for (; done < m_unrecorded.size(); ++done) {
        if (m_store.RecordResult(m_unrecorded[done], error)) {
            continue;
        }
        // A change the store's rules refuse will never be recorded: say so
        // once and go on; anything else (a full disk) is tried again later.
        if (error.kind != StoreError::Kind::Refused && error.kind != StoreError::Kind::NotFound) {
            break;
        }
        if (!m_recordError) {
            m_recordError = error;
        }
    }
    m_unrecorded.erase(m_unrecorded.begin(), m_unrecorded.begin() + static_cast<long>(done));
    return m_unrecorded.empty();
}
