#include "app/CMainFrame.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <algorithm>
#include <string>
#include <vector>

#include "app/CIconPainter.h"
#include "app/CLookManager.h"
#include "app/CModemWatcher.h"
#include "app/CRibbonBar.h"
#include "app/CRibbonPanel.h"
#include "app/CVantorApp.h"
#include "app/Maker.h"
#include "campaign/CCampaignLoop.h"
#include "campaign/Schedule.h"
#include "campaign/doc/CVantorDoc.h"
#include "campaign/doc/QtText.h"
#include "campaign/ui/CDlgHistory.h"
#include "campaign/ui/CDlgInbox.h"
#include "campaign/ui/CDlgOptOuts.h"
#include "campaign/ui/CMessageBox.h"
#include "campaign/ui/CVantorView.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

const QString kLookKey = QStringLiteral("ApplicationLook");
const QString kDocumentFilter = QStringLiteral("Quorvel Vantorix Files (*.sms)");

QString FormatDuration(std::chrono::seconds seconds) {
    const auto total = seconds.count();
    const auto hours = total / 3600;
    const auto minutes = (total / 60) % 60;
    const auto secs = total % 60;
    if (hours > 0) {
        return QStringLiteral("%1:%2:%3")
            .arg(hours)
            .arg(minutes, 2, 10, QLatin1Char('0'))
            .arg(secs, 2, 10, QLatin1Char('0'));
    }
    return QStringLiteral("%1:%2").arg(minutes).arg(secs, 2, 10, QLatin1Char('0'));
}

QString Count(std::int64_t count) {
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(static_cast<qlonglong>(count));
}

}  // namespace

CMainFrame::CMainFrame(CVantorApp& app, CVantorDoc& doc)
    : QMainWindow(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                               Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                               Qt::WindowCloseButtonHint),
      m_app(app),
      m_doc(doc) {
    setObjectName(QStringLiteral("mainFrame"));
    const QSettings settings;
    bool ok = false;
    const int look = settings.value(kLookKey, CLookManager::kDefaultLook).toInt(&ok);
    m_nAppLook = ok ? look : CLookManager::kDefaultLook;
    m_app.m_nAppLook = m_nAppLook;
}

CMainFrame::~CMainFrame() = default;

bool CMainFrame::OnCreate() {
    // The title is the application's, never the document's.
    setWindowTitle(QGuiApplication::applicationDisplayName());
    setWindowIcon(CIconPainter::AppIcon());
    setAcceptDrops(true);

    BuildActions();
    m_pView = new CVantorView(m_app.Front(), m_doc, this);
    m_pView->SetStorePath(m_app.StorePath());
    setCentralWidget(m_pView);
    OnSelectLook(m_nAppLook);
    BuildRibbon();
    if (!BuildStatusBar()) {
        return false;
    }
    m_app.SetActiveView(m_pView);
    ApplyPace();
    connect(m_pView, &CVantorView::countsChanged, this, &CMainFrame::UpdateProgress);
    connect(m_pView, &CVantorView::campaignFinished, this, &CMainFrame::OnCampaignFinished);
    m_planTimer.setSingleShot(true);
    connect(&m_planTimer, &QTimer::timeout, this, &CMainFrame::StartDueCampaigns);
    connect(m_pView, &CVantorView::campaignPlanned, this, &CMainFrame::StartDueCampaigns);

    m_pModemWatcher = new CModemWatcher(this);
    connect(m_pModemWatcher, &CModemWatcher::modemsChanged, this, &CMainFrame::OnDeviceChange);

    RefreshStatusBar();
    return true;
}

