#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "campaign/CCampaignLoop.h"
#include "campaign/CNumberList.h"
#include "campaign/CsvCell.h"

using ::testing::ElementsAre;

namespace {

// A device link that plans and composes with the real codec (each part's
// PDU stands in as "NUMBER#k"), answers every part from a script (S_OK with
// the next request id when the script is empty) and records what it was
// asked.
class FakeFront : public ISmsFront {
public:
    struct Answer {
        HRESULT result;
        std::uint32_t requestId;
        std::u16string reason;
    };

    std::u16string GetOperatorNameText() override { return u"Operator"; }
    std::u16string GetDeviceStatusText() override { return u"Device Initialised"; }
    bool CanSendSms(std::u16string& reason) override {
        reason = cannotSend;
        return cannotSend.empty();
    }
    PduLib::MessagePlan PlanSms(std::u16string_view message) override {
        return PduLib::PlanMessage(std::u16string(message) + kSignature, options);
    }
    HRESULT ComposeSms(const std::u16string& message, const std::u16string& number,
                       std::vector<std::u16string>& parts, std::u16string& reason) override {
        messages.push_back(message);
        const PduLib::MessagePlan plan = PlanSms(message);
        if (!plan.ok()) {
            reason = u"refused";
            return E_INVALIDARG;
        }
        for (std::size_t k = 1; k <= plan.parts; ++k) {
            parts.push_back(number + u"#" + static_cast<char16_t>(u'0' + k));
        }
        return S_OK;
    }
    HRESULT SendSmsPart(const std::u16string& number, const std::u16string& part,
                        std::uint32_t* requestId, std::u16string& reason) override {
        numbers.push_back(number);
        sent.push_back(part);
        Answer answer{S_OK, nextId++, u""};
        if (!script.empty()) {
            answer = script.front();
            script.pop_front();
        }
        // Written whatever the result, to prove that a refused row ignores it.
        *requestId = answer.requestId;
        reason = answer.reason;
        if (duringSend) {
            duringSend(answer.requestId);
        }
        return answer.result;
    }

    PduLib::MessageOptions options;
    std::deque<Answer> script;
    std::uint32_t nextId = 1;
    std::vector<std::u16string> messages;  // one per composed message
    std::vector<std::u16string> numbers;   // one per part offered
    std::vector<std::u16string> sent;      // the parts offered
    std::function<void(std::uint32_t)> duringSend;
    std::u16string cannotSend;  // why it cannot send; empty: it can
};

class Recorder : public ICampaignListener {
public:
    void OnRowChanged(std::size_t row) override { changed.push_back(row); }
    void OnRowsReset() override { ++resets; }
    void OnSendingChanged(bool sending) override { states.push_back(sending); }
    void OnWaitingChanged() override { ++waits; }

    std::vector<std::size_t> changed;
    int resets = 0;
    int waits = 0;
    std::vector<bool> states;
};

class CampaignLoopTest : public ::testing::Test {
protected:
    CampaignLoopTest() : loop(front, [this] { return now; }) {
        loop.SetListener(&recorder);
        loop.SetNumbers(std::vector<std::u16string>{u"11111", u"22222", u"33333"});
    }

    void Start(std::u16string_view message = u"Hello") {
        std::u16string notice;
        ASSERT_TRUE(loop.Start(u"numbers.txt", message, notice));
    }

    const CampaignRow& Row(std::size_t row) const { return loop.GetRow(row); }

