// What the store makes of received PDUs: status reports matched to sends by
// reference and number, concatenated replies joined, stop words, and
// receiving the same PDU twice.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <iostream>

#include "StoreTestUtil.h"

namespace {

using S = SendState;
using D = DeliveryState;
using K = ReceiveResult::Kind;

std::string Hex2(unsigned v) {
    char out[3];
    std::snprintf(out, sizeof(out), "%02X", v & 0xFF);
    return out;
}

// An international address: length in digits, type 0x91, swapped digits.
std::string Address(std::string digits) {
    std::string out = Hex2(static_cast<unsigned>(digits.size())) + "91";
    if (digits.size() % 2) {
        digits += 'F';
    }
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        out += {digits[i + 1], digits[i]};
    }
    return out;
}

// 2024-05-06 hh:mm:ss UTC as a time stamp.
std::string Stamp(int hour, int minute, int second) {
    std::string out = "425060";
    for (const int v : {hour, minute, second}) {
        out += {static_cast<char>('0' + v % 10), static_cast<char>('0' + v / 10)};
    }
    return out + "00";
}

std::string Report(unsigned mr, const std::string& digits, unsigned st, int minute = 2) {
    return "0006" + Hex2(mr) + Address(digits) + Stamp(14, 0, 0) + Stamp(14, minute, 0) + Hex2(st);
}

// A UCS2 SMS-DELIVER of ASCII `text`; part `seq` of `total` when total > 0.
std::string Deliver(const std::string& digits, const std::string& text, unsigned total = 0,
                    unsigned seq = 0, unsigned ref = 7, int second = 0) {
    std::string ud = total ? "050003" + Hex2(ref) + Hex2(total) + Hex2(seq) : "";
    for (const char c : text) {
        ud += "00" + Hex2(static_cast<unsigned char>(c));
    }
    return std::string("00") + (total ? "44" : "04") + Address(digits) + "0008" +
           Stamp(9, 30, second) + Hex2(static_cast<unsigned>(ud.size() / 2)) + ud;
}

class ReceivedTest : public StoreTestBase {
protected:
    StoreOptions Options() {
        StoreOptions options = StoreTestBase::Options();
        options.region = "DE";
        return options;
    }
    void Open(CCampaignStore& store) {
        StoreError error;
        ASSERT_TRUE(store.Open(m_path, StoreMode::Send, error, Options())) << error.text;
    }
    // Numbers written nationally: reports name them in E.164.
    std::int64_t Campaign(CCampaignStore& store, std::vector<std::string> numbers, int parts = 1) {
        NewCampaign campaign{"Hi", "GSM 7-bit", parts, "/n.txt", "h", "{}", std::move(numbers)};
        std::int64_t id = 0;
        StoreError error;
        EXPECT_TRUE(store.CreateCampaign(campaign, id, error)) << error.text;
        return id;
    }
    void Sent(CCampaignStore& store, std::int64_t id, std::int64_t row, std::optional<int> part,
              std::int64_t mr) {
        StoreError error;
        ASSERT_TRUE(store.Apply(
            {{id, row, part, S::Sending}, {id, row, part, S::Sent, "", 0, {}, mr}}, error))
            << error.text;
    }
    ReceiveResult Receive(CCampaignStore& store, const std::string& pdu) {
        ReceiveResult result;
        StoreError error;
        EXPECT_TRUE(
            store.Receive(pdu, StoreTime(std::chrono::milliseconds(m_ticks)), result, error))
            << error.text;
        return result;
    }
};