void CMainFrame::BuildActions() {
    auto make = [this](const QString& text, const QKeySequence& key = {}) {
        auto* action = new QAction(text, this);
        if (!key.isEmpty()) {
            action->setShortcut(key);
        }
        addAction(action);
        return action;
    };
    using Glyph = CIconPainter::Glyph;
    m_actNew = make(QStringLiteral("&New"), QKeySequence::New);
    m_actNew->setIcon(CIconPainter::Command(Glyph::New));
    m_actOpen = make(QStringLiteral("&Open..."), QKeySequence::Open);
    m_actOpen->setIcon(CIconPainter::Command(Glyph::Open));
    m_actSave = make(QStringLiteral("&Save"), QKeySequence::Save);
    m_actSave->setIcon(CIconPainter::Command(Glyph::Save));
    m_actSaveAs = make(QStringLiteral("Save &As..."));
    m_actExport = make(QStringLiteral("&Export Results..."));
    m_actExport->setIcon(CIconPainter::Command(Glyph::Export));
    m_actHistory = make(QStringLiteral("&History..."), QKeySequence(Qt::CTRL | Qt::Key_H));
    m_actHistory->setToolTip(QStringLiteral("Past campaigns and the outcome for every number"));
    m_actInbox = make(QStringLiteral("&Inbox..."), QKeySequence(Qt::CTRL | Qt::Key_I));
    m_actInbox->setToolTip(QStringLiteral("The replies received, with the campaign they answer"));
    m_actOptOuts = make(QStringLiteral("Opt-o&uts..."));
    m_actOptOuts->setToolTip(QStringLiteral("The numbers that asked not to be sent to"));
    m_actGateway = make(QStringLiteral("Send &Through..."));
    m_actGateway->setToolTip(QStringLiteral("The modem, or a Kannel SMS gateway"));
    m_actPrint = make(QStringLiteral("Print"));
    m_actPrint->setIcon(CIconPainter::Command(Glyph::Print));
    m_actQuickPrint = make(QStringLiteral("&Quick Print"));
    m_actQuickPrint->setIcon(CIconPainter::Command(Glyph::Print));
    m_actPrintPreview = make(QStringLiteral("Print Pre&view"));
    m_actPrintSetup = make(QStringLiteral("Print Set&up"));
    // Nothing of a campaign is printed: the print commands stay disabled.
    for (QAction* action : {m_actPrint, m_actQuickPrint, m_actPrintPreview, m_actPrintSetup}) {
        action->setEnabled(false);
    }
    m_actClose = make(QStringLiteral("&Close"));
    m_actExit = make(QStringLiteral("E&xit"), QKeySequence(Qt::ALT | Qt::Key_F4));

    m_actUndo = make(QStringLiteral("&Undo"), QKeySequence(Qt::ALT | Qt::Key_Backspace));
    m_actPaste = make(QStringLiteral("Paste"));
    m_actPaste->setIcon(CIconPainter::Command(Glyph::Paste));
    m_actCut = make(QStringLiteral("Cut"));
    m_actCut->setIcon(CIconPainter::Command(Glyph::Cut));
    m_actCopy = make(QStringLiteral("Copy"));
    m_actCopy->setIcon(CIconPainter::Command(Glyph::Copy));
    m_actSelectAll = make(QStringLiteral("Select All"));
    // The text fields bring their own Ctrl+Z/X/C/V/A; the other keys of the
    // accelerator table come here.
    m_actCut->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Delete));
    m_actCopy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Insert));
    m_actPaste->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Insert));

    m_actStatusBar = make(QStringLiteral("Status Bar"));
    m_actStatusBar->setCheckable(true);
    m_actStatusBar->setChecked(true);
    m_actHowToUse = make(QStringLiteral("How to Use this Software ?"));
    m_actHowToUse->setIcon(CIconPainter::Command(Glyph::Help));
    m_actRefresh = make(QStringLiteral("Refresh Modem Data"), QKeySequence(Qt::Key_F5));
    m_actAbout = make(QStringLiteral("&About Vantor..."));
    m_actAbout->setIcon(CIconPainter::Command(Glyph::About));
    m_actAbout->setToolTip(QStringLiteral("About"));
    m_actShare = make(QStringLiteral("Share"));
    m_actShare->setIcon(CIconPainter::Command(Glyph::Share));
    m_actShare->setToolTip(
        QStringLiteral("Share %1 on Facebook.").arg(QLatin1String(Maker::kDomain)));
    m_actHelp = make(QStringLiteral("Help"), QKeySequence::HelpContents);
    m_actAppMenu = make(QStringLiteral("File"), QKeySequence(Qt::ALT | Qt::Key_F));
    m_actStyle = new QAction(QStringLiteral("Style"), this);
    m_actStyle->setToolTip(QStringLiteral("Modify Visual Style"));
    m_actStyle->setStatusTip(QStringLiteral("Choose one of the Office 2007 themes"));

    connect(m_actNew, &QAction::triggered, this, &CMainFrame::OnFileNew);
    connect(m_actOpen, &QAction::triggered, this, &CMainFrame::OnFileOpen);
    connect(m_actSave, &QAction::triggered, this, &CMainFrame::OnFileSave);
    connect(m_actSaveAs, &QAction::triggered, this, &CMainFrame::OnFileSaveAs);
    connect(m_actExport, &QAction::triggered, this, &CMainFrame::OnExportResults);
    connect(m_actHistory, &QAction::triggered, this, &CMainFrame::OnHistory);
    connect(m_actInbox, &QAction::triggered, this, &CMainFrame::OnInbox);
    connect(m_actOptOuts, &QAction::triggered, this, &CMainFrame::OnOptOuts);
    connect(m_actGateway, &QAction::triggered, this, &CMainFrame::OnGateway);
    connect(m_actClose, &QAction::triggered, this, &QWidget::close);
    connect(m_actExit, &QAction::triggered, this, &QWidget::close);
    connect(m_actUndo, &QAction::triggered, this, [this] { EditCommand("undo"); });
    connect(m_actPaste, &QAction::triggered, this, [this] { EditCommand("paste"); });
    connect(m_actCut, &QAction::triggered, this, [this] { EditCommand("cut"); });
    connect(m_actCopy, &QAction::triggered, this, [this] { EditCommand("copy"); });
    connect(m_actSelectAll, &QAction::triggered, this, [this] { EditCommand("selectAll"); });
    connect(m_actStatusBar, &QAction::toggled, this,
            [this](bool shown) { statusBar()->setVisible(shown); });
    connect(m_actHowToUse, &QAction::triggered, this, &CMainFrame::OnHowToUse);
    connect(m_actRefresh, &QAction::triggered, this, &CMainFrame::OnRefreshModemData);
    connect(m_actAbout, &QAction::triggered, &m_app, &CVantorApp::OnAbout);
    connect(m_actShare, &QAction::triggered, &m_app, &CVantorApp::OnShare);
    connect(m_actHelp, &QAction::triggered, this, &CMainFrame::OnHelpInfo);

    // Looks 210 to 218, one checked.
    m_pLooks = new QActionGroup(this);
    m_pLooks->setExclusive(true);
    for (int id = CLookManager::kFirstLook; id <= CLookManager::kLastLook; ++id) {
        auto* action = new QAction(CLookManager::MenuText(id), m_pLooks);
        action->setCheckable(true);
        action->setData(id);
        connect(action, &QAction::triggered, this, [this, id] { OnSelectLook(id); });
    }
}