    FakeFront front;
    Recorder recorder;
    std::chrono::system_clock::time_point now{std::chrono::seconds(1000)};
    CCampaignLoop loop;
};

// 400 characters and the signature: 429 septets, three parts of 153.
const std::u16string kThreeParts(400, u'a');

TEST_F(CampaignLoopTest, RefusesToStartWithoutPathOrMessage) {
    struct Case {
        std::u16string_view path, message, notice;
    };
    for (const Case& c : {Case{u" \t", u"Hi", CCampaignLoop::kNoPathNotice},
                          Case{u"a.txt", u" \r\n ", CCampaignLoop::kNoMessageNotice},
                          Case{u"", u"", CCampaignLoop::kNoPathNotice}}) {
        std::u16string notice;
        EXPECT_FALSE(loop.Toggle(c.path, c.message, notice));
        EXPECT_EQ(notice, c.notice);
        EXPECT_FALSE(loop.IsSending());
    }
    EXPECT_TRUE(recorder.states.empty());
    // Stopping needs neither.
    Start();
    std::u16string notice;
    EXPECT_TRUE(loop.Toggle(u"", u"", notice));
    EXPECT_FALSE(loop.IsSending());
    EXPECT_TRUE(notice.empty());
}

TEST_F(CampaignLoopTest, SendsOneRowPerTickThenStopsOnTheNextTick) {
    Start(u"  Hello\n");
    EXPECT_EQ(loop.GetCounts().remaining, 3u);
    EXPECT_EQ(loop.EstimatedTimeLeft(), std::chrono::seconds(3));
    for (int i = 0; i < 3; ++i) {
        loop.Tick();
    }
    EXPECT_THAT(front.numbers, ElementsAre(u"11111", u"22222", u"33333"));
    EXPECT_THAT(front.messages, ElementsAre(u"Hello", u"Hello", u"Hello"));
    EXPECT_TRUE(loop.IsSending());
    loop.Tick();
    EXPECT_FALSE(loop.IsSending());
    loop.Tick();
    EXPECT_EQ(front.numbers.size(), 3u);
    EXPECT_THAT(recorder.states, ElementsAre(true, false));
}

TEST_F(CampaignLoopTest, AnEmptyListStopsAtTheFirstTick) {
    loop.ClearRows();
    Start();
    loop.Tick();
    EXPECT_FALSE(loop.IsSending());
    EXPECT_TRUE(front.numbers.empty());
}

TEST_F(CampaignLoopTest, AcceptedRowIsPendingUntilItsFinalStatus) {
    Start();
    loop.Tick();
    loop.Tick();
    EXPECT_EQ(Row(0).state, RowState::Pending);
    EXPECT_EQ(Row(0).statusText, CCampaignLoop::kPendingText);
    EXPECT_EQ(Row(0).requestId, 1u);
    EXPECT_EQ(loop.GetCounts().pending, 2u);

    loop.OnSmsSendResult(2, S_OK);   // out of order
    loop.OnSmsSendResult(99, S_OK);  // no such request
    EXPECT_EQ(Row(1).state, RowState::Sent);
    EXPECT_EQ(Row(1).statusText, u"SMS Sent Successfully.");
    EXPECT_EQ(Row(1).time, now);
    EXPECT_EQ(Row(0).state, RowState::Pending);
    const CampaignCounts counts = loop.GetCounts();
    EXPECT_EQ(counts.sent, 1u);
    EXPECT_EQ(counts.pending, 1u);
    EXPECT_EQ(counts.remaining, 1u);
    EXPECT_THAT(recorder.changed, ElementsAre(0u, 1u, 1u));
}

TEST_F(CampaignLoopTest, RefusedSendShowsItsReasonAndHoldsNoRequestId) {
    front.script = {{E_FAIL, 7, u"Device Does not Supports Sending SMS Messages in PDU Format."},
                    {E_FAIL, 7, u""},
                    {S_OK, 7, u""}};
    Start();
    loop.Tick();
    loop.Tick();
    EXPECT_EQ(Row(0).statusText, u"Device Does not Supports Sending SMS Messages in PDU Format.");
    EXPECT_EQ(Row(1).statusText, u"Unspecified error");
    EXPECT_EQ(Row(0).state, RowState::Failed);
    EXPECT_FALSE(Row(0).requestId.has_value());
    EXPECT_FALSE(Row(1).requestId.has_value());

    loop.Tick();
    loop.OnSmsSendResult(7, S_OK);
    EXPECT_EQ(Row(2).state, RowState::Sent);
    EXPECT_EQ(Row(0).state, RowState::Failed);
    EXPECT_EQ(loop.GetCounts().failed, 2u);
}

TEST_F(CampaignLoopTest, TimeLeftFollowsTheModemsPaceWhenItIsSlowerThanTheTimer) {
    std::vector<std::u16string> numbers;
    for (int i = 0; i < 10; ++i) {
        numbers.push_back(u"5550" + std::u16string(1, static_cast<char16_t>(u'0' + i)));
    }
    loop.SetNumbers(numbers);
    loop.SetTickInterval(std::chrono::milliseconds(500));
    Start();
    EXPECT_EQ(loop.EstimatedTimeLeft(), std::chrono::seconds(5));  // 10 rows at the timer's pace
    // The modem takes one message per 4 s: three busy answers between takes.
    for (int take = 0; take < 4; ++take) {
        front.script = {
            {VTX_E_MODEM_BUSY, 0, u""}, {VTX_E_MODEM_BUSY, 0, u""}, {VTX_E_MODEM_BUSY, 0, u""}};
        for (int tick = 0; tick < 4; ++tick) {
            now += std::chrono::seconds(1);
            loop.Tick();
        }
    }
    EXPECT_EQ(loop.GetCounts().remaining, 6u);
    EXPECT_EQ(loop.EstimatedTimeLeft(), std::chrono::seconds(24));
    // A busy answer leaves the row unsent, and says why.
    front.script = {{VTX_E_MODEM_BUSY, 0, u""}};
    loop.Tick();
    EXPECT_EQ(Row(4).state, RowState::NotSent);
    EXPECT_EQ(Row(4).statusText, CCampaignLoop::kBusyText);
}

// Start after Stop carries on: nobody gets the message twice unless the
// rows are reopened on purpose.
TEST_F(CampaignLoopTest, StartAfterStopCarriesOnWithTheRowsThatHaveNoOutcome) {
    front.script = {{S_OK, 1, u""}, {VTX_E_MODEM_BUSY, 0, u""}};
    Start();
    loop.Tick();
    loop.Tick();  // row 1: the modem has no room yet
    loop.Stop();
    loop.Tick();
    EXPECT_EQ(front.numbers.size(), 2u);
    EXPECT_EQ(Row(1).statusText, kNotSentStoppedText);
    EXPECT_TRUE(loop.HasWorkLeft());
    EXPECT_EQ(loop.EstimatedTimeLeft(), std::chrono::seconds(0));
    loop.OnSmsSendResult(1, S_OK);

    Start();
    loop.Tick();
    loop.Tick();
    EXPECT_THAT(front.numbers, ElementsAre(u"11111", u"22222", u"22222", u"33333"));
    loop.OnSmsSendResult(3, E_FAIL);
    loop.OnSmsSendResult(4, S_OK);
    loop.Tick();
    EXPECT_FALSE(loop.IsSending());

    // Sending again is a choice: the failed row only, then everyone.
    EXPECT_EQ(loop.ReopenRows(RowState::Failed), 1u);
    EXPECT_EQ(loop.ReopenRows(RowState::Failed), 0u);
    EXPECT_EQ(loop.GetCounts().sent, 2u);
    EXPECT_EQ(loop.ReopenRows(std::nullopt), 2u);
    Start();
    loop.Tick();
    EXPECT_EQ(front.numbers.back(), u"11111");
}

// Errors of the modem or the network pause the campaign instead of failing
// every number after them; a send the modem had becomes outcome unknown.
TEST_F(CampaignLoopTest, ModemAndNetworkFaultsPauseAndKeepTheRestUnsent) {
    struct Case {
        bool refusedAtOnce;
        HRESULT status;
        RowState state;
    };
    const HRESULT noNetwork = VTX_E_CMS_ERROR_BASE + 331;
    for (const Case& c :
         {Case{true, VTX_E_MODEM_GONE, RowState::NotSent}, Case{true, noNetwork, RowState::NotSent},
          Case{false, VTX_E_MODEM_GONE, RowState::Unknown},
          Case{false, VTX_E_SEND_TIMEOUT, RowState::Unknown}}) {
        SCOPED_TRACE(c.status);
        loop.ReopenRows(std::nullopt);
        front.numbers.clear();
        Start();
        front.script = {{c.refusedAtOnce ? c.status : S_OK, 7, u""}};
        loop.Tick();
        if (!c.refusedAtOnce) {
            loop.OnSmsSendResult(7, c.status);
        }
        EXPECT_TRUE(loop.IsPaused());
        EXPECT_FALSE(loop.IsSending());
        EXPECT_EQ(loop.GetPauseReason(), StatusText(c.status));
        EXPECT_EQ(Row(0).state, c.state);
        EXPECT_EQ(Row(1).state, RowState::NotSent);
        loop.Tick();
        EXPECT_EQ(front.numbers.size(), 1u);
        Start();
        EXPECT_FALSE(loop.IsPaused());
        loop.Tick();
        EXPECT_EQ(front.numbers.back(), c.refusedAtOnce ? u"11111" : u"22222");
        loop.Stop();
        loop.AbandonPending();
        EXPECT_EQ(loop.GetCounts().pending, 0u);
    }
    // An error about the number fails that row only.
    loop.ReopenRows(std::nullopt);
    front.script = {{VTX_E_CMS_ERROR_BASE + 1, 0, u""}};
    Start();
    loop.Tick();
    loop.Tick();
    EXPECT_EQ(Row(0).state, RowState::Failed);
    EXPECT_TRUE(loop.IsSending());
}

TEST_F(CampaignLoopTest, NewRowsContinueAtTheNextIndexAndDropOldResults) {
    Start();
    loop.Tick();
    CNumberList list;
    std::u16string error;
    ASSERT_TRUE(list.LoadFromBytes("44444\n55555\n66666\n", error));
    loop.SetNumbers(list.m_mapNumbers);
    loop.OnSmsSendResult(1, S_OK);
    EXPECT_EQ(Row(0).state, RowState::NotSent);
    EXPECT_EQ(loop.GetCounts().pending, 0u);
    loop.Tick();
    EXPECT_EQ(front.numbers.back(), u"55555");
    EXPECT_EQ(recorder.resets, 2);
}

TEST_F(CampaignLoopTest, TicksAndResultsInsideASendAreHandledSafely) {
    Start();
    front.duringSend = [this](std::uint32_t id) {
        loop.Tick();                     // a timer event delivered by a modal window
        loop.OnSmsSendResult(id, S_OK);  // a result faster than the send's return
    };
    loop.Tick();
    EXPECT_EQ(front.numbers.size(), 1u);
    EXPECT_EQ(Row(0).state, RowState::Sent);
    EXPECT_FALSE(Row(1).requestId.has_value());
}

TEST_F(CampaignLoopTest, RowsReplacedInsideASendAreNotWrittenByIt) {
    Start();
    front.duringSend = [this](std::uint32_t) {
        loop.SetNumbers(std::vector<std::u16string>{u"77777"});
    };
    loop.Tick();
    EXPECT_EQ(Row(0).state, RowState::NotSent);
    EXPECT_TRUE(Row(0).statusText.empty());
}

TEST_F(CampaignLoopTest, ReusedRequestIdMovesToTheNewerSend) {
    front.script = {{S_OK, 5, u""}, {S_OK, 5, u""}};
    Start();
    loop.Tick();
    loop.Tick();
    EXPECT_EQ(Row(0).state, RowState::Unknown);
    EXPECT_FALSE(Row(0).requestId.has_value());
    loop.OnSmsSendResult(5, S_OK);
    EXPECT_EQ(Row(1).state, RowState::Sent);
    EXPECT_EQ(loop.GetCounts().pending, 0u);
}

// A busy modem gets the same middle part again, without composing anew.
TEST_F(CampaignLoopTest, PartsGoOutOnePerTickEachAfterTheOneBeforeWasSent) {
    Start(kThreeParts);
    EXPECT_EQ(loop.EstimatedTimeLeft(), std::chrono::seconds(9));
    loop.Tick();
    loop.Tick();  // part 1 has no outcome yet: nothing goes out
    loop.OnSmsSendResult(1, S_OK);
    front.script = {{VTX_E_MODEM_BUSY, 0, u""}};
    loop.Tick();
    EXPECT_EQ(Row(0).statusText, u"Part 2 of 3: Waiting for the Modem...");
    EXPECT_EQ(Row(0).state, RowState::Pending);
    loop.Tick();
    loop.OnSmsSendResult(Row(0).requestId.value(), S_OK);
    loop.Tick();
    EXPECT_EQ(Row(0).statusText, u"Sending part 3 of 3...");
    EXPECT_EQ(Row(0).partsSent, 2u);
    loop.Tick();  // the last part is on its way: the next row may start
    EXPECT_THAT(front.sent,
                ElementsAre(u"11111#1", u"11111#2", u"11111#2", u"11111#3", u"22222#1"));
    loop.OnSmsSendResult(4, S_OK);
    EXPECT_EQ(Row(0).state, RowState::Sent);
    EXPECT_EQ(Row(0).statusText, u"SMS Sent Successfully.");
    EXPECT_EQ(front.messages.size(), 2u);  // composed once per number
}

// Quiet hours begin while a message of three parts is on its way: all its
// parts still go, and the next number waits until the window opens, even
// when its first part had found the modem busy.
TEST_F(CampaignLoopTest, QuietHoursWaitBeforeTheNextNumberNeverBetweenParts) {
    using std::chrono::seconds;
    auto quietFrom = now + seconds(10);
    auto quietTo = now + seconds(3600);
    loop.SetSendWindow([&](auto t) -> std::optional<decltype(t)> {
        return t >= quietFrom && t < quietTo ? std::optional(quietTo) : std::nullopt;
    });
    Start(kThreeParts);
    for (std::uint32_t id = 1; id <= 3; ++id) {
        loop.Tick();
        loop.OnSmsSendResult(id, S_OK);
        now = quietFrom;  // after the first part
    }
    loop.Tick();
    loop.Tick();
    EXPECT_THAT(front.sent, ElementsAre(u"11111#1", u"11111#2", u"11111#3"));
    EXPECT_EQ(loop.WaitingUntil(), quietTo);
    EXPECT_TRUE(loop.IsSending() && !loop.IsPaused());       // a wait, not a pause
    EXPECT_EQ(loop.EstimatedTimeLeft(), seconds(3590 + 6));  // the wait, then 2 rows of 3 parts

    now = quietTo;
    front.script = {{VTX_E_MODEM_BUSY, 0, u""}};
    loop.Tick();
    EXPECT_FALSE(loop.IsWaiting());
    EXPECT_EQ(recorder.waits, 2);
    quietFrom = now;
    quietTo = now + seconds(60);
    loop.Tick();
    EXPECT_EQ(front.sent.back(), u"22222#1");
    EXPECT_EQ(front.sent.size(), 4u);
    EXPECT_TRUE(loop.IsWaiting());
    loop.Stop();
    EXPECT_FALSE(loop.IsWaiting());
}

// Only S_OK is a sent message (0x32 is a success-coded refusal). The first
// part that fails, at once or by its final status, decides the row; no later
// part of that number goes out.
TEST_F(CampaignLoopTest, TheFirstFailingPartDecidesTheRow) {
    struct Case {
        std::u16string_view message;
        std::size_t failingPart;  // from 1
        bool refusedAtOnce;       // else the final status fails
        HRESULT status;
        std::u16string_view text;
        RowState state = RowState::Failed;  // Unknown and paused for a modem fault
    };
    const Case cases[] = {
        {u"Hello", 1, false, 0x32,
         u"Either the SMS operation or the particular SMS format is not supported by the "
         u"device."},
        {kThreeParts, 1, false, VTX_E_SEND_TIMEOUT,
         u"Part 1 of 3: The modem did not report the outcome of the send in time.",
         RowState::Unknown},
        {kThreeParts, 2, true, E_FAIL, u"Part 2 of 3: Unspecified error"},
        {kThreeParts, 3, false, static_cast<HRESULT>(0x8054820Du),
         u"Part 3 of 3: The device is not registered to any network.", RowState::Unknown},
        {kThreeParts, 3, false, VTX_E_CMS_ERROR_BASE + 21,
         u"Part 3 of 3: The network rejected the message (CMS 21)."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.message.size() << " characters, part " << c.failingPart);
        front.sent.clear();
        loop.ReopenRows(std::nullopt);
        Start(c.message);
        for (std::size_t part = 1; part <= c.failingPart; ++part) {
            const bool failing = part == c.failingPart;
            if (failing && c.refusedAtOnce) {
                front.script = {{c.status, 0, u""}};
            }
            loop.Tick();
            if (!failing || !c.refusedAtOnce) {
                loop.OnSmsSendResult(Row(0).requestId.value(), failing ? c.status : S_OK);
            }
        }
        EXPECT_EQ(Row(0).state, c.state);
        EXPECT_EQ(Row(0).statusText, c.text);
        EXPECT_EQ(Row(0).finalStatus, c.status);
        loop.Tick();
        const bool paused = c.state == RowState::Unknown;
        EXPECT_EQ(loop.IsPaused(), paused);
        EXPECT_EQ(front.sent.size(), c.failingPart + (paused ? 0 : 1));
        EXPECT_EQ(front.sent.back() == u"22222#1", !paused);
        loop.Stop();
        loop.AbandonPending();
    }
}

// Stopped between two parts, the row is outcome unknown at once; stopped with a part on
// its way, that part's outcome decides.
TEST_F(CampaignLoopTest, StoppingLeavesTheRestOfAMessageUnsentAndSaysSo) {
    for (const bool between : {true, false}) {
        loop.ReopenRows(std::nullopt);
        Start(kThreeParts);
        loop.Tick();
        if (between) {
            loop.OnSmsSendResult(Row(0).requestId.value(), S_OK);
        }
        loop.Stop();
        if (!between) {
            loop.OnSmsSendResult(Row(0).requestId.value(), S_OK);
        }
        // The number has part 1: whether to send it all again is the user's call.
        EXPECT_EQ(Row(0).state, RowState::Unknown);
        EXPECT_EQ(Row(0).statusText, u"Part 2 of 3: Not Sent: the Sending was Stopped.");
        EXPECT_FALSE(loop.HasWorkLeft());
    }
    EXPECT_EQ(front.sent.size(), 2u);
}

TEST_F(CampaignLoopTest, ARowsOwnTextIsComposedInsteadOfTheCampaigns) {
    std::vector<CampaignRow> rows(2);
    rows[0].number = u"11111";
    rows[0].text = u"Dear Anna";
    rows[1].number = u"22222";
    loop.SetRows(rows);
    Start(u"Dear {name}");
    loop.Tick();
    loop.Tick();
    EXPECT_THAT(front.messages, ElementsAre(u"Dear Anna", u"Dear {name}"));
}

TEST_F(CampaignLoopTest, AMessageOverThePartsLimitIsRefusedBeforeAnythingIsSent) {
    front.options.maxParts = 2;
    std::u16string notice;
    EXPECT_FALSE(loop.Start(u"numbers.txt", kThreeParts, notice));
    EXPECT_EQ(notice,
              u"The Message cannot be Sent: the message needs 3 parts (429 septets); at most 2 are "
              u"allowed.");
    loop.Tick();
    EXPECT_TRUE(front.messages.empty());
    EXPECT_TRUE(recorder.states.empty());
}

// The cells of both CSV reports: quoted when needed, and a text that a
// spreadsheet would run as a formula defused with an apostrophe.
// Several routes: two modems that take one part in flight and one queued
// each, a part per second; request ids of the two overlap on purpose.
class CampaignRoutesTest : public CampaignLoopTest {
protected:
    CampaignRoutesTest() {
        loop.SetNumbers(std::vector<std::u16string>{u"11111", u"22222", u"33333", u"44444",
                                                    u"55555", u"66666"});
        const RouteLimits modem{2, std::chrono::milliseconds(1000)};
        EXPECT_TRUE(loop.SetRoutes({{&a, u"A", modem}, {&b, u"B", modem}}));
    }
    // Advances the clock by `ms` and ticks.
    void TickAfter(int ms) {
        now += std::chrono::milliseconds(ms);
        loop.Tick();
    }