TEST_F(ReceivedTest, ReportsMatchTheLatestSendByReferenceAndNumber) {
    CCampaignStore store;
    Open(store);
    const std::int64_t old = Campaign(store, {"0170 1111111", "01702222222"});
    const std::int64_t two = Campaign(store, {"0170-1111111"}, 2);
    const std::int64_t now = Campaign(store, {"(0170) 1111111", "0170 3333333"});
    Sent(store, old, 0, {}, 5);
    Sent(store, old, 1, {}, 6);
    Sent(store, two, 0, 0, 8);
    Sent(store, two, 0, 1, 9);
    Sent(store, now, 0, {}, 5);
    Sent(store, now, 1, {}, 10);
    const struct {
        std::string pdu;
        bool duplicate;
        std::optional<std::int64_t> campaign;
        std::int64_t row;
        D delivery;
    } cases[] = {
        {Report(5, "491701111111", 0x00), false, now, 0, D::Delivered},
        {Report(5, "491701111111", 0x00), true, {}, 0, D::None},
        {Report(6, "491702222222", 0x21), false, old, 1, D::Pending},
        {Report(6, "491702222222", 0x46, 9), false, old, 1, D::Failed},
        {Report(6, "491702222222", 0x22, 12), false, old, 1, D::Failed},  // final stays
        {Report(10, "491709999999", 0x00), false, {}, 0, D::None},        // another number
        {Report(77, "491701111111", 0x00), false, {}, 0, D::None},        // unknown reference
        {Report(8, "491701111111", 0x00), false, two, 0, D::Pending},     // one part of two
        {Report(9, "491701111111", 0x00, 3), false, two, 0, D::Delivered},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pdu);
        const ReceiveResult r = Receive(store, c.pdu);
        EXPECT_EQ(r.kind, K::StatusReport);
        EXPECT_EQ(r.duplicate, c.duplicate);
        EXPECT_EQ(r.campaign, c.campaign);
        EXPECT_EQ(r.row.value_or(0), c.row);
        EXPECT_EQ(r.delivery, c.delivery);
        EXPECT_EQ(r.note.empty(), c.campaign || c.duplicate) << r.note;
    }
    const RowRecord row = Rows(store, two).at(0);
    EXPECT_EQ(row.delivery, D::Delivered);
    EXPECT_EQ(row.deliveryTime, StoreTime(std::chrono::milliseconds(1715004180000)));
    EXPECT_EQ(Rows(store, old).at(1).deliveryStatus, 0x46);
    EXPECT_EQ(Rows(store, old).at(0).delivery, D::None);
    std::vector<StatusReportRecord> unmatched;
    StoreError error;
    ASSERT_TRUE(store.ListStatusReports(true, unmatched, error)) << error.text;
    EXPECT_EQ(unmatched.size(), 2u);
}

TEST_F(ReceivedTest, AReportBeforeTheModemsAnswerIsMatchedWithIt) {
    CCampaignStore store;
    Open(store);
    const std::int64_t id = Campaign(store, {"01701111111"});
    StoreError error;
    ASSERT_TRUE(store.MarkSending(id, 0, {}, "m", error)) << error.text;
    EXPECT_FALSE(Receive(store, Report(42, "491701111111", 0x00)).campaign);
    ASSERT_TRUE(store.RecordResult({id, 0, {}, S::Sent, "", 0, {}, 42}, error)) << error.text;
    EXPECT_EQ(Rows(store, id).at(0).delivery, D::Delivered);
}