void CMainFrame::EditCommand(const char* slot) {
    QWidget* focus = QApplication::focusWidget();
    if (focus != nullptr && window()->isAncestorOf(focus)) {
        QMetaObject::invokeMethod(focus, slot);
    }
}

QAction* CMainFrame::GetLookAction(int id) const {
    for (QAction* action : m_pLooks->actions()) {
        if (action->data().toInt() == id) {
            return action;
        }
    }
    return nullptr;
}

void CMainFrame::BuildRibbon() {
    m_pRibbon = new CRibbonBar(this);
    setMenuWidget(m_pRibbon);
    m_pRibbon->SetColors(CLookManager::Colors(m_nAppLook));

    // The application button's File menu.
    m_pFileMenu = new QMenu(QStringLiteral("File"), this);
    m_pFileMenu->setObjectName(QStringLiteral("fileMenu"));
    m_pFileMenu->addAction(m_actNew);
    m_pFileMenu->addAction(m_actOpen);
    m_pFileMenu->addAction(m_actSave);
    m_pFileMenu->addAction(m_actSaveAs);
    m_pFileMenu->addSeparator();
    m_pFileMenu->addAction(m_actExport);
    m_pFileMenu->addAction(m_actHistory);
    m_pFileMenu->addAction(m_actInbox);
    m_pFileMenu->addAction(m_actOptOuts);
    m_pFileMenu->addAction(m_actGateway);
    QMenu* print = m_pFileMenu->addMenu(CIconPainter::Command(CIconPainter::Glyph::Print),
                                        QStringLiteral("Print"));
    print->setEnabled(false);
    print->addSection(QStringLiteral("Preview and print the document"));
    print->addAction(m_actQuickPrint);
    print->addAction(m_actPrintPreview);
    print->addAction(m_actPrintSetup);
    m_pFileMenu->addSeparator();
    m_pFileMenu->addAction(m_actClose);
    // Start-up keeps no recently used documents: the list stays empty.
    m_pFileMenu->addSection(QStringLiteral("Recent Documents"));
    m_pFileMenu->addSeparator();
    m_pFileMenu->addAction(m_actExit);
    m_pRibbon->SetApplicationMenu(m_pFileMenu, QStringLiteral("File"));
    connect(m_actAppMenu, &QAction::triggered, m_pRibbon, &CRibbonBar::ShowApplicationMenu);

    m_pRibbon->AddQuickAccessAction(m_actNew);
    m_pRibbon->AddQuickAccessAction(m_actOpen);
    m_pRibbon->AddQuickAccessAction(m_actSave);
    m_pRibbon->AddQuickAccessAction(m_actQuickPrint);

    QWidget* home = m_pRibbon->AddCategory(QStringLiteral("&Home"));
    CRibbonPanel* clipboard = m_pRibbon->AddPanel(home, QStringLiteral("Clipboard"));
    clipboard->AddLargeButton(m_actPaste);
    clipboard->AddSmallButton(m_actCut);
    clipboard->AddSmallButton(m_actCopy);
    clipboard->AddSmallButton(m_actSelectAll);
    CRibbonPanel* view = m_pRibbon->AddPanel(home, QStringLiteral("View"));
    view->AddCheckBox(m_actStatusBar);
    view->AddSmallButton(m_actHowToUse);
    view->AddSmallButton(m_actRefresh);
    view->AddSmallButton(m_actHistory);
    view->AddSmallButton(m_actInbox);

    // The Style menu lists the Office 2007 looks; the full list is in the
    // application look submenu beside them.
    m_pStyleMenu = new QMenu(QStringLiteral("Style"), this);
    m_pStyleMenu->setObjectName(QStringLiteral("styleMenu"));
    const char* const office2007[] = {"Office 2007 (&Blue Style)", "Office 2007 (B&lack Style)",
                                      "Office 2007 (&Silver Style)", "Office 2007 (&Aqua Style)"};
    for (int id = CLookManager::kOffice2007Blue; id <= CLookManager::kOffice2007Aqua; ++id) {
        QAction* look = GetLookAction(id);
        auto* item = m_pStyleMenu->addAction(
            QString::fromLatin1(office2007[id - CLookManager::kOffice2007Blue]));
        item->setCheckable(true);
        item->setChecked(look->isChecked());
        connect(look, &QAction::toggled, item, &QAction::setChecked);
        connect(item, &QAction::triggered, look, [look] { look->trigger(); });
    }
    m_pStyleMenu->addSeparator();
    m_pLookMenu = m_pStyleMenu->addMenu(QStringLiteral("&Application Look"));
    for (int id = CLookManager::kFirstLook; id <= CLookManager::kVisualStudio2005; ++id) {
        m_pLookMenu->addAction(GetLookAction(id));
    }
    QMenu* office = m_pLookMenu->addMenu(QStringLiteral("Office 200&7"));
    for (int id = CLookManager::kOffice2007Blue; id <= CLookManager::kOffice2007Aqua; ++id) {
        office->addAction(GetLookAction(id));
    }
    m_pRibbon->AddTabRowButton(m_actStyle, m_pStyleMenu);
    m_pRibbon->AddTabRowButton(m_actAbout);
    m_pRibbon->AddTabRowButton(m_actShare);
}

