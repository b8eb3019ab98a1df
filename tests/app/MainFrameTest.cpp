// The application object and the main frame on a scripted modem: start-up
// order, status panes, looks, hot-plug, help and share, documents.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSet>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>
#include <QToolButton>
#include <QUrl>
#include <iostream>
#include <memory>
#include <sstream>

#include "app/CLookManager.h"
#include "app/CMainFrame.h"
#include "app/CModemWatcher.h"
#include "app/CVantorApp.h"
#include "campaign/store/CampaignStore.h"
#include "campaign/ui/CCampaignRowsModel.h"
#include "campaign/ui/CDlgNumbersPreview.h"
#include "campaign/ui/CMessageEdit.h"
#include "campaign/ui/CVantorView.h"
#include "device/ReceivedSms.h"
#include "device/StatusText.h"
#include "device/fake/FakeBackend.h"
#include "device/sim/CSimulatedModem.h"
#include "tests/campaign_ui/GuiTestSupport.h"

namespace {

using FakeBackend::FakeInterface;

// Receives the URLs the program asks the desktop to open.
class UrlCatcher final : public QObject {
    Q_OBJECT

public:
    UrlCatcher() {
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "Open");
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "Open");
    }
    ~UrlCatcher() override {
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    }
    QList<QUrl> urls;

public slots:
    void Open(const QUrl& url) { urls << url; }
};

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        // The campaign store of every test is its own, in `dir` (Windows
        // keeps it under APPDATA).
        qputenv("XDG_DATA_HOME", dir.path().toUtf8());
        qputenv("APPDATA", QDir::toNativeSeparators(dir.path()).toUtf8());
        QSettings().clear();
        platform.manager->interfaces = {modem};
    }

    DeviceLink::BackendFactory Factory() {
        return [this](const std::string& selector,
                      std::shared_ptr<DeviceLink::IMbnInterfaceManager>* manager) {
            selectors.push_back(selector);
            return platform.Factory()(manager);
        };
    }

    // Starts the program with `arguments` after the program name.
    bool Start(QStringList arguments = {}) {
        app = std::make_unique<CVantorApp>(Factory());
        arguments.prepend(QStringLiteral("vantorix"));
        return app->InitInstance(arguments);
    }

    // A campaign document saved as `name` in the test directory.
    QString SaveDocument(const QString& name, const QString& message, const QString& numbers = {}) {
        CVantorDoc source;
        source.m_strNumbersFile = numbers;
        source.m_strMessage = message;
        QString error;
        const QString path = dir.filePath(name);
        EXPECT_TRUE(source.OnSaveDocument(path, error)) << error.toStdString();
        return path;
    }

    CMainFrame* Frame() const { return app->MainFrame(); }
    CVantorView* View() const { return Frame()->GetActiveView(); }
    QPushButton* StartButton() const {
        return View()->findChild<QPushButton*>(QStringLiteral("startButton"));
    }

    QTemporaryDir dir;
    RecordedBoxes boxes;
    FakeBackend::FakePlatform platform;
    std::shared_ptr<FakeInterface> modem =
        FakeInterface::Modem(u"modem0", u"Vantorix Mobile", u"+447785016005");
    std::vector<std::string> selectors;
    std::unique_ptr<CVantorApp> app;
};

TEST_F(MainFrameTest, WithoutTheServiceTheProgramEndsBeforeAnyWindow) {
    platform.createResult = E_FAIL;
    EXPECT_FALSE(Start());
    EXPECT_EQ(app->MainFrame(), nullptr);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].kind, CMessageBox::Kind::Error);
    EXPECT_EQ(boxes.boxes[0].text,
              QStringLiteral("Could Not Initialize SMS Libraries.\n\nPlease Contact Software "
                             "Developers at support@quorvel.com with your Operating System "
                             "Details."));
}

