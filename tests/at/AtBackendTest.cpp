// The AT backend against vantorix-modemsim on a real pseudo-terminal.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "device/at/AtBackend.h"
#include "pdu/CPduComposer.h"
#include "pdu/Hex.h"
#include "pdu/PduDecoder.h"
#include "tests/device/QuietSmsEvents.h"

using namespace DeviceLink;

namespace {

bool WaitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

// Runs the events that are due now, and a little more.
void Settle(int ms = 100) {
    WaitFor([] { return false; }, ms);
}

std::u16string Pdu(const std::u16string& number, const std::u16string& smsc = u"+447785016005",
                   const std::u16string& text = u"Hello", int statusReport = 0) {
    PduLib::CPduComposer composer;
    composer.SetTrace(nullptr);
    composer.statusReportRequest = statusReport;
    composer.SetServiceCenter(smsc);
    composer.SetDestination(number);
    composer.SetMessageText(text);
    return composer.ComposePdu();
}

// vantorix-modemsim as a child process; it ends when its stdin closes.
class Sim {
public:
    explicit Sim(QStringList args) {
        m_outbox = m_dir.filePath("outbox.jsonl");
        args << "--outbox" << m_outbox;
        m_process.start(VANTORIX_MODEMSIM, args);
        if (!m_process.waitForStarted(5000) || !m_process.waitForReadyRead(5000)) {
            ADD_FAILURE() << "vantorix-modemsim did not start";
            return;
        }
        const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
        if (!line.startsWith("PORT ")) {
            ADD_FAILURE() << "unexpected first line: " << line.toStdString();
            return;
        }
        m_port = line.mid(5).toStdString();
    }
    ~Sim() {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }
    const std::string& port() const { return m_port; }
    // A request on the simulator's standard input ("deliver SENDER TEXT").
    void Request(const std::string& line) {
        m_process.write((line + "\n").c_str());
        m_process.waitForBytesWritten(1000);
    }
    // Messages in the simulator's store.
    int Stored() {
        Request("count");
        for (QElapsedTimer t; !t.isValid() || t.elapsed() < 3000;) {
            if (!t.isValid()) {
                t.start();
            }
            if (m_process.canReadLine() || m_process.waitForReadyRead(100)) {
                const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
                if (line.startsWith("STORED ")) {
                    return line.mid(7).toInt();
                }
            }
        }
        return -1;
    }

    // The PDUs the modem accepted, in order: (length, hex).
    std::vector<std::pair<int, std::string>> Outbox() const {
        std::vector<std::pair<int, std::string>> entries;
        QFile file(m_outbox);
        if (!file.open(QIODevice::ReadOnly)) {
            return entries;
        }
        while (!file.atEnd()) {
            const QJsonObject o = QJsonDocument::fromJson(file.readLine()).object();
            entries.emplace_back(o["length"].toInt(), o["pdu"].toString().toStdString());
        }
        return entries;
    }

private:
    QTemporaryDir m_dir;
    QString m_outbox;
    QProcess m_process;
    std::string m_port;
};

class RecordingSink : public QuietSmsEvents {
public:
    std::map<std::uint32_t, std::vector<HRESULT>> sent;  // every completion per id
    int statusChanges = 0;
    std::vector<std::u16string> readPdus;
    std::vector<HRESULT> readStatuses;
    std::function<void(const std::shared_ptr<IMbnSms>&)> onStatusChange;
    std::vector<std::pair<std::uint32_t, int>> references;  // (id, TP-MR), then -1 at completion
    std::vector<ReceivedSms> received;

    HRESULT OnSmsSendReference(const std::shared_ptr<IMbnSms>&, std::uint32_t id,
                               std::uint8_t mr) override {
        references.emplace_back(id, mr);
        return S_OK;
    }
    HRESULT OnSmsReceived(const std::shared_ptr<IMbnSms>&, const ReceivedSms& message) override {
        received.push_back(message);
        return S_OK;
    }