bool CMainFrame::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    if (bar == nullptr) {
        return false;
    }
    bar->setObjectName(QStringLiteral("statusBar"));
    m_pOperatorPane = new QLabel(QStringLiteral("Mobile Operator Name will Appear Here"), bar);
    m_pOperatorPane->setObjectName(QStringLiteral("operatorPane"));
    // Room for a long operator name, but never so much that the progress
    // pane has none at the form's width.
    m_pOperatorPane->setMinimumWidth(
        m_pOperatorPane->fontMetrics().horizontalAdvance(QString(16, QLatin1Char('X'))));
    bar->addWidget(m_pOperatorPane);

    m_pProgressPane = new QLabel(bar);
    m_pProgressPane->setObjectName(QStringLiteral("progressPane"));
    m_pProgressBar = new QProgressBar(bar);
    m_pProgressBar->setObjectName(QStringLiteral("progressBar"));
    m_pProgressBar->setMaximumWidth(80);
    m_pProgressBar->setTextVisible(false);
    m_pProgressBar->hide();
    bar->addWidget(m_pProgressPane, 1);
    bar->addPermanentWidget(m_pProgressBar);

    if (m_app.IsSimulated()) {
#ifdef _WIN32
        m_pSimulatedPane = new QLabel(QStringLiteral("No simulated modem on Windows"), bar);
        m_pSimulatedPane->setToolTip(
            QStringLiteral("The simulated modem runs on Linux only: no modem is used."));
#else
        m_pSimulatedPane = new QLabel(QStringLiteral("Simulated"), bar);
        m_pSimulatedPane->setToolTip(
            QStringLiteral("Messages go to the simulated modem, not to the network."));
#endif
        m_pSimulatedPane->setObjectName(QStringLiteral("simulatedPane"));
        bar->addPermanentWidget(m_pSimulatedPane);
    }
    m_pDeviceStatusPane = new QLabel(QStringLiteral("Device Status Will Appear Here"), bar);
    m_pDeviceStatusPane->setObjectName(QStringLiteral("deviceStatusPane"));
    bar->addPermanentWidget(m_pDeviceStatusPane);
    m_pModemsButton = new QToolButton(bar);
    m_pModemsButton->setObjectName(QStringLiteral("modemsButton"));
    m_pModemsButton->setAutoRaise(true);
    m_pModemsButton->setPopupMode(QToolButton::InstantPopup);
    m_pModemsButton->setToolTip(QStringLiteral("The modems that send the next campaign."));
    m_pModemsMenu = new QMenu(m_pModemsButton);
    m_pModemsButton->setMenu(m_pModemsMenu);
    m_pModemsButton->hide();
    bar->addPermanentWidget(m_pModemsButton);
    return true;
}

void CMainFrame::OnSelectLook(int id) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_nAppLook = id;
    m_app.m_nAppLook = id;
    CLookManager::Apply(id);
    if (QAction* action = GetLookAction(id)) {
        action->setChecked(true);
    }
    const CLookManager::BarColors colors = CLookManager::Colors(CLookManager::Current());
    if (m_pRibbon != nullptr) {
        m_pRibbon->SetColors(colors);
    }
    statusBar()->setStyleSheet(
        QStringLiteral("QStatusBar { background: %1; } QStatusBar QLabel { color: %2; }")
            .arg(colors.statusBar.name(), colors.statusText.name()));
    update();
    QSettings settings;
    settings.setValue(kLookKey, m_nAppLook);
    QApplication::restoreOverrideCursor();
}

void CMainFrame::OnRefreshModemData() {
    m_app.RunDiscovery();
    RefreshStatusBar();
}

void CMainFrame::RefreshStatusBar() {
    ISmsFront& front = m_app.Front();
    m_pOperatorPane->setText(ToQString(front.GetOperatorNameText()));
    m_pDeviceStatusPane->setText(ToQString(front.GetDeviceStatusText()));
    RefreshModems();
    m_app.PostRefreshDeviceStatus();
}