TEST_F(MainFrameTest, DeviceLinkComesUpBeforeTheNoticeAndTheWindow) {
    int creationsAtNotice = -1;
    bool frameAtNotice = true;
    boxes.onBox = [&](const RecordedBoxes::Box&) {
        creationsAtNotice = platform.creations;
        frameAtNotice = app->MainFrame() != nullptr;
    };
    ASSERT_TRUE(Start({QStringLiteral("--modem"), QStringLiteral("/dev/ttyUSB7")}));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_TRUE(boxes.boxes[0].text.startsWith(QStringLiteral("We Have Not Tested this Software")));
    EXPECT_TRUE(boxes.boxes[0].text.endsWith(QStringLiteral("Contact support@quorvel.com.")));
    // The first creation checks the service; the second is the discovery.
    EXPECT_EQ(creationsAtNotice, 2);
    EXPECT_FALSE(frameAtNotice);
    EXPECT_EQ(selectors, (std::vector<std::string>{"/dev/ttyUSB7", "/dev/ttyUSB7"}));
    EXPECT_TRUE(Frame()->isVisible());
    EXPECT_EQ(Frame()->windowTitle(), QStringLiteral("Vantorix by quorvel.com"));
    EXPECT_FALSE(Frame()->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(Frame()->windowFlags() & Qt::WindowMinimizeButtonHint);
}

TEST_F(MainFrameTest, SimulatedModemRunsAsAChildAndTheStatusBarSaysSo) {
    if (CSimulatedModem::FindProgram().isEmpty()) {
        GTEST_SKIP() << "vantorix-modemsim is not built";
    }
    ASSERT_TRUE(Start({QStringLiteral("--modem"), QStringLiteral("sim")}))
        << boxes.Texts().join(QLatin1Char('\n')).toStdString();
    ASSERT_FALSE(selectors.empty());
    EXPECT_EQ(selectors.front().rfind("/dev/", 0), 0u) << selectors.front();
    auto* pane = Frame()->findChild<QLabel*>(QStringLiteral("simulatedPane"));
    ASSERT_NE(pane, nullptr);
    EXPECT_TRUE(pane->text().contains(QStringLiteral("simulated"), Qt::CaseInsensitive));
}

// Three simulated modems on the AT backend: the status bar lists them, the
// user takes one out, and a campaign goes over the two left, each row naming
// the modem that sent it.
TEST_F(MainFrameTest, SeveralModemsAreListedChosenAndNamedInTheRows) {
    if (CSimulatedModem::FindProgram().isEmpty()) {
        GTEST_SKIP() << "vantorix-modemsim is not built";
    }
    app = std::make_unique<CVantorApp>();
    ASSERT_TRUE(app->InitInstance({QStringLiteral("vantorix"), QStringLiteral("--modem"),
                                   QStringLiteral("sim:3"), QStringLiteral("--no-trace")}))
        << boxes.Texts().join(QLatin1Char('\n')).toStdString();
    QToolButton* modems = Frame()->GetModemsButton();
    EXPECT_TRUE(modems->isVisibleTo(Frame()));
    EXPECT_EQ(modems->text(), QStringLiteral("Modems: 3 of 3"));
    ASSERT_EQ(modems->menu()->actions().size(), 3);
    const QString left = modems->menu()->actions().at(2)->text().section(QLatin1Char(':'), 0, 0);
    modems->menu()->actions().at(2)->setChecked(false);
    QCoreApplication::processEvents();
    EXPECT_EQ(modems->text(), QStringLiteral("Modems: 2 of 3"));
    EXPECT_EQ(View()->Loop().GetRouteCount(), 2u);

    View()->SetTickInterval(std::chrono::hours(24));
    const QString numbers =
        WriteNumbersFile(dir, QStringLiteral("n.txt"),
                         {QStringLiteral("+447700900001"), QStringLiteral("+447700900002"),
                          QStringLiteral("+447700900003"), QStringLiteral("+447700900004")});
    View()->SetFileChooser([numbers] { return numbers; });
    View()->OnBnClickedBrowse();
    View()->findChild<CMessageEdit*>(QStringLiteral("message"))->SetText(QStringLiteral("Hi"));
    View()->OnBnClickedStart();
    View()->OnTimer();  // one row to each modem
    View()->OnTimer();  // and one queued behind it
    for (int i = 0; i < 100 && View()->Loop().GetCounts().sent < 4; ++i) {
        QTest::qWait(50);
    }
    EXPECT_EQ(View()->Loop().GetCounts().sent, 4u);
    QSet<QString> used;
    for (int row = 0; row < 4; ++row) {
        used.insert(
            View()->GetModel()->index(row, CCampaignRowsModel::ColumnModem).data().toString());
    }
    EXPECT_EQ(used.size(), 2);
    EXPECT_FALSE(used.contains(left)) << left.toStdString();
}

TEST_F(MainFrameTest, StatusPanesAndStartButtonFollowTheModem) {
    ASSERT_TRUE(Start());
    QCoreApplication::processEvents();
    EXPECT_EQ(Frame()->GetOperatorPaneText(), QStringLiteral("Vantorix Mobile"));
    EXPECT_EQ(Frame()->GetDeviceStatusPaneText(), QStringLiteral("Device Initialised"));
    EXPECT_TRUE(StartButton()->isEnabled());
    EXPECT_EQ(Frame()->findChild<QLabel*>(QStringLiteral("simulatedPane")), nullptr);

    // Unplugged: the watcher's notice leads to exactly one discovery.
    platform.manager->interfaces.clear();
    const int before = platform.creations;
    emit Frame()->GetModemWatcher()->modemsChanged();
    EXPECT_EQ(platform.creations, before) << "the discovery runs later, from the event loop";
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(platform.creations, before + 1);
    EXPECT_EQ(Frame()->GetOperatorPaneText(), QStringLiteral("Mobile Operator Name"));
    EXPECT_EQ(Frame()->GetDeviceStatusPaneText(), QStringLiteral("Device Off"));
    EXPECT_FALSE(StartButton()->isEnabled());
    EXPECT_EQ(View()->findChild<QLabel*>(QStringLiteral("deviceStatus"))->text(),
              QStringLiteral("Could not Locate SMS Device to Send / Receive SMS Message(s)."));

    // Plugged in again.
    platform.manager->interfaces = {modem};
    emit Frame()->GetModemWatcher()->modemsChanged();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(platform.creations, before + 2);
    EXPECT_EQ(Frame()->GetDeviceStatusPaneText(), QStringLiteral("Device Initialised"));
    EXPECT_TRUE(StartButton()->isEnabled());
    EXPECT_TRUE(View()->findChild<QLabel*>(QStringLiteral("deviceStatus"))->text().isEmpty());
}

// A gateway whose listener cannot be had (an address not of this computer)
// is refused with the reason, from Send Through and at start-up, and the
// program goes on with the modem instead of refusing to start.
TEST_F(MainFrameTest, GatewayThatCannotListenLeavesTheModemInUse) {
    if (!GatewayAvailable()) {
        GTEST_SKIP() << "this build cannot send through Kannel";
    }
    ASSERT_TRUE(Start());  // names the settings
    GatewayConfig config;
    config.kannel = true;
    config.url = QStringLiteral("http://127.0.0.1:9/cgi-bin/sendsms");
    config.user = QStringLiteral("u");
    config.listen = QStringLiteral("192.0.2.1:13080");
    config.Save();
    QString error;
    ASSERT_TRUE(GatewayConfig::SavePassword(QStringLiteral("pw"), error)) << error.toStdString();
    EXPECT_FALSE(app->ApplyGateway(error));
    EXPECT_FALSE(app->UsesGateway());
    EXPECT_TRUE(error.contains(QStringLiteral("192.0.2.1:13080"))) << error.toStdString();

    app.reset();
    boxes.boxes.clear();
    app = std::make_unique<CVantorApp>();  // the saved way replaces the platform's modems
    EXPECT_TRUE(app->InitInstance({QStringLiteral("vantorix"), QStringLiteral("--no-trace")}));
    EXPECT_FALSE(app->UsesGateway());
    EXPECT_TRUE(boxes.Texts().contains(QStringLiteral("Not sending through Kannel: %1")
                                           .arg(error.section(QLatin1Char('\n'), 0, 0)) +
                                       QStringLiteral("\n\nThe modem is used.")))
        << boxes.Texts().join(QLatin1Char('|')).toStdString();
    QFile::remove(GatewayConfig::PasswordPath());
}

// The desktop program keeps the composer's report on standard output;
// --no-trace silences it.
TEST_F(MainFrameTest, ComposerReportGoesToStandardOutputUnlessSilenced) {
    for (const bool silenced : {false, true}) {
        app.reset();
        ASSERT_TRUE(Start(silenced ? QStringList{QStringLiteral("--no-trace")} : QStringList{}));
        std::ostringstream captured;
        std::streambuf* saved = std::cout.rdbuf(captured.rdbuf());
        std::uint32_t requestId = 0;
        std::u16string reason;
        const HRESULT result =
            app->DeviceFront().SendSms(u"hi", u"+447700900001", &requestId, reason);
        std::cout.rdbuf(saved);
        EXPECT_EQ(result, S_OK);
        EXPECT_EQ(captured.str().find("PDU: ") != std::string::npos, !silenced) << captured.str();
    }
}

// The message settings reach the composer (a value out of range gives the
// default), and the concatenation reference is read from and kept with the
// settings.
TEST_F(MainFrameTest, MessageSettingsAndTheKeptReference) {
    ASSERT_TRUE(Start());  // names the settings
    app.reset();
    QSettings settings;
    settings.setValue(QStringLiteral("Message/Languages"), QStringLiteral("pt, tr,xx"));
    settings.setValue(QStringLiteral("Message/MaxParts"), 300);
    settings.setValue(QStringLiteral("Message/ReplaceLookAlikes"), false);
    settings.setValue(QStringLiteral("Message/Encoding"), QStringLiteral("ucs2"));
    settings.setValue(QStringLiteral("Message/NextReference"), 65535);
    ASSERT_TRUE(Start({QStringLiteral("--no-trace")}));
    const PduLib::MessageOptions options = app->DeviceFront().MessageOptions();
    EXPECT_FALSE(options.replaceLookAlikes);
    EXPECT_EQ(options.languages,
              (std::vector<int>{PduLib::kLanguagePortuguese, PduLib::kLanguageTurkish}));
    EXPECT_EQ(options.maxParts, 6u);
    EXPECT_EQ(options.encoding, PduLib::TextEncoding::Ucs2);
    EXPECT_EQ(app->DeviceFront().NextReference(), 65535u);

    std::vector<std::u16string> parts;
    std::u16string reason;
    ASSERT_EQ(app->Front().ComposeSms(std::u16string(60, u'k'), u"+447700900001", parts, reason),
              S_OK);
    EXPECT_EQ(QSettings().value(QStringLiteral("Message/NextReference")).toInt(), 0);
}

TEST(ModemWatcher, ReportsOnlyChangesOfSerialDevices) {
    QTemporaryDir dev;
    ASSERT_TRUE(dev.isValid());
    const QString byId = dev.filePath(QStringLiteral("serial/by-id"));
    CModemWatcher watcher(nullptr, {dev.path(), byId});
    QSignalSpy changed(&watcher, &CModemWatcher::modemsChanged);

    ASSERT_TRUE(WriteBytes(dev.filePath(QStringLiteral("null2")), {}));
    watcher.OnDirectoryChanged();
    EXPECT_EQ(changed.count(), 0) << "not a serial device";

    ASSERT_TRUE(WriteBytes(dev.filePath(QStringLiteral("ttyUSB0")), {}));
    watcher.OnDirectoryChanged();
    watcher.OnDirectoryChanged();
    EXPECT_EQ(changed.count(), 1) << "one change, one notice";

    ASSERT_TRUE(QDir().mkpath(byId));
    ASSERT_TRUE(WriteBytes(byId + QStringLiteral("/usb-Modem_123-if00"), {}));
    watcher.OnDirectoryChanged();
    EXPECT_EQ(changed.count(), 2);

    ASSERT_TRUE(QFile::remove(dev.filePath(QStringLiteral("ttyUSB0"))));
    watcher.OnDirectoryChanged();
    EXPECT_EQ(changed.count(), 3);
}

TEST_F(MainFrameTest, LookIsAppliedStoredAndRestored) {
    ASSERT_TRUE(Start());
    EXPECT_EQ(Frame()->GetAppLook(), CLookManager::kOffice2007Black);
    EXPECT_EQ(QSettings().value(QStringLiteral("ApplicationLook")).toInt(), 216);

    Frame()->GetLookAction(CLookManager::kOffice2007Silver)->trigger();
    EXPECT_EQ(QSettings().value(QStringLiteral("ApplicationLook")).toInt(), 217);
    EXPECT_TRUE(Frame()->GetLookAction(217)->isChecked());
    EXPECT_FALSE(Frame()->GetLookAction(216)->isChecked());
    const QColor silverWindow = QApplication::palette().color(QPalette::Window);

    Frame()->OnSelectLook(CLookManager::kWindows2000);
    EXPECT_NE(QApplication::palette().color(QPalette::Window), silverWindow);
    Frame()->OnSelectLook(CLookManager::kOffice2007Silver);

    app.reset();
    ASSERT_TRUE(Start());
    EXPECT_EQ(Frame()->GetAppLook(), 217);
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), silverWindow);
    EXPECT_TRUE(Frame()->GetLookAction(217)->isChecked());

    app.reset();
    QSettings().setValue(QStringLiteral("ApplicationLook"), QStringLiteral("garbage"));
    ASSERT_TRUE(Start());
    EXPECT_EQ(Frame()->GetAppLook(), 216);
}

