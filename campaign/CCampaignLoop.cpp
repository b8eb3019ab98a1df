#include "campaign/CCampaignLoop.h"

#include <algorithm>
#include <utility>

#include "campaign/Blank.h"
#include "campaign/CNumberList.h"
#include "device/StatusText.h"
#include "pdu/Unicode.h"

CCampaignLoop::CCampaignLoop(ISmsFront& front, Clock clock) : m_clock(std::move(clock)) {
    m_routes.emplace_back().route.front = &front;
}

bool CCampaignLoop::SetRoutes(std::vector<Route> routes) {
    if (HasWorkLeft() || m_bInSend) {
        return false;
    }
    m_routes.clear();
    for (Route& route : routes) {
        m_routes.emplace_back().route = std::move(route);
    }
    m_requests.clear();
    m_earlyResults.clear();
    m_nFirstRoute = 0;
    return true;
}

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

void CCampaignLoop::SetRows(std::vector<CampaignRow> rows) {
    m_rows = std::move(rows);
    ResetRows();
}

std::size_t CCampaignLoop::ReopenRows(std::optional<RowState> state) {
    std::size_t reopened = 0;
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        CampaignRow& row = m_rows[i];
        if (row.state == RowState::Pending || row.state == RowState::NotSent ||
            (state && row.state != *state)) {
            continue;
        }
        CampaignRow fresh;
        fresh.number = std::move(row.number);
        fresh.text = std::move(row.text);
        row = std::move(fresh);
        ++reopened;
    }
    if (reopened != 0) {
        CountRows();
        if (m_pListener != nullptr) {
            m_pListener->OnRowsReset();
        }
    }
    return reopened;
}

void CCampaignLoop::SkipRow(std::size_t row, std::u16string text) {
    if (m_rows.at(row).state != RowState::NotSent) {
        return;
    }
    m_rows[row].finalStatus.reset();
    SetRowState(row, RowState::Failed);
    SetStatus(row, std::move(text));
    JournalRow(row);
}

void CCampaignLoop::ClearRows() {
    m_rows.clear();
    ResetRows();
}

void CCampaignLoop::ResetRows() {
    m_requests.clear();
    for (RouteState& route : m_routes) {
        route.active.clear();
        route.inFlight = 0;
    }
    m_earlyResults.clear();
    ++m_nGeneration;
    // Rows restored from the store may hold sends in flight no longer: a
    // pending row of an earlier run has lost its request.
    for (CampaignRow& row : m_rows) {
        if (row.state == RowState::Pending) {
            row.state = RowState::Unknown;
        }
        row.requestId.reset();
    }
    CountRows();
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
    if (m_routes.empty()) {
        notice = u"No Modem is Chosen to Send the SMS Message.";
        return false;
    }
    const PduLib::MessagePlan plan = m_routes.front().route.front->PlanSms(text);
    if (!plan.ok()) {
        notice = u"The Message cannot be Sent: " + PduLib::Utf8ToUtf16(plan.error) + u".";
        return false;
    }
    m_strMessage = text;
    m_nPartsPerRow = std::max<std::size_t>(plan.parts, 1);
    for (RouteState& route : m_routes) {
        route.active.clear();
        route.down.reset();
        route.lastOffer.reset();
    }
    m_nNextItem = 0;
    m_nOffered = 0;
    m_runStart = m_clock();
    m_bSending = true;
    m_bPaused = false;
    m_strPauseReason.clear();
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
    SetWaitUntil(std::nullopt);
    const std::u16string_view busy = kBusyText;
    for (std::size_t route = 0; route < m_routes.size(); ++route) {
        const std::vector<ActiveRow> held = m_routes[route].active;
        for (const ActiveRow& active : held) {
            // A row the modem had no room for yet was never sent.
            const std::u16string& text = m_rows[active.row].statusText;
            if (active.next == 0 && m_rows[active.row].state == RowState::NotSent &&
                text.size() >= busy.size() &&
                std::u16string_view(text).substr(text.size() - busy.size()) == busy) {
                SetStatus(active.row, std::u16string(kNotSentStoppedText));
            }
        }
        AbandonActiveRows(route);
    }
    if (m_pListener != nullptr) {
        m_pListener->OnSendingChanged(false);
    }
}

