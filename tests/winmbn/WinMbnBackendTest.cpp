// The COM backend against in-process fakes of the platform's objects: what
// it reads, what it frees, what it counts, and how the events reach the
// device link.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "FakeCom.h"
#include "device/CDeviceFront.h"
#include "device/winmbn/WinMbnBackend.h"
#include "device/winmbn/WinMbnProbe.h"

using namespace FakeCom;

namespace {

// Runs the thread's message loop until it is empty: the relay delivers the
// platform's events from it.
void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
    }
}

class RecordingPoster final : public ISmsEventPoster {
public:
    std::vector<std::pair<std::uint32_t, HRESULT>> results;
    std::vector<ReceivedSms> received;
    void PostSmsReceived(const ReceivedSms& message) override { received.push_back(message); }
    void PostRefreshDeviceStatus() override {}
    void PostSmsSendResult(std::uint32_t requestId, HRESULT status) override {
        results.emplace_back(requestId, status);
    }
};

// One modem with SMS, subscriber and signal, and the connection point.
struct FakeModem {
    FakeSmsConfiguration configuration;
    FakeSignal signal;
    FakeSms sms;
    FakeSubscriber subscriber;
    FakeInterface intf;

    FakeModem(const std::wstring& id, const std::wstring& provider) {
        configuration.serviceCenter = L"+12345678901";
        configuration.maxIndex = 30;
        signal.strength = 17;
        sms.configuration = &configuration;
        sms.others.push_back({WinMbn::IID_IMbnSignal, &signal});
        subscriber.subscriberId = L"001010123456789";
        subscriber.simIccId = L"8901";
        subscriber.numbers = {L"+100"};
        intf.id = id;
        intf.providerName = provider;
        intf.manufacturer = L"Maker";
        intf.model = L"Model " + id;
        intf.firmware = L"1.0";
        intf.subscriber = &subscriber;
        intf.SetSms(&sms);
    }
    // Every fake back at the test's own reference.
    bool Balanced() const {
        return configuration.refs == 1 && signal.refs == 1 && sms.refs == 1 &&
               subscriber.refs == 1 && intf.refs == 1;
    }
};

class WinMbnBackendTest : public ::testing::Test {
protected:
    void SetUp() override {
        container.point = &point;
        manager.SetContainer(&container);
    }
    // A device front whose backend creates `manager`.
    std::unique_ptr<CDeviceFront> MakeFront() {
        DeviceLink::BackendFactory factory =
            WinMbnBackend::MakeBackendFactory([this](WinMbn::IMbnInterfaceManager** out) {
                manager.AddRef();
                *out = &manager;
                return S_OK;
            });
        return std::make_unique<CDeviceFront>(
            [factory](std::shared_ptr<DeviceLink::IMbnInterfaceManager>* out) {
                return factory("auto", out);
            });
    }
    bool PlatformBalanced() const {
        return manager.refs == 1 && container.refs == 1 && point.refs == 1;
    }

    OleLedger ledger;
    FakeConnectionPoint point;
    FakeContainer container;
    FakeManager manager;
};

