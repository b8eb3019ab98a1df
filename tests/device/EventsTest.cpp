// The event sink: send completions posted to the view, new-message
// notifications turned into reads, read PDUs kept once.
#include <gtest/gtest.h>

#include <ostream>
#include <utility>
#include <vector>

#include "device/CDeviceFront.h"
#include "device/fake/FakeBackend.h"

using namespace DeviceLink;
using FakeBackend::FakeInterface;
using FakeBackend::FakePlatform;
using FakeBackend::FakeReadMsgPdu;

namespace {

class RecordingPoster : public ISmsEventPoster {
public:
    std::vector<std::pair<std::uint32_t, HRESULT>> results;
    int refreshes = 0;
    void PostRefreshDeviceStatus() override { ++refreshes; }
    void PostSmsSendResult(std::uint32_t requestId, HRESULT status) override {
        results.emplace_back(requestId, status);
    }
};

struct Rig {
    FakePlatform platform;
    std::shared_ptr<FakeInterface> modem = FakeInterface::Modem(u"COM5", u"Tellora", u"+4479");
    CDeviceFront front{platform.Factory()};
    RecordingPoster poster;

    Rig() {
        platform.manager->interfaces.push_back(modem);
        front.Discover();
        front.DeviceLink().SetEventPoster(&poster);
    }
    std::uint32_t Send(const std::u16string& number) {
        std::uint32_t id = 0;
        std::u16string reason;
        EXPECT_EQ(front.SendSms(u"hi", number, &id, reason), S_OK);
        return id;
    }
};

TEST(SendComplete, PostsEachResultWithItsOwnIdInCompletionOrder) {
    Rig rig;
    const std::uint32_t first = rig.Send(u"+1");
    const std::uint32_t second = rig.Send(u"+2");
    ASSERT_NE(first, second);
    ASSERT_TRUE(rig.platform.manager->CompleteSend(rig.modem->sms, second, MBN_E_SMS_MEMORY_FULL));
    ASSERT_TRUE(rig.platform.manager->CompleteSend(rig.modem->sms, first, S_OK));
    const std::vector<std::pair<std::uint32_t, HRESULT>> expected = {
        {second, MBN_E_SMS_MEMORY_FULL}, {first, S_OK}};
    EXPECT_EQ(rig.poster.results, expected);
    EXPECT_EQ(rig.poster.refreshes, 0);
}

TEST(SendComplete, DroppedWithoutAnActiveView) {
    Rig rig;
    const std::uint32_t id = rig.Send(u"+1");
    rig.front.DeviceLink().SetEventPoster(nullptr);
    ASSERT_TRUE(rig.platform.manager->CompleteSend(rig.modem->sms, id, S_OK));
    EXPECT_TRUE(rig.poster.results.empty());
}

struct StatusChangeCase {
    const char* name;
    std::uint32_t flag;
    HRESULT statusResult;
    MBN_SMS_FORMAT deviceFormat;
    bool reads;
};

void PrintTo(const StatusChangeCase& c, std::ostream* os) {
    *os << c.name;
}

class StatusChange : public testing::TestWithParam<StatusChangeCase> {};

TEST_P(StatusChange, ReadsTheNewMessageByIndex) {
    const StatusChangeCase& c = GetParam();
    Rig rig;
    rig.modem->sms->configuration->format = c.deviceFormat;
    rig.front.Discover();
    rig.modem->sms->status.flag = c.flag;
    rig.modem->sms->status.messageIndex = 7;
    rig.modem->sms->statusResult = c.statusResult;
    rig.platform.manager->FireStatusChange(rig.modem->sms);

    if (!c.reads) {
        EXPECT_TRUE(rig.modem->sms->reads.empty());
        return;
    }
    ASSERT_EQ(rig.modem->sms->reads.size(), 1u);
    const auto& read = rig.modem->sms->reads[0];
    EXPECT_EQ(read.filter.flag, MBN_SMS_FLAG_INDEX);
    EXPECT_EQ(read.filter.messageIndex, 7u);
    EXPECT_EQ(read.format, c.deviceFormat);
    EXPECT_EQ(rig.front.DeviceLink().m_nReadRequestId, read.requestId);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StatusChange,
    testing::Values(StatusChangeCase{"NewMessage", MBN_SMS_FLAG_NEW_MESSAGE, S_OK,
                                     MBN_SMS_FORMAT_PDU, true},
                    StatusChangeCase{"NewMessageAndStoreFull",
                                     MBN_SMS_FLAG_NEW_MESSAGE | MBN_SMS_FLAG_MESSAGE_STORE_FULL,
                                     S_OK, MBN_SMS_FORMAT_PDU, true},
                    StatusChangeCase{"TextDeviceReadsInText", MBN_SMS_FLAG_NEW_MESSAGE, S_OK,
                                     MBN_SMS_FORMAT_TEXT, true},
                    StatusChangeCase{"StoreFullOnly", MBN_SMS_FLAG_MESSAGE_STORE_FULL, S_OK,
                                     MBN_SMS_FORMAT_PDU, false},
                    StatusChangeCase{"NoFlag", MBN_SMS_FLAG_NONE, S_OK, MBN_SMS_FORMAT_PDU, false},
                    StatusChangeCase{"StatusUnreadable", MBN_SMS_FLAG_NEW_MESSAGE, E_FAIL,
                                     MBN_SMS_FORMAT_PDU, false}),
    [](const testing::TestParamInfo<StatusChangeCase>& info) { return info.param.name; });

TEST(StatusChange, NotHeardOnceTheDeviceIsNoLongerInitialised) {
    Rig rig;
    rig.modem->readyState = MBN_READY_STATE_DEVICE_LOCKED;
    rig.front.Discover();
    rig.modem->sms->status.flag = MBN_SMS_FLAG_NEW_MESSAGE;
    rig.platform.manager->FireStatusChange(rig.modem->sms);
    EXPECT_TRUE(rig.modem->sms->reads.empty());
}

TEST(ReadComplete, KeepsEachPduOnceAndOnlyInPduFormat) {
    Rig rig;
    auto msg = [](const char16_t* pdu, HRESULT hr = S_OK) {
        return std::make_shared<FakeReadMsgPdu>(pdu, hr);
    };
    rig.platform.manager->FireReadComplete(
        rig.modem->sms, MBN_SMS_FORMAT_PDU,
        {msg(u"07911326040000F0040B911346610089F60000208062917314080CC8F71D14969741F977FD07"),
         msg(u"0001"), nullptr, msg(u"BROKEN", E_FAIL),
         msg(u"07911326040000F0040B911346610089F60000208062917314080CC8F71D14969741F977FD07")},
        1);
    rig.platform.manager->FireReadComplete(rig.modem->sms, MBN_SMS_FORMAT_PDU, {msg(u"0001")}, 2);
    rig.platform.manager->FireReadComplete(rig.modem->sms, MBN_SMS_FORMAT_TEXT,
                                           {msg(u"hello in text")}, 3);

    const auto& received = rig.front.DeviceLink().m_mapReceivedPdus;
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received.count(u"0001"), 1u);
    EXPECT_EQ(received.at(u"0001"), u"0001");
    EXPECT_EQ(received.count(u"BROKEN"), 0u);
    EXPECT_EQ(received.count(u"hello in text"), 0u);
}

TEST(ReadComplete, SurvivesRediscovery) {
    Rig rig;
    rig.platform.manager->FireReadComplete(rig.modem->sms, MBN_SMS_FORMAT_PDU,
                                           {std::make_shared<FakeReadMsgPdu>(u"0001")}, 1);
    rig.front.Discover();
    EXPECT_EQ(rig.front.DeviceLink().m_mapReceivedPdus.size(), 1u);
}

}  // namespace
