#include "StoreTestUtil.h"
#include "campaign/store/CampaignRecorder.h"

namespace {

// A gateway of one-part messages; the second offer is answered busy.
struct BusyOnceGateway : ISmsFront {
    std::u16string GetOperatorNameText() override { return u""; }
    std::u16string GetDeviceStatusText() override { return u""; }
    bool CanSendSms(std::u16string&) override { return true; }
    PduLib::MessagePlan PlanSms(std::u16string_view text) override {
        return PduLib::PlanMessage(std::u16string(text), {});
    }
    HRESULT ComposeSms(const std::u16string&, const std::u16string& number,
                       std::vector<std::u16string>& parts, std::u16string&) override {
        parts = {number};
        return S_OK;
    }
    HRESULT SendSmsPart(const std::u16string&, const std::u16string&, std::uint32_t* id,
                        std::u16string&) override {
        *id = static_cast<std::uint32_t>(++offers);
        return offers == 2 && busyOnce ? VTX_E_MODEM_BUSY : S_OK;
    }
    std::size_t offers = 0;
    bool busyOnce = true;
};

// The marks of a tick are one transaction (all or none), the outcomes wait
// for the next, and what a crash loses ends unknown, never sent again.
TEST_F(StoreTestBase, RecorderMarksATickTogetherAndACrashResendsNothing) {
    using S = SendState;
    struct Case {
        bool rowTwoMarked;  // by another sender
        std::vector<S> afterTick, afterCrash;
    };
    for (const Case& c : {Case{false,
                               {S::Sending, S::NotSent, S::NotSent, S::NotSent},
                               {S::Unknown, S::NotSent, S::NotSent, S::NotSent}},
                          Case{true,
                               {S::NotSent, S::NotSent, S::Sending, S::NotSent},
                               {S::NotSent, S::NotSent, S::Unknown, S::NotSent}}}) {
        CCampaignStore store;
        std::int64_t id = 0;
        auto states = [&] {
            std::vector<S> result;
            for (const RowRecord& row : Rows(store, id)) {
                result.push_back(row.state);
            }
            return result;
        };
        BusyOnceGateway first, second;
        second.busyOnce = false;
        for (BusyOnceGateway* gateway : {&first, &second}) {
            OpenSend(store);
            CCampaignLoop loop(*gateway);
            ASSERT_TRUE(loop.SetRoutes({{gateway, u"G", {4, std::chrono::milliseconds(0), 4}}}));
            CCampaignRecorder recorder(store, loop);
            StoreError error;
            NewCampaign campaign{"Hi", "GSM 7-bit", 1, "/n.txt", "h", "{}", {"1", "2", "3", "4"}};
            ASSERT_TRUE(id == 0 ? recorder.Begin(campaign, error)
                                : recorder.Resume(id, false, error))
                << error.text;
            if (id == 0 && c.rowTwoMarked) {
                ASSERT_TRUE(store.MarkSending(recorder.GetCampaign(), 2, std::nullopt, "", error));
            }
            if (id != 0) {
                EXPECT_EQ(states(), c.afterCrash);
            }
            id = recorder.GetCampaign();
            std::u16string notice;
            ASSERT_TRUE(loop.Start(u"n.txt", u"Hi", notice));
            loop.Tick();
            ASSERT_TRUE(recorder.FlushOutcomes(error)) << error.text;
            if (gateway == &first) {
                EXPECT_EQ(first.offers, c.rowTwoMarked ? 0U : 2U);
                EXPECT_EQ(states(), c.afterTick);
                loop.OnSmsSendResult(0, 1, S_OK);  // kept: lost in the crash
            }
            store.Close();  // no End: the sender died
        }
        EXPECT_EQ(second.offers, 3U);  // the rows not sent, not the unknown one
        TearDown();
        SetUp();
    }
}

}  // namespace
