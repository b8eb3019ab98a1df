// Discovery: what the device link reads from the interfaces, which interface
// wins, the status texts, CanSendSms, and the event registration.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "device/CDeviceFront.h"
#include "device/ModemList.h"
#include "device/fake/FakeBackend.h"

using namespace DeviceLink;
using FakeBackend::FakeInterface;
using FakeBackend::FakePlatform;

namespace {

struct DiscoveryCase {
    const char* name;
    std::function<void(FakePlatform&)> script;
    bool created;
    std::u16string operatorName;
    std::u16string deviceStatus;
    bool canSend;
    std::u16string reason;
    std::size_t sinks;
};

std::shared_ptr<FakeInterface> AddModem(FakePlatform& p) {
    auto modem = FakeInterface::Modem(u"COM5", u"Tellora", u"+12345678901");
    p.manager->interfaces.push_back(modem);
    return modem;
}

const std::u16string kNoDevice = u"Could not Locate SMS Device to Send / Receive SMS Message(s).";

class Discovery : public testing::TestWithParam<DiscoveryCase> {};

TEST_P(Discovery, StatusTextsAndCanSend) {
    const DiscoveryCase& c = GetParam();
    FakePlatform platform;
    c.script(platform);
    CDeviceFront front(platform.Factory());

    EXPECT_EQ(front.Discover(), c.created);
    EXPECT_EQ(front.GetOperatorNameText(), c.operatorName);
    EXPECT_EQ(front.GetDeviceStatusText(), c.deviceStatus);
    std::u16string reason = u"stale";
    EXPECT_EQ(front.CanSendSms(reason), c.canSend);
    EXPECT_EQ(reason, c.reason);
    EXPECT_EQ(platform.manager->SinkCount(), c.sinks);
    EXPECT_EQ(front.DeviceLink().m_nRefCount, static_cast<std::int32_t>(c.sinks));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Discovery,
    testing::Values(
        DiscoveryCase{"NoInterface", [](FakePlatform&) {}, true, u"Mobile Operator Name",
                      u"Device Off", false, kNoDevice, 0},
        DiscoveryCase{"NoService",
                      [](FakePlatform& p) {
                          AddModem(p);
                          p.createResult = MBN_E_NO_BACKEND;
                      },
                      false, u"Mobile Operator Name", u"Device Off", false, kNoDevice, 0},
        DiscoveryCase{"GetInterfacesFails",
                      [](FakePlatform& p) {
                          AddModem(p);
                          p.manager->interfacesResult = E_ACCESSDENIED;
                      },
                      true, u"Mobile Operator Name", u"Device Off", false, kNoDevice, 0},
        DiscoveryCase{"WorkingModem", [](FakePlatform& p) { AddModem(p); }, true, u"Tellora",
                      u"Device Initialised", true, u"", 1},
        DiscoveryCase{"ProviderNotKnownYet",
                      [](FakePlatform& p) { AddModem(p)->providerResult = S_FALSE; }, true,
                      u"Mobile Operator Name", u"Device Initialised", true, u"", 1},
        DiscoveryCase{
            "NoSim",
            [](FakePlatform& p) { AddModem(p)->readyState = MBN_READY_STATE_SIM_NOT_INSERTED; },
            true, u"Tellora", u"SIM Not Inserted", true, u"", 0},
        DiscoveryCase{
            "ReadyStateBeyondTable",
            [](FakePlatform& p) { AddModem(p)->readyState = static_cast<MBN_READY_STATE>(8); },
            true, u"Tellora", u"", true, u"", 0},
        DiscoveryCase{"FormatInLowerCaseHex",
                      [](FakePlatform& p) {
                          AddModem(p)->sms->configuration->format =
                              static_cast<MBN_SMS_FORMAT>(0x1A);
                      },
                      true, u"Tellora", u"Device Initialised", false,
                      u"SMS Format 1a Not Supported to send / Receive SMS Message(s).", 1},
        DiscoveryCase{"NoPduSend",
                      [](FakePlatform& p) {
                          AddModem(p)->caps.smsCaps =
                              MBN_SMS_CAPS_PDU_RECEIVE | MBN_SMS_CAPS_TEXT_SEND;
                      },
                      true, u"Tellora", u"Device Initialised", false,
                      u"Device Does not Supports Sending SMS Messages in PDU Format.", 1},
        DiscoveryCase{"ConfigurationUnreadable",
                      [](FakePlatform& p) { AddModem(p)->sms->configurationResult = E_FAIL; }, true,
                      u"Tellora", u"Device Initialised", false, kNoDevice, 1},
        DiscoveryCase{"NoSmsObject", [](FakePlatform& p) { AddModem(p)->sms.reset(); }, true,
                      u"Tellora", u"Device Initialised", false, kNoDevice, 1}),
    [](const testing::TestParamInfo<DiscoveryCase>& info) { return info.param.name; });

TEST(DiscoveryFields, LastInterfaceWinsFieldByField) {
    FakePlatform platform;
    auto first = FakeInterface::Modem(u"A", u"Alpha", u"+111");
    first->caps.voiceClass = MBN_VOICE_CLASS_SEPARATE_VOICE_DATA;
    first->caps.model = u"M0";
    first->caps.manufacturer = u"Maker0";
    first->subscriber->simIccId = u"ICC0";
    first->subscriber->telephoneNumbers = {u"+100", u"+101"};
    first->sms->signal = std::make_shared<FakeBackend::FakeSignal>();
    first->sms->signal->strength = 17;
    first->sms->status.messageIndex = 4;
    // The second one delivers some fields and fails or declines the others.
    auto second = std::make_shared<FakeInterface>();
    second->readyState = MBN_READY_STATE_SIM_NOT_INSERTED;
    second->providerResult = S_FALSE;
    second->subscriberResult = E_FAIL;
    second->caps.cellularClass = 7;  // not a class we know: GSM stays
    second->caps.voiceClass = MBN_VOICE_CLASS_SIMULTANEOUS_VOICE_DATA;
    second->caps.smsCaps = MBN_SMS_CAPS_PDU_SEND;
    second->caps.model = u"M1";
    platform.manager->interfaces = {first, second};

    CAppHelper link(platform.Factory());
    ASSERT_TRUE(link.CreateInterfaceManager());
    EXPECT_EQ(link.RefreshInterfaces(), S_OK);

    EXPECT_EQ(link.m_nReadyState, MBN_READY_STATE_SIM_NOT_INSERTED);
    EXPECT_EQ(link.m_strProviderName, u"Alpha");
    EXPECT_EQ(link.m_strSimIccId, u"ICC0");
    EXPECT_EQ(link.m_strTelephoneNumbers, u"+100+101");
    EXPECT_EQ(link.m_strCellularClass, u"GSM");
    EXPECT_EQ(link.m_strVoiceClass, u"Simultaneous Voice Data");
    EXPECT_EQ(link.m_strSmsCaps, u"SMS (PDU) Send ");
    EXPECT_TRUE(link.m_bCanSendPdu);
    EXPECT_EQ(link.m_strModel, u"M1");
    EXPECT_EQ(link.m_strManufacturer, u"");
    // No SMS object on the second: the SMS fields are the first one's.
    EXPECT_EQ(link.m_pSms, first->sms);
    EXPECT_EQ(link.m_nSmsFormat, MBN_SMS_FORMAT_PDU);
    EXPECT_EQ(link.m_strServiceCenter, u"+111");
    EXPECT_EQ(link.m_nSignalStrength, 17u);
    EXPECT_EQ(link.m_smsStatus.messageIndex, 4u);

    // With an SMS object on both, the second one's is kept.
    second->sms = std::make_shared<FakeBackend::FakeSms>();
    second->sms->configuration->serviceCenter = u"+222";
    ASSERT_TRUE(link.CreateInterfaceManager());
    EXPECT_EQ(link.RefreshInterfaces(), S_OK);
    EXPECT_EQ(link.m_pSms, second->sms);
    EXPECT_EQ(link.m_strServiceCenter, u"+222");
    EXPECT_EQ(link.m_nSignalStrength, 17u);  // the second has no signal object
}

TEST(DiscoveryFields, UnfetchableInterfaceEndsTheWalk) {
    FakePlatform platform;
    auto last = FakeInterface::Modem(u"C", u"Gamma", u"+3");
    platform.manager->interfaces = {FakeInterface::Modem(u"A", u"Alpha", u"+1"), nullptr, last};
    CAppHelper link(platform.Factory());
    ASSERT_TRUE(link.CreateInterfaceManager());
    EXPECT_TRUE(FAILED(link.RefreshInterfaces()));
    EXPECT_EQ(link.m_strProviderName, u"Alpha");
    EXPECT_NE(link.m_pSms, last->sms);
}

TEST(DiscoveryFields, RefreshAfterUnplugRefusesSending) {
    FakePlatform platform;
    auto modem = AddModem(platform);
    CDeviceFront front(platform.Factory());
    ASSERT_TRUE(front.Discover());
    std::u16string reason;
    ASSERT_TRUE(front.CanSendSms(reason));

    platform.manager->interfaces.clear();
    modem->sms->gone = true;
    ASSERT_TRUE(front.Discover());

    EXPECT_EQ(front.DeviceLink().m_nSmsFormat, MBN_SMS_FORMAT_NONE);
    EXPECT_EQ(front.DeviceLink().m_pSms, modem->sms);  // kept, but not used
    EXPECT_EQ(front.GetOperatorNameText(), u"Mobile Operator Name");
    EXPECT_EQ(front.GetDeviceStatusText(), u"Device Off");
    std::uint32_t requestId = 0xDEADBEEF;
    EXPECT_EQ(front.SendSms(u"hi", u"+123456789", &requestId, reason), E_FAIL);
    EXPECT_EQ(reason, kNoDevice);
    EXPECT_EQ(requestId, 0xDEADBEEFu);
    EXPECT_TRUE(modem->sms->sent.empty());
    EXPECT_EQ(platform.manager->SinkCount(), 0u);
}

TEST(Registration, EachDiscoveryReplacesTheRegistration) {
    FakePlatform platform;
    AddModem(platform);
    {
        CDeviceFront front(platform.Factory());
        ASSERT_TRUE(front.Discover());
        ASSERT_TRUE(front.Discover());
        EXPECT_EQ(platform.manager->SinkCount(), 1u);
        EXPECT_EQ(platform.manager->UnadviseCalls(), 1);
        EXPECT_EQ(front.DeviceLink().m_nRefCount, 1);
        EXPECT_EQ(front.DeviceLink().ListenErrorText(), u"");
    }
    // Destroying the link leaves no registration behind.
    EXPECT_EQ(platform.manager->SinkCount(), 0u);
    EXPECT_EQ(platform.creations, 2);
}

TEST(Registration, FailureIsReportedAndSendingStillWorks) {
    FakePlatform platform;
    AddModem(platform);
    platform.manager->adviseResult = static_cast<HRESULT>(0x80040200u);
    CDeviceFront front(platform.Factory());
    ASSERT_TRUE(front.Discover());
    EXPECT_EQ(front.DeviceLink().ListenResult(), static_cast<HRESULT>(0x80040200u));
    EXPECT_EQ(front.DeviceLink().ListenErrorText(),
              u"Could Not Listen to SMS Messages Received.\nError Code 80040200.");
    EXPECT_EQ(front.DeviceLink().m_nRefCount, 0);
    std::u16string reason;
    EXPECT_TRUE(front.CanSendSms(reason));

    // The next discovery that registers clears the report.
    platform.manager->adviseResult = S_OK;
    ASSERT_TRUE(front.Discover());
    EXPECT_EQ(front.DeviceLink().ListenErrorText(), u"");
    EXPECT_EQ(platform.manager->SinkCount(), 1u);
}

TEST(Backend, WithoutFactoryThereIsNoService) {
    CAppHelper link(nullptr);
    EXPECT_FALSE(link.CreateInterfaceManager());
    EXPECT_EQ(link.RefreshInterfaces(), E_POINTER);
}

TEST(Modems, EachInterfaceWithItsOwnDetails) {
    FakeBackend::FakeInterfaceManager manager;
    auto a = FakeInterface::Modem(u"/dev/ttyUSB2", u"Tellora", u"+4479");
    a->caps.manufacturer = u"Acme";
    a->caps.model = u"X1";
    auto b = std::make_shared<FakeInterface>();
    b->interfaceId = u"/dev/ttyACM0";
    b->readyState = MBN_READY_STATE_DEVICE_LOCKED;
    manager.interfaces = {a, b};

    std::vector<ModemDetails> modems;
    ASSERT_EQ(ListModems(manager, &modems), S_OK);
    ASSERT_EQ(modems.size(), 2u);
    EXPECT_EQ(modems[0].interfaceId, u"/dev/ttyUSB2");
    EXPECT_EQ(modems[0].readyStateText, u"Device Initialised");
    EXPECT_EQ(modems[0].providerName, u"Tellora");
    EXPECT_EQ(modems[0].manufacturer, u"Acme");
    EXPECT_EQ(modems[0].model, u"X1");
    EXPECT_TRUE(modems[0].hasSms);
    EXPECT_EQ(modems[0].smsFormat, MBN_SMS_FORMAT_PDU);
    EXPECT_EQ(modems[0].serviceCenter, u"+4479");
    EXPECT_EQ(modems[1].interfaceId, u"/dev/ttyACM0");
    EXPECT_EQ(modems[1].readyStateText, u"Device Locked");
    EXPECT_EQ(modems[1].providerName, u"");
    EXPECT_FALSE(modems[1].hasSms);

    manager.interfacesResult = E_ACCESSDENIED;
    EXPECT_EQ(ListModems(manager, &modems), E_ACCESSDENIED);
}

}  // namespace
