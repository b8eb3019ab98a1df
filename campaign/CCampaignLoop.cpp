#include "campaign/CCampaignLoop.h"

#include <algorithm>
#include <utility>

#include "campaign/Blank.h"
#include "campaign/CNumberList.h"
#include "device/StatusText.h"

namespace {

// A row whose request id the device link gave to a newer send before this
// row's outcome came: that outcome can no longer be told apart.
constexpr std::u16string_view kOutcomeUnknownText = u"The Outcome of this Send is Unknown.";

}  // namespace

CCampaignLoop::CCampaignLoop(ISmsFront& front, Clock clock)
    : m_front(front), m_clock(std::move(clock)) {}

void CCampaignLoop::SetNumbers(const CNumberSet& numbers) {
    m_rows.clear();
    m_rows.reserve(numbers.GetCount());
    for (const std::u16string_view number : numbers) {
        m_rows.emplace_back().number = number;
    }
    ResetRows();
}

void CCampaignLoop::SetNumbers(const std::vector<std::u16string>& numbers) {
    m_rows.clear();
    m_rows.reserve(numbers.size());
    for (const std::u16string& number : numbers) {
        m_rows.emplace_back().number = number;
    }
    ResetRows();
}

void CCampaignLoop::ClearRows() {
    m_rows.clear();
    ResetRows();
}

void CCampaignLoop::ResetRows() {
    m_requests.clear();
    m_earlyResults.clear();
    m_nSent = m_nFailed = m_nPending = 0;
    ++m_nGeneration;
    if (m_pListener != nullptr) {
        m_pListener->OnRowsReset();
    }
}

bool CCampaignLoop::Start(std::u16string_view numbersFile, std::u16string_view message,
                          std::u16string& notice) {
    if (TrimBlanks(numbersFile).empty()) {
        notice = kNoPathNotice;
        return false;
    }
    const std::u16string_view text = TrimBlanks(message);
    if (text.empty()) {
        notice = kNoMessageNotice;
        return false;
    }
    if (m_bSending) {
        return true;
    }
    m_strMessage = text;
    m_nNextItem = 0;
    m_runStart = m_clock();
    m_bSending = true;
    if (m_pListener != nullptr) {
        m_pListener->OnSendingChanged(true);
    }
    return true;
}

void CCampaignLoop::Stop() {
    if (!m_bSending) {
        return;
    }
    m_bSending = false;
    if (m_pListener != nullptr) {
        m_pListener->OnSendingChanged(false);
    }
}

bool CCampaignLoop::Toggle(std::u16string_view numbersFile, std::u16string_view message,
                           std::u16string& notice) {
    if (m_bSending) {
        Stop();
        return true;
    }
    return Start(numbersFile, message, notice);
}

void CCampaignLoop::Tick() {
    if (!m_bSending || m_bInSend) {
        return;
    }
    if (m_nNextItem >= m_rows.size()) {
        Stop();
        return;
    }
    const std::size_t row = m_nNextItem++;
    SendRow(row);
}

