// The main window: the command bar, the sending view as its client, and the
// status bar with the operator's name and the device state. Follows modems
// as they come and go, applies and remembers the visual look, and runs the
// document commands (New, Open, Save, Save As, a dropped file).
#pragma once

#include <QMainWindow>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <optional>

#include "campaign/store/CampaignStore.h"

class QAction;
class QActionGroup;
class QLabel;
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
    // At start-up: offers to resume the newest campaign that was
    // interrupted or stopped (Resume / Show / Later).
    void OfferInterruptedCampaign();
    // "A campaign to 5,000 numbers was interrupted on 6 Dec 14:02: 1,203
    // sent, 2 outcome unknown, 3,795 not sent." `when` in local time.
    static QString InterruptedText(const CampaignRecord& campaign, StoreTime when);
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

    FileChooser m_fnChooseFile;
    // Set once the window is closing for good.
    bool m_bClosing = false;
};