// A modem that names no reference: a report goes to the newest send to its
// number that has none, part by part; a send with a reference is not taken.
TEST_F(ReceivedTest, ReportsForSendsWithoutAReferenceMatchByNumber) {
    CCampaignStore store;
    Open(store);
    const std::int64_t one = Campaign(store, {"01701111111", "01702222222"});
    const std::int64_t two = Campaign(store, {"01701111111"}, 2);
    StoreError error;
    for (const SendUpdate& update :
         {SendUpdate{one, 0, {}, S::Sending}, SendUpdate{one, 0, {}, S::Sent},
          SendUpdate{one, 1, {}, S::Sending}, SendUpdate{one, 1, {}, S::Sent, "", 0, {}, 6},
          SendUpdate{two, 0, 0, S::Sending}, SendUpdate{two, 0, 0, S::Sent},
          SendUpdate{two, 0, 1, S::Sending}, SendUpdate{two, 0, 1, S::Sent}}) {
        ASSERT_TRUE(store.Apply({update}, error)) << error.text;
    }
    const struct {
        std::string pdu;
        std::optional<std::int64_t> campaign;
        std::optional<std::int64_t> part;
        D delivery;
    } cases[] = {
        {Report(40, "491701111111", 0x00), two, 0, D::Pending},  // one part of two
        {Report(41, "491701111111", 0x00), two, 1, D::Delivered},
        {Report(42, "491701111111", 0x41), one, {}, D::Failed},  // then the older campaign
        {Report(43, "491701111111", 0x00), {}, {}, D::None},     // nothing undecided is left
        {Report(44, "491702222222", 0x00), {}, {}, D::None},     // that send has a reference
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pdu);
        const ReceiveResult r = Receive(store, c.pdu);
        EXPECT_EQ(r.campaign, c.campaign);
        EXPECT_EQ(r.part, c.part);
        EXPECT_EQ(r.delivery, c.delivery);
    }
}

// Each modem numbers its own TP-MRs: a report goes to the send of the modem
// that received it, even when another modem's send is newer.
TEST_F(ReceivedTest, ReportsMatchOnlySendsOfTheModemThatReceivedThem) {
    CCampaignStore store;
    Open(store);
    const std::int64_t first = Campaign(store, {"01701111111"});
    const std::int64_t second = Campaign(store, {"01701111111"});
    StoreError error;
    for (const auto& [id, modem] : {std::pair{first, "B"}, std::pair{second, "A"}}) {
        ASSERT_TRUE(store.Apply({{id, 0, {}, S::Sending, "", {}, {}, {}, modem},
                                 {id, 0, {}, S::Sent, "", 0, {}, 5, modem}},
                                error))
            << error.text;
    }
    std::vector<ReceiveResult> results;
    const StoreTime now{std::chrono::milliseconds(m_ticks)};
    ASSERT_TRUE(store.ReceiveBatch(
        {{Report(5, "491701111111", 0x00), now, "B"}, {Report(5, "491701111111", 0x40), now, "C"}},
        results, error))
        << error.text;
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0].campaign, first);
    EXPECT_EQ(results[1].campaign, std::nullopt) << "modem C sent nothing with that reference";
}

TEST_F(ReceivedTest, JoinsRepliesInAnyOrderAndKeepsEachPduOnce) {
    CCampaignStore store;
    Open(store);
    const std::int64_t id = Campaign(store, {"01701111111"});
    Sent(store, id, 0, {}, 1);
    const std::string from = "491701111111";
    const struct {
        std::string pdu;
        bool duplicate;
        bool complete;
    } steps[] = {
        {Deliver(from, "ghi", 3, 3), false, false},
        {Deliver(from, "abc", 3, 1), false, false},
        {Deliver(from, "ghi", 3, 3), true, false},
        {Deliver(from, "ghi", 3, 3, 7, 5), true, false},  // another PDU, the same part
        {Deliver(from, "def", 3, 2), false, true},
        {Deliver(from, "abc", 3, 1), true, true},    // after the crash before deleting
        {Deliver(from, "xyz", 3, 1), false, false},  // the reference used again
        {Deliver("491702222222", "solo"), false, true},
        {"00040b91", false, false},  // cut short: kept as unreadable
        {"00040B91", true, false},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.pdu);
        const ReceiveResult r = Receive(store, step.pdu);
        EXPECT_EQ(r.duplicate, step.duplicate);
        EXPECT_EQ(r.complete, step.complete);
    }
    std::vector<MessageRecord> inbox;
    StoreError error;
    ASSERT_TRUE(store.ListMessages({}, inbox, error)) << error.text;
    ASSERT_EQ(inbox.size(), 2u);  // "xyz" waits for its other parts
    EXPECT_EQ(inbox[1].text, "abcdefghi");
    EXPECT_EQ(inbox[1].from, "+491701111111");
    EXPECT_EQ(inbox[1].campaign, id);
    EXPECT_EQ(inbox[1].sentText, "2024-05-06T09:30:00+00:00");
    EXPECT_FALSE(inbox[0].campaign);
    MessageQuery all;
    all.includeWaiting = true;
    ASSERT_TRUE(store.ListMessages(all, inbox, error)) << error.text;
    ASSERT_EQ(inbox.size(), 3u);
    EXPECT_FALSE(inbox[1].complete);
    EXPECT_EQ(inbox[1].text, "xyz");
    EXPECT_EQ(QuerySql(m_path, "SELECT count(*) FROM unreadable"), 1);
}

