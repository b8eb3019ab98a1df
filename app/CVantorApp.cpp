#include "app/CVantorApp.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDesktopServices>
#include <QFileInfo>
#include <QSettings>
#include <iostream>
#include <string>

#include "app/CAboutDlg.h"
#include "app/CIconPainter.h"
#include "app/CMainFrame.h"
#include "app/Maker.h"
#include "campaign/doc/QtText.h"
#include "campaign/store/CampaignStore.h"
#include "campaign/ui/CMessageBox.h"
#include "campaign/ui/CVantorView.h"
#include "device/ModemList.h"
#include "device/at/AtBackend.h"
#include "device/sim/CSimulatedModem.h"
#include "pdu/Unicode.h"
#ifdef _WIN32
#include "windows/app/ModemBackends.h"
#endif

CVantorApp::CVantorApp(DeviceLink::BackendFactory factory, QObject* parent)
    : QObject(parent),
      m_deviceFront([this](std::shared_ptr<DeviceLink::IMbnInterfaceManager>* manager) {
          return m_factory(m_selector, manager);
      }),
      m_factory(std::move(factory)) {
    if (!m_factory) {
        m_factory = DefaultModemBackend();
        m_bUsesAtBackend = true;
    }
}

DeviceLink::BackendFactory CVantorApp::DefaultModemBackend() {
#ifdef _WIN32
    // Mobile Broadband first, AT modems on COM ports as the choice.
    return WinModems::MakeBackendFactory();
#else
    return At::MakeBackendFactory();
#endif
}

CVantorApp::~CVantorApp() {
    if (m_bGateway) {
        CloseGatewayListener(m_gateway);
    }
    SetActiveView(nullptr);
    m_deviceFront.DeviceLink().SetEventPoster(nullptr);
    for (const auto& link : m_extraLinks) {
        link->front->DeviceLink().SetEventPoster(nullptr);
    }
    m_pMainFrame.reset();
}

void CVantorApp::SetActiveView(QObject* view) {
    m_poster.SetActiveView(view);
    for (const auto& link : m_extraLinks) {
        link->poster.SetActiveView(view);
    }
}

bool CVantorApp::AddExtraLink(const std::string& port) {
    if (port == m_strFirstPort) {
        return false;
    }
    for (const auto& link : m_extraLinks) {
        if (link->port == port) {
            return false;
        }
    }
    auto link = std::make_unique<ExtraLink>();
    link->port = port;
    link->front = std::make_unique<CDeviceFront>(
        [this, port](std::shared_ptr<DeviceLink::IMbnInterfaceManager>* manager) {
            return m_factory(port, manager);
        });
    link->poster.SetLink(m_extraLinks.size() + 1);
    link->poster.SetActiveView(m_poster.GetActiveView());
    link->front->DeviceLink().SetEventPoster(&link->poster);
    link->front->SetComposerTrace(m_deviceFront.ComposerTrace());
    m_extraLinks.push_back(std::move(link));
    ApplyMessageSettings();
    return true;
}

std::vector<CVantorApp::ModemLink> CVantorApp::Modems() {
    const QString simulated = m_bSimulated ? QStringLiteral(" (simulated)") : QString();
    std::vector<ModemLink> modems;
    modems.push_back(
        {&m_deviceFront,
         QString::fromStdString(m_strFirstPort.empty() ? m_selector : m_strFirstPort) + simulated});
    for (const auto& link : m_extraLinks) {
        modems.push_back({link->front.get(), QString::fromStdString(link->port) + simulated});
    }
    return modems;
}

void CVantorApp::SetApplicationNames() {
    QCoreApplication::setOrganizationName(QLatin1String(Maker::kOrganisation));
    QCoreApplication::setOrganizationDomain(QLatin1String(Maker::kDomain));
    QCoreApplication::setApplicationName(QLatin1String(Maker::kProduct));
    QCoreApplication::setApplicationVersion(QLatin1String(Maker::kVersion));
    QGuiApplication::setApplicationDisplayName(
        QStringLiteral("%1 by %2")
            .arg(QLatin1String(Maker::kProduct), QLatin1String(Maker::kDomain)));
    QGuiApplication::setDesktopFileName(QStringLiteral("com.quorvel.vantorix"));
}

bool CVantorApp::ParseCommandLine(const QStringList& arguments, CommandLine& commandLine,
                                  QString& error) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Sends one SMS to every number of a numbers file through a USB modem."));
    parser.addHelpOption();
    parser.addVersionOption();