    HRESULT OnSmsSendComplete(const std::shared_ptr<IMbnSms>&, std::uint32_t id,
                              HRESULT status) override {
        sent[id].push_back(status);
        references.emplace_back(id, -1);
        return S_OK;
    }
    HRESULT OnSmsReadComplete(const std::shared_ptr<IMbnSms>&, MBN_SMS_FORMAT,
                              const std::vector<std::shared_ptr<IMbnSmsReadMsgPdu>>& messages, bool,
                              std::uint32_t, HRESULT status) override {
        readStatuses.push_back(status);
        for (const auto& message : messages) {
            std::u16string pdu;
            if (message && SUCCEEDED(message->get_PduData(&pdu))) {
                readPdus.push_back(pdu);
            }
        }
        return S_OK;
    }
    HRESULT OnSmsStatusChange(const std::shared_ptr<IMbnSms>& sms) override {
        ++statusChanges;
        if (onStatusChange) {
            onStatusChange(sms);
        }
        return S_OK;
    }
    std::size_t Completed() const { return sent.size(); }
};

At::Timeouts FastTimeouts() {
    At::Timeouts t;
    t.commandMs = 2000;
    t.probeMs = 400;
    t.sendMs = 1500;
    t.drainMs = 100;
    return t;
}

// A discovered modem with a recording sink advised on its manager.
struct Link {
    std::shared_ptr<IMbnInterfaceManager> manager;
    std::shared_ptr<IMbnInterface> interface;
    std::shared_ptr<IMbnSms> sms;
    RecordingSink sink;
    std::uint32_t cookie = 0;

