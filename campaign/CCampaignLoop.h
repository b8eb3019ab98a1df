// The sending loop of a campaign, without any window: one row per unique
// number, sent over one or more routes (modems, a gateway), results written
// into the rows they belong to. Each route takes the next row when it is
// free: it has its own limit of parts in flight and its own pace, and all
// the parts of one number go over the route that sent the first.
// A message of several parts goes out part by part, one per tick, each part
// only once the one before it was sent; the first part that fails ends that
// number's message, and its row shows why.
// A windowed view and the command line drive it the same way: they own the
// timer (kTickInterval while IsSending()), call Tick() on every timer event,
// hand every send result to OnSmsSendResult(), and redraw what the listener
// reports. Everything runs on the driver's one thread: results reach the
// loop from the driver's own event loop, never from another thread.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "device/HResult.h"
#include "device/ISmsFront.h"
#include "device/StatusText.h"

class CNumberSet;

enum class RowState {
    NotSent,  // never offered, or only refused as busy
    Pending,  // accepted by the device link; the final status is to come
    Sent,     // final status S_OK
    Failed,   // refused at once, or a final status other than S_OK
    // Was with the modem when it vanished or the wait for it was given up,
    // or only some parts of the message went: sent again only on request.
    Unknown,
};

struct CampaignRow {
    std::u16string number;
    // This row's own message (a personal message from a table); empty for
    // the campaign's one message.
    std::u16string text;
    // Empty until the row is first offered; then the text of its last result.
    std::u16string statusText;
    RowState state = RowState::NotSent;
    // Id of the last accepted send of this row; none after a refused send, so
    // no later result of another send can land here.
    std::optional<std::uint32_t> requestId;
    // The final status of the last send, or the code of its immediate refusal.
    std::optional<HRESULT> finalStatus;
    // TP-Message-Reference the network gave the last part taken, when the
    // modem tells it (a delivery report names it).
    std::optional<std::uint8_t> tpMr;
    // When statusText last changed.
    std::chrono::system_clock::time_point time{};
    // Parts of the message composed for this row (0 until it is composed),
    // and how many of them the network took.
    std::size_t parts = 0;
    std::size_t partsSent = 0;
    // Name of the route (modem) that took the row last; empty until then,
    // and for the one unnamed route.
    std::u16string route;
};

// What one route can take. A modem takes one part at a time and queues one
// more; a gateway takes many at once and answers busy past its own limit.
struct RouteLimits {
    // Parts handed over whose outcome has not come yet; 0: no limit of the
    // loop's own (the route answers VTX_E_MODEM_BUSY when it is full).
    std::size_t maxInFlight = 0;
    // Least time between two sends over the route. None: one send per tick,
    // the driver's timer sets the pace. Zero: every tick offers parts until
    // the route is full or answers busy.
    std::optional<std::chrono::milliseconds> minInterval;
    // Messages of several parts the route sends side by side, each part
    // after the one before it was sent. A modem sends one at a time; a
    // gateway as many as it takes requests.
    std::size_t rowsAtOnce = 1;
    // With a zero interval: a route that has parts in flight is offered more
    // only once this many places are free, so that the parts of a round are
    // marked in the store by one commit, not one commit each.
    std::size_t refillAt = 1;
};

struct CampaignCounts {
    std::size_t total = 0;
    std::size_t sent = 0;
    std::size_t failed = 0;
    std::size_t pending = 0;
    std::size_t unknown = 0;
    // Rows the running loop has still to offer (0 when stopped).
    std::size_t remaining = 0;
};

class ICampaignListener {
public:
    virtual ~ICampaignListener() = default;
    // The status of row `row` changed.
    virtual void OnRowChanged(std::size_t row) = 0;
    // All rows were replaced (SetNumbers, ClearRows).
    virtual void OnRowsReset() = 0;
    // The loop started or stopped (by Stop, or by itself after the last row).
    virtual void OnSendingChanged(bool sending) = 0;
    // The running loop began or ended a wait for its send window.
    virtual void OnWaitingChanged() {}
};