#ifdef _WIN32
    const QString modemHelp = QStringLiteral(
        "The modem: auto (every Mobile Broadband modem, else every AT modem on a COM port), "
        "sim (Linux only) or a COM port such as COM3.");
#else
    const QString modemHelp = QStringLiteral(
        "The modem: auto (every modem found), sim (a simulated modem), sim:N (N simulated "
        "modems) or a serial port such as /dev/ttyUSB2.");
#endif
    const QCommandLineOption modem(QStringLiteral("modem"), modemHelp,
                                   QStringLiteral("auto|sim|sim:N|PORT"), QStringLiteral("auto"));
    parser.addOption(modem);
    const QCommandLineOption noTrace(
        QStringLiteral("no-trace"),
        QStringLiteral("Do not print the report of every composed PDU on standard output."));
    parser.addOption(noTrace);
    const QCommandLineOption store(
        QStringLiteral("store"),
        QStringLiteral("The campaign store, where every campaign is kept (default: %1).")
            .arg(QString::fromStdString(DefaultStorePath())),
        QStringLiteral("PATH"));
    parser.addOption(store);
    parser.addPositionalArgument(QStringLiteral("FILE.sms"),
                                 QStringLiteral("A campaign document to open."),
                                 QStringLiteral("[FILE.sms]"));
    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return false;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        parser.showHelp(0);
    }
    if (parser.isSet(QStringLiteral("version"))) {
        parser.showVersion();
    }
    commandLine.modem = parser.value(modem).trimmed();
    if (commandLine.modem.isEmpty()) {
        error = QStringLiteral("--modem needs auto, sim or a serial port.");
        return false;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        error = QStringLiteral("Only one campaign document can be opened at a time.");
        return false;
    }
    commandLine.document = files.value(0);
    commandLine.trace = !parser.isSet(noTrace);
    commandLine.store = parser.value(store);
    return true;
}

void CVantorApp::ShowError(const QString& text) {
    CMessageBox::Show(nullptr, CMessageBox::Kind::Error, text);
}

bool CVantorApp::InitInstance(const QStringList& arguments) {
    SetApplicationNames();
    QGuiApplication::setWindowIcon(CIconPainter::AppIcon());

    CommandLine commandLine;
    QString error;
    if (!ParseCommandLine(arguments, commandLine, error)) {
        ShowError(error);
        return false;
    }

    // The device link comes up before any window.
    std::string selector = commandLine.modem.toStdString();
    int simulators = 0;
    std::vector<std::string> extraPorts;
#ifdef _WIN32
    // The simulated modem serves a pseudo-terminal: Linux only. The program
    // runs without a modem and its status bar says why.
    m_bSimulated = commandLine.modem.startsWith(QLatin1String("sim"));
#else
    if (commandLine.modem == QLatin1String("sim")) {
        simulators = 1;
    } else if (commandLine.modem.startsWith(QLatin1String("sim:"))) {
        simulators = commandLine.modem.mid(4).toInt();
        if (simulators < 1 || simulators > 32) {
            ShowError(QStringLiteral("--modem sim:N needs N from 1 to 32."));
            return false;
        }
    }
    for (int k = 0; k < simulators; ++k) {
        auto simulator = std::make_unique<CSimulatedModem>();
        if (!simulator->Start(QStringList(), error)) {
            ShowError(error);
            return false;
        }
        if (k == 0) {
            selector = simulator->Port().toStdString();
            m_pSimulator = std::move(simulator);
        } else {
            extraPorts.push_back(simulator->Port().toStdString());
            m_extraSimulators.push_back(std::move(simulator));
        }
        m_bSimulated = true;
    }
#endif
    m_selector = selector;
    m_bEveryModem = selector == "auto";
    if (simulators != 0) {
        m_strFirstPort = selector;
    }
    m_strStorePath = commandLine.store.isEmpty() ? QString::fromStdString(DefaultStorePath())
                                                 : QFileInfo(commandLine.store).absoluteFilePath();
    m_deviceFront.DeviceLink().SetEventPoster(&m_poster);
    m_deviceFront.SetComposerTrace(commandLine.trace ? &std::cout : nullptr);
    for (const std::string& port : extraPorts) {
        AddExtraLink(port);
    }
    ApplyMessageSettings();
    // The saved way of sending, unless the command line names a modem.
    if (m_bUsesAtBackend && commandLine.modem == QLatin1String("auto")) {
        const GatewayConfig gateway = GatewayConfig::Load();
        if (DeviceLink::BackendFactory backend = GatewayBackend(gateway, error)) {
            m_factory = std::move(backend);
            m_bUsesAtBackend = false;
            m_bGateway = true;
            m_gateway = gateway;
        } else if (!error.isEmpty()) {
            ShowError(
                QStringLiteral("Not sending through Kannel: %1\n\nThe modem is used.").arg(error));
        }
    }

    bool created = m_deviceFront.DeviceLink().CreateInterfaceManager();
    if (!created && m_bGateway) {
        // The gateway cannot be had (another program holds its listen
        // address, say): the program starts on the modem, so that the user
        // can choose another way in Send Through.
        ShowError(QStringLiteral("Not sending through Kannel: %1\n\nThe modem is used.")
                      .arg(GatewayError()));
        UseModem();
        created = m_deviceFront.DeviceLink().CreateInterfaceManager();
    }
    if (!created) {
        QString text = QStringLiteral(
                           "Could Not Initialize SMS Libraries.\n\nPlease Contact Software "
                           "Developers at %1 with your Operating System Details.")
                           .arg(QLatin1String(Maker::kSupportEmail));
        if (m_bUsesAtBackend && !At::LastDiscoveryMessage().empty()) {
            text += QStringLiteral("\n\n") + QString::fromStdString(At::LastDiscoveryMessage());
        }
        ShowError(text);
        return false;
    }
    RunDiscovery();

    CMessageBox::Show(nullptr, CMessageBox::Kind::Information,
                      ToQString(kNotice) + QLatin1String(Maker::kSupportEmail) + QLatin1Char('.'));

    m_pMainFrame = std::make_unique<CMainFrame>(*this, m_doc);
    if (!m_pMainFrame->OnCreate()) {
        return false;
    }
    m_doc.OnNewDocument();
    if (commandLine.document.isEmpty() ||
        !m_pMainFrame->OpenDocumentFile(QFileInfo(commandLine.document).absoluteFilePath())) {
        // A document that cannot be read has been reported; the program goes
        // on with a new one.
        m_pMainFrame->OnFileNew();
    }
    m_pMainFrame->show();
    m_pMainFrame->activateWindow();
    // Planned campaigns first: one due starts now, or is asked about.
    m_pMainFrame->StartDueCampaigns();
    if (!m_pMainFrame->GetActiveView()->IsSending()) {
        m_pMainFrame->OfferInterruptedCampaign();
    }
    return true;
}