void CMainFrame::RefreshModems() {
    const std::vector<CVantorApp::ModemLink> links = m_app.Modems();
    std::vector<CVantorView::Modem> modems;
    m_pModemsMenu->clear();
    int chosen = 0;
    for (const CVantorApp::ModemLink& link : links) {
        std::u16string reason;
        const bool canSend = link.front->CanSendSms(reason);
        const bool wanted = canSend && !m_unchosenModems.contains(link.name);
        QAction* action = m_pModemsMenu->addAction(
            QStringLiteral("%1: %2, %3")
                .arg(link.name, ToQString(link.front->GetOperatorNameText()),
                     ToQString(canSend ? link.front->GetDeviceStatusText() : reason)));
        action->setCheckable(true);
        action->setChecked(wanted);
        action->setEnabled(canSend);
        connect(action, &QAction::toggled, this, [this, name = link.name](bool on) {
            if (on) {
                m_unchosenModems.remove(name);
            } else {
                m_unchosenModems.insert(name);
            }
            // Not from inside the menu's own signal: the menu is rebuilt.
            QMetaObject::invokeMethod(this, &CMainFrame::RefreshModems, Qt::QueuedConnection);
        });
        chosen += wanted ? 1 : 0;
        modems.push_back({link.front, ToU16String(link.name), wanted});
    }
    m_pModemsButton->setText(QStringLiteral("Modems: %1 of %2").arg(chosen).arg(links.size()));
    m_pModemsButton->setVisible(links.size() > 1);
    m_pView->SetModems(std::move(modems));
}

void CMainFrame::OnDeviceChange() {
    QMetaObject::invokeMethod(this, &CMainFrame::OnRefreshModemData, Qt::QueuedConnection);
}

QString CMainFrame::HowToUseText() {
    return QStringLiteral(
        "Step 1: Connect Mobile Modem to the Computer.\n\n"
        "Step 2: Wait for a Couple of Seconds Untill you can See your Mobile Oprator Name in the "
        "Status Bar of this Software.\n\n"
        "Step 3: Create a .txt File with Notepad Containing Mobile Numbers to Which you want to "
        "Send SMS. While Saving the .txt File, Select Encoding as Unicode.\n\n"
        "Step 4: Specify the SMS Message in the Software and Click on Start Sending SMS Button.");
}

void CMainFrame::OnHowToUse() {
    CMessageBox::Show(this, CMessageBox::Kind::Information, HowToUseText());
}

void CMainFrame::OnHelpInfo() {
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(Maker::kWebSite)));
}

QString CMainFrame::GetOperatorPaneText() const {
    return m_pOperatorPane->text();
}

QString CMainFrame::GetDeviceStatusPaneText() const {
    return m_pDeviceStatusPane->text();
}

QString CMainFrame::GetProgressPaneText() const {
    return m_pProgressPane->text();
}

void CMainFrame::UpdateProgress() {
    const CCampaignLoop& loop = m_pView->Loop();
    const CampaignCounts counts = loop.GetCounts();
    if (counts.total == 0) {
        m_pProgressPane->setText(m_strPlanned);
        m_pProgressBar->hide();
        return;
    }
    QString text = QStringLiteral("Sent %1").arg(counts.sent);
    // Delivery counts once reports came: many networks send none.
    const std::size_t delivered = m_pView->GetDeliveredCount();
    const std::size_t undelivered = m_pView->GetUndeliveredCount();
    if (delivered != 0 || undelivered != 0) {
        text += QStringLiteral(", Delivered %1").arg(delivered);
    }
    if (undelivered != 0) {
        text += QStringLiteral(", Not delivered %1").arg(undelivered);
    }
    text += QStringLiteral(", Failed %1").arg(counts.failed);
    if (counts.unknown != 0) {
        text += QStringLiteral(", Unknown %1").arg(counts.unknown);
    }
    if (counts.pending != 0) {
        text += QStringLiteral(", Awaiting %1").arg(counts.pending);
    }
    if (loop.IsSending()) {
        text += QStringLiteral(", Left %1 (%2)")
                    .arg(counts.remaining)
                    .arg(FormatDuration(loop.EstimatedTimeLeft()));
    } else {
        text += QStringLiteral(" of %1").arg(counts.total);
    }
    m_pProgressPane->setToolTip(
        QStringLiteral("Sent %1, failed %2, awaiting the result of %3, %4 still to send of %5; "
                       "about %6 left.")
            .arg(counts.sent)
            .arg(counts.failed)
            .arg(counts.pending)
            .arg(counts.remaining)
            .arg(counts.total)
            .arg(FormatDuration(loop.EstimatedTimeLeft())));
    if (loop.IsPaused() && !loop.IsSending()) {
        text = QStringLiteral("Paused: %1 (%2)").arg(ToQString(loop.GetPauseReason()), text);
    } else if (loop.IsWaiting()) {
        static const Schedule::CSystemTimeZone zone;
        text = QStringLiteral("%1 (%2)").arg(
            ToQString(Schedule::PausedUntilText(*loop.WaitingUntil(), zone)), text);
    }
    if (!loop.IsSending() && !m_strPlanned.isEmpty()) {
        // The counts of the rows shown stay in the tool tip.
        text = m_strPlanned;
    }
    m_pProgressPane->setText(text);
    m_pProgressBar->setMaximum(static_cast<int>(counts.total));
    m_pProgressBar->setValue(static_cast<int>(counts.sent + counts.failed));
    m_pProgressBar->setVisible(loop.IsSending() || counts.sent + counts.failed != 0);
}