    FakeFront a, b;
};

TEST_F(CampaignRoutesTest, EachFreeRouteTakesTheNextRowAtItsOwnPace) {
    Start();
    loop.Tick();
    EXPECT_THAT(a.numbers, ElementsAre(u"11111"));
    EXPECT_THAT(b.numbers, ElementsAre(u"22222"));
    TickAfter(500);  // within the interval: nothing
    EXPECT_EQ(a.numbers.size() + b.numbers.size(), 2u);
    TickAfter(500);
    TickAfter(1000);  // both full: two in flight each
    EXPECT_THAT(a.numbers, ElementsAre(u"11111", u"33333"));
    EXPECT_THAT(b.numbers, ElementsAre(u"22222", u"44444"));
    EXPECT_EQ(Row(2).route, u"A");
    EXPECT_EQ(Row(3).route, u"B");
    // Same id on both routes: each result lands in its own route's row.
    loop.OnSmsSendResult(1, 1, E_FAIL);
    loop.OnSmsSendResult(0, 1, S_OK);
    EXPECT_EQ(Row(0).state, RowState::Sent);
    EXPECT_EQ(Row(1).state, RowState::Failed);
    TickAfter(1000);
    EXPECT_THAT(a.numbers, ElementsAre(u"11111", u"33333", u"55555"));
    EXPECT_THAT(b.numbers, ElementsAre(u"22222", u"44444", u"66666"));
}

TEST_F(CampaignRoutesTest, AMessagesPartsStayOnTheRouteOfItsFirstPart) {
    Start(kThreeParts);
    loop.Tick();
    for (int second = 1; second <= 3; ++second) {
        loop.OnSmsSendResult(0, a.nextId - 1, S_OK);
        TickAfter(1000);
    }
    EXPECT_THAT(a.sent, ElementsAre(u"11111#1", u"11111#2", u"11111#3", u"33333#1"));
    EXPECT_THAT(b.sent, ElementsAre(u"22222#1"));
    EXPECT_EQ(Row(0).state, RowState::Sent);
}

TEST_F(CampaignRoutesTest, AGatewayTakesPartsUntilItsLimitOrBusy) {
    struct Case {
        std::size_t limit;
        std::size_t busyAfter;  // parts the gateway takes before it answers busy
        std::size_t taken;
    };
    for (const Case& c : {Case{4, 99, 4}, Case{0, 3, 3}, Case{2, 1, 1}}) {
        SCOPED_TRACE(c.limit);
        FakeFront gateway;
        for (std::size_t i = 0; i < c.busyAfter; ++i) {
            gateway.script.push_back({S_OK, static_cast<std::uint32_t>(i + 1), u""});
        }
        gateway.script.push_back({VTX_E_MODEM_BUSY, 0, u""});
        ASSERT_TRUE(loop.SetRoutes({{&gateway, u"G", {c.limit, std::chrono::milliseconds(0)}}}));
        loop.ReopenRows(std::nullopt);
        Start();
        loop.Tick();
        EXPECT_EQ(loop.GetCounts().pending, c.taken);
        // A busy row waits on the route for the next tick.
        EXPECT_EQ(gateway.numbers.size(), std::min(c.limit == 0 ? 99 : c.limit, c.busyAfter + 1));
        loop.Stop();
        loop.AbandonPending();
    }
}

TEST_F(CampaignRoutesTest, AGatewaySendsSeveralLongMessagesSideBySide) {
    FakeFront gateway;
    ASSERT_TRUE(loop.SetRoutes({{&gateway, u"G", {8, std::chrono::milliseconds(0), 3}}}));
    Start(kThreeParts);
    loop.Tick();
    EXPECT_THAT(gateway.sent, ElementsAre(u"11111#1", u"22222#1", u"33333#1"));
    loop.OnSmsSendResult(0, 2, S_OK);
    loop.Tick();
    EXPECT_THAT(gateway.sent, ElementsAre(u"11111#1", u"22222#1", u"33333#1", u"22222#2"));
    loop.Stop();
    loop.AbandonPending();
}

// Refilled only once two places are free, so that a round's parts are
// marked together; an idle gateway is refilled at once.
TEST_F(CampaignRoutesTest, AGatewayIsOfferedMoreOnlyOnceEnoughIsFree) {
    FakeFront gateway;
    ASSERT_TRUE(loop.SetRoutes({{&gateway, u"G", {4, std::chrono::milliseconds(0), 4, 2}}}));
    Start();
    loop.Tick();
    EXPECT_EQ(gateway.numbers.size(), 4u);
    loop.OnSmsSendResult(0, 1, S_OK);
    loop.Tick();
    EXPECT_EQ(gateway.numbers.size(), 4u);
    loop.OnSmsSendResult(0, 2, S_OK);
    loop.Tick();
    EXPECT_EQ(gateway.numbers.size(), 6u);
    for (std::uint32_t id = 3; id <= 6; ++id) {
        loop.OnSmsSendResult(0, id, S_OK);
    }
    loop.Tick();
    EXPECT_EQ(loop.GetCounts().sent, 6u);
}

TEST_F(CampaignRoutesTest, ARouteThatFailsHandsItsRowsToTheOthers) {
    Start();
    loop.Tick();
    TickAfter(1000);  // A: 11111, 44444; B: 22222, 33333 (B was served first)
    // A vanishes with both of its sends; the row it had not begun goes to B.
    loop.OnSmsSendResult(0, 1, VTX_E_MODEM_GONE);
    EXPECT_TRUE(loop.IsSending());
    EXPECT_EQ(loop.RouteDownReason(0), StatusText(VTX_E_MODEM_GONE));
    loop.OnSmsSendResult(0, 2, VTX_E_MODEM_GONE);
    EXPECT_EQ(Row(0).state, RowState::Unknown);
    EXPECT_EQ(Row(3).state, RowState::Unknown);
    loop.OnSmsSendResult(1, 1, S_OK);
    TickAfter(1000);
    EXPECT_THAT(b.numbers, ElementsAre(u"22222", u"33333", u"55555"));
    EXPECT_EQ(a.numbers.size(), 2u);
    // B refuses at once for the network: no route is left, the loop pauses
    // and the row it could not send stays not sent.
    b.script = {{VTX_E_CMS_ERROR_BASE + 331, 0, u""}};
    loop.OnSmsSendResult(1, 2, S_OK);
    TickAfter(1000);
    EXPECT_TRUE(loop.IsPaused());
    EXPECT_EQ(Row(5).state, RowState::NotSent);
    EXPECT_EQ(Row(5).route, u"B");
    // Start tries every route again.
    Start();
    loop.Tick();
    EXPECT_EQ(a.numbers.back(), u"66666");
}

TEST_F(CampaignRoutesTest, ARouteThatCannotSendFailsNoRow) {
    a.cannotSend = u"No modem";
    Start();
    loop.Tick();
    EXPECT_EQ(loop.RouteDownReason(0), u"No modem");
    EXPECT_TRUE(a.numbers.empty());
    EXPECT_THAT(b.numbers, ElementsAre(u"11111"));
    b.cannotSend = u"Gone too";
    TickAfter(1000);
    EXPECT_TRUE(loop.IsPaused());
    EXPECT_EQ(loop.GetPauseReason(), u"Gone too");
    EXPECT_EQ(loop.GetCounts().failed, 0u);
}

TEST(CsvCell, QuotesAndDefusesFormulas) {
    const std::pair<std::u16string_view, std::u16string_view> cases[] = {
        {u"+44 7700 900123", u"+44 7700 900123"},
        {u"-1234567", u"-1234567"},
        {u"+(971) \u0665\u0660-\u0661", u"+(971) \u0665\u0660-\u0661"},  // Arabic-Indic digits
        {u"=HYPERLINK(\"x\")", u"\"'=HYPERLINK(\"\"x\"\")\""},
        {u"+SUM(A1)", u"'+SUM(A1)"},
        {u"-cmd|' /C calc'!A0", u"'-cmd|' /C calc'!A0"},
        {u"@cmd", u"'@cmd"},
        {u"\tx", u"'\tx"},
        {u"a,b", u"\"a,b\""},
        {u"two\nlines", u"\"two\nlines\""},
        {u" padded ", u"\" padded \""},
        {u"", u""},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(CsvCell(text), expected) << std::string(text.begin(), text.end());
    }
}

}  // namespace
