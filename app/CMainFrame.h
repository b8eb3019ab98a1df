// The main window: the command bar, the sending view as its client, and the
// status bar with the operator's name and the device state. Follows modems
// as they come and go, applies and remembers the visual look, and runs the
// document commands (New, Open, Save, Save As, a dropped file).
#pragma once

#include <QMainWindow>
#include <QSet>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>

#include "campaign/store/CampaignStore.h"

class QAction;
class QActionGroup;
class QLabel;
class QToolButton;
class QMenu;
class QMimeData;
class QProgressBar;
class CModemWatcher;
class CRibbonBar;
class CVantorApp;
class CVantorDoc;
class CVantorView;

class CMainFrame final : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int ID_REFRESH_MODEM_DATA = 32771;
    static constexpr int ID_HOW_TO_USE = 311;

    enum class FileDialog { OpenDocument, SaveDocument, ExportResults };
    // Answers a file dialog: the chosen path, or empty when cancelled.
    using FileChooser = std::function<QString(FileDialog kind, const QString& suggested)>;

    CMainFrame(CVantorApp& app, CVantorDoc& doc);
    ~CMainFrame() override;

    // Builds the command bar, the view and the status bar, applies the look
    // and fills the panes. False when the window cannot be built.
    bool OnCreate();

    void OnSelectLook(int id);
    int GetAppLook() const { return m_nAppLook; }
    // A new discovery, then the status bar and the view follow.
    void OnRefreshModemData();
    void RefreshStatusBar();
    // The modems pane and its menu, and the view's modems, from the
    // program's modems: all that can send take part, less those the user
    // took out.
    void RefreshModems();
    // The modems pane: "Modems: 3 of 4", shown with more than one modem.
    QToolButton* GetModemsButton() const { return m_pModemsButton; }
    // A device change: one discovery, run later from the event loop.
    void OnDeviceChange();
    void OnHowToUse();
    void OnHelpInfo();

    // Document commands. Each asks to save a modified document first.
    void OnFileNew();
    void OnFileOpen();
    bool OnFileSave();
    bool OnFileSaveAs();
    void OnExportResults();
    // The History dialog over the campaign store, on campaign `campaign`
    // when given, else on the newest.
    void OnHistory(std::optional<std::int64_t> campaign = std::nullopt);
    // The replies received (CDlgInbox) and the opt-out list (CDlgOptOuts).
    void OnInbox();
    void OnOptOuts();
    // The way of sending: the modem or a Kannel gateway.
    void OnGateway();
    // The loop's pace for the way of sending in use (modem or gateway).
    void ApplyPace();
    // At start-up: offers to resume the newest campaign that was
    // interrupted or stopped (Resume / Show / Later).
    void OfferInterruptedCampaign();
    // "A campaign to 5,000 numbers was interrupted on 6 Dec 14:02: 1,203
    // sent, 2 outcome unknown, 3,795 not sent." `when` in local time.
    static QString InterruptedText(const CampaignRecord& campaign, StoreTime when);
    // Starts the planned campaigns ("Send at") whose time has come, one
    // after the other. One late by more than a few minutes (the computer
    // was off, or the program closed) is asked about first: "The campaign
    // planned for 07:30 is late by 2 hours: send now / later / cancel";
    // later asks again at the next start. Runs at start-up and then at each
    // planned time.
    void StartDueCampaigns();
    // "Planned for 2026-12-07 07:30 GMT": the next planned campaign, or empty.
    QString GetPlannedText() const { return m_strPlanned; }
    // Opens `path` as the document; a file that cannot be read is reported
    // and the document in use stays as it was.
    bool OpenDocumentFile(const QString& path);
    // A file dropped on the window: one local file is opened as the
    // document (from the event loop). False when the drop is not taken.
    bool OnDropFiles(const QMimeData& data);
    // Asks whether to save a modified document; false when the user cancels
    // or the save fails.
    bool SaveModified();

    CVantorView* GetActiveView() const { return m_pView; }
    CRibbonBar* GetRibbon() const { return m_pRibbon; }
    CModemWatcher* GetModemWatcher() const { return m_pModemWatcher; }
    QString GetOperatorPaneText() const;
    QString GetDeviceStatusPaneText() const;
    QString GetProgressPaneText() const;
    QAction* GetLookAction(int id) const;
    void SetFileChooser(FileChooser chooser) { m_fnChooseFile = std::move(chooser); }

    static QString HowToUseText();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
#endif

private:
    void BuildActions();
    void BuildRibbon();
    bool BuildStatusBar();
    void UpdateProgress();
    void OnCampaignFinished();
    bool DoSave(const QString& path);
    QString ChooseFile(FileDialog kind, const QString& suggested);
    void InitialUpdateView();
    // Runs a clipboard command on the focused text field.
    void EditCommand(const char* slot);

    CVantorApp& m_app;
    CVantorDoc& m_doc;
    int m_nAppLook = 216;

    QLabel* m_pOperatorPane = nullptr;
    QLabel* m_pDeviceStatusPane = nullptr;
    QLabel* m_pProgressPane = nullptr;
    QProgressBar* m_pProgressBar = nullptr;
    QLabel* m_pSimulatedPane = nullptr;
    QToolButton* m_pModemsButton = nullptr;
    QMenu* m_pModemsMenu = nullptr;
    // Modems (by name) the user took out of the campaigns.
    QSet<QString> m_unchosenModems;
    CRibbonBar* m_pRibbon = nullptr;
    CVantorView* m_pView = nullptr;
    CModemWatcher* m_pModemWatcher = nullptr;

#ifdef Q_OS_WIN
    // Restarted by every WM_DEVICECHANGE; one discovery when they stop.
    QTimer* m_pDeviceChangeTimer = nullptr;
#endif

    QMenu* m_pFileMenu = nullptr;
    QMenu* m_pStyleMenu = nullptr;
    QMenu* m_pLookMenu = nullptr;
    QActionGroup* m_pLooks = nullptr;
    QAction* m_actNew = nullptr;
    QAction* m_actOpen = nullptr;
    QAction* m_actSave = nullptr;
    QAction* m_actSaveAs = nullptr;
    QAction* m_actExport = nullptr;
    QAction* m_actHistory = nullptr;
    QAction* m_actInbox = nullptr;
    QAction* m_actOptOuts = nullptr;
    QAction* m_actGateway = nullptr;
    QAction* m_actPrint = nullptr;
    QAction* m_actQuickPrint = nullptr;
    QAction* m_actPrintPreview = nullptr;
    QAction* m_actPrintSetup = nullptr;
    QAction* m_actClose = nullptr;
    QAction* m_actExit = nullptr;
    QAction* m_actUndo = nullptr;
    QAction* m_actPaste = nullptr;
    QAction* m_actCut = nullptr;
    QAction* m_actCopy = nullptr;
    QAction* m_actSelectAll = nullptr;
    QAction* m_actStatusBar = nullptr;
    QAction* m_actHowToUse = nullptr;
    QAction* m_actRefresh = nullptr;
    QAction* m_actAbout = nullptr;
    QAction* m_actShare = nullptr;
    QAction* m_actHelp = nullptr;
    QAction* m_actAppMenu = nullptr;
    QAction* m_actStyle = nullptr;

    // A planned campaign that is not to start: no longer planned, stopped.
    void CancelPlanned(std::int64_t id);

    FileChooser m_fnChooseFile;
    // Fires at the next planned campaign's time.
    QTimer m_planTimer;
    // Late campaigns the user put off until the next start.
    std::set<std::int64_t> m_postponed;
    QString m_strPlanned;
    // Set once the window is closing for good.
    bool m_bClosing = false;
};