void CCampaignLoop::Pause(std::u16string reason) {
    if (!m_bSending) {
        return;
    }
    m_strPauseReason = std::move(reason);
    m_bPaused = true;
    Stop();
}

void CCampaignLoop::AbandonPending() {
    std::vector<std::pair<std::uint64_t, Request>> pending(m_requests.begin(), m_requests.end());
    m_requests.clear();
    for (RouteState& route : m_routes) {
        route.inFlight = 0;
    }
    for (const auto& [id, request] : pending) {
        CampaignRow& row = m_rows[request.row];
        if (row.state != RowState::Pending) {
            continue;
        }
        SetRowState(request.row, RowState::Unknown);
        SetStatus(request.row, request.parts == 1 ? std::u16string(kOutcomeUnknownText)
                                                  : PartStatusText(request.part + 1, request.parts,
                                                                   kOutcomeUnknownText));
        JournalPart(request.row, request.part, request.parts, RowState::Unknown);
    }
}

void CCampaignLoop::JournalPart(std::size_t row, std::size_t part, std::size_t parts,
                                RowState state) {
    if (m_pJournal != nullptr) {
        m_pJournal->PartChanged(row, part, parts, state);
    }
}

void CCampaignLoop::JournalRow(std::size_t row) {
    if (m_pJournal != nullptr) {
        m_pJournal->RowEnded(row);
    }
}

void CCampaignLoop::AbandonActiveRows(std::size_t route) {
    const std::vector<ActiveRow> held = std::move(m_routes[route].active);
    m_routes[route].active.clear();
    for (const ActiveRow& active : held) {
        AbandonActiveRow(active);
    }
}

void CCampaignLoop::AbandonActiveRow(const ActiveRow& active) {
    // With a part on its way, its outcome decides what the row says; with
    // none taken yet, the row was never sent. Else the number has some of
    // the parts: whether to send it all again is the user's to say.
    if (active.inFlight || active.next == 0) {
        return;
    }
    m_rows[active.row].finalStatus = E_ABORT;
    SetRowState(active.row, RowState::Unknown);
    SetStatus(active.row, PartStatusText(active.next + 1, active.parts.size(), kStoppedText));
    JournalRow(active.row);
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
    if (m_routes.empty()) {
        Pause(u"No Modem is Chosen to Send the SMS Message.");
        return;
    }
    const bool held = std::any_of(m_routes.begin(), m_routes.end(), [](const RouteState& route) {
        return !route.active.empty() && !route.down;
    });
    if (!held && NextRowToOffer() >= m_rows.size()) {
        Stop();
        return;
    }
    const std::size_t count = m_routes.size();
    const std::size_t first = m_nFirstRoute;
    m_nFirstRoute = (first + 1) % count;
    for (std::size_t k = 0; k < count && m_bSending; ++k) {
        TickRoute((first + k) % count);
    }
}

void CCampaignLoop::TickRoute(std::size_t index) {
    RouteState& route = m_routes[index];
    const RouteLimits& limits = route.route.limits;
    const auto now = m_clock();
    if (route.down ||
        (limits.minInterval && route.lastOffer && now - *route.lastOffer < *limits.minInterval)) {
        return;
    }
    // One offer per tick, or per interval; with no interval, offers until
    // the route is full or refuses.
    if (limits.minInterval && limits.minInterval->count() == 0) {
        TickRouteMany(index);
        return;
    }
    if (limits.maxInFlight != 0 && route.inFlight >= limits.maxInFlight) {
        return;
    }
    // A held row whose next part may go; a first part only while the
    // send window is open.
    std::optional<std::size_t> ready;
    for (const ActiveRow& active : route.active) {
        if (!active.inFlight) {
            ready = active.row;
            if (active.next == 0 && WaitForSendWindow()) {
                return;
            }
            break;
        }
    }
    if (!ready) {
        if (route.active.size() >= std::max<std::size_t>(limits.rowsAtOnce, 1)) {
            // The next part goes out only once the one before it was sent.
            return;
        }
        const std::size_t row = NextRowToOffer();
        if (row >= m_rows.size() || WaitForSendWindow()) {
            return;
        }
        std::u16string reason;
        if (!route.route.front->CanSendSms(reason)) {
            RouteDown(index, std::move(reason));
            return;
        }
        m_nNextItem = row + 1;
        if (!ComposeRow(index, row)) {
            return;
        }
        ready = row;
    }
    // A late tick does not slow the pace: the next offer is due one
    // interval after the last one was.
    const bool onTime =
        limits.minInterval && route.lastOffer && now - *route.lastOffer < 2 * *limits.minInterval;
    route.lastOffer = onTime ? *route.lastOffer + *limits.minInterval : now;
    SendPart(index, *ready);
}

