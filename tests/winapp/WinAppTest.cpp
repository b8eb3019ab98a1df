// The Windows program's modem choice and its hot-plug notice, on the real
// Windows platform (run under Xvfb and wine).
#include <gtest/gtest.h>
#include <windows.h>

#include <dbt.h>

#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <map>
#include <memory>
#include <string>

#include "app/CMainFrame.h"
#include "app/CVantorApp.h"
#include "campaign/ui/CMessageEdit.h"
#include "campaign/ui/CVantorView.h"
#include "device/fake/FakeBackend.h"
#include "tests/campaign_ui/GuiTestSupport.h"
#include "windows/app/ModemBackends.h"

namespace {

using DeviceLink::IMbnInterfaceManager;
using FakeBackend::FakeInterface;
using FakeBackend::FakeInterfaceManager;

constexpr HRESULT kNotRegistered = static_cast<HRESULT>(0x80040154);  // REGDB_E_CLASSNOTREG

// One backend: logs "<name>(<selector>)" and answers `result`, with one
// modem or none.
struct ScriptedBackend {
    std::string name;
    HRESULT result = S_OK;
    bool modem = false;
    std::shared_ptr<FakeInterfaceManager> made = std::make_shared<FakeInterfaceManager>();

    DeviceLink::BackendFactory Factory(std::string* log) {
        return [this, log](const std::string& selector,
                           std::shared_ptr<IMbnInterfaceManager>* manager) {
            *log += name + "(" + selector + ") ";
            if (modem) {
                made->interfaces = {FakeInterface::Modem(u"m", u"Operator", u"+4477")};
            }
            if (SUCCEEDED(result)) {
                *manager = made;
            }
            return result;
        };
    }
};

struct Route {
    const char* selector;
    HRESULT mbnResult;
    bool mbnModem;
    HRESULT atResult;
    bool atModem;
    const char* calls;
    const char* chosen;  // "mbn", "at", "none" (a manager without modems) or "fail"
};

TEST(ModemBackends, SelectorChoosesTheBackend) {
    const Route routes[] = {
        {"COM3", S_OK, true, S_OK, true, "at(COM3) ", "at"},
        {"\\\\.\\COM12", S_OK, true, S_OK, false, "at(\\\\.\\COM12) ", "at"},
        {"{8E1F6D9A}", S_OK, true, S_OK, true, "mbn({8E1F6D9A}) ", "mbn"},
        {"sim", S_OK, true, S_OK, true, "", "none"},
        {"auto", S_OK, true, S_OK, true, "mbn(auto) ", "mbn"},
        {"", S_OK, false, S_OK, true, "mbn(auto) at(auto) ", "at"},
        {"auto", kNotRegistered, false, S_OK, true, "mbn(auto) at(auto) ", "at"},
        {"auto", kNotRegistered, false, S_OK, false, "mbn(auto) at(auto) ", "at"},
        {"auto", S_OK, false, S_OK, false, "mbn(auto) at(auto) ", "mbn"},
        {"auto", S_OK, false, E_FAIL, false, "mbn(auto) at(auto) ", "mbn"},
        {"auto", kNotRegistered, false, E_FAIL, false, "mbn(auto) at(auto) ", "fail"},
    };
    for (const Route& route : routes) {
        SCOPED_TRACE(std::string(route.selector) + " mbn " + std::to_string(route.mbnModem) +
                     " at " + std::to_string(route.atModem));
        std::string log;
        ScriptedBackend mbn{"mbn", route.mbnResult, route.mbnModem};
        ScriptedBackend at{"at", route.atResult, route.atModem};
        const auto factory = WinModems::CombineBackends(mbn.Factory(&log), at.Factory(&log));
        std::shared_ptr<IMbnInterfaceManager> manager;
        const HRESULT hr = factory(route.selector, &manager);
        EXPECT_EQ(log, route.calls);
        const std::string chosen = route.chosen;
        if (chosen == "fail") {
            EXPECT_EQ(hr, kNotRegistered) << "the Mobile Broadband failure is the one told";
            EXPECT_EQ(manager, nullptr);
            continue;
        }
        ASSERT_EQ(hr, S_OK);
        ASSERT_NE(manager, nullptr);
        if (chosen == "none") {
            std::vector<std::shared_ptr<DeviceLink::IMbnInterface>> interfaces;
            EXPECT_EQ(manager->GetInterfaces(&interfaces), S_OK);
            EXPECT_TRUE(interfaces.empty());
        } else {
            EXPECT_EQ(manager, chosen == "mbn" ? mbn.made : at.made);
        }
    }
    for (const char* notPort : {"COM", "COM0", "COMX", "COM3a", "LPT1", "/dev/ttyUSB0"}) {
        EXPECT_FALSE(WinModems::IsComPort(notPort)) << notPort;
    }
    EXPECT_TRUE(WinModems::IsComPort("com7"));
}

// Windows tells top-level windows of device changes with WM_DEVICECHANGE,
// several for one modem plugged in; the main window then looks for modems
// once, after the last of them.
TEST(DeviceChange, NoticesOfOnePlugInLeadToOneDiscovery) {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("windows"));
    const QTemporaryDir dir;
    RecordedBoxes boxes;
    FakeBackend::FakePlatform platform;
    platform.manager->interfaces = {FakeInterface::Modem(u"m", u"Operator", u"+4477")};
    CVantorApp app([&platform](const std::string&, std::shared_ptr<IMbnInterfaceManager>* manager) {
        return platform.Factory()(manager);
    });
    ASSERT_TRUE(app.InitInstance({QStringLiteral("vantorix"), QStringLiteral("--store"),
                                  dir.filePath(QStringLiteral("store.sqlite"))}));
    QCoreApplication::processEvents();
    const HWND window = reinterpret_cast<HWND>(app.MainFrame()->winId());