// The write-ahead record of the loop's sends (the campaign store). The loop
// asks it before every part it hands to the device link, and tells it every
// outcome; it runs on the loop's thread.
class ISendJournal {
public:
    virtual ~ISendJournal() = default;
    // Part `part` (from 0) of `parts` of `row` is about to be handed over.
    // False when that could not be recorded first: then nothing is sent, the
    // loop pauses and `reason` says why.
    virtual bool WillSend(std::size_t row, std::size_t part, std::size_t parts,
                          std::u16string& reason) = 0;
    struct PartToSend {
        std::size_t row;
        std::size_t part;
        std::size_t parts;
    };
    // The parts one tick of a route that takes many at once is about to hand
    // over, in order: how many of them, from the first, were recorded (a
    // store that commits them together: all or none). Only those are sent;
    // with fewer than all the loop pauses and `reason` says why. Each part
    // the route then does not take is told back as NotSent.
    virtual std::size_t WillSendMany(const std::vector<PartToSend>& parts, std::u16string& reason) {
        std::size_t done = 0;
        while (done < parts.size() &&
               WillSend(parts[done].row, parts[done].part, parts[done].parts, reason)) {
            ++done;
        }
        return done;
    }
    // What became of that part: NotSent (handed back unsent), Pending (taken,
    // the row holds its request id), Sent, Failed or Unknown. The row holds
    // the status text and code.
    virtual void PartChanged(std::size_t row, std::size_t part, std::size_t parts,
                             RowState state) = 0;
    // The row ended without a part of its own deciding it: refused before
    // any part went, or the rest of its parts were given up.
    virtual void RowEnded(std::size_t row) = 0;
};

class CCampaignLoop {
public:
    static constexpr std::chrono::milliseconds kTickInterval{1000};

    static constexpr std::u16string_view kNoPathNotice =
        u"Please Specify the File Path Containing Mobile Numbers to Which you Wish to Send the "
        u"SMS Message.";
    static constexpr std::u16string_view kNoMessageNotice =
        u"Please Specify the SMS Message to Continue.";
    // A row whose send was accepted and whose outcome has not come yet.
    static constexpr std::u16string_view kPendingText = ::kPendingText;
    // A row the modem could not take yet; it is offered again on the next tick.
    static constexpr std::u16string_view kBusyText = ::kBusyText;

    using Clock = std::function<std::chrono::system_clock::time_point()>;
    // When sending is not allowed at `now` (quiet hours), the instant it is
    // allowed again; none when it is allowed.
    using SendWindow = std::function<std::optional<std::chrono::system_clock::time_point>(
        std::chrono::system_clock::time_point now)>;

    // A loop with one route (index 0, no name, one send per tick) over `front`.
    explicit CCampaignLoop(ISmsFront& front, Clock clock = &std::chrono::system_clock::now);

    struct Route {
        ISmsFront* front = nullptr;
        std::u16string name;
        RouteLimits limits;
    };
    // Replaces the routes; a send result names its route by its index here.
    // Refused (false) while sends are in flight or the loop runs.
    bool SetRoutes(std::vector<Route> routes);
    std::size_t GetRouteCount() const { return m_routes.size(); }
    const Route& GetRoute(std::size_t route) const { return m_routes.at(route).route; }
    // Why a route stopped taking rows in this run (it failed or vanished);
    // none while it can send. Every route is tried again by the next Start.
    const std::optional<std::u16string>& RouteDownReason(std::size_t route) const {
        return m_routes.at(route).down;
    }

    void SetListener(ICampaignListener* listener) { m_pListener = listener; }
    void SetJournal(ISendJournal* journal) { m_pJournal = journal; }
    // Asked before each new row, never between the parts of one message:
    // outside the window the running loop waits, still sending, and the
    // first tick after the window opens carries on. Empty: always open.
    void SetSendWindow(SendWindow window) { m_sendWindow = std::move(window); }

    // Replaces the rows, in the set's order. A running loop goes on with its
    // next index over the new rows; results of earlier sends are ignored.
    void SetNumbers(const CNumberSet& numbers);
    void SetNumbers(const std::vector<std::u16string>& numbers);
    // Rows with their outcomes so far (a campaign carried on from the store).
    void SetRows(std::vector<CampaignRow> rows);
    void ClearRows();
    // Rows in `state` (Unknown, say) go back to not sent, to be sent again by
    // the next Start; every row when `state` is empty. Returns how many.
    std::size_t ReopenRows(std::optional<RowState> state);
    // A row not sent that is not to be sent (an opted-out number): it ends
    // failed with `text` and no code, and the journal records it.
    void SkipRow(std::size_t row, std::u16string text);

