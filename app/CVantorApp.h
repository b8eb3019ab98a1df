// The application object: brings the device link up before any window,
// shows the notice, creates the document, the main window and its view, and
// opens the document named on the command line. Owns the device link for the
// whole run and fronts it for the windows.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <memory>
#include <string>
#include <vector>

#include "app/CDlgGateway.h"
#include "campaign/doc/CVantorDoc.h"
#include "campaign/ui/CViewEventPoster.h"
#include "device/CDeviceFront.h"
#include "device/link/BackendInterface.h"

class CMainFrame;
class CSimulatedModem;

class CVantorApp final : public QObject {
    Q_OBJECT

public:
    struct CommandLine {
        // "auto" (every modem found), "sim", "sim:N" (N simulated modems)
        // or a serial port path.
        QString modem = QStringLiteral("auto");
        // A campaign document to open, or empty.
        QString document;
        // The composer's report of every PDU on standard output; --no-trace
        // silences it.
        bool trace = true;
        // The campaign store; empty for the default one.
        QString store;
    };

    static constexpr std::u16string_view kNotice =
        u"We Have Not Tested this Software with Mobile Numbers of All Countries in the World.\n\n"
        u"Use this Software with Proper Understanding and Responsibility.\n\n"
        u"If you do have any Doubt / Question Regarding this Software Contact ";

    // `factory` creates the platform's interface manager; empty for the AT
    // modem backend.
    explicit CVantorApp(DeviceLink::BackendFactory factory = {}, QObject* parent = nullptr);
    ~CVantorApp() override;

    // Sets the application's names, then starts up in order: device link,
    // discovery, notice, document, main window, command line. False when the
    // program must end (the reason has been shown).
    bool InitInstance(const QStringList& arguments);
    // Parses `arguments` (the program name first); false with `error` for a
    // bad command line.
    static bool ParseCommandLine(const QStringList& arguments, CommandLine& commandLine,
                                 QString& error);
    // The application's names and settings location (organisation, domain).
    static void SetApplicationNames();

    // The message settings (group "Message" of the settings):
    //   Encoding           auto (default), gsm7 or ucs2
    //   ReplaceLookAlikes  true (default): curly quotes and the like become
    //                      their GSM 7-bit look-alikes
    //   Languages          national languages whose tables may be used, by
    //                      name: "tr,es,pt"; none by default
    //   MaxParts           parts a message may take, 1..255 (default 6)
    //   Reference16        false (default): 8-bit concatenation references
    //   NextReference      the concatenation reference of the next message
    //                      of several parts; kept here after every such message
    static PduLib::MessageOptions ReadMessageSettings();
    // Gives the device front the message settings and the kept reference,
    // and keeps every new reference in the settings.
    void ApplyMessageSettings();

    // One discovery: CreateInterfaceManager, RefreshInterfaces,
    // ListenForSmsEvents. A failed event registration is reported.
    bool RunDiscovery();
    ISmsFront& Front() { return m_deviceFront; }
    // Every modem of the run, the first being Front(): with "auto", one per
    // port where a modem answers; with "sim:N", one per simulator. A modem
    // that went away stays listed (it cannot send), so that the loop's
    // routes never lose their front.
    struct ModemLink {
        CDeviceFront* front = nullptr;
        QString name;
    };
    std::vector<ModemLink> Modems();
    CDeviceFront& DeviceFront() { return m_deviceFront; }
    bool IsSimulated() const { return m_bSimulated; }
    // Sending through a Kannel gateway (the saved choice, see CDlgGateway).
    bool UsesGateway() const { return m_bGateway; }
    // Requests the gateway keeps in flight at most.
    int GatewayParallel() const { return m_gateway.parallel; }
    // Takes the saved way of sending (the modem or the gateway) and runs a
    // discovery with it; false with `error` when the gateway cannot be used:
    // the way in use stays when its settings cannot, the modem is used when
    // the gateway itself cannot be had (its listen address taken, say).
    bool ApplyGateway(QString& error);

    // Where the device link posts its messages.
    void SetActiveView(QObject* view);
    void PostRefreshDeviceStatus() { m_poster.PostRefreshDeviceStatus(); }

    CMainFrame* MainFrame() const { return m_pMainFrame.get(); }
    CVantorDoc& Document() { return m_doc; }
    // The campaign store: --store, else the user's default one.
    const QString& StorePath() const { return m_strStorePath; }

    static QUrl ShareUrl();
    void OnAbout();
    void OnShare();

    // The look in use (210 to 218); the main frame reads and writes it.
    unsigned m_nAppLook = 216;

private:
    // The modems' own backend of this platform (Mobile Broadband and COM
    // ports on Windows, AT ports elsewhere).
    static DeviceLink::BackendFactory DefaultModemBackend();
    // Sends through the modem again, not the gateway.
    void UseModem();
    void ShowError(const QString& text);

    // Declared first so that it ends last, after the link has let go of its
    // port.
    std::unique_ptr<CSimulatedModem> m_pSimulator;
    // The further simulators of "sim:N".
    std::vector<std::unique_ptr<CSimulatedModem>> m_extraSimulators;
    CDeviceFront m_deviceFront;
    CViewEventPoster m_poster;
    // The modems past the first, each with its own device link bound to its
    // port and its own poster (link 1, 2, ...).
    struct ExtraLink {
        std::string port;
        std::unique_ptr<CDeviceFront> front;
        CViewEventPoster poster;
    };
    std::vector<std::unique_ptr<ExtraLink>> m_extraLinks;
    // The port of the first modem, once known.
    std::string m_strFirstPort;
    // Adds a device link for `port` unless one is there; false when known.
    bool AddExtraLink(const std::string& port);
    void ApplyMessageSettings(CDeviceFront& front);
    CVantorDoc m_doc;
    std::unique_ptr<CMainFrame> m_pMainFrame;
    // The backend and the modem the device link's discoveries ask it for.
    DeviceLink::BackendFactory m_factory;
    std::string m_selector = "auto";
    // The Mobile Broadband manager of the discovery with "auto" (Windows),
    // which lists every interface for the links past the first.
    std::shared_ptr<DeviceLink::IMbnInterfaceManager> m_pEveryInterface;
    bool m_bUsesAtBackend = false;
    // --modem auto: every modem found sends.
    bool m_bEveryModem = false;
    bool m_bSimulated = false;
    bool m_bGateway = false;
    GatewayConfig m_gateway;
    QString m_strStorePath;
};