namespace {

const QString kMessageGroup = QStringLiteral("Message/");

}  // namespace

PduLib::MessageOptions CVantorApp::ReadMessageSettings() {
    const QSettings settings;
    PduLib::MessageOptions options;
    const QString encoding = settings.value(kMessageGroup + QStringLiteral("Encoding")).toString();
    if (encoding == QLatin1String("gsm7")) {
        options.encoding = PduLib::TextEncoding::Gsm7;
    } else if (encoding == QLatin1String("ucs2")) {
        options.encoding = PduLib::TextEncoding::Ucs2;
    }
    options.replaceLookAlikes =
        settings.value(kMessageGroup + QStringLiteral("ReplaceLookAlikes"), true).toBool();
    options.deliveryReports =
        settings.value(kMessageGroup + QStringLiteral("DeliveryReports"), true).toBool();
    const QStringList names = settings.value(kMessageGroup + QStringLiteral("Languages"))
                                  .toString()
                                  .split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString& name : names) {
        const int language = PduLib::NationalLanguageByName(name.trimmed().toStdString());
        if (language > 0) {
            options.languages.push_back(language);
        }
    }
    bool ok = false;
    const int maxParts = settings.value(kMessageGroup + QStringLiteral("MaxParts")).toInt(&ok);
    if (ok && maxParts >= 1 && maxParts <= static_cast<int>(PduLib::kMostParts)) {
        options.maxParts = static_cast<unsigned>(maxParts);
    }
    options.reference16 =
        settings.value(kMessageGroup + QStringLiteral("Reference16"), false).toBool();
    return options;
}

void CVantorApp::ApplyMessageSettings() {
    ApplyMessageSettings(m_deviceFront);
    for (const auto& link : m_extraLinks) {
        ApplyMessageSettings(*link->front);
    }
}

void CVantorApp::ApplyMessageSettings(CDeviceFront& front) {
    front.SetMessageOptions(ReadMessageSettings());
    const QString key = kMessageGroup + QStringLiteral("NextReference");
    bool ok = false;
    const int next = QSettings().value(key).toInt(&ok);
    front.SetNextReference(ok && next >= 0 && next <= 0xFFFF ? static_cast<std::uint16_t>(next)
                                                             : std::uint16_t{0});
    // The modems share one sequence: no two messages of the run share one.
    front.SetReferenceStore([this, key](std::uint16_t value) {
        m_deviceFront.SetNextReference(value);
        for (const auto& link : m_extraLinks) {
            link->front->SetNextReference(value);
        }
        QSettings settings;
        settings.setValue(key, static_cast<int>(value));
        // On disk before the message that used the old one goes out.
        settings.sync();
    });
}