    explicit Link(const std::string& port, At::Timeouts timeouts = FastTimeouts()) {
        const HRESULT hr = At::CreateAtInterfaceManager(port, timeouts, &manager);
        if (FAILED(hr)) {
            ADD_FAILURE() << "discovery failed: " << At::LastDiscoveryMessage();
            return;
        }
        std::vector<std::shared_ptr<IMbnInterface>> interfaces;
        EXPECT_EQ(manager->GetInterfaces(&interfaces), S_OK);
        if (interfaces.size() != 1) {
            ADD_FAILURE() << "expected one interface, got " << interfaces.size();
            return;
        }
        interface = interfaces[0];
        sms = interface->QuerySms();
        EXPECT_EQ(manager->Advise(&sink, &cookie), S_OK);
    }
    ~Link() {
        if (manager) {
            manager->Unadvise(cookie);
        }
    }
    HRESULT Send(const std::u16string& pdu, std::uint32_t* id) {
        return sms->SmsSendPdu(pdu, static_cast<std::uint8_t>((pdu.size() - 16) / 2), id);
    }
};

// ---------------------------------------------------------------------------

// Ready state and format: AtStates; the parsers: AtParseTest. Here every
// value reaches its getter.
TEST(AtDiscovery, ReadsTheModemState) {
    Sim sim({});
    Link link(sim.port());
    ASSERT_TRUE(link.sms);
    MBN_PROVIDER provider;
    MBN_INTERFACE_CAPS caps;
    std::shared_ptr<IMbnSubscriberInformation> subscriber;
    std::shared_ptr<IMbnSmsConfiguration> config;
    ASSERT_EQ(link.interface->GetHomeProvider(&provider), S_OK);
    ASSERT_EQ(link.interface->GetInterfaceCapability(&caps), S_OK);
    ASSERT_EQ(link.interface->GetSubscriberInformation(&subscriber), S_OK);
    ASSERT_EQ(link.sms->GetSmsConfiguration(&config), S_OK);
    std::u16string iccid, imsi, smsc;
    std::vector<std::u16string> numbers;
    std::uint32_t maxIndex = 0, strength = 0;
    EXPECT_EQ(subscriber->get_SimIccID(&iccid), S_OK);
    EXPECT_EQ(subscriber->get_SubscriberID(&imsi), S_OK);
    EXPECT_EQ(subscriber->get_TelephoneNumbers(&numbers), S_OK);
    EXPECT_EQ(config->get_ServiceCenterAddress(&smsc), S_OK);
    EXPECT_EQ(config->get_MaxMessageIndex(&maxIndex), S_OK);
    EXPECT_EQ(link.sms->QuerySignal()->GetSignalStrength(&strength), S_OK);
    EXPECT_EQ((std::vector<std::u16string>{provider.providerName, caps.manufacturer, caps.model,
                                           caps.firmwareInfo, iccid, imsi, smsc}),
              (std::vector<std::u16string>{u"Vantorix Mobile", u"Vantorix", u"ModemSim", u"1.0.0",
                                           u"89441000301641313004", u"234150123456789",
                                           u"+447785016005"}));
    EXPECT_EQ(numbers, std::vector<std::u16string>{u"+447700900123"});
    EXPECT_EQ(caps.smsCaps & MBN_SMS_CAPS_PDU_SEND, MBN_SMS_CAPS_PDU_SEND);
    EXPECT_EQ(maxIndex, 30u);
    EXPECT_EQ(strength, 21u);
}

struct StateCase {
    const char* name;
    QStringList args;
    MBN_READY_STATE ready;
    MBN_SMS_FORMAT format;
    bool providerKnown;
    const char16_t* smsc;
};

class AtStates : public testing::TestWithParam<StateCase> {};

TEST_P(AtStates, ReadyStateFormatProvider) {
    const StateCase& c = GetParam();
    Sim sim(c.args);
    Link link(sim.port());
    ASSERT_TRUE(link.sms);
    MBN_READY_STATE ready = MBN_READY_STATE_OFF;
    EXPECT_EQ(link.interface->GetReadyState(&ready), S_OK);
    EXPECT_EQ(ready, c.ready);
    std::shared_ptr<IMbnSmsConfiguration> config;
    ASSERT_EQ(link.sms->GetSmsConfiguration(&config), S_OK);
    MBN_SMS_FORMAT format = MBN_SMS_FORMAT_PDU;
    EXPECT_EQ(config->get_SmsFormat(&format), S_OK);
    EXPECT_EQ(format, c.format);
    MBN_PROVIDER provider;
    EXPECT_EQ(link.interface->GetHomeProvider(&provider), c.providerKnown ? S_OK : S_FALSE);
    std::u16string smsc = u"unchanged";
    const HRESULT hr = config->get_ServiceCenterAddress(&smsc);
    if (c.smsc != nullptr) {
        EXPECT_EQ(hr, S_OK);
        EXPECT_EQ(smsc, c.smsc);
    } else {
        EXPECT_TRUE(FAILED(hr));
        EXPECT_EQ(smsc, u"unchanged");
    }
}

constexpr auto kPdu = MBN_SMS_FORMAT_PDU;
constexpr auto kNone = MBN_SMS_FORMAT_NONE;
constexpr auto kReady = MBN_READY_STATE_INITIALIZED;
const StateCase kStates[] = {
    {"NoSim", {"--sim", "absent"}, MBN_READY_STATE_SIM_NOT_INSERTED, kNone, false, nullptr},
    {"NotRegistered", {"--operator", ""}, kReady, kPdu, false, u"+447785016005"},
    {"TextOnly", {"--no-pdu"}, kReady, MBN_SMS_FORMAT_TEXT, true, u"+447785016005"},
    {"NoServiceCentre", {"--smsc", ""}, kReady, kPdu, true, u""},
};

INSTANTIATE_TEST_SUITE_P(Sim, AtStates, testing::ValuesIn(kStates),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------

TEST(AtSend, OneInFlightOneQueuedThenBusy) {
    Sim sim({"--reply-delay-ms", "50"});
    Link link(sim.port());
    ASSERT_TRUE(link.sms);
    std::uint32_t a = 0;
    std::uint32_t b = 0;
    std::uint32_t c = 99;
    ASSERT_EQ(link.Send(Pdu(u"+447700900100"), &a), S_OK);
    ASSERT_EQ(link.Send(Pdu(u"+447700900101"), &b), S_OK);
    EXPECT_EQ(link.Send(Pdu(u"+447700900102"), &c), VTX_E_MODEM_BUSY);
    EXPECT_EQ(c, 99u);  // not written on refusal
    EXPECT_NE(a, b);
    // Completions come from the event loop, never inside the call.
    EXPECT_EQ(link.sink.Completed(), 0u);
    ASSERT_TRUE(WaitFor([&] { return link.sink.Completed() == 2; }, 5000));
    // Room again: the row offered a second time goes through.
    ASSERT_EQ(link.Send(Pdu(u"+447700900102"), &c), S_OK);
    ASSERT_TRUE(WaitFor([&] { return link.sink.Completed() == 3; }, 5000));
    Settle();
    for (std::uint32_t id : {a, b, c}) {
        EXPECT_EQ(link.sink.sent[id], std::vector<HRESULT>{S_OK});
    }
    EXPECT_EQ(sim.Outbox().size(), 3u);
}

// Also: codes the modem sends between the prompt and the answer are not the
// answer; ^RSSI updates the signal, and none of them is a new message.
TEST(AtSend, TheTpduLengthComesFromThePduNotFromTheCallersCount) {
    Sim sim({"--smsc", "", "--urc-mid-send", "RING", "--urc-mid-send",
             "+CREG: 1,\"00C3\",\"0001A2B3\",2", "--urc-mid-send", "^RSSI: 9"});
    Link link(sim.port());
    ASSERT_TRUE(link.sms);
    // Empty service centre: the device link's count is 7 short.
    const std::u16string pdu = Pdu(u"+447700900100", u"");
    ASSERT_EQ(pdu.substr(0, 2), u"00");
    std::uint32_t id = 0;
    ASSERT_EQ(link.Send(pdu, &id), S_OK);
    ASSERT_TRUE(WaitFor([&] { return link.sink.Completed() == 1; }, 5000));
    EXPECT_EQ(link.sink.sent[id], std::vector<HRESULT>{S_OK});
    const auto outbox = sim.Outbox();
    ASSERT_EQ(outbox.size(), 1u);
    EXPECT_EQ(outbox[0].first, static_cast<int>(pdu.size() / 2 - 1));
    std::uint32_t strength = 0;
    EXPECT_EQ(link.sms->QuerySignal()->GetSignalStrength(&strength), S_OK);
    EXPECT_EQ(strength, 9u);
    EXPECT_EQ(link.sink.statusChanges, 0);
}

// ---------------------------------------------------------------------------

TEST(AtFailure, SilentModemTimesOutTheSendAndFailsTheQueuedOne) {
    Sim sim({"--silent-after", "1"});
    Link link(sim.port());
    ASSERT_TRUE(link.sms);
    std::uint32_t first = 0;
    ASSERT_EQ(link.Send(Pdu(u"+447700900100"), &first), S_OK);
    ASSERT_TRUE(WaitFor([&] { return link.sink.Completed() == 1; }, 5000));
    std::uint32_t second = 0;
    std::uint32_t third = 0;
    ASSERT_EQ(link.Send(Pdu(u"+447700900101"), &second), S_OK);
    ASSERT_EQ(link.Send(Pdu(u"+447700900102"), &third), S_OK);
    ASSERT_TRUE(WaitFor([&] { return link.sink.Completed() == 3; }, 8000));
    Settle(300);
    EXPECT_EQ(link.sink.sent[first], std::vector<HRESULT>{S_OK});
    EXPECT_EQ(link.sink.sent[second], std::vector<HRESULT>{VTX_E_SEND_TIMEOUT});
    EXPECT_EQ(link.sink.sent[third], std::vector<HRESULT>{VTX_E_MODEM_GONE});
    // The modem is written off: nothing more is taken.
    std::uint32_t fourth = 0;
    EXPECT_EQ(link.Send(Pdu(u"+447700900103"), &fourth), VTX_E_MODEM_GONE);
    MBN_READY_STATE ready;
    EXPECT_EQ(link.interface->GetReadyState(&ready), VTX_E_MODEM_GONE);
    EXPECT_EQ(sim.Outbox().size(), 1u);
    // A new discovery of the same port does not reuse the written-off modem,
    // and gives up on the unanswered probe in time.
    std::shared_ptr<IMbnInterfaceManager> again;
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(At::CreateAtInterfaceManager(sim.port(), FastTimeouts(), &again), E_FAIL);
    EXPECT_LT(timer.elapsed(), 5000);
    EXPECT_FALSE(At::LastDiscoveryMessage().empty());
}

TEST(AtFailure, SinkMayDropTheManagerFromInsideAnEvent) {
    Sim sim({"--vanish-after", "0"});
    auto link = std::make_unique<Link>(sim.port());
    ASSERT_TRUE(link->sms);
    std::uint32_t a = 0;
    std::uint32_t b = 0;
    ASSERT_EQ(link->Send(Pdu(u"+447700900100"), &a), S_OK);
    ASSERT_EQ(link->Send(Pdu(u"+447700900101"), &b), S_OK);
    // Both completions are queued when the modem hangs up; the first one
    // tears the whole link down, so the second must find nobody, not a
    // destroyed manager.
    struct DroppingSink final : RecordingSink {
        std::function<void()> drop;
        HRESULT OnSmsSendComplete(const std::shared_ptr<IMbnSms>& sms, std::uint32_t id,
                                  HRESULT status) override {
            RecordingSink::OnSmsSendComplete(sms, id, status);
            if (drop) {
                auto once = std::move(drop);
                drop = nullptr;
                once();
            }
            return S_OK;
        }
    };
    DroppingSink sink;
    std::uint32_t cookie = 0;
    ASSERT_EQ(link->manager->Advise(&sink, &cookie), S_OK);
    sink.drop = [&] {
        link->manager->Unadvise(cookie);
        link.reset();
    };
    ASSERT_TRUE(WaitFor([&] { return !link; }, 5000));
    Settle(300);
    EXPECT_EQ(sink.sent[a], std::vector<HRESULT>{VTX_E_MODEM_GONE});  // the hang-up fails it
    EXPECT_EQ(sink.Completed(), 1u);
    EXPECT_EQ(sink.refs, 0);
}

// ---------------------------------------------------------------------------

TEST(AtReceive, NewMessageIsAnnouncedAndReadInPduMode) {
    const std::string incoming = "07914477581006500401020304";
    Sim sim({"--incoming", QString::fromStdString(incoming)});
    Link link(sim.port());
    ASSERT_TRUE(link.sms);
    // What the device link does on a status change: read the new message.
    link.sink.onStatusChange = [](const std::shared_ptr<IMbnSms>& sms) {
        MBN_SMS_STATUS_INFO status;
        if (SUCCEEDED(sms->GetSmsStatus(&status)) && (status.flag & MBN_SMS_FLAG_NEW_MESSAGE)) {
            MBN_SMS_FILTER filter;
            filter.flag = MBN_SMS_FLAG_INDEX;
            filter.messageIndex = status.messageIndex;
            std::uint32_t id = 0;
            sms->SmsRead(filter, MBN_SMS_FORMAT_PDU, &id);
        }
    };
    ASSERT_TRUE(WaitFor([&] { return !link.sink.readStatuses.empty(); }, 5000));
    EXPECT_EQ(link.sink.statusChanges, 1);
    EXPECT_EQ(link.sink.readStatuses, std::vector<HRESULT>{S_OK});
    EXPECT_EQ(link.sink.readPdus, std::vector<std::u16string>{u"07914477581006500401020304"});
    MBN_SMS_FILTER missing;
    missing.flag = MBN_SMS_FLAG_INDEX;
    missing.messageIndex = 9;
    std::uint32_t id = 0;
    ASSERT_EQ(link.sms->SmsRead(missing, MBN_SMS_FORMAT_PDU, &id), S_OK);
    ASSERT_TRUE(WaitFor([&] { return link.sink.readStatuses.size() == 2; }, 5000));
    EXPECT_EQ(link.sink.readStatuses[1], E_INVALIDARG);  // +CMS ERROR: 321
}

PduLib::DecodedPdu Decode(const ReceivedSms& message) {
    std::string octets;
    std::string error;
    EXPECT_TRUE(PduLib::FromHex(message.pdu, octets, error)) << error;
    return PduLib::DecodePdu(octets);
}

// Reports stored (+CDSI) or, when the modem refuses that, routed directly
// (+CDS): each names its send by the TP-MR of +CMGS and the recipient, and
// a number set to "none" gets no report.
class AtReports : public testing::TestWithParam<bool> {};

TEST_P(AtReports, ReportCarriesTheReferenceOfItsSend) {
    const bool stored = GetParam();
    QStringList args{"--report",           "+447700900101=expired", "--report",
                     "+447700900102=none", "--report-delay-ms",     "50"};
    if (!stored) {
        args << "--no-stored-reports";
    }
    Sim sim(args);
    Link link(sim.port());
    ASSERT_TRUE(link.sms);
    std::uint32_t ids[4] = {};
    // The first goes without TP-SRR: its +CMGS takes reference 0, no report.
    ASSERT_EQ(link.Send(Pdu(u"+447700900100"), &ids[0]), S_OK);
    ASSERT_TRUE(WaitFor([&] { return link.sink.Completed() == 1; }, 5000));
    for (int k = 1; k < 4; ++k) {
        const std::u16string to = u"+44770090010" + std::u16string(1, char16_t(u'0' + k - 1));
        ASSERT_EQ(link.Send(Pdu(to, u"+447785016005", u"Hi", 1), &ids[k]), S_OK);
        ASSERT_TRUE(WaitFor([&] { return link.sink.Completed() == std::size_t(k + 1); }, 5000));
    }
    ASSERT_TRUE(WaitFor([&] { return link.sink.received.size() == 2; }, 5000));
    Settle(200);
    // The reference comes just before its completion.
    std::vector<std::pair<std::uint32_t, int>> expected;
    for (int k = 0; k < 4; ++k) {
        expected.insert(expected.end(), {{ids[k], k}, {ids[k], -1}});
    }
    EXPECT_EQ(link.sink.references, expected);
    ASSERT_EQ(link.sink.received.size(), 2u);  // +447700900102 asked for none
    std::vector<std::string> reports;
    for (const ReceivedSms& report : link.sink.received) {
        EXPECT_EQ(report.kind, ReceivedSms::Kind::StatusReport);
        EXPECT_EQ(report.Stored(), stored);
        const PduLib::DecodedPdu decoded = Decode(report);
        reports.push_back(std::to_string(decoded.statusReport.messageReference) + " " +
                          decoded.statusReport.recipient + " " +
                          std::to_string(decoded.statusReport.status));
        EXPECT_EQ(link.sms->SmsAcknowledge(report.handle), S_OK);
        EXPECT_EQ(link.sms->SmsAcknowledge(report.handle), E_INVALIDARG);
    }
    EXPECT_EQ(reports, (std::vector<std::string>{"1 +447700900100 0", "2 +447700900101 70"}));
    EXPECT_TRUE(WaitFor([&] { return sim.Stored() == 0; }, 3000));
}

INSTANTIATE_TEST_SUITE_P(Sim, AtReports, testing::Bool(), [](const auto& info) {
    return std::string(info.param ? "Stored" : "Direct");
});

// Replies: one waiting at start, then a long UCS2 one from a named sender in
// two parts, announced with +CMTI; each leaves the modem only once
// acknowledged.
TEST(AtReceive, StoredRepliesStayUntilAcknowledged) {
    const std::string longText(40, 'x');
    Sim sim({"--stored", "1", "--deliver",
             "Shop=" + QString::fromStdString(longText) + QString::fromUtf8("\u0416") +
                 QString::fromStdString(longText)});
    Link link(sim.port());
    ASSERT_TRUE(link.sms);
    ASSERT_TRUE(WaitFor([&] { return link.sink.received.size() == 3; }, 5000));
    // The listing at start and the +CMTI reads come in either order.
    std::sort(link.sink.received.begin(), link.sink.received.end(),
              [](const ReceivedSms& a, const ReceivedSms& b) { return a.index < b.index; });
    std::vector<std::string> seen;
    for (const ReceivedSms& message : link.sink.received) {
        const PduLib::DecodedPdu decoded = Decode(message);
        ASSERT_EQ(decoded.type, PduLib::DecodedPdu::Type::Deliver);
        const auto* part = decoded.deliver.concatenation();
        seen.push_back(message.memory + std::to_string(message.index) + " " +
                       decoded.deliver.originator + " " + std::to_string(decoded.deliver.alphabet) +
                       " " + (part ? std::to_string(part->sequence) : "-") + " " +
                       std::to_string(decoded.deliver.text().size()));
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"SM1 +447700910000 0 - 7", "SM2 Shop 2 1 67",
                                              "SM3 Shop 2 2 14"}));
    Settle(200);
    EXPECT_EQ(sim.Stored(), 3);  // nothing deleted before its acknowledgement
    EXPECT_EQ(link.sms->SmsAcknowledge(link.sink.received[1].handle), S_OK);
    EXPECT_TRUE(WaitFor([&] { return sim.Stored() == 2; }, 3000));
    // One arriving on demand takes the freed place.
    sim.Request("deliver +447700900999 STOP");
    ASSERT_TRUE(WaitFor([&] { return link.sink.received.size() == 4; }, 5000));
    EXPECT_EQ(link.sink.received[3].index, 2u);
    EXPECT_EQ(link.sink.received[3].kind, ReceivedSms::Kind::Deliver);
}