void CCampaignLoop::TickRouteMany(std::size_t index) {
    const std::uint64_t generation = m_nGeneration;
    while (m_bSending) {
        RouteState& route = m_routes[index];
        const RouteLimits& limits = route.route.limits;
        const std::size_t room = limits.maxInFlight == 0 ? m_rows.size() + 1
                                 : route.inFlight >= limits.maxInFlight
                                     ? 0
                                     : limits.maxInFlight - route.inFlight;
        if (route.inFlight != 0 && room < std::max<std::size_t>(limits.refillAt, 1)) {
            return;
        }
        // The held rows whose next part may go, then new rows while the
        // route sends fewer side by side than it can: one part per row.
        std::vector<ISendJournal::PartToSend> batch;
        std::size_t looked = 0;
        bool newRows = true;
        while (batch.size() < room) {
            std::optional<std::size_t> ready;
            for (; looked < route.active.size() && !ready; ++looked) {
                const ActiveRow& active = route.active[looked];
                if (active.inFlight) {
                    continue;
                }
                if (active.next == 0 && WaitForSendWindow()) {
                    newRows = false;
                    break;
                }
                ready = active.row;
            }
            if (!ready) {
                if (!newRows ||
                    route.active.size() >= std::max<std::size_t>(limits.rowsAtOnce, 1)) {
                    break;
                }
                const std::size_t row = NextRowToOffer();
                if (row >= m_rows.size() || WaitForSendWindow()) {
                    break;
                }
                std::u16string reason;
                if (!route.route.front->CanSendSms(reason)) {
                    if (batch.empty()) {
                        RouteDown(index, std::move(reason));
                        return;
                    }
                    break;  // the next tick finds it down
                }
                m_nNextItem = row + 1;
                if (!ComposeRow(index, row)) {
                    continue;
                }
                looked = route.active.size();
                ready = row;
            }
            const ActiveRow& active = *route.Find(*ready);
            batch.push_back({*ready, active.next, active.parts.size()});
        }
        if (batch.empty()) {
            return;
        }
        std::u16string reason;
        const std::size_t marked =
            m_pJournal != nullptr ? m_pJournal->WillSendMany(batch, reason) : batch.size();
        route.lastOffer = m_clock();
        for (std::size_t k = 0; k < marked; ++k) {
            if (SendPart(index, batch[k].row, true) == Offer::Taken && m_bSending) {
                continue;
            }
            // Not taken (busy, down, failed) or stopped: the parts marked
            // after it were never handed over.
            for (std::size_t rest = k + 1; rest < marked && generation == m_nGeneration; ++rest) {
                JournalPart(batch[rest].row, batch[rest].part, batch[rest].parts,
                            RowState::NotSent);
            }
            return;
        }
        if (marked < batch.size()) {
            Pause(std::move(reason));
            return;
        }
    }
}

bool CCampaignLoop::IsRowHeld(std::size_t row) const {
    return std::any_of(m_routes.begin(), m_routes.end(), [row](const RouteState& route) {
        return std::any_of(route.active.begin(), route.active.end(),
                           [row](const ActiveRow& active) { return active.row == row; });
    });
}