    std::size_t GetRowCount() const { return m_rows.size(); }
    const CampaignRow& GetRow(std::size_t row) const { return m_rows.at(row); }

    // Starts with `message`, trimmed at both ends, as the text of every send
    // of this run, and sends to the rows that have no outcome yet, in order:
    // after a Stop or a pause it carries on where it was, and nobody is sent
    // the message twice (ReopenRows first to send again). Refused, with the
    // notice for the user, when the path or the message is blank, or when
    // the message cannot be sent at all (over the parts limit): nothing is
    // sent then. A loop that runs already goes on unchanged.
    bool Start(std::u16string_view numbersFile, std::u16string_view message,
               std::u16string& notice);
    // Stops sending at once; results still arrive and are shown. A message
    // of several parts stops too: its unsent parts are not sent and its row
    // says so once no part of it is on its way.
    void Stop();
    // Stops because no route can send (not because of a number): the rows
    // not yet sent stay not sent, to carry on with Start.
    void Pause(std::u16string reason);
    bool IsPaused() const { return m_bPaused; }
    const std::u16string& GetPauseReason() const { return m_strPauseReason; }
    // While the running loop waits for its send window: when it opens.
    // Unlike a pause, the loop is still sending and carries on by itself.
    bool IsWaiting() const { return m_waitUntil.has_value(); }
    const std::optional<std::chrono::system_clock::time_point>& WaitingUntil() const {
        return m_waitUntil;
    }
    // Gives up waiting for the outcome of the sends in flight: their rows
    // become Unknown. For a driver that must end now.
    void AbandonPending();
    // Start when stopped, Stop when sending; false only for a refused start.
    bool Toggle(std::u16string_view numbersFile, std::u16string_view message,
                std::u16string& notice);
    bool IsSending() const { return m_bSending; }

    // One timer tick: every route whose pace and limit allow offers the
    // next part of its row, or takes the next row; the loop stops when no
    // row is left. A route waits while the part before its next one has no
    // outcome yet, and before a new row while the send window is closed. A
    // route that answers with a fault of the modem or the network is down:
    // the row it held unsent goes to the others, and the loop pauses only
    // when no route is left. Ignored while stopped, and when it arrives
    // inside a send (a modal window of the driver).
    void Tick();
    // The final status of the send with `requestId` over `route`; ignored
    // when no row waits for it. A fault of the modem or the network leaves
    // the row unknown and takes the route down.
    void OnSmsSendResult(std::size_t route, std::uint32_t requestId, HRESULT status);
    void OnSmsSendResult(std::uint32_t requestId, HRESULT status) {
        OnSmsSendResult(0, requestId, status);
    }
    // The TP-MR of the send with `requestId`, before its result.
    void OnSmsSendReference(std::size_t route, std::uint32_t requestId, std::uint8_t tpMr);
    void OnSmsSendReference(std::uint32_t requestId, std::uint8_t tpMr) {
        OnSmsSendReference(0, requestId, tpMr);
    }

    CampaignCounts GetCounts() const;
    // The time one route takes per part (kTickInterval unless changed); the
    // time left is reckoned from it and the number of routes.
    void SetTickInterval(std::chrono::milliseconds interval) { m_tickInterval = interval; }
    // Sends still to come (every part counts), at one per tick, or at the pace the rows have
    // really been taken so far when that is slower (a modem that takes
    // several seconds per message keeps answering busy). Zero when stopped.
    std::chrono::seconds EstimatedTimeLeft() const;
    // True while the loop runs or a send waits for its final status: a driver
    // that ends with the campaign waits until this turns false.
    bool HasWorkLeft() const { return m_bSending || m_nPending != 0; }

private:
    // The row whose message is on its way part by part.
    struct ActiveRow {
        std::size_t row;
        std::vector<std::u16string> parts;
        std::size_t next;  // index of the next part to submit
        bool inFlight;     // a submitted part has no outcome yet
    };
    // What a request id stands for.
    struct Request {
        std::size_t row;
        std::size_t part;   // from 0
        std::size_t parts;  // of the message
    };
    struct RouteState {
        Route route;
        // The rows this route sends part by part (or holds, refused as busy).
        std::vector<ActiveRow> active;
        ActiveRow* Find(std::size_t row) {
            for (ActiveRow& entry : active) {
                if (entry.row == row) {
                    return &entry;
                }
            }
            return nullptr;
        }
        void Erase(std::size_t row) {
            active.erase(std::remove_if(active.begin(), active.end(),
                                        [row](const ActiveRow& entry) { return entry.row == row; }),
                         active.end());
        }
        std::size_t inFlight = 0;
        std::optional<std::chrono::system_clock::time_point> lastOffer;
        std::optional<std::u16string> down;
    };
    enum class Offer { Taken, NotTaken };
    // Requests are known by route and id: each route counts its own ids.
    static std::uint64_t RequestKey(std::size_t route, std::uint32_t id) {
        return (static_cast<std::uint64_t>(route) << 32U) | id;
    }