TEST_F(WinMbnBackendTest, LastInterfaceWinsAndEverythingHandedOutIsFreed) {
    FakeModem first(L"modem-1", L"First Telecom");
    FakeModem second(L"modem-2", L"Second Telecom");
    second.configuration.serviceCenter = L"+19876543210";
    second.subscriber.numbers = {L"+200", L"+201"};
    second.subscriber.numbersLowerBound = 1;
    manager.interfaces = {&first.intf, &second.intf};
    manager.lowerBound = 3;  // the platform's bounds, not zero-based ones
    {
        std::unique_ptr<CDeviceFront> front = MakeFront();
        ASSERT_TRUE(front->Discover());
        const CAppHelper& link = front->DeviceLink();
        // Which fields win is the device link's (LastInterfaceWinsFieldByField);
        // here each value comes through its platform call.
        EXPECT_EQ(link.m_strProviderName, u"Second Telecom");
        EXPECT_EQ(link.m_strServiceCenter, u"+19876543210");
        EXPECT_EQ(link.m_strTelephoneNumbers, u"+200+201");
        EXPECT_EQ(link.m_strModel, u"Model modem-2");
        EXPECT_EQ(link.m_nMaxMessageIndex, 30u);
        EXPECT_EQ(link.m_nSignalStrength, 17u);

        // Sending goes to the second modem's SMS object.
        std::uint32_t requestId = 0;
        std::u16string reason;
        ASSERT_EQ(front->SendSms(u"Hi", u"+15551234567", &requestId, reason), S_OK) << "reason";
        EXPECT_TRUE(first.sms.sent.empty());
        ASSERT_EQ(second.sms.sent.size(), 1u);
        EXPECT_EQ(requestId, second.sms.nextRequestId - 1);
        EXPECT_EQ(point.sinks.size(), 1u);
    }
    // The front is gone: unadvised, and every reference and allocation back.
    EXPECT_TRUE(point.sinks.empty());
    EXPECT_EQ(point.unadvised.size(), 1u);
    EXPECT_TRUE(first.Balanced());
    EXPECT_TRUE(second.Balanced());
    EXPECT_TRUE(PlatformBalanced()) << manager.refs << " " << point.refs;
    EXPECT_TRUE(ledger.liveStrings.empty()) << ledger.liveStrings.size() << " strings not freed";
    EXPECT_TRUE(ledger.liveArrays.empty()) << ledger.liveArrays.size() << " arrays not destroyed";
    EXPECT_GT(ledger.stringsFreed, 20);
    EXPECT_EQ(ledger.foreignFrees, 0);
}

// What GetInterfaces makes of the platform's array, element by element:
// "m" a modem, "-" a null entry.
struct InterfaceArrayCase {
    const char* name;
    LONG lowerBound;
    std::vector<int> elements;  // 1 modem, 0 null element, 2 an object that is no interface
    std::set<LONG> failingIndices;
    HRESULT expected;
    std::string pattern;
};

class InterfaceArrayTest : public WinMbnBackendTest,
                           public ::testing::WithParamInterface<InterfaceArrayCase> {};