bool CVantorApp::ApplyGateway(QString& error) {
    const GatewayConfig gateway = GatewayConfig::Load();
    DeviceLink::BackendFactory backend = GatewayBackend(gateway, error);
    if (gateway.kannel && !backend) {
        return false;
    }
    if (m_bGateway) {
        CloseGatewayListener(m_gateway);
    }
    m_pEveryInterface.reset();
    m_gateway = gateway;
    if (backend) {
        m_bGateway = true;
        m_bUsesAtBackend = false;
        m_factory = std::move(backend);
    } else {
        UseModem();
    }
    const bool failed = !RunDiscovery() && m_bGateway;
    if (failed) {
        error = GatewayError() + QStringLiteral("\n\nThe modem is used.");
        UseModem();
        RunDiscovery();
    }
    PostRefreshDeviceStatus();
    return !failed;
}

void CVantorApp::UseModem() {
    m_bGateway = false;
    m_bUsesAtBackend = true;
    m_factory = DefaultModemBackend();
}

bool CVantorApp::RunDiscovery() {
#ifdef _WIN32
    // Read before the first modem is bound to its id below.
    const bool everyInterface = m_selector == "auto";
#endif
    const bool created = m_deviceFront.Discover();
    // The first modem is named by its interface (the one read last, whose
    // fields the link keeps; an AT port's is its path).
    std::vector<ModemDetails> first;
    if (m_deviceFront.DeviceLink().m_pInterfaceManager) {
        ListModems(*m_deviceFront.DeviceLink().m_pInterfaceManager, &first);
    }
    if (!first.empty() && !first.back().interfaceId.empty()) {
        m_strFirstPort = PduLib::Utf16ToUtf8(first.back().interfaceId);
    }
    if (m_bUsesAtBackend && m_bEveryModem) {
        // The first modem keeps its port, so that no later discovery makes
        // it another modem's second link; every other modem that answers
        // gets a device link of its own.
        if (!m_strFirstPort.empty()) {
            m_selector = m_strFirstPort;
        }
        for (const std::string& port : At::ModemPorts()) {
            if (!m_strFirstPort.empty()) {
                AddExtraLink(port);
            }
        }
    }
#ifdef _WIN32
    if (m_bEveryModem && !m_bGateway) {
        // Mobile Broadband: the manager of the discovery with "auto" goes on
        // listing every interface, those plugged in later too. The first
        // modem keeps its interface id, as an AT modem keeps its port; every
        // other interface that can send gets a device link bound to its id.
        if (everyInterface) {
            m_pEveryInterface = m_deviceFront.DeviceLink().m_pInterfaceManager;
        }
        std::vector<ModemDetails> every;
        if (m_pEveryInterface && !m_strFirstPort.empty()) {
            m_selector = m_strFirstPort;
            ListModems(*m_pEveryInterface, &every);
        }
        for (const ModemDetails& modem : every) {
            if (modem.hasSms && !modem.interfaceId.empty() &&
                (modem.smsCaps &
                 (DeviceLink::MBN_SMS_CAPS_PDU_SEND | DeviceLink::MBN_SMS_CAPS_TEXT_SEND)) != 0) {
                AddExtraLink(PduLib::Utf16ToUtf8(modem.interfaceId));
            }
        }
    }
#endif
    for (const auto& link : m_extraLinks) {
        link->front->Discover();
    }
    const std::u16string& listenError = m_deviceFront.DeviceLink().ListenErrorText();
    if (!listenError.empty()) {
        CMessageBox::Show(m_pMainFrame.get(), CMessageBox::Kind::Error, ToQString(listenError));
    }
    return created;
}

QUrl CVantorApp::ShareUrl() {
    QUrl url(QString::fromLatin1(Maker::kSharePage));
    // The address goes in whole, every reserved character percent-encoded.
    url.setQuery(QStringLiteral("u=") + QString::fromLatin1(QUrl::toPercentEncoding(
                                            QString::fromLatin1(Maker::kProductPage))),
                 QUrl::StrictMode);
    return url;
}

void CVantorApp::OnAbout() {
    CAboutDlg dialog(m_pMainFrame.get());
    dialog.exec();
}

void CVantorApp::OnShare() {
    QDesktopServices::openUrl(ShareUrl());
}