    void SetRowState(std::size_t row, RowState state);
    void SetStatus(std::size_t row, std::u16string text);
    void ForgetRequest(std::size_t row);
    // Composes the message for `row` and makes it the active row; false when
    // that failed (the row then shows why).
    bool ComposeRow(std::size_t route, std::size_t row);
    void TickRoute(std::size_t route);
    // A route that takes many parts at once: each round marks the parts it
    // offers in one call of the journal, then offers them.
    void TickRouteMany(std::size_t route);
    // The next part of `row`; `marked` when the journal has it already.
    Offer SendPart(std::size_t route, std::size_t row, bool marked = false);
    void FailRow(std::size_t row, HRESULT status, std::u16string text);
    // The unsent parts of the stopped messages of `route`: their rows end
    // unknown with kStoppedText (the number has some of the parts).
    void AbandonActiveRows(std::size_t route);
    void AbandonActiveRow(const ActiveRow& active);
    // The route cannot send: the row it held unsent goes back to the others;
    // with no route left the loop pauses.
    void RouteDown(std::size_t route, std::u16string reason);
    bool IsRowHeld(std::size_t row) const;
    void EraseRequest(std::unordered_map<std::uint64_t, Request>::iterator found);
    void ResetRows();
    // True while the send window is closed; notes the start and the end of
    // a wait.
    bool WaitForSendWindow();
    void SetWaitUntil(std::optional<std::chrono::system_clock::time_point> until);

    // The row that the next tick offers once no row is active: the first
    // not sent row from m_nNextItem on.
    std::size_t NextRowToOffer() const;
    void CountRows();
    std::size_t* Counter(RowState state);
    void JournalPart(std::size_t row, std::size_t part, std::size_t parts, RowState state);
    void JournalRow(std::size_t row);

    std::vector<RouteState> m_routes;
    // The route the next tick serves first, so that no route is always last.
    std::size_t m_nFirstRoute = 0;
    Clock m_clock;
    ICampaignListener* m_pListener = nullptr;
    ISendJournal* m_pJournal = nullptr;

    std::vector<CampaignRow> m_rows;
    // Request key to the row and part that wait for it.
    std::unordered_map<std::uint64_t, Request> m_requests;
    // Parts of the last message composed, for the time left.
    std::size_t m_nPartsPerRow = 1;
    std::size_t m_nSent = 0;
    std::size_t m_nFailed = 0;
    std::size_t m_nPending = 0;
    std::size_t m_nUnknown = 0;

    bool m_bSending = false;
    bool m_bPaused = false;
    std::u16string m_strPauseReason;
    SendWindow m_sendWindow;
    std::optional<std::chrono::system_clock::time_point> m_waitUntil;
    // Index from which the next free route looks for a row not sent and not
    // held by another route.
    std::size_t m_nNextItem = 0;
    // Rows offered since the last Start, for the pace.
    std::size_t m_nOffered = 0;
    std::u16string m_strMessage;
    std::chrono::milliseconds m_tickInterval = kTickInterval;
    // When the running loop started, for its pace.
    std::chrono::system_clock::time_point m_runStart{};

    // Set while SendSms runs: results that arrive meanwhile for an id not yet
    // known are kept until the send returns its id.
    bool m_bInSend = false;
    std::vector<std::pair<std::uint64_t, HRESULT>> m_earlyResults;
    // Changes with every replacement of the rows, so that a send that returns
    // after its rows were replaced does not write into the new ones.
    std::uint64_t m_nGeneration = 0;
};