    for (const int notices : {1, 3}) {
        SCOPED_TRACE(notices);
        const int before = platform.creations;
        for (int i = 0; i < notices; ++i) {
            ASSERT_TRUE(PostMessageW(window, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0));
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return platform.creations > before; }, 10000));
        // Exactly one, and nothing else arrives later.
        QTest::qWait(1000);
        EXPECT_EQ(platform.creations, before + 1);
    }
}

// --modem auto: every Mobile Broadband interface sends, each through a link
// bound to its id; a further discovery (a hot-plug) adds no link.
TEST(MobileBroadband, EveryInterfaceGetsALinkOfItsOwn) {
    const QTemporaryDir dir;
    RecordedBoxes boxes;
    std::map<std::string, std::shared_ptr<FakeInterfaceManager>> managers;
    managers["auto"] = std::make_shared<FakeInterfaceManager>();
    std::vector<std::shared_ptr<FakeInterface>> modems;
    for (const auto& [name, id] : {std::pair{"a", u"a"}, std::pair{"b", u"b"}}) {
        modems.push_back(FakeInterface::Modem(id, u"Operator", u"+4477"));
        managers["auto"]->interfaces.push_back(modems.back());
        managers[name] = std::make_shared<FakeInterfaceManager>();
        managers[name]->interfaces = {modems.back()};
    }
    std::string log;
    CVantorApp app([&](const std::string& selector, std::shared_ptr<IMbnInterfaceManager>* out) {
        log += selector + " ";
        *out = managers.at(selector);
        return S_OK;
    });
    ASSERT_TRUE(app.InitInstance({QStringLiteral("vantorix"), QStringLiteral("--store"),
                                  dir.filePath(QStringLiteral("store.sqlite"))}));
    QCoreApplication::processEvents();
    log.clear();
    app.RunDiscovery();
    EXPECT_EQ(log, "b a ") << "the first modem is the one read last";
    ASSERT_EQ(app.Modems().size(), 2u);

    CVantorView* view = app.MainFrame()->GetActiveView();
    const QString numbers =
        WriteNumbersFile(dir, QStringLiteral("n.txt"),
                         {QStringLiteral("+447700900001"), QStringLiteral("+447700900002"),
                          QStringLiteral("+447700900003"), QStringLiteral("+447700900004")});
    view->SetFileChooser([numbers] { return numbers; });
    view->OnBnClickedBrowse();
    view->findChild<CMessageEdit*>(QStringLiteral("message"))->SetText(QStringLiteral("Hi"));
    view->SetTickInterval(std::chrono::milliseconds(50));
    view->OnBnClickedStart();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return !modems[0]->sms->sent.empty() && !modems[1]->sms->sent.empty(); }, 10000));
}