void CCampaignLoop::RouteDown(std::size_t index, std::u16string reason) {
    RouteState& route = m_routes[index];
    if (route.down) {
        return;
    }
    route.down = reason;
    // Rows not begun go to another route; those begun with no part on its
    // way end here; those with a part on their way wait for its outcome.
    const std::vector<ActiveRow> held = std::move(route.active);
    route.active.clear();
    for (const ActiveRow& active : held) {
        if (active.inFlight) {
            route.active.push_back(active);
        } else if (active.next == 0) {
            m_nNextItem = std::min(m_nNextItem, active.row);
        } else {
            AbandonActiveRow(active);
        }
    }
    const bool anyLeft =
        std::any_of(m_routes.begin(), m_routes.end(), [](const RouteState& r) { return !r.down; });
    if (!anyLeft) {
        Pause(std::move(reason));
    }
}

bool CCampaignLoop::WaitForSendWindow() {
    if (!m_sendWindow) {
        return false;
    }
    const auto now = m_clock();
    const auto until = m_sendWindow(now);
    if (until && *until > now) {
        SetWaitUntil(until);
        return true;
    }
    if (m_waitUntil) {
        // The wait does not count in the pace of the rows.
        m_runStart = now;
        m_nOffered = 0;
        SetWaitUntil(std::nullopt);
    }
    return false;
}

void CCampaignLoop::SetWaitUntil(std::optional<std::chrono::system_clock::time_point> until) {
    if (m_waitUntil == until) {
        return;
    }
    m_waitUntil = until;
    if (m_pListener != nullptr) {
        m_pListener->OnWaitingChanged();
    }
}

bool CCampaignLoop::ComposeRow(std::size_t route, std::size_t row) {
    std::vector<std::u16string> parts;
    std::u16string reason;
    const CampaignRow& entry = m_rows[row];
    HRESULT result = m_routes[route].route.front->ComposeSms(
        entry.text.empty() ? m_strMessage : entry.text, entry.number, parts, reason);
    if (SUCCEEDED(result) && parts.empty()) {
        result = E_FAIL;
    }
    if (FAILED(result)) {
        ForgetRequest(row);
        FailRow(row, result, reason.empty() ? StatusText(result) : std::move(reason));
        JournalRow(row);
        return false;
    }
    m_nPartsPerRow = parts.size();
    m_routes[route].active.push_back(ActiveRow{row, std::move(parts), 0, false});
    m_rows[row].route = m_routes[route].route.name;
    return true;
}