void CCampaignLoop::SendRow(std::size_t row) {
    const std::uint64_t generation = m_nGeneration;
    // Copies: the driver may replace the rows while the send runs.
    const std::u16string number = m_rows[row].number;
    const std::u16string message = m_strMessage;
    std::uint32_t requestId = 0;
    std::u16string reason;
    m_bInSend = true;
    const HRESULT result = m_front.SendSms(message, number, &requestId, reason);
    m_bInSend = false;
    std::vector<std::pair<std::uint32_t, HRESULT>> early;
    early.swap(m_earlyResults);
    if (generation != m_nGeneration) {
        return;
    }

    if (result == VTX_E_MODEM_BUSY) {
        // Neither skipped nor failed: the next tick offers this row again.
        m_nNextItem = row;
        SetStatus(row, std::u16string(kBusyText));
        return;
    }
    ForgetRequest(row);
    CampaignRow& entry = m_rows[row];
    if (FAILED(result)) {
        entry.finalStatus = result;
        SetRowState(row, RowState::Failed);
        SetStatus(row, reason.empty() ? StatusText(result) : std::move(reason));
        return;
    }

    entry.requestId = requestId;
    entry.finalStatus.reset();
    SetRowState(row, RowState::Pending);
    const auto held = m_requests.find(requestId);
    std::optional<std::size_t> displaced;
    if (held != m_requests.end()) {
        displaced = held->second;
        m_rows[*displaced].requestId.reset();
        held->second = row;
    } else {
        m_requests.emplace(requestId, row);
    }
    SetStatus(row, std::u16string(kPendingText));
    if (displaced && generation == m_nGeneration && m_rows[*displaced].state == RowState::Pending) {
        SetRowState(*displaced, RowState::Failed);
        SetStatus(*displaced, std::u16string(kOutcomeUnknownText));
    }
    for (const auto& [id, status] : early) {
        if (id == requestId && generation == m_nGeneration) {
            OnSmsSendResult(id, status);
        }
    }
}

void CCampaignLoop::OnSmsSendResult(std::uint32_t requestId, HRESULT status) {
    const auto found = m_requests.find(requestId);
    if (found == m_requests.end()) {
        if (m_bInSend) {
            m_earlyResults.emplace_back(requestId, status);
        }
        return;
    }
    const std::size_t row = found->second;
    m_requests.erase(found);
    m_rows[row].finalStatus = status;
    // Only S_OK is a sent message: the device reports refusals such as 0x32
    // with success-coded values too.
    SetRowState(row, status == S_OK ? RowState::Sent : RowState::Failed);
    SetStatus(row, StatusText(status));
}

void CCampaignLoop::ForgetRequest(std::size_t row) {
    CampaignRow& entry = m_rows[row];
    if (entry.requestId) {
        const auto found = m_requests.find(*entry.requestId);
        if (found != m_requests.end() && found->second == row) {
            m_requests.erase(found);
        }
        entry.requestId.reset();
    }
}

void CCampaignLoop::SetRowState(std::size_t row, RowState state) {
    auto counter = [this](RowState s) -> std::size_t* {
        switch (s) {
            case RowState::Sent:
                return &m_nSent;
            case RowState::Failed:
                return &m_nFailed;
            case RowState::Pending:
                return &m_nPending;
            case RowState::NotSent:
                break;
        }
        return nullptr;
    };
    CampaignRow& entry = m_rows[row];
    if (std::size_t* from = counter(entry.state)) {
        --*from;
    }
    if (std::size_t* to = counter(state)) {
        ++*to;
    }
    entry.state = state;
}

void CCampaignLoop::SetStatus(std::size_t row, std::u16string text) {
    CampaignRow& entry = m_rows[row];
    entry.statusText = std::move(text);
    entry.time = m_clock();
    if (m_pListener != nullptr) {
        m_pListener->OnRowChanged(row);
    }
}

CampaignCounts CCampaignLoop::GetCounts() const {
    CampaignCounts counts;
    counts.total = m_rows.size();
    counts.sent = m_nSent;
    counts.failed = m_nFailed;
    counts.pending = m_nPending;
    counts.remaining = m_bSending ? m_rows.size() - std::min(m_nNextItem, m_rows.size()) : 0;
    return counts;
}

std::chrono::seconds CCampaignLoop::EstimatedTimeLeft() const {
    const auto remaining = static_cast<std::chrono::milliseconds::rep>(GetCounts().remaining);
    std::chrono::milliseconds perRow = m_tickInterval;
    // A few rows taken are enough to see the modem's pace.
    constexpr std::size_t kRowsForPace = 3;
    if (m_bSending && m_nNextItem >= kRowsForPace) {
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::milliseconds>(m_clock() - m_runStart);
        const auto pace = elapsed / static_cast<std::chrono::milliseconds::rep>(m_nNextItem);
        perRow = std::max(perRow, pace);
    }
    return std::chrono::duration_cast<std::chrono::seconds>(perRow * remaining);
}