// The simulated modem needs a pseudo-terminal: on Windows the program runs
// without a modem and says so.
TEST(SimulatedModem, IsLinuxOnlyAndTheStatusBarSaysSo) {
    const QTemporaryDir dir;
    RecordedBoxes boxes;
    std::vector<std::string> selectors;
    CVantorApp app(WinModems::CombineBackends(
        [&selectors](const std::string& selector, std::shared_ptr<IMbnInterfaceManager>*) {
            selectors.push_back(selector);
            return E_FAIL;
        },
        [&selectors](const std::string& selector, std::shared_ptr<IMbnInterfaceManager>*) {
            selectors.push_back(selector);
            return E_FAIL;
        }));
    ASSERT_TRUE(app.InitInstance({QStringLiteral("vantorix"), QStringLiteral("--modem"),
                                  QStringLiteral("sim"), QStringLiteral("--store"),
                                  dir.filePath(QStringLiteral("store.sqlite"))}));
    QCoreApplication::processEvents();
    EXPECT_TRUE(selectors.empty()) << "no backend is asked";
    const auto* pane = app.MainFrame()->findChild<QLabel*>(QStringLiteral("simulatedPane"));
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(pane->text(), QStringLiteral("No simulated modem on Windows"));
    EXPECT_EQ(app.MainFrame()->GetDeviceStatusPaneText(), QStringLiteral("Device Off"));
}

// The AT backend on a COM port: the host's simulated modem on a
// pseudo-terminal that wine names VANTORIX_TEST_COM (windows/at-com-test.sh,
// which also checks what reached the modem).
TEST(AtOnComPort, SendsACampaignThroughTheModem) {
    const QString port = qEnvironmentVariable("VANTORIX_TEST_COM");
    if (port.isEmpty()) {
        GTEST_SKIP() << "run by windows/at-com-test.sh";
    }
    const QTemporaryDir dir;
    RecordedBoxes boxes;
    CVantorApp app;  // the program's own backends
    ASSERT_TRUE(
        app.InitInstance({QStringLiteral("vantorix"), QStringLiteral("--modem"), port,
                          QStringLiteral("--store"), dir.filePath(QStringLiteral("store.sqlite"))}))
        << boxes.Texts().join(QLatin1Char('\n')).toStdString();
    QCoreApplication::processEvents();
    EXPECT_EQ(app.MainFrame()->GetOperatorPaneText(), QStringLiteral("Vantorix Mobile"));

    CVantorView* view = app.MainFrame()->GetActiveView();
    const QString numbers =
        WriteNumbersFile(dir, QStringLiteral("n.txt"),
                         {QStringLiteral("+447700900001"), QStringLiteral("+447700900002")});
    view->SetFileChooser([numbers] { return numbers; });
    view->OnBnClickedBrowse();
    view->findChild<CMessageEdit*>(QStringLiteral("message"))->SetText(QStringLiteral("Hi"));
    view->SetTickInterval(std::chrono::milliseconds(50));
    view->OnBnClickedStart();
    EXPECT_TRUE(QTest::qWaitFor([view] { return view->Loop().GetCounts().sent == 2; }, 60000))
        << "sent " << view->Loop().GetCounts().sent << ", failed "
        << view->Loop().GetCounts().failed;
}

}  // namespace