void CMainFrame::OnCampaignFinished() {
    const CampaignCounts counts = m_pView->Loop().GetCounts();
    const QString text =
        QStringLiteral(
            "The Campaign has Ended.\n\nNumbers: %1\nSent: %2\nFailed: %3\n\nUse Export "
            "Results... in the File Menu to Save the Status of Every Number.")
            .arg(counts.total)
            .arg(counts.sent)
            .arg(counts.failed);
    // Shown from the event loop, never from inside the loop's own callback.
    QTimer::singleShot(
        0, this, [this, text] { CMessageBox::Show(this, CMessageBox::Kind::Information, text); });
}

// --- Documents --------------------------------------------------------------

QString CMainFrame::ChooseFile(FileDialog kind, const QString& suggested) {
    if (m_fnChooseFile) {
        return m_fnChooseFile(kind, suggested);
    }
    switch (kind) {
        case FileDialog::OpenDocument:
            return QFileDialog::getOpenFileName(this, QString(), suggested, kDocumentFilter);
        case FileDialog::SaveDocument: {
            QFileDialog dialog(this, QString(), suggested, kDocumentFilter);
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setDefaultSuffix(QStringLiteral("sms"));
            return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
        }
        case FileDialog::ExportResults: {
            QFileDialog dialog(this, QStringLiteral("Export Results"), suggested,
                               QStringLiteral("CSV Files (*.csv)"));
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setDefaultSuffix(QStringLiteral("csv"));
            return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
        }
    }
    return {};
}

void CMainFrame::InitialUpdateView() {
    m_pView->OnInitialUpdate();
    // The frame fits the form (it may grow as well as shrink).
    if (!isMaximized()) {
        resize(sizeHint().expandedTo(minimumSizeHint()));
    }
}

bool CMainFrame::SaveModified() {
    if (!m_doc.IsModified()) {
        return true;
    }
    const auto answer =
        CMessageBox::Ask(this, QStringLiteral("Save changes to %1?").arg(m_doc.GetTitle()));
    if (answer == QMessageBox::Cancel) {
        return false;
    }
    if (answer == QMessageBox::No) {
        return true;
    }
    return OnFileSave();
}

void CMainFrame::OnFileNew() {
    if (!SaveModified()) {
        return;
    }
    m_doc.OnNewDocument();
    InitialUpdateView();
}

void CMainFrame::OnFileOpen() {
    if (!SaveModified()) {
        return;
    }
    const QString path =
        ChooseFile(FileDialog::OpenDocument, QFileInfo(m_doc.GetPathName()).path());
    if (!path.isEmpty()) {
        QString error;
        if (!m_doc.OnOpenDocument(path, error)) {
            CMessageBox::Show(this, CMessageBox::Kind::Error, error);
            return;
        }
        InitialUpdateView();
    }
}

bool CMainFrame::OpenDocumentFile(const QString& path) {
    if (!SaveModified()) {
        return false;
    }
    QString error;
    if (!m_doc.OnOpenDocument(path, error)) {
        CMessageBox::Show(this, CMessageBox::Kind::Error, error);
        return false;
    }
    InitialUpdateView();
    return true;
}

bool CMainFrame::DoSave(const QString& path) {
    QString error;
    if (!m_doc.OnSaveDocument(path, error)) {
        CMessageBox::Show(this, CMessageBox::Kind::Error, error);
        return false;
    }
    return true;
}

bool CMainFrame::OnFileSave() {
    if (m_doc.GetPathName().isEmpty()) {
        return OnFileSaveAs();
    }
    return DoSave(m_doc.GetPathName());
}

bool CMainFrame::OnFileSaveAs() {
    const QString suggested = m_doc.GetPathName().isEmpty()
                                  ? m_doc.GetTitle() + QStringLiteral(".sms")
                                  : m_doc.GetPathName();
    const QString path = ChooseFile(FileDialog::SaveDocument, suggested);
    return !path.isEmpty() && DoSave(path);
}

void CMainFrame::OnExportResults() {
    if (m_pView->Loop().GetRowCount() == 0) {
        CMessageBox::Show(this, CMessageBox::Kind::Information,
                          QStringLiteral("There are no Numbers to Export. Browse and Select a "
                                         ".txt Unicode File Containing Numbers First."));
        return;
    }
    const QString path = ChooseFile(FileDialog::ExportResults, QStringLiteral("results.csv"));
    if (path.isEmpty()) {
        return;
    }
    QString error;
    if (!m_pView->ExportResults(path, error)) {
        CMessageBox::Show(this, CMessageBox::Kind::Error, error);
    }
}

void CMainFrame::OnHistory(std::optional<std::int64_t> campaign) {
    CDlgHistory dialog(m_app.StorePath(), this);
    dialog.OnInitDialog();
    if (campaign) {
        dialog.SelectCampaign(*campaign);
    }
    dialog.exec();
}