TEST_F(MainFrameTest, HelpOpensTheMakersSiteAndShareEncodesIt) {
    ASSERT_TRUE(Start());
    UrlCatcher catcher;
    QApplication::setActiveWindow(Frame());
    QTest::keyClick(Frame(), Qt::Key_F1);
    Frame()->OnHelpInfo();
    app->OnShare();
    ASSERT_EQ(catcher.urls.size(), 3);
    EXPECT_EQ(catcher.urls[0], QUrl(QStringLiteral("https://www.quorvel.com/")));
    EXPECT_EQ(catcher.urls[1], catcher.urls[0]);
    EXPECT_EQ(catcher.urls[2].toEncoded(),
              QByteArray("https://www.facebook.com/sharer.php?u=https%3A%2F%2Fwww.quorvel.com%"
                         "2Fvantorix%2F"));
}

TEST_F(MainFrameTest, PreviewOpensTheNumbersFileOnTheDesktop) {
    const QString numbers =
        WriteNumbersFile(dir, QStringLiteral("my numbers.txt"), {QStringLiteral("0123456789")});
    UrlCatcher catcher;
    CDlgNumbersPreview preview;
    preview.SetFilePath(numbers);
    preview.OnInitDialog();
    QTest::mouseClick(preview.findChild<QPushButton*>(QStringLiteral("openFileButton")),
                      Qt::LeftButton);
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_EQ(catcher.urls[0], QUrl::fromLocalFile(numbers));
}