TEST_P(InterfaceArrayTest, WalksTheBoundsAndKeepsUnobtainableElementsAsNull) {
    const InterfaceArrayCase& c = GetParam();
    std::vector<std::unique_ptr<FakeModem>> modems;
    FakeSignal stranger;  // answers neither IMbnInterface nor IMbnSms
    std::vector<IUnknown*> elements;
    for (int kind : c.elements) {
        if (kind == 1) {
            modems.push_back(std::make_unique<FakeModem>(L"m", L"P"));
            elements.push_back(&modems.back()->intf);
        } else if (kind == 2) {
            elements.push_back(&stranger);
        } else {
            elements.push_back(nullptr);
        }
    }
    manager.interfaces = elements;
    manager.lowerBound = c.lowerBound;
    ledger.failingIndices = c.failingIndices;
    {
        std::shared_ptr<DeviceLink::IMbnInterfaceManager> layer =
            WinMbnBackend::WrapManager(&manager, "auto");
        std::vector<std::shared_ptr<DeviceLink::IMbnInterface>> interfaces;
        EXPECT_EQ(layer->GetInterfaces(&interfaces), c.expected);
        std::string pattern;
        for (const auto& intf : interfaces) {
            pattern += intf ? 'm' : '-';
        }
        EXPECT_EQ(pattern, c.pattern);
    }
    for (const auto& modem : modems) {
        EXPECT_TRUE(modem->Balanced());
    }
    EXPECT_EQ(stranger.refs, 1);
    EXPECT_EQ(manager.refs, 1);
    EXPECT_TRUE(ledger.liveArrays.empty());
    EXPECT_EQ(ledger.foreignFrees, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Arrays, InterfaceArrayTest,
    ::testing::Values(InterfaceArrayCase{"ZeroBased", 0, {1, 1, 1}, {}, S_OK, "mmm"},
                      InterfaceArrayCase{"NegativeLowerBound", -2, {1, 1}, {}, S_OK, "mm"},
                      InterfaceArrayCase{"Empty", 5, {}, {}, S_OK, ""},
                      InterfaceArrayCase{"NullElement", 0, {1, 0, 1}, {}, S_OK, "m-m"},
                      InterfaceArrayCase{
                          "ElementThatCannotBeFetched", 7, {1, 1, 1}, {8}, S_OK, "m-m"},
                      InterfaceArrayCase{"ElementThatIsNoInterface", 0, {2, 1}, {}, S_OK, "-m"}),
    [](const ::testing::TestParamInfo<InterfaceArrayCase>& info) { return info.param.name; });

TEST_F(WinMbnBackendTest, ArraysOfTheWrongShapeAreRefusedAndStillDestroyed) {
    struct Case {
        const char* name;
        SAFEARRAY* array;
        HRESULT expected;
    };
    SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
    const Case cases[] = {
        {"strings instead of interfaces", MakeStringArray({L"a", L"b"}), DISP_E_BADVARTYPE},
        {"two dimensions", SafeArrayCreate(VT_UNKNOWN, 2, bounds), E_INVALIDARG},
        {"integers", SafeArrayCreate(VT_I4, 1, bounds), DISP_E_BADVARTYPE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        manager.interfacesArray = c.array;
        std::shared_ptr<DeviceLink::IMbnInterfaceManager> layer =
            WinMbnBackend::WrapManager(&manager, "auto");
        std::vector<std::shared_ptr<DeviceLink::IMbnInterface>> interfaces;
        EXPECT_EQ(layer->GetInterfaces(&interfaces), c.expected);
        EXPECT_TRUE(ledger.liveArrays.empty());
    }
    EXPECT_EQ(ledger.foreignFrees, 0);
}

TEST_F(WinMbnBackendTest, TelephoneNumbersWalkStopsAtTheFirstNumberThatCannotBeFetched) {
    struct Case {
        const char* name;
        std::vector<std::wstring> numbers;
        LONG lowerBound;
        std::set<LONG> failing;
        std::u16string expected;
    };
    const Case cases[] = {
        {"all", {L"+1", L"+2", L"+3"}, 1, {}, u"+1+2+3"},
        {"second fails", {L"+1", L"+2", L"+3"}, 1, {2}, u"+1"},
        {"none", {}, 0, {}, u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeModem modem(L"m", L"P");
        modem.subscriber.numbers = c.numbers;
        modem.subscriber.numbersLowerBound = c.lowerBound;
        manager.interfaces = {&modem.intf};
        ledger.failingIndices = c.failing;
        {
            std::unique_ptr<CDeviceFront> front = MakeFront();
            ASSERT_TRUE(front->Discover());
            EXPECT_EQ(front->DeviceLink().m_strTelephoneNumbers, c.expected);
        }
        ledger.failingIndices.clear();
        EXPECT_TRUE(modem.Balanced());
        EXPECT_TRUE(ledger.liveStrings.empty());
        EXPECT_TRUE(ledger.liveArrays.empty());
    }
}

TEST_F(WinMbnBackendTest, HomeProviderNotKnownYetKeepsTheNameButFreesItsStrings) {
    FakeModem modem(L"m", L"Half Known");
    modem.intf.providerResult = S_FALSE;
    manager.interfaces = {&modem.intf};
    {
        std::unique_ptr<CDeviceFront> front = MakeFront();
        ASSERT_TRUE(front->Discover());
        EXPECT_EQ(front->GetOperatorNameText(), u"Mobile Operator Name");
    }
    EXPECT_TRUE(ledger.liveStrings.empty());
}

TEST_F(WinMbnBackendTest, NamedInterfaceSelectorAsksForThatInterfaceOnly) {
    FakeModem modem(L"{abc}", L"P");
    manager.byId = {{L"{abc}", &modem.intf}};
    {
        std::shared_ptr<DeviceLink::IMbnInterfaceManager> named =
            WinMbnBackend::WrapManager(&manager, "{abc}");
        std::vector<std::shared_ptr<DeviceLink::IMbnInterface>> interfaces;
        ASSERT_EQ(named->GetInterfaces(&interfaces), S_OK);
        ASSERT_EQ(interfaces.size(), 1u);
        std::u16string id;
        ASSERT_EQ(interfaces[0]->get_InterfaceID(&id), S_OK);
        EXPECT_EQ(id, u"{abc}");

        std::shared_ptr<DeviceLink::IMbnInterfaceManager> absent =
            WinMbnBackend::WrapManager(&manager, "{x}");
        ASSERT_EQ(absent->GetInterfaces(&interfaces), S_OK);
        EXPECT_TRUE(interfaces.empty());
    }
    EXPECT_TRUE(modem.Balanced());
}

TEST_F(WinMbnBackendTest, SendPassesThePduAndTheTpduOctetCount) {
    FakeModem modem(L"m", L"P");
    manager.interfaces = {&modem.intf};
    std::unique_ptr<CDeviceFront> front = MakeFront();
    ASSERT_TRUE(front->Discover());
    std::uint32_t requestId = 0;
    std::u16string reason;
    ASSERT_EQ(front->SendSms(u"", u"+15551234567", &requestId, reason), S_OK);
    ASSERT_EQ(modem.sms.sent.size(), 1u);
    const std::wstring& pdu = modem.sms.sent[0].pdu;
    // The service-centre field is its length octet and that many more.
    const std::size_t scaOctets = 1 + std::stoul(std::wstring(pdu, 0, 2), nullptr, 16);
    EXPECT_EQ(modem.sms.sent[0].size, pdu.size() / 2 - scaOctets);
    EXPECT_EQ(requestId, modem.sms.nextRequestId - 1);

    // Refused by the platform: its HRESULT, and no request id.
    modem.sms.sendResult = DeviceLink::MBN_E_NOT_REGISTERED;
    requestId = 0;
    EXPECT_EQ(front->SendSms(u"x", u"+15551234567", &requestId, reason),
              DeviceLink::MBN_E_NOT_REGISTERED);
    EXPECT_EQ(requestId, 0u);
}

class WinMbnEventTest : public WinMbnBackendTest {
protected:
    void SetUp() override {
        WinMbnBackendTest::SetUp();
        manager.interfaces = {&modem.intf};
        front = MakeFront();
        front->DeviceLink().SetEventPoster(&poster);
        ASSERT_TRUE(front->Discover());
        ASSERT_EQ(point.sinks.size(), 1u);
    }
    void TearDown() override {
        front.reset();
        PumpMessages();
        EXPECT_TRUE(point.sinks.empty());
        EXPECT_TRUE(modem.Balanced());
        EXPECT_TRUE(PlatformBalanced());
        EXPECT_TRUE(ledger.liveStrings.empty());
        EXPECT_EQ(ledger.foreignFrees, 0);
    }
    WinMbn::IMbnSmsEvents& Sink() { return *point.sinks.at(0).second; }

    FakeModem modem{L"m", L"P"};
    RecordingPoster poster;
    std::unique_ptr<CDeviceFront> front;
};

TEST_F(WinMbnEventTest, SendCompletionsArriveFromTheMessageLoopInPlatformOrder) {
    Sink().OnSmsSendComplete(&modem.sms, 8, DeviceLink::MBN_E_SMS_NETWORK_TIMEOUT);
    Sink().OnSmsSendComplete(&modem.sms, 7, S_OK);
    EXPECT_TRUE(poster.results.empty()) << "delivered from inside the platform's call";
    PumpMessages();
    const std::vector<std::pair<std::uint32_t, HRESULT>> expected = {
        {8, DeviceLink::MBN_E_SMS_NETWORK_TIMEOUT}, {7, S_OK}};
    EXPECT_EQ(poster.results, expected);
}

TEST_F(WinMbnEventTest, CompletionFiredInsideTheSendIsDeliveredAfterItReturns) {
    modem.sms.duringSend = [this](ULONG id) {
        Sink().OnSmsSendComplete(&modem.sms, id, S_OK);
        EXPECT_TRUE(poster.results.empty());
    };
    std::uint32_t requestId = 0;
    std::u16string reason;
    ASSERT_EQ(front->SendSms(u"Hi", u"+15551234567", &requestId, reason), S_OK);
    EXPECT_TRUE(poster.results.empty());
    PumpMessages();
    ASSERT_EQ(poster.results.size(), 1u);
    EXPECT_EQ(poster.results[0].first, requestId);
}

// Which flags lead to a read is the device link's (EventsTest); here the
// notice arrives from the message loop and the read goes to the platform.
TEST_F(WinMbnEventTest, StatusChangeReadsTheNewMessageFromTheMessageLoop) {
    // Listening began with one read of everything waiting.
    ASSERT_EQ(modem.sms.reads.size(), 1u);
    EXPECT_EQ(modem.sms.reads[0].filter.flag, WinMbn::MBN_SMS_FLAG_ALL);
    modem.sms.reads.clear();
    modem.sms.status = {0x2, 4};  // MBN_SMS_FLAG_NEW_MESSAGE
    Sink().OnSmsStatusChange(&modem.sms);
    EXPECT_TRUE(modem.sms.reads.empty());
    PumpMessages();
    ASSERT_EQ(modem.sms.reads.size(), 1u);
    EXPECT_EQ(modem.sms.reads[0].filter.flag, WinMbn::MBN_SMS_FLAG_INDEX);
    EXPECT_EQ(modem.sms.reads[0].filter.messageIndex, 4u);
    EXPECT_EQ(modem.sms.reads[0].format, WinMbn::MBN_SMS_FORMAT_PDU);
    EXPECT_EQ(front->DeviceLink().m_nReadRequestId, modem.sms.nextRequestId - 1);
}

TEST_F(WinMbnEventTest, ReadCompletionKeepsEachPduOnceAndLeavesTheArrayToThePlatform) {
    FakeReadMessage a, again, broken;
    a.pdu = again.pdu = L"07911326040000F0040B911346610089F60000208062917314080CC8329BFD06";
    broken.pdu = L"00";
    broken.pduResult = E_FAIL;
    FakeSignal notAMessage;
    SAFEARRAY* array = MakeUnknownArray({&a, nullptr, &notAMessage, &again, &broken}, 1);
    const int destroyedBefore = ledger.arraysDestroyed;
    Sink().OnSmsReadComplete(&modem.sms, WinMbn::MBN_SMS_FORMAT_PDU, array, VARIANT_FALSE, 9, S_OK);
    PumpMessages();
    const auto& received = front->DeviceLink().m_mapReceivedPdus;
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received.begin()->first,
              u"07911326040000F0040B911346610089F60000208062917314080CC8329BFD06");

    // Nothing of the array was freed by the backend; the elements carry
    // only the array's own references again.
    EXPECT_EQ(ledger.arraysDestroyed, destroyedBefore);
    EXPECT_EQ(ledger.foreignFrees, 0);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
    EXPECT_EQ(a.refs, 1);
    EXPECT_EQ(again.refs, 1);
    EXPECT_EQ(broken.refs, 1);
    EXPECT_EQ(notAMessage.refs, 1);
}

// Replies and status reports read from the modem are handed up and deleted
// from it only once kept; a SUBMIT kept in the store is not handed up.
TEST_F(WinMbnEventTest, ReadMessagesAreHandedUpAndDeletedOnlyOnceKept) {
    FakeReadMessage reply, report, submit;
    reply.pdu = L"07911326040000F0040B911346610089F60000208062917314080CC8329BFD06";
    reply.index = 3;
    report.pdu = L"0006420B911346610089F6425060410000004250604120000000";
    report.index = 5;
    submit.pdu = L"0001000B911346610089F6000002C834";
    submit.index = 6;
    SAFEARRAY* array = MakeUnknownArray({&reply, &report, &submit}, 0);
    Sink().OnSmsReadComplete(&modem.sms, WinMbn::MBN_SMS_FORMAT_PDU, array, VARIANT_FALSE, 9, S_OK);
    PumpMessages();
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
    ASSERT_EQ(poster.received.size(), 2u);
    EXPECT_EQ(poster.received[0].kind, ReceivedSms::Kind::Deliver);
    EXPECT_EQ(poster.received[0].pdu,
              "07911326040000F0040B911346610089F60000208062917314080CC8329BFD06");
    EXPECT_EQ(poster.received[1].kind, ReceivedSms::Kind::StatusReport);
    EXPECT_TRUE(modem.sms.deletes.empty()) << "nothing leaves the modem before it is kept";
    EXPECT_EQ(front->DeviceLink().AckReceived(poster.received[1].handle), S_OK);
    EXPECT_EQ(front->DeviceLink().AckReceived(poster.received[1].handle), E_INVALIDARG);
    ASSERT_EQ(modem.sms.deletes.size(), 1u);
    EXPECT_EQ(modem.sms.deletes[0].flag, WinMbn::MBN_SMS_FLAG_INDEX);
    EXPECT_EQ(modem.sms.deletes[0].messageIndex, 5u);
}

TEST_F(WinMbnEventTest, EventQueuedBeforeTheSinkLeftIsDropped) {
    Sink().OnSmsSendComplete(&modem.sms, 5, S_OK);
    front.reset();  // unadvises before the loop runs
    PumpMessages();
    EXPECT_TRUE(poster.results.empty());
    EXPECT_EQ(point.unadvised.size(), 1u);
}

TEST_F(WinMbnBackendTest, ManagerGoingAwayUnadvisesAForgottenSink) {
    CAppHelper sink(nullptr);  // an event sink that counts its references
    {
        std::shared_ptr<DeviceLink::IMbnInterfaceManager> layer =
            WinMbnBackend::WrapManager(&manager, "auto");
        std::uint32_t cookie = 0;
        ASSERT_EQ(layer->Advise(&sink, &cookie), S_OK);
        EXPECT_EQ(sink.m_nRefCount, 1);
        EXPECT_EQ(layer->Unadvise(cookie + 1), CONNECT_E_NOCONNECTION);
        EXPECT_EQ(sink.m_nRefCount, 1);
    }
    EXPECT_EQ(sink.m_nRefCount, 0);
    EXPECT_TRUE(point.sinks.empty());
    EXPECT_TRUE(PlatformBalanced());
}

TEST_F(WinMbnBackendTest, RegistrationRefusedByThePlatformIsReportedAndNotKept) {
    FakeModem modem(L"m", L"P");
    manager.interfaces = {&modem.intf};
    point.adviseResult = E_FAIL;
    {
        std::unique_ptr<CDeviceFront> front = MakeFront();
        ASSERT_TRUE(front->Discover());
        EXPECT_EQ(front->DeviceLink().ListenErrorText(),
                  u"Could Not Listen to SMS Messages Received.\nError Code 80004005.");
    }
    EXPECT_TRUE(point.unadvised.empty());
    EXPECT_TRUE(PlatformBalanced());
}

TEST_F(WinMbnBackendTest, ProbeReportsTheServiceMissing) {
    std::ostringstream out, err;
    const int status = WinMbnBackend::RunProbe(
        [](WinMbn::IMbnInterfaceManager** m) {
            *m = nullptr;
            return REGDB_E_CLASSNOTREG;
        },
        {}, out, err);
    EXPECT_EQ(status, WinMbnBackend::kProbeNoService);
    EXPECT_EQ(out.str(), "Could Not Initialize SMS Libraries.\n");
    EXPECT_NE(err.str().find("0x80040154"), std::string::npos) << err.str();
}

TEST_F(WinMbnBackendTest, ProbePrintsTheDeviceAndTheModemList) {
    FakeModem modem(L"{modem}", L"Probe Telecom");
    manager.interfaces = {&modem.intf};
    std::ostringstream out, err;
    const int status = WinMbnBackend::RunProbe(
        [this](WinMbn::IMbnInterfaceManager** m) {
            manager.AddRef();
            *m = &manager;
            return S_OK;
        },
        {}, out, err);
    EXPECT_EQ(status, WinMbnBackend::kProbeOk);
    const std::string text = out.str();
    for (const char* line :
         {"Operator: Probe Telecom\n", "Device status: Device Initialised\n", "Can send SMS: yes\n",
          "Modems: 1\n", "  [0] {modem}\n", "      service centre: +12345678901\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line << " missing from\n" << text;
    }
    EXPECT_TRUE(modem.Balanced());
    EXPECT_TRUE(PlatformBalanced());
    EXPECT_TRUE(ledger.liveStrings.empty());
}

TEST(WinMbnProbeArguments, AcceptsOnlyAWaitInSeconds) {
    struct Case {
        std::vector<const char*> args;
        bool ok;
        unsigned wait;
    };
    const Case cases[] = {{{}, true, 0},
                          {{"--wait", "5"}, true, 5000},
                          {{"--wait"}, false, 0},
                          {{"--wait", "-1"}, false, 0},
                          {{"--wait", "5s"}, false, 0},
                          {{"--wait", "99999"}, false, 0},
                          {{"--verbose"}, false, 0}};
    for (const Case& c : cases) {
        WinMbnBackend::ProbeOptions options;
        std::string error;
        EXPECT_EQ(WinMbnBackend::ParseProbeArguments(static_cast<int>(c.args.size()), c.args.data(),
                                                     &options, &error),
                  c.ok);
        if (c.ok) {
            EXPECT_EQ(options.waitMilliseconds, c.wait);
        } else {
            EXPECT_FALSE(error.empty());
        }
    }
}

}  // namespace