void CMainFrame::OnInbox() {
    CDlgInbox dialog(m_app.StorePath(), this);
    dialog.OnInitDialog();
    dialog.exec();
}

void CMainFrame::OnOptOuts() {
    CDlgOptOuts dialog(m_app.StorePath(), this);
    dialog.OnInitDialog();
    dialog.exec();
}

void CMainFrame::ApplyPace() {
    // A gateway paces itself: every tick offers parts until its connections
    // and their queue are full, a message on each, once a quarter is free.
    if (m_app.UsesGateway()) {
        const auto parallel = static_cast<std::size_t>(std::max(1, m_app.GatewayParallel()));
        m_pView->SetGatewayLimits(RouteLimits{2 * parallel, std::chrono::milliseconds(0),
                                              2 * parallel,
                                              std::max<std::size_t>(parallel / 2, 1)});
        m_pView->SetTickInterval(std::chrono::milliseconds(1));
    } else {
        m_pView->SetGatewayLimits(std::nullopt);
        m_pView->SetTickInterval(CCampaignLoop::kTickInterval);
    }
}

void CMainFrame::OnGateway() {
    if (m_pView->IsSending()) {
        CMessageBox::Show(this, CMessageBox::Kind::Information,
                          QStringLiteral("Stop the Sending First: the Way of Sending Changes "
                                         "between Campaigns."));
        return;
    }
    CDlgGateway dialog(this);
    dialog.OnInitDialog();
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    QString error;
    if (!m_app.ApplyGateway(error)) {
        CMessageBox::Show(this, CMessageBox::Kind::Error,
                          QStringLiteral("Not sending through Kannel: %1").arg(error));
    }
    ApplyPace();
    RefreshStatusBar();
}

QString CMainFrame::InterruptedText(const CampaignRecord& campaign, StoreTime when) {
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(
        std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count());
    const bool thisYear = local.date().year() == QDate::currentDate().year();
    const SendCounts& c = campaign.counts;
    QString text =
        QStringLiteral("A campaign to %1 numbers was %2 on %3: %4 sent, ")
            .arg(Count(c.total),
                 campaign.state == CampaignState::Interrupted ? QStringLiteral("interrupted")
                                                              : QStringLiteral("stopped"),
                 english.toString(local, thisYear ? QStringLiteral("d MMM HH:mm")
                                                  : QStringLiteral("d MMM yyyy HH:mm")),
                 Count(c.sent));
    if (c.failed != 0) {
        text += QStringLiteral("%1 failed, ").arg(Count(c.failed));
    }
    return text + QStringLiteral("%1 outcome unknown, %2 not sent.")
                      .arg(Count(c.unknown + c.sending), Count(c.notSent));
}

void CMainFrame::OfferInterruptedCampaign() {
    const QString path = m_app.StorePath();
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        return;
    }
    // Opened for sending, so that what a sender left running is recovered
    // (its sends in flight become outcome unknown); closed again at once.
    CampaignRecord campaign;
    StoreTime when{};
    {
        CCampaignStore store;
        StoreError error;
        std::optional<std::int64_t> id;
        std::vector<RowRecord> rows;
        // A store in use or unreadable is reported when sending starts.
        std::vector<StoreEvent> events;
        if (!store.Open(path.toStdString(), StoreMode::Send, error) ||
            !store.FindLatestResumable(id, error) || !id ||
            !store.GetCampaign(*id, campaign, error) || !store.GetRows(*id, rows, error) ||
            !store.GetEvents(*id, events, error)) {
            return;
        }
        // A planned campaign waits for its time; a cancelled one is no more
        // the user's to carry on.
        if (campaign.sendAt || (!events.empty() && events.back().detail == "cancelled")) {
            return;
        }
        // When it stopped: its last outcome (the recovery itself is later).
        when = campaign.created;
        for (const RowRecord& row : rows) {
            if (row.state == SendState::Sent || row.state == SendState::Failed) {
                when = std::max(when, row.time);
            }
        }
        if (campaign.state == CampaignState::Stopped) {
            when = campaign.changed;
        }
    }
    const auto answer = CMessageBox::Choose(this, InterruptedText(campaign, when),
                                            {{QMessageBox::Yes, QStringLiteral("Resume")},
                                             {QMessageBox::Open, QStringLiteral("Show")},
                                             {QMessageBox::No, QStringLiteral("Later")}});
    if (answer == QMessageBox::Yes) {
        m_pView->ResumeCampaign(campaign.id);
    } else if (answer == QMessageBox::Open) {
        OnHistory(campaign.id);
    }
}