CCampaignLoop::Offer CCampaignLoop::SendPart(std::size_t index, std::size_t row, bool marked) {
    const std::uint64_t generation = m_nGeneration;
    RouteState& route = m_routes[index];
    const ActiveRow& active = *route.Find(row);
    const std::size_t part = active.next;
    const std::size_t count = active.parts.size();
    // Copies: the driver may replace the rows while the send runs.
    const std::u16string number = m_rows[row].number;
    const std::u16string pdu = active.parts[part];
    std::uint32_t requestId = 0;
    std::u16string reason;
    if (!marked && m_pJournal != nullptr && !m_pJournal->WillSend(row, part, count, reason)) {
        Pause(std::move(reason));
        return Offer::NotTaken;
    }
    m_bInSend = true;
    const HRESULT result = route.route.front->SendSmsPart(number, pdu, &requestId, reason);
    m_bInSend = false;
    std::vector<std::pair<std::uint64_t, HRESULT>> early;
    early.swap(m_earlyResults);
    if (generation != m_nGeneration) {
        return Offer::NotTaken;
    }
    // Stopped from inside the send (a modal window of the driver): this
    // part's outcome is still shown, no further part goes out.
    ActiveRow* const stillActive = route.Find(row);

    if (result == VTX_E_MODEM_BUSY || (FAILED(result) && IsModemOrNetworkFault(result))) {
        // Neither skipped nor failed: the route did not take it. The next
        // tick offers this part again, another route takes the row when
        // this one is down, or the next Start after a pause.
        const bool busy = result == VTX_E_MODEM_BUSY;
        std::u16string text = busy ? std::u16string(kBusyText)
                                   : (reason.empty() ? StatusText(result) : std::move(reason));
        SetStatus(row, count == 1 ? text : PartStatusText(part + 1, count, text));
        JournalPart(row, part, count, RowState::NotSent);
        if (!busy) {
            RouteDown(index, std::move(text));
        }
        return Offer::NotTaken;
    }
    if (part == 0) {
        ++m_nOffered;
        ForgetRequest(row);
        m_rows[row].parts = count;
        m_rows[row].partsSent = 0;
    }
    if (FAILED(result)) {
        route.Erase(row);
        std::u16string text = reason.empty() ? StatusText(result) : std::move(reason);
        FailRow(row, result, count == 1 ? std::move(text) : PartStatusText(part + 1, count, text));
        JournalPart(row, part, count, RowState::Failed);
        return Offer::NotTaken;
    }

    CampaignRow& entry = m_rows[row];
    entry.requestId = requestId;
    entry.finalStatus.reset();
    entry.tpMr.reset();
    SetRowState(row, RowState::Pending);
    if (stillActive != nullptr) {
        stillActive->next = part + 1;
        stillActive->inFlight = true;
        if (stillActive->next == count) {
            route.Erase(row);
        }
    }
    const Request request{row, part, count};
    const std::uint64_t key = RequestKey(index, requestId);
    const auto held = m_requests.find(key);
    std::optional<std::size_t> displaced;
    if (held != m_requests.end()) {
        if (held->second.row != row) {
            displaced = held->second.row;
            m_rows[*displaced].requestId.reset();
        }
        held->second = request;
    } else {
        m_requests.emplace(key, request);
        ++route.inFlight;
    }
    SetStatus(row, count == 1 ? std::u16string(kPendingText) : SendingPartText(part + 1, count));
    JournalPart(row, part, count, RowState::Pending);
    if (displaced && generation == m_nGeneration && m_rows[*displaced].state == RowState::Pending) {
        route.Erase(*displaced);
        SetRowState(*displaced, RowState::Unknown);
        SetStatus(*displaced, std::u16string(kOutcomeUnknownText));
        JournalRow(*displaced);
    }
    for (const auto& [id, status] : early) {
        if (id == key && generation == m_nGeneration) {
            OnSmsSendResult(index, requestId, status);
        }
    }
    return Offer::Taken;
}

void CCampaignLoop::EraseRequest(std::unordered_map<std::uint64_t, Request>::iterator found) {
    const std::size_t route = static_cast<std::size_t>(found->first >> 32U);
    if (route < m_routes.size() && m_routes[route].inFlight != 0) {
        --m_routes[route].inFlight;
    }
    m_requests.erase(found);
}

void CCampaignLoop::OnSmsSendResult(std::size_t index, std::uint32_t requestId, HRESULT status) {
    const std::uint64_t key = RequestKey(index, requestId);
    const auto found = m_requests.find(key);
    if (found == m_requests.end()) {
        if (m_bInSend) {
            m_earlyResults.emplace_back(key, status);
        }
        return;
    }
    const Request request = found->second;
    EraseRequest(found);
    RouteState& route = m_routes[index];
    const std::size_t row = request.row;
    ActiveRow* const active = route.Find(row);
    m_rows[row].finalStatus = status;
    // Only S_OK is a sent message: the device reports refusals such as 0x32
    // with success-coded values too.
    if (status != S_OK) {
        route.Erase(row);
        // The modem had it when it failed as a whole: it may have gone out.
        const bool linkFault = IsModemOrNetworkFault(status);
        const RowState state = linkFault ? RowState::Unknown : RowState::Failed;
        SetRowState(row, state);
        SetStatus(row, request.parts == 1
                           ? StatusText(status)
                           : PartStatusText(request.part + 1, request.parts, StatusText(status)));
        JournalPart(row, request.part, request.parts, state);
        if (linkFault && m_bSending) {
            RouteDown(index, StatusText(status));
        }
        return;
    }
    m_rows[row].partsSent = request.part + 1;
    if (request.part + 1 == request.parts) {
        SetRowState(row, RowState::Sent);
        SetStatus(row, StatusText(status));
        JournalPart(row, request.part, request.parts, RowState::Sent);
        return;
    }
    JournalPart(row, request.part, request.parts, RowState::Sent);
    if (active != nullptr && !route.down) {
        // The next tick sends the next part.
        active->inFlight = false;
        return;
    }
    route.Erase(row);
    // The loop stopped, its rows moved on or the route went down before the
    // rest went out: the number has some of the parts.
    m_rows[row].finalStatus = E_ABORT;
    SetRowState(row, RowState::Unknown);
    SetStatus(row, PartStatusText(request.part + 2, request.parts, kStoppedText));
    JournalRow(row);
}