struct CommandLineCase {
    const char* name;
    QStringList arguments;
    bool ok;
    const char* modem;
    const char* document;
};

class CommandLineTest : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLineTest, Parses) {
    CVantorApp::CommandLine commandLine;
    QString error;
    QStringList arguments = GetParam().arguments;
    arguments.prepend(QStringLiteral("vantorix"));
    EXPECT_EQ(CVantorApp::ParseCommandLine(arguments, commandLine, error), GetParam().ok)
        << error.toStdString();
    if (GetParam().ok) {
        EXPECT_EQ(commandLine.modem, QString::fromLatin1(GetParam().modem));
        EXPECT_EQ(commandLine.document, QString::fromLatin1(GetParam().document));
    } else {
        EXPECT_FALSE(error.isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLineTest,
    ::testing::Values(
        CommandLineCase{"Nothing", {}, true, "auto", ""},
        CommandLineCase{"Sim", {"--modem", "sim"}, true, "sim", ""},
        CommandLineCase{
            "PortAndFile", {"--modem=/dev/ttyUSB2", "a.sms"}, true, "/dev/ttyUSB2", "a.sms"},
        CommandLineCase{"FileOnly", {"/tmp/x y.sms"}, true, "auto", "/tmp/x y.sms"},
        CommandLineCase{"TwoFiles", {"a.sms", "b.sms"}, false, "", ""},
        CommandLineCase{"UnknownOption", {"--bogus"}, false, "", ""},
        CommandLineCase{"EmptyModem", {"--modem", ""}, false, "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainFrameTest, OpensTheDocumentOfTheCommandLine) {
    const QString numbers =
        WriteNumbersFile(dir, QStringLiteral("n.txt"), {QStringLiteral("0123456789")});
    ASSERT_TRUE(Start(
        {SaveDocument(QStringLiteral("c.sms"), QStringLiteral("From the command line"), numbers)}));
    EXPECT_EQ(app->Document().m_strMessage, QStringLiteral("From the command line"));
    EXPECT_EQ(View()->Loop().GetRowCount(), 1u);
}

TEST_F(MainFrameTest, UnreadableDocumentOnTheCommandLineIsReportedAndTheProgramGoesOn) {
    ASSERT_TRUE(WriteBytes(dir.filePath(QStringLiteral("bad.sms")), QByteArray("\x01\x02\x03")));
    ASSERT_TRUE(Start({dir.filePath(QStringLiteral("bad.sms"))}));
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[1].kind, CMessageBox::Kind::Error);
    EXPECT_TRUE(
        boxes.boxes[1].text.startsWith(QStringLiteral("Could Not Open the Campaign Document")));
    EXPECT_TRUE(app->Document().m_strNumbersFile.isEmpty());
    EXPECT_TRUE(Frame()->isVisible());
}

TEST_F(MainFrameTest, ModifiedDocumentIsOfferedForSavingBeforeItGoes) {
    ASSERT_TRUE(Start());
    const QString saved = dir.filePath(QStringLiteral("saved.sms"));
    Frame()->SetFileChooser([saved](CMainFrame::FileDialog, const QString&) { return saved; });
    app->Document().SetMessage(QStringLiteral("unsaved"));
    boxes.boxes.clear();

    boxes.answer = QMessageBox::Cancel;
    EXPECT_FALSE(Frame()->close());
    EXPECT_TRUE(Frame()->isVisible());
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].kind, CMessageBox::Kind::Question);
    EXPECT_EQ(boxes.boxes[0].text, QStringLiteral("Save changes to Untitled?"));

    // New after Yes saves first, through Save As.
    boxes.answer = QMessageBox::Yes;
    Frame()->OnFileNew();
    EXPECT_TRUE(app->Document().m_strMessage.isEmpty());
    EXPECT_FALSE(app->Document().IsModified());
    CVantorDoc check;
    QString error;
    ASSERT_TRUE(check.OnOpenDocument(saved, error));
    EXPECT_EQ(check.m_strMessage, QStringLiteral("unsaved"));

    // No: closes without saving.
    app->Document().SetMessage(QStringLiteral("dropped"));
    boxes.answer = QMessageBox::No;
    EXPECT_TRUE(Frame()->close());
    ASSERT_TRUE(check.OnOpenDocument(saved, error));
    EXPECT_EQ(check.m_strMessage, QStringLiteral("unsaved"));
}

TEST_F(MainFrameTest, DroppedDocumentIsOpened) {
    ASSERT_TRUE(Start());
    const QString path = SaveDocument(QStringLiteral("drop.sms"), QStringLiteral("dropped in"));

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    EXPECT_TRUE(Frame()->OnDropFiles(data));
    QMimeData two;
    two.setUrls({QUrl::fromLocalFile(path), QUrl::fromLocalFile(path)});
    EXPECT_FALSE(Frame()->OnDropFiles(two)) << "one document at a time";
    QCoreApplication::processEvents();
    EXPECT_EQ(app->Document().m_strMessage, QStringLiteral("dropped in"));
    EXPECT_EQ(app->Document().GetPathName(), path);
}

TEST_F(MainFrameTest, FinishedCampaignShowsProgressAndSummary) {
    ASSERT_TRUE(Start());
    QCoreApplication::processEvents();
    View()->SetTickInterval(std::chrono::hours(24));
    const QString numbers = WriteNumbersFile(
        dir, QStringLiteral("n.txt"), {QStringLiteral("0123456789"), QStringLiteral("0987654321")});
    View()->SetFileChooser([numbers] { return numbers; });
    View()->OnBnClickedBrowse();
    View()->findChild<CMessageEdit*>(QStringLiteral("message"))->SetText(QStringLiteral("Hi"));
    boxes.boxes.clear();
    View()->OnBnClickedStart();
    View()->OnTimer();
    EXPECT_EQ(Frame()->GetProgressPaneText(),
              QStringLiteral("Sent 0, Failed 0, Awaiting 1, Left 1 (0:01)"));
    View()->OnTimer();
    View()->OnTimer();
    ASSERT_TRUE(platform.manager->CompleteOldestSend(modem->sms, S_OK));
    ASSERT_TRUE(
        platform.manager->CompleteOldestSend(modem->sms, DeviceLink::MBN_E_SMS_MEMORY_FULL));
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(Frame()->GetProgressPaneText(), QStringLiteral("Sent 1, Failed 1 of 2"));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_TRUE(boxes.boxes[0].text.startsWith(
        QStringLiteral("The Campaign has Ended.\n\nNumbers: 2\nSent: 1\nFailed: 1")));

    const QString csv = dir.filePath(QStringLiteral("out.csv"));
    Frame()->SetFileChooser([csv](CMainFrame::FileDialog kind, const QString&) {
        return kind == CMainFrame::FileDialog::ExportResults ? csv : QString();
    });
    Frame()->OnExportResults();
    EXPECT_TRUE(ReadBytes(csv).contains("0987654321,"));
}

// A campaign cut short (its sender killed with two sends in flight) is
// offered at start-up, answered without a human, and resumed from the store.
TEST_F(MainFrameTest, InterruptedCampaignIsOfferedAndResumed) {
    const QDateTime at(QDate(QDate::currentDate().year(), 12, 6), QTime(14, 2),
                       QTimeZone::systemTimeZone());
    StoreOptions options;
    options.clock = [&at] { return StoreTime(std::chrono::milliseconds(at.toMSecsSinceEpoch())); };
    {
        CCampaignStore store;
        StoreError e;
        ASSERT_TRUE(
            store.Open(dir.filePath(QStringLiteral("Vantorix/campaigns.sqlite")).toStdString(),
                       StoreMode::Send, e, options))
            << e.text;
        NewCampaign campaign{"Resumed", "GSM 7-bit", 1, "/gone/numbers.txt", "h", "{}", {}};
        for (int i = 0; i < 5000; ++i) {
            campaign.numbers.push_back("+4477009" + std::to_string(10000 + i));
        }
        std::int64_t id = 0;
        ASSERT_TRUE(store.CreateCampaign(campaign, id, e)) << e.text;
        std::vector<SendUpdate> updates;
        for (int row = 0; row < 1205; ++row) {
            updates.emplace_back(id, row, std::nullopt, SendState::Sending);
            if (row < 1203) {
                updates.emplace_back(id, row, std::nullopt, SendState::Sent, "Sent");
            }
        }
        ASSERT_TRUE(store.Apply(updates, e)) << e.text;
    }  // never ended: as after kill -9
    boxes.answer = QMessageBox::Yes;
    ASSERT_TRUE(Start());
    EXPECT_EQ(boxes.Texts().value(1),
              QStringLiteral("A campaign to 5,000 numbers was interrupted on 6 Dec 14:02: 1,203 "
                             "sent, 2 outcome unknown, 3,795 not sent."));
    EXPECT_EQ(View()->findChild<QLineEdit*>(QStringLiteral("numbersFile"))->text(),
              QStringLiteral("/gone/numbers.txt"));
    ASSERT_TRUE(View()->IsSending());
    EXPECT_EQ(View()->Loop().GetCounts().unknown, 2u) << "not sent again unasked";
    View()->OnTimer();
    EXPECT_EQ(View()->Loop().GetRow(1205).statusText, CCampaignLoop::kPendingText);
    EXPECT_EQ(modem->sms->sent.size(), 1u);
}

// A fault of the network pauses the campaign; a working modem carries it on.
TEST_F(MainFrameTest, PausedCampaignCarriesOnWhenTheModemIsBack) {
    ASSERT_TRUE(Start());
    QCoreApplication::processEvents();
    View()->SetTickInterval(std::chrono::hours(24));
    const QString numbers = WriteNumbersFile(
        dir, QStringLiteral("n.txt"), {QStringLiteral("0123456789"), QStringLiteral("0987654321")});
    View()->SetFileChooser([numbers] { return numbers; });
    View()->OnBnClickedBrowse();
    View()->findChild<CMessageEdit*>(QStringLiteral("message"))->SetText(QStringLiteral("Hi"));
    View()->OnBnClickedStart();
    View()->OnTimer();
    ASSERT_TRUE(
        platform.manager->CompleteOldestSend(modem->sms, DeviceLink::MBN_E_SMS_NETWORK_TIMEOUT));
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_FALSE(View()->IsSending());
    EXPECT_EQ(StartButton()->text(), Q(CVantorView::kStartText));
    EXPECT_TRUE(Frame()->GetProgressPaneText().startsWith(
        QStringLiteral("Paused: ") + Q(StatusText(DeviceLink::MBN_E_SMS_NETWORK_TIMEOUT))))
        << Frame()->GetProgressPaneText().toStdString();
    EXPECT_EQ(View()->GetCampaign(), 0) << "the store is free while paused";

    for (const bool plugged : {false, true}) {
        platform.manager->interfaces.clear();
        if (plugged) {
            platform.manager->interfaces = {modem};
        }
        emit Frame()->GetModemWatcher()->modemsChanged();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        EXPECT_EQ(View()->IsSending(), plugged);
    }
    View()->OnTimer();
    EXPECT_EQ(modem->sms->sent.size(), 2u) << "the second number, not the first again";
    EXPECT_EQ(View()->GetCampaign(), 1);
}

// Quiet hours around the present: the campaign waits and the status bar
// says until when.
TEST_F(MainFrameTest, QuietHoursHoldTheCampaignAndSaySoInTheStatusBar) {
    ASSERT_TRUE(Start());  // names the settings
    app.reset();
    const QTime now = QTime::currentTime();
    const QString end = now.addSecs(3600).toString(QStringLiteral("HH:mm"));
    QSettings().setValue(QStringLiteral("Campaign/QuietHours"),
                         now.addSecs(-3600).toString(QStringLiteral("HH:mm-")) + end);
    ASSERT_TRUE(Start());
    QCoreApplication::processEvents();
    const QString numbers =
        WriteNumbersFile(dir, QStringLiteral("n.txt"), {QStringLiteral("0123456789")});
    View()->SetFileChooser([numbers] { return numbers; });
    View()->OnBnClickedBrowse();
    View()->findChild<CMessageEdit*>(QStringLiteral("message"))->SetText(QStringLiteral("Hi"));
    View()->OnBnClickedStart();
    View()->OnTimer();
    EXPECT_TRUE(modem->sms->sent.empty());
    EXPECT_TRUE(View()->IsSending());
    EXPECT_TRUE(Frame()->GetProgressPaneText().startsWith(QStringLiteral("Paused until ") + end))
        << Frame()->GetProgressPaneText().toStdString();
}

// A campaign planned for two hours ago (the computer was off) is asked about
// at start-up, one just due starts unasked; one planned for later waits and
// the status bar says for when.
TEST_F(MainFrameTest, LateCampaignIsAskedAboutAndAPlannedOneWaits) {
    const std::string store =
        dir.filePath(QStringLiteral("Vantorix/campaigns.sqlite")).toStdString();
    const auto now = std::chrono::system_clock::now();
    struct Case {
        QMessageBox::StandardButton answer;
        bool late;
        bool sending;
        bool stillPlanned;
    };
    for (const Case& c :
         {Case{QMessageBox::Yes, true, true, false}, Case{QMessageBox::No, true, false, true},
          Case{QMessageBox::Abort, true, false, false},
          Case{QMessageBox::No, false, true, false}}) {
        const auto due = now - (c.late ? std::chrono::minutes(120) : std::chrono::minutes(1));
        SCOPED_TRACE(c.answer);
        QFile::remove(QString::fromStdString(store));
        {
            CCampaignStore s;
            StoreError e;
            ASSERT_TRUE(s.Open(store, StoreMode::Send, e)) << e.text;
            NewCampaign late{"Late", "GSM 7-bit", 1, "/gone/n.txt", "h", "{}", {"0123456789"}};
            late.sendAt = std::chrono::time_point_cast<StoreTime::duration>(due);
            NewCampaign later = late;
            later.message = "Later";
            later.sendAt = now + std::chrono::hours(3);
            std::int64_t id = 0;
            for (const NewCampaign* campaign : {&late, &later}) {
                ASSERT_TRUE(s.CreateCampaign(*campaign, id, e) &&
                            s.SetCampaignState(id, CampaignState::Stopped, e, "planned"))
                    << e.text;
            }
        }
        boxes.boxes.clear();
        boxes.answer = c.answer;
        ASSERT_TRUE(Start());
        ASSERT_EQ(boxes.boxes.size(), c.late ? 2u : 1u)
            << boxes.Texts().join(QLatin1Char('|')).toStdString();
        const QString hhmm =
            QDateTime::fromMSecsSinceEpoch(
                std::chrono::duration_cast<std::chrono::milliseconds>(due.time_since_epoch())
                    .count())
                .toString(QStringLiteral("HH:mm"));
        if (c.late) {
            EXPECT_TRUE(
                boxes.boxes[1].text.startsWith(QStringLiteral("The campaign planned for ")));
            EXPECT_TRUE(boxes.boxes[1].text.endsWith(
                hhmm + QStringLiteral(" is late by 2 hours: send now / later / cancel")))
                << boxes.boxes[1].text.toStdString();
        }
        EXPECT_EQ(View()->IsSending(), c.sending);
        EXPECT_EQ(View()->findChild<QLineEdit*>(QStringLiteral("numbersFile"))->text().isEmpty(),
                  !c.sending);
        if (!c.sending) {
            EXPECT_TRUE(Frame()->GetProgressPaneText().startsWith(QStringLiteral("Planned for ")))
                << Frame()->GetProgressPaneText().toStdString();
        }
        app.reset();
        CCampaignStore s;
        StoreError e;
        CampaignRecord record;
        ASSERT_TRUE(s.Open(store, StoreMode::Read, e) && s.GetCampaign(1, record, e)) << e.text;
        EXPECT_EQ(record.sendAt.has_value(), c.stillPlanned);
        ASSERT_TRUE(s.GetCampaign(2, record, e)) << e.text;
        EXPECT_TRUE(record.sendAt.has_value()) << "the later one is left to its time";
    }
}

// TS 23.040 PDUs as a modem lists them (no service-centre address): a status
// report of reference `mr` and a UCS2 SMS-DELIVER, from international numbers.
std::string Hex2(unsigned v) {
    return QStringLiteral("%1").arg(v & 0xFF, 2, 16, QLatin1Char('0')).toUpper().toStdString();
}
std::string Address(std::string digits) {
    std::string out = Hex2(static_cast<unsigned>(digits.size())) + "91";
    digits += digits.size() % 2 ? "F" : "";
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        out += {digits[i + 1], digits[i]};
    }
    return out;
}
std::string StatusReportPdu(unsigned mr, const std::string& digits) {
    return "0006" + Hex2(mr) + Address(digits) + "42506041000000" + "42506041200000" + "00";
}
std::string DeliverPdu(const std::string& digits, const std::string& text) {
    std::string ud;
    for (const char c : text) {
        ud += "00" + Hex2(static_cast<unsigned char>(c));
    }
    return "0004" + Address(digits) + "0008" + "42506090030000" +
           Hex2(static_cast<unsigned>(ud.size() / 2)) + ud;
}