void CMainFrame::StartDueCampaigns() {
    m_planTimer.stop();
    m_strPlanned.clear();
    const QString path = m_app.StorePath();
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        UpdateProgress();
        return;
    }
    static const Schedule::CSystemTimeZone zone;
    std::vector<CampaignRecord> planned;
    {
        CCampaignStore store;
        StoreError error;
        std::vector<CampaignRecord> campaigns;
        if (!store.Open(path.toStdString(), StoreMode::Read, error) ||
            !store.ListCampaigns(campaigns, error)) {
            // A store locked for a moment: looked at again in a minute.
            m_planTimer.start(std::chrono::minutes(1));
            return;
        }
        // Oldest first, as they were planned.
        for (auto c = campaigns.rbegin(); c != campaigns.rend(); ++c) {
            if (c->sendAt && c->state != CampaignState::Running &&
                c->state != CampaignState::Finished && m_postponed.count(c->id) == 0) {
                planned.push_back(*c);
            }
        }
    }
    std::optional<StoreTime> next;
    const auto consider = [&next](StoreTime when) { next = next ? std::min(*next, when) : when; };
    for (const CampaignRecord& campaign : planned) {
        const StoreTime now = std::chrono::system_clock::now();
        if (*campaign.sendAt > now) {
            consider(*campaign.sendAt);
            continue;
        }
        if (m_pView->IsSending()) {
            consider(now + std::chrono::minutes(1));  // after the one that runs
            continue;
        }
        if (const std::optional<std::u16string> late =
                Schedule::LateText(*campaign.sendAt, now, zone)) {
            const auto answer = CMessageBox::Choose(
                this, ToQString(*late) + QStringLiteral(": ") + ToQString(Schedule::kLateChoices),
                {{QMessageBox::Yes, QStringLiteral("&Send now")},
                 {QMessageBox::Abort, QStringLiteral("&Cancel")},
                 {QMessageBox::No, QStringLiteral("&Later")}});
            if (answer == QMessageBox::Abort) {
                CancelPlanned(campaign.id);
                continue;
            }
            if (answer != QMessageBox::Yes) {
                m_postponed.insert(campaign.id);
                continue;
            }
        }
        if (!m_pView->ResumeCampaign(campaign.id)) {
            m_postponed.insert(campaign.id);  // reported; not tried again and again
        }
    }
    if (next) {
        // Short for the pane: "Planned for 07:30", or "Planned for 8 Dec 07:30".
        const QDateTime local = QDateTime::fromMSecsSinceEpoch(
            std::chrono::duration_cast<std::chrono::milliseconds>(next->time_since_epoch())
                .count());
        m_strPlanned = QStringLiteral("Planned for %1")
                           .arg(local.date() == QDate::currentDate()
                                    ? ToQString(Schedule::FormatLocalTime(*next, zone))
                                    : QLocale(QLocale::English, QLocale::UnitedStates)
                                          .toString(local, QStringLiteral("d MMM HH:mm")));
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
            *next - std::chrono::system_clock::now());
        // At most an hour at a time: a clock that jumps is caught up with.
        m_planTimer.start(std::clamp(wait, std::chrono::milliseconds(0),
                                     std::chrono::milliseconds(std::chrono::hours(1))));
    }
    UpdateProgress();
}

void CMainFrame::CancelPlanned(std::int64_t id) {
    CCampaignStore store;
    StoreError error;
    if (!store.Open(m_app.StorePath().toStdString(), StoreMode::Send, error) ||
        !store.SetCampaignSendAt(id, std::nullopt, error) ||
        !store.SetCampaignState(id, CampaignState::Stopped, error, "cancelled")) {
        CMessageBox::Show(this, CMessageBox::Kind::Error, QString::fromStdString(error.text));
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!m_bClosing && !SaveModified()) {
        event->ignore();
        return;
    }
    m_bClosing = true;
    // The campaign stops here; the store keeps every outcome so far.
    m_pView->EndCampaign();
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() == 1 && urls.front().isLocalFile()) {
        event->acceptProposedAction();
    }
}

void CMainFrame::dropEvent(QDropEvent* event) {
    if (OnDropFiles(*event->mimeData())) {
        event->acceptProposedAction();
    }
}

bool CMainFrame::OnDropFiles(const QMimeData& data) {
    const QList<QUrl> urls = data.urls();
    if (urls.size() != 1 || !urls.front().isLocalFile()) {
        return false;
    }
    const QString path = urls.front().toLocalFile();
    // Opened from the event loop: the drag source is not kept waiting on a
    // save prompt.
    QTimer::singleShot(0, this, [this, path] { OpenDocumentFile(path); });
    return true;
}

#ifdef Q_OS_WIN
bool CMainFrame::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
    if (eventType == "windows_generic_MSG") {
        const MSG* msg = static_cast<const MSG*>(message);
        if (msg->message == WM_DEVICECHANGE) {
            // Windows sends a notice for every device node: one modem
            // plugged in brings several within a moment, and each discovery
            // probes the COM ports. They make one discovery once they stop.
            if (m_pDeviceChangeTimer == nullptr) {
                m_pDeviceChangeTimer = new QTimer(this);
                m_pDeviceChangeTimer->setSingleShot(true);
                m_pDeviceChangeTimer->setInterval(500);
                connect(m_pDeviceChangeTimer, &QTimer::timeout, this, &CMainFrame::OnDeviceChange);
            }
            m_pDeviceChangeTimer->start();
        }
    }
    return QMainWindow::nativeEvent(eventType, message, result);
}
#endif