void CCampaignLoop::OnSmsSendReference(std::size_t route, std::uint32_t requestId,
                                       std::uint8_t tpMr) {
    const auto found = m_requests.find(RequestKey(route, requestId));
    if (found != m_requests.end()) {
        m_rows[found->second.row].tpMr = tpMr;
    }
}

void CCampaignLoop::FailRow(std::size_t row, HRESULT status, std::u16string text) {
    m_rows[row].finalStatus = status;
    SetRowState(row, RowState::Failed);
    SetStatus(row, std::move(text));
}

void CCampaignLoop::ForgetRequest(std::size_t row) {
    CampaignRow& entry = m_rows[row];
    if (entry.requestId) {
        for (std::size_t route = 0; route < m_routes.size(); ++route) {
            const auto found = m_requests.find(RequestKey(route, *entry.requestId));
            if (found != m_requests.end() && found->second.row == row) {
                EraseRequest(found);
                break;
            }
        }
        entry.requestId.reset();
    }
}

std::size_t* CCampaignLoop::Counter(RowState state) {
    switch (state) {
        case RowState::Sent:
            return &m_nSent;
        case RowState::Failed:
            return &m_nFailed;
        case RowState::Pending:
            return &m_nPending;
        case RowState::Unknown:
            return &m_nUnknown;
        case RowState::NotSent:
            break;
    }
    return nullptr;
}

void CCampaignLoop::CountRows() {
    m_nSent = m_nFailed = m_nPending = m_nUnknown = 0;
    for (const CampaignRow& row : m_rows) {
        if (std::size_t* counter = Counter(row.state)) {
            ++*counter;
        }
    }
}

std::size_t CCampaignLoop::NextRowToOffer() const {
    std::size_t next = m_nNextItem;
    while (next < m_rows.size() && (m_rows[next].state != RowState::NotSent || IsRowHeld(next))) {
        ++next;
    }
    return next;
}

void CCampaignLoop::SetRowState(std::size_t row, RowState state) {
    CampaignRow& entry = m_rows[row];
    if (std::size_t* from = Counter(entry.state)) {
        --*from;
    }
    if (std::size_t* to = Counter(state)) {
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
    counts.unknown = m_nUnknown;
    counts.remaining =
        m_bSending ? m_rows.size() - m_nSent - m_nFailed - m_nPending - m_nUnknown : 0;
    return counts;
}

std::chrono::seconds CCampaignLoop::EstimatedTimeLeft() const {
    const auto remaining = static_cast<std::chrono::milliseconds::rep>(GetCounts().remaining);
    const auto routes = std::count_if(m_routes.begin(), m_routes.end(),
                                      [](const RouteState& route) { return !route.down; });
    std::chrono::milliseconds perRow = m_tickInterval *
                                       static_cast<std::chrono::milliseconds::rep>(m_nPartsPerRow) /
                                       std::max<std::chrono::milliseconds::rep>(routes, 1);
    // A few rows taken are enough to see the modem's pace.
    constexpr std::size_t kRowsForPace = 3;
    // A wait for the send window adds its time left instead of slowing the pace.
    std::chrono::milliseconds wait{0};
    if (m_waitUntil) {
        wait = std::max(
            std::chrono::duration_cast<std::chrono::milliseconds>(*m_waitUntil - m_clock()), wait);
    } else if (m_bSending && m_nOffered >= kRowsForPace) {
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::milliseconds>(m_clock() - m_runStart);
        const auto pace = elapsed / static_cast<std::chrono::milliseconds::rep>(m_nOffered);
        perRow = std::max(perRow, pace);
    }
    return std::chrono::duration_cast<std::chrono::seconds>(perRow * remaining + wait);
}