TEST_F(ReceivedTest, StopAndStartWordsChangeTheOptOutList) {
    EXPECT_EQ(ClassifyReply(" \tStop\r\n", {}), ReplyIntent::Stop);
    EXPECT_EQ(ClassifyReply("unsubscribe", {}), ReplyIntent::Stop);
    EXPECT_EQ(ClassifyReply("stop it", {}), ReplyIntent::None);
    EXPECT_EQ(ClassifyReply("UnStop", {}), ReplyIntent::Start);
    EXPECT_EQ(ClassifyReply("halt ", {"HALT"}), ReplyIntent::Stop);
    CCampaignStore store;
    Open(store);
    StoreError error;
    ASSERT_TRUE(store.SetStopWords({" Basta ", ""}, error)) << error.text;
    using O = ReceiveResult::OptOut;
    const struct {
        std::string pdu;
        O change;
        bool optedOut;
    } steps[] = {
        {Deliver("491701111111", " stop "), O::Added, true},
        {Deliver("491701111111", "STOP", 0, 0, 7, 1), O::None, true},
        {Deliver("491701111111", "Start", 0, 0, 7, 2), O::Removed, false},
        {Deliver("491701111111", "ba", 2, 1, 9), O::None, false},
        {Deliver("491701111111", "sta", 2, 2, 9), O::Added, true},  // joined: "basta"
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.pdu);
        EXPECT_EQ(Receive(store, step.pdu).optOut, step.change);
        bool optedOut = false;
        ASSERT_TRUE(store.IsOptedOut("0170 1111111", optedOut, error)) << error.text;
        EXPECT_EQ(optedOut, step.optedOut);
    }
    std::int64_t added = 0;
    std::vector<std::string> refused;
    ASSERT_TRUE(store.AddOptOuts({"+49 170 1111111", "01702222222", "abc"}, OptOutSource::Import,
                                 added, refused, error))
        << error.text;
    EXPECT_EQ(added, 1);
    EXPECT_EQ(refused, std::vector<std::string>{"abc"});
    std::vector<OptOutRecord> list;
    ASSERT_TRUE(store.ListOptOuts(list, error)) << error.text;
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].source, OptOutSource::Reply);
    EXPECT_EQ(list[1].number, "+491702222222");
}

// 10,000 messages waiting in the modem at start-up, in one batch.
TEST_F(ReceivedTest, ReceivesTenThousandStoredMessagesInOneBatch) {
    CCampaignStore store;
    Open(store);
    std::vector<ReceivedPdu> pdus;
    for (int i = 0; i < 10000; ++i) {
        pdus.push_back({Deliver("4917" + std::to_string(10000000 + i), "Reply " + std::to_string(i),
                                i % 2 ? 2 : 0, 1 + i % 3 / 2, static_cast<unsigned>(i % 256)),
                        StoreTime{},
                        {}});
    }
    std::vector<ReceiveResult> results;
    StoreError error;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(store.ReceiveBatch(pdus, results, error)) << error.text;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    std::cout << "10,000 PDUs received in " << ms.count() << " ms\n";
    EXPECT_EQ(results.size(), pdus.size());
    EXPECT_EQ(QuerySql(m_path, "SELECT count(*) FROM message_part"), 10000);
    EXPECT_LT(ms.count(), 20000);
}

}  // namespace