// Storage full: the reply waits at the network and arrives when an
// acknowledgement frees a place. 10,000 waiting at start-up are all read.
TEST(AtReceive, FullStoreAndTenThousandAtStartUp) {
    Sim sim({"--stored", "10000", "--deliver", "+447700900999=Later"});
    Link link(sim.port());
    ASSERT_TRUE(link.sms);
    ASSERT_TRUE(WaitFor([&] { return link.sink.received.size() == 10000; }, 20000));
    std::set<std::uint32_t> handles;
    for (const ReceivedSms& message : link.sink.received) {
        handles.insert(message.handle);
    }
    EXPECT_EQ(handles.size(), 10000u);
    Settle(200);
    EXPECT_EQ(link.sink.received.size(), 10000u);  // "Later" is held: the store is full
    EXPECT_EQ(link.sms->SmsAcknowledge(link.sink.received[5].handle), S_OK);
    ASSERT_TRUE(WaitFor([&] { return link.sink.received.size() == 10001; }, 5000));
    EXPECT_EQ(Decode(link.sink.received.back()).deliver.textUtf8(), "Later");
    EXPECT_EQ(link.sink.received.back().index, 6u);
}

// A two-part reply to a modem with room for one: the second part waits at
// the network until the first is kept and deleted, then takes its place.
TEST(AtReceive, ReplySplitAcrossAFullStore) {
    const std::string text = std::string(150, 'a') + std::string(30, 'b');
    Sim sim({"--storage-size", "1", "--deliver", "Shop=" + QString::fromStdString(text)});
    Link link(sim.port());
    ASSERT_TRUE(link.sms);
    ASSERT_TRUE(WaitFor([&] { return link.sink.received.size() == 1; }, 5000));
    Settle(200);
    ASSERT_EQ(link.sink.received.size(), 1u) << "the second part waits: the store is full";
    EXPECT_EQ(link.sms->SmsAcknowledge(link.sink.received[0].handle), S_OK);
    ASSERT_TRUE(WaitFor([&] { return link.sink.received.size() == 2; }, 5000));
    std::string joined;
    std::vector<unsigned> sequences;
    std::set<unsigned> references;
    for (const ReceivedSms& message : link.sink.received) {
        const PduLib::DecodedPdu decoded = Decode(message);
        const auto* part = decoded.deliver.concatenation();
        ASSERT_NE(part, nullptr);
        sequences.push_back(part->sequence);
        references.insert(part->reference);
        joined += decoded.deliver.textUtf8();
    }
    EXPECT_EQ(sequences, (std::vector<unsigned>{1, 2}));
    EXPECT_EQ(references.size(), 1u);
    EXPECT_EQ(joined, text);
    EXPECT_EQ(link.sink.received[1].index, 1u) << "it took the freed place";
}

TEST(AtDiscovery, RediscoveryKeepsTheOpenModemAndItsSends) {
    Sim sim({"--reply-delay-ms", "50"});
    Link first(sim.port());
    ASSERT_TRUE(first.sms);
    std::uint32_t id = 0;
    ASSERT_EQ(first.Send(Pdu(u"+447700900100"), &id), S_OK);
    // The port is held; a second discovery must reuse it, not fail on the lock.
    Link second(sim.port());
    ASSERT_TRUE(second.sms);
    ASSERT_TRUE(WaitFor([&] { return second.sink.Completed() == 1; }, 5000));
    EXPECT_EQ(second.sink.sent[id], std::vector<HRESULT>{S_OK});
    EXPECT_EQ(first.sink.sent[id], std::vector<HRESULT>{S_OK});
    EXPECT_EQ(sim.Outbox().size(), 1u);
}

}  // namespace