// During a campaign the modem hands up a report and a STOP reply: both are
// stored before they are acknowledged, the row shows its delivery, and the
// next campaign leaves the number that asked to stop out.
TEST_F(MainFrameTest, ReportsAndStopRepliesReachTheRowsTheInboxAndTheNextCampaign) {
    ASSERT_TRUE(Start());
    QCoreApplication::processEvents();
    View()->SetTickInterval(std::chrono::hours(24));
    const QString numbers =
        WriteNumbersFile(dir, QStringLiteral("n.txt"),
                         {QStringLiteral("+447700900001"), QStringLiteral("+447700900002")});
    View()->SetFileChooser([numbers] { return numbers; });
    View()->OnBnClickedBrowse();
    auto* message = View()->findChild<CMessageEdit*>(QStringLiteral("message"));
    message->SetText(QStringLiteral("Hi"));
    View()->OnBnClickedStart();
    const std::int64_t campaign = View()->GetCampaign();
    for (std::uint8_t mr : {0x21, 0x22}) {
        View()->OnTimer();
        ASSERT_FALSE(modem->sms->outstanding.empty());
        platform.manager->FireSendReference(modem->sms, modem->sms->outstanding.front(), mr);
        ASSERT_TRUE(platform.manager->CompleteOldestSend(modem->sms, S_OK));
        QCoreApplication::processEvents();
    }
    View()->OnTimer();
    QCoreApplication::processEvents();
    ASSERT_FALSE(View()->IsSending());
    platform.manager->FireReceived(
        modem->sms,
        {ReceivedSms::Kind::StatusReport, StatusReportPdu(0x21, "447700900001"), "SR", 1, 11});
    platform.manager->FireReceived(modem->sms, {ReceivedSms::Kind::Deliver,
                                                DeliverPdu("447700900002", " stop "), "SM", 2, 12});
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(modem->sms->acknowledged, (std::vector<std::uint32_t>{11, 12}));
    EXPECT_TRUE(View()->GetDeliveryText(0).startsWith(QStringLiteral("Delivered ")));
    EXPECT_EQ(View()->GetModel()->index(0, CCampaignRowsModel::ColumnDelivery).data(),
              View()->GetDeliveryText(0));
    EXPECT_EQ(View()->GetDeliveryText(1), QString());
    EXPECT_EQ(Frame()->GetProgressPaneText(), QStringLiteral("Sent 2, Delivered 1, Failed 0 of 2"));

    CCampaignStore store;
    StoreError e;
    ASSERT_TRUE(store.Open(app->StorePath().toStdString(), StoreMode::Read, e)) << e.text;
    std::vector<MessageRecord> replies;
    ASSERT_TRUE(store.ListMessages({}, replies, e)) << e.text;
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].from, "+447700900002");
    EXPECT_EQ(replies[0].campaign, campaign);
    bool optedOut = false;
    ASSERT_TRUE(store.IsOptedOut("+447700900002", optedOut, e) && optedOut);

    // The exported results carry the delivery, the preview counts the
    // opted-out number before the next Start.
    const QString results = dir.filePath(QStringLiteral("results.csv"));
    QString error;
    ASSERT_TRUE(View()->ExportResults(results, error)) << error.toStdString();
    QFile file(results);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
    ASSERT_GE(lines.size(), 3);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral(",Delivery,Modem")));
    const QString modem = QString::fromStdU16String(View()->Loop().GetRow(0).route);
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral(",%1,%2").arg(View()->GetDeliveryText(0), modem)))
        << lines[1].toStdString();
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral(",,") + modem)) << lines[2].toStdString();
    QString skipped;
    QString total;
    View()->SetPreviewRunner([&](CDlgNumbersPreview& dialog) {
        skipped = dialog.GetOptedOutText();
        total = dialog.GetTotalText();
    });
    message->SetText(QStringLiteral("Hello again"));
    View()->OnBnClickedDisplay();
    EXPECT_EQ(skipped, QStringLiteral("1 opted-out number(s) will be skipped."));
    EXPECT_EQ(total, QStringLiteral("1 number x 1 SMS = 1 SMS"));

    View()->OnBnClickedStart();
    ASSERT_NE(View()->GetCampaign(), campaign);
    EXPECT_EQ(View()->Loop().GetRow(1).statusText, u"Skipped: opted out");
    EXPECT_EQ(View()->GetDeliveryText(0), QString()) << "the new campaign has no reports yet";
}

}  // namespace

#include "MainFrameTest.moc"
