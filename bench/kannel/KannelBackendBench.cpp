// A campaign through a real Kannel on loopback (started by
// scripts/bench-kannel.sh): every number gets its parts once, as composed, and
// every part's delivery report reaches the backend's listener.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "device/kannel/KannelBackend.h"
#include "pdu/Hex.h"
#include "pdu/PartsComposer.h"
#include "pdu/PduDecoder.h"
#include "pdu/Unicode.h"
#include "tests/device/QuietSmsEvents.h"

namespace {

using namespace DeviceLink;

std::map<std::string, std::string> ReadEnv(const std::string& path) {
    std::map<std::string, std::string> env;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        const auto eq = line.find('=');
        if (eq != std::string::npos) {
            env[line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    return env;
}

struct Expected {
    std::string to;
    std::u16string text;
    std::vector<std::string> pdus;
};

// Offers the parts as fast as the backend takes them and records what
// comes back.
class Driver final : public QuietSmsEvents {
public:
    std::deque<std::pair<std::string, std::string>> queue;  // recipient, PDU
    std::map<std::uint32_t, std::string> toOf;
    std::shared_ptr<IMbnSms> sms;
    std::size_t completed = 0;
    std::size_t offered = 0;
    qint64 firstMs = -1;  // the first completion (Kannel's cold start before it)
    QElapsedTimer* clock = nullptr;
    std::size_t pauseAt = 0;  // offers nothing past this many parts
    bool listenerDown = false;
    int reportsAfterRestart = 0;  // reports of parts sent before the restart
    std::map<HRESULT, int> failures;
    // A send is named as its report names it: "recipient/TP-MR".
    std::set<std::string> acceptedIds;
    std::map<std::uint32_t, std::string> idOf;
    std::map<std::string, std::set<int>> reports;  // send -> TP-ST
    std::set<std::string> idsBeforeRestart;        // still without their final report

    void Offer() {
        while (!queue.empty() && offered < pauseAt) {
            std::uint32_t id = 0;
            const std::string& hex = queue.front().second;
            const HRESULT hr = sms->SmsSendPdu(std::u16string(hex.begin(), hex.end()), 0, &id);
            if (hr == VTX_E_MODEM_BUSY) {
                return;  // offered again at the next completion
            }
            if (FAILED(hr)) {
                ++failures[hr];
            } else {
                toOf[id] = queue.front().first;
            }
            queue.pop_front();
            ++offered;
        }
    }

    HRESULT OnSmsSendComplete(const std::shared_ptr<IMbnSms>&, std::uint32_t requestId,
                              HRESULT status) override {
        if (completed++ == 0) {
            firstMs = clock->elapsed();
        }
        if (status != S_OK) {
            ++failures[status];
        } else if (idOf.count(requestId) == 0) {
            ++failures[E_UNEXPECTED];  // accepted without its message id first
        }
        Offer();
        return S_OK;
    }

    HRESULT OnSmsSendReference(const std::shared_ptr<IMbnSms>&, std::uint32_t requestId,
                               std::uint8_t tpMr) override {
        idOf[requestId] = toOf[requestId] + "/" + std::to_string(tpMr);
        acceptedIds.insert(idOf[requestId]);
        return S_OK;
    }
    // A report may overtake the 202 answer: unknown sends are checked at
    // the end. Acknowledged at once (Kannel gets 200).
    HRESULT OnSmsReceived(const std::shared_ptr<IMbnSms>& from,
                          const ReceivedSms& message) override {
        std::string octets;
        std::string why;
        PduLib::FromHex(message.pdu, octets, why);
        const PduLib::DecodedPdu pdu = PduLib::DecodePdu(octets);
        if (pdu.type == PduLib::DecodedPdu::Type::StatusReport) {
            const std::string id = pdu.statusReport.recipient + "/" +
                                   std::to_string(pdu.statusReport.messageReference);
            const int st = pdu.statusReport.status;
            if (st == 0 && idsBeforeRestart.count(id) != 0 && reports[id].count(0) == 0) {
                ++reportsAfterRestart;
            }
            reports[id].insert(st);
        }
        from->SmsAcknowledge(message.handle);
        return S_OK;
    }
};

// fakesmsc's lines "Got message N: <from to type [udh] data>", by
// destination: the user data header and the data of every part, decoded.
std::map<std::string, std::multiset<std::string>> Received(const std::string& log) {
    std::map<std::string, std::multiset<std::string>> got;
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);) {
        const auto at = line.find("Got message ");
        const auto open = line.find('<', at);
        if (at == std::string::npos || open == std::string::npos) {
            continue;
        }
        const std::string body = line.substr(open + 1, line.rfind('>') - open - 1);
        std::istringstream fields(body);
        std::string from, to, type, udh, data;
        fields >> from >> to >> type;
        if (type == "text") {  // the text as is, to the end
            data = body.substr(from.size() + to.size() + type.size() + 3);
        } else {
            if (type == "udh") {
                fields >> udh >> data;  // "data"
            }
            fields >> data;
            data = Kannel::ParseQuery("d=" + data).at("d");
        }
        udh = Kannel::ParseQuery("u=" + udh).at("u");
        got[to].insert(udh + "|" + type + "|" + data);
    }
    return got;
}

// fakesmsc's word for how a part came.
std::string Shown(const Kannel::SendRequest& request) {
    if (!request.udh.empty()) {
        return "udh";
    }
    return request.coding == 2 ? "ucs-2" : "text";
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const char* rig = std::getenv("KANNEL_RIG_DIR");
    if (rig == nullptr) {
        std::fprintf(stderr, "KANNEL_RIG_DIR is not set: run through scripts/bench-kannel.sh\n");
        return 1;
    }
    const std::string dir = rig;
    auto env = ReadEnv(dir + "/rig.env");
    Kannel::Settings settings;
    settings.url = env["SENDSMS_URL"];
    settings.user = env["KANNEL_USER"];
    settings.listen = env["LISTEN"];
    std::string error;
    if (!Kannel::ReadPasswordFile(env["KANNEL_PASSWORD_FILE"], settings.password, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const int numbers =
        std::getenv("KANNEL_TEST_NUMBERS") ? std::atoi(std::getenv("KANNEL_TEST_NUMBERS")) : 2000;

    // Short and long texts, GSM 7-bit and UCS2, one per number in turn.
    const std::u16string texts[] = {
        u"Your order is ready: collect it at the desk [ref €5].",
        u"Ваш заказ готов. Заберите его у стойки.",
        std::u16string(u"Long notice: ") + std::u16string(180, u'x') + u" end",
        std::u16string(u"Длинное сообщение: ") + std::u16string(120, u'ж') + u" конец",
    };
    std::vector<Expected> expected;
    Driver driver;
    for (int i = 0; i < numbers; ++i) {
        Expected e;
        e.to = "+49151" + std::to_string(10000000 + i);
        e.text = texts[i % 4];
        PduLib::MessageOptions options;
        options.deliveryReports = true;
        const auto parts = PduLib::ComposeParts(e.text, std::u16string(e.to.begin(), e.to.end()),
                                                u"", options, static_cast<std::uint16_t>(i));
        if (!parts.error.empty()) {
            std::fprintf(stderr, "compose: %s\n", parts.error.c_str());
            return 1;
        }
        e.pdus = parts.pdus;
        for (const auto& pdu : e.pdus) {
            driver.queue.emplace_back(e.to, pdu);
        }
        expected.push_back(std::move(e));
    }
    const std::size_t totalParts = driver.queue.size();

    // The backend is dropped half-way (its listener closes) and created
    // again 3 s later, as when the program restarts: reports posted
    // meanwhile must come again (smsbox's http-request-retry).
    std::shared_ptr<IMbnInterfaceManager> manager;
    std::uint32_t cookie = 0;
    auto start = [&]() {
        if (FAILED(Kannel::CreateKannelInterfaceManager(settings, &manager))) {
            std::fprintf(stderr, "backend: %s\n", Kannel::LastError().c_str());
            return false;
        }
        std::vector<std::shared_ptr<IMbnInterface>> interfaces;
        manager->GetInterfaces(&interfaces);
        driver.sms = interfaces.at(0)->QuerySms();
        manager->Advise(&driver, &cookie);
        return true;
    };
    // Knobs for the benchmark (scripts/bench-kannel.sh).
    const bool restart = std::getenv("KANNEL_TEST_NO_RESTART") == nullptr;
    if (const char* parallel = std::getenv("KANNEL_TEST_PARALLEL")) {
        settings.parallel = std::atoi(parallel);
    }
    if (!start()) {
        return 1;
    }
    driver.pauseAt = restart ? totalParts / 2 : totalParts;

    QElapsedTimer clock;
    clock.start();
    driver.clock = &clock;
    QTimer::singleShot(0, [&] { driver.Offer(); });
    qint64 sentMs = -1;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (driver.pauseAt < totalParts && driver.completed == driver.pauseAt &&
            !driver.listenerDown) {
            for (const std::string& id : driver.acceptedIds) {
                if (driver.reports[id].count(0) == 0) {
                    driver.idsBeforeRestart.insert(id);
                }
            }
            Kannel::CloseListener(settings);
            manager->Unadvise(cookie);
            manager.reset();
            driver.sms.reset();
            driver.listenerDown = true;
            QTimer::singleShot(3000, [&] {
                if (!start()) {
                    app.exit(1);
                }
                driver.pauseAt = totalParts;
                driver.Offer();
            });
        }
        if (driver.completed == totalParts && sentMs < 0) {
            sentMs = clock.elapsed();
        }
        std::size_t delivered = 0;
        for (const auto& [id, codes] : driver.reports) {
            delivered += codes.count(0) * driver.acceptedIds.count(id);
        }
        if ((sentMs >= 0 && delivered >= driver.acceptedIds.size()) || clock.elapsed() > 200000) {
            app.quit();
        }
    });
    poll.start(10);
    app.exec();
    manager->Unadvise(cookie);
    const double seconds = clock.elapsed() / 1000.0;

    int faults = 0;
    auto check = [&faults](bool ok, const std::string& what) {
        if (!ok) {
            ++faults;
            if (faults <= 20) {
                std::fprintf(stderr, "FAIL: %s\n", what.c_str());
            }
        }
    };
    check(driver.completed == totalParts,
          "completions " + std::to_string(driver.completed) + " of " + std::to_string(totalParts));
    for (const auto& [status, count] : driver.failures) {
        check(false, "status " + std::to_string(status) + " x" + std::to_string(count));
    }
    check(driver.acceptedIds.size() == totalParts, "references");
    for (const std::string& id : driver.acceptedIds) {
        check(driver.reports.count(id) && driver.reports[id].count(0),
              "no delivery report for " + id);
    }
    for (const auto& [id, codes] : driver.reports) {
        check(driver.acceptedIds.count(id) == 1, "report for an unknown id " + id);
    }

    // Stop fakesmsc so that its log is complete, then compare.
    std::system(("'" + std::string(VANTORIX_RIG) + "' stop '" + dir + "' >/dev/null").c_str());
    const auto got = Received(dir + "/fakesmsc.err");
    check(got.size() == expected.size(), "numbers reached " + std::to_string(got.size()));
    for (const Expected& e : expected) {
        std::multiset<std::string> want;
        for (const auto& pdu : e.pdus) {
            Kannel::SendRequest request;
            std::string why;
            Kannel::SubmitToRequest(pdu, request, why);
            std::string data = request.text;
            if (request.coding == 2) {  // fakesmsc shows UCS2 as its octets
                data.clear();
                for (char16_t u : PduLib::Utf8ToUtf16(request.text)) {
                    data += {static_cast<char>(u >> 8), static_cast<char>(u & 0xFF)};
                }
            }
            want.insert(request.udh + "|" + Shown(request) + "|" + data);
        }
        const auto it = got.find(e.to);
        check(it != got.end() && it->second == want, "parts of " + e.to);
    }
    const double sending = (sentMs - driver.firstMs) / 1000.0 - (restart ? 3.0 : 0.0);
    std::printf(
        "%d numbers, %zu parts through Kannel in %.2f s%s; %.0f parts/s from the first "
        "answer on; all reports in %.2f s; %zu reports outstanding at the restart, %d "
        "of them came after it; %d faults\n",
        numbers, totalParts, sentMs / 1000.0, restart ? " with a 3 s listener restart" : "",
        totalParts / sending, seconds, driver.idsBeforeRestart.size(), driver.reportsAfterRestart,
        faults);
    return faults == 0 ? 0 : 1;
}
