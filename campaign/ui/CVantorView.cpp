#include "campaign/ui/CVantorView.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QFileDialog>
#include <QHeaderView>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
#include <algorithm>
#include <string>
#include <utility>

#include "campaign/Blank.h"
#include "campaign/CNumberList.h"
#include "campaign/Schedule.h"
#include "campaign/doc/CVantorDoc.h"
#include "campaign/doc/QtText.h"
#include "campaign/store/CampaignRecorder.h"
#include "campaign/store/CampaignStore.h"
#include "campaign/store/History.h"
#include "campaign/ui/CCampaignRowsModel.h"
#include "campaign/ui/CDialogUnits.h"
#include "campaign/ui/CDlgNumbersPreview.h"
#include "campaign/ui/CMessageBox.h"
#include "campaign/ui/CMessageEdit.h"
#include "campaign/ui/CResultsCsv.h"
#include "campaign/ui/CSmsReceivedEvent.h"
#include "campaign/ui/CSmsSendResultEvent.h"
#include "campaign/ui/NumbersRegion.h"
#include "campaign/ui/StoreAccess.h"
#include "campaign/ui/VantorEvents.h"
#include "pdu/Unicode.h"

namespace {

// Form 101, in dialog units, with a row for the numbers column and the
// time to send at.
constexpr int kFormWidth = 371;
constexpr int kFormHeight = 259;
constexpr int kOptionsRow = 16;

const Schedule::ITimeZone& LocalZone() {
    static const Schedule::CSystemTimeZone zone;
    return zone;
}

// The reason of a personal campaign's loader, as a sentence for the user.
QString Sentence(const std::string& text) {
    QString sentence = QString::fromStdString(text);
    if (!sentence.isEmpty()) {
        sentence[0] = sentence[0].toUpper();
    }
    return sentence + QLatin1Char('.');
}

Schedule::TimePoint ToTimePoint(const QDateTime& local) {
    const QDate date = local.date();
    const QTime time = local.time();
    return Schedule::FromLocal(
        {date.year(), date.month(), date.day(), time.hour(), time.minute(), 0}, LocalZone());
}

bool IsBlankText(const QString& text) {
    const std::u16string value = ToU16String(text);
    return TrimBlanks(value).empty();
}

QString Count(std::int64_t count) {
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(static_cast<qlonglong>(count));
}

// The column a campaign of personal messages took its numbers from (its
// settings say); empty for a plain campaign.
QString NumberColumnOf(const CampaignRecord& campaign) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(campaign.settings))
        .object()
        .value(QStringLiteral("number_column"))
        .toString();
}

// The newest campaign of this message, numbers file and numbers column
// (empty for a plain file) that is not running.
bool FindEarlierCampaign(CCampaignStore& store, const std::string& message, const std::string& hash,
                         const QString& column, std::optional<CampaignRecord>& found,
                         StoreError& error) {
    std::vector<CampaignRecord> campaigns;
    if (!store.ListCampaigns(campaigns, error)) {
        return false;
    }
    for (CampaignRecord& campaign : campaigns) {
        if (campaign.state != CampaignState::Running && campaign.message == message &&
            campaign.numbersHash == hash && NumberColumnOf(campaign) == column) {
            found = std::move(campaign);
            break;
        }
    }
    return true;
}

}  // namespace

CVantorView::CVantorView(ISmsFront& front, CVantorDoc& doc, QWidget* parent)
    : QWidget(parent), m_front(front), m_doc(doc), m_loop(front) {
    setObjectName(QStringLiteral("vantorView"));

    // Template order, which is the tab order.
    m_stcNumbers = new QLabel(QStringLiteral("&Numbers :"), this);
    m_edtNumbersFile = new QLineEdit(this);
    m_edtNumbersFile->setObjectName(QStringLiteral("numbersFile"));
    m_edtNumbersFile->setReadOnly(true);
    m_stcNumbers->setBuddy(m_edtNumbersFile);

    m_stcMessage = new QLabel(QStringLiteral("&Message :"), this);
    m_edtMessage = new CMessageEdit(this);
    m_edtMessage->setObjectName(QStringLiteral("message"));
    m_stcMessage->setBuddy(m_edtMessage);
    m_edtMessage->SetFitCheck([this](const QString& text) { return PlanOf(text).ok(); });

    m_stcCounter = new QLabel(this);
    m_stcCounter->setObjectName(QStringLiteral("messageCounter"));
    m_stcCounter->setWordWrap(true);
    m_stcCounter->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_stcNumberColumn = new QLabel(QStringLiteral("Number &column :"), this);
    m_cboNumberColumn = new QComboBox(this);
    m_cboNumberColumn->setObjectName(QStringLiteral("numberColumn"));
    m_cboNumberColumn->setToolTip(
        QStringLiteral("The column of the .csv table that holds the numbers; {column} in the "
                       "message stands for each row's value of a column."));
    m_cboNumberColumn->setEnabled(false);
    m_stcNumberColumn->setBuddy(m_cboNumberColumn);
    m_chkSendAt = new QCheckBox(QStringLiteral("Send &at"), this);
    m_chkSendAt->setObjectName(QStringLiteral("sendAtCheck"));
    m_dtSendAt = new QDateTimeEdit(this);
    m_dtSendAt->setObjectName(QStringLiteral("sendAt"));
    m_dtSendAt->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm"));
    m_dtSendAt->setCalendarPopup(true);
    m_dtSendAt->setEnabled(false);
    m_stcZone = new QLabel(this);
    m_stcZone->setObjectName(QStringLiteral("sendAtZone"));

    m_btnStart = new QPushButton(ToQString(kStartText), this);
    m_btnStart->setObjectName(QStringLiteral("startButton"));
    m_btnStart->setAutoDefault(false);

    m_stcDeviceStatus = new QLabel(QStringLiteral("Can Send SMS ?"), this);
    m_stcDeviceStatus->setObjectName(QStringLiteral("deviceStatus"));
    m_stcDeviceStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_btnDisplay = new QPushButton(QStringLiteral("Display"), this);
    m_btnDisplay->setObjectName(QStringLiteral("displayButton"));
    m_btnDisplay->setAutoDefault(false);
    m_btnBrowse = new QPushButton(QStringLiteral("&Browse"), this);
    m_btnBrowse->setObjectName(QStringLiteral("browseButton"));
    m_btnBrowse->setAutoDefault(false);

    m_lstNumbers = new QTableView(this);
    m_lstNumbers->setObjectName(QStringLiteral("numbersList"));
    m_pModel = new CCampaignRowsModel(m_loop, this);
    m_pModel->SetDeliveryText([this](std::size_t row) { return GetDeliveryText(row); });
    m_lstNumbers->setModel(m_pModel);
    // Grid lines and full-row select; every row the same height, so that a
    // list of 65,535 rows needs no measuring.
    m_lstNumbers->setShowGrid(true);
    m_lstNumbers->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_lstNumbers->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lstNumbers->setWordWrap(false);
    m_lstNumbers->setTabKeyNavigation(false);
    m_lstNumbers->verticalHeader()->hide();
    m_lstNumbers->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_lstNumbers->verticalHeader()->setDefaultSectionSize(m_lstNumbers->fontMetrics().height() + 6);
    QHeaderView* header = m_lstNumbers->horizontalHeader();
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->resizeSection(CCampaignRowsModel::ColumnSr, 75);
    header->resizeSection(CCampaignRowsModel::ColumnNumber, 150);
    header->resizeSection(CCampaignRowsModel::ColumnStatus, 200);
    header->setStretchLastSection(true);

    setTabOrder(m_edtNumbersFile, m_edtMessage);
    setTabOrder(m_edtMessage, m_btnStart);
    setTabOrder(m_btnStart, m_btnDisplay);
    setTabOrder(m_btnDisplay, m_btnBrowse);
    setTabOrder(m_btnBrowse, m_cboNumberColumn);
    setTabOrder(m_cboNumberColumn, m_chkSendAt);
    setTabOrder(m_chkSendAt, m_dtSendAt);
    setTabOrder(m_dtSendAt, m_lstNumbers);

    connect(m_btnStart, &QPushButton::clicked, this, &CVantorView::OnBnClickedStart);
    connect(m_btnBrowse, &QPushButton::clicked, this, &CVantorView::OnBnClickedBrowse);
    connect(m_btnDisplay, &QPushButton::clicked, this, &CVantorView::OnBnClickedDisplay);
    connect(m_edtMessage, &QPlainTextEdit::textChanged, this, &CVantorView::OnEnChangeMessage);
    connect(m_cboNumberColumn, QOverload<int>::of(&QComboBox::activated), this,
            &CVantorView::OnCbnSelchangeNumberColumn);
    connect(m_chkSendAt, &QCheckBox::toggled, m_dtSendAt, &QWidget::setEnabled);
    auto showZone = [this] {
        m_stcZone->setText(QString::fromStdString(LocalZone().Abbreviation(
            std::chrono::system_clock::to_time_t(ToTimePoint(m_dtSendAt->dateTime())))));
    };
    connect(m_dtSendAt, &QDateTimeEdit::dateTimeChanged, this, showZone);
    // The next full hour, as a start.
    const QDateTime now = QDateTime::currentDateTime();
    m_dtSendAt->setDateTime(QDateTime(now.date(), QTime(now.time().hour(), 0)).addSecs(3600));
    showZone();

    m_counterTimer.setSingleShot(true);
    m_counterTimer.setInterval(std::chrono::milliseconds(250));
    connect(&m_counterTimer, &QTimer::timeout, this, &CVantorView::UpdateCounter);

    m_timer.setInterval(std::chrono::milliseconds(CCampaignLoop::kTickInterval));
    connect(&m_timer, &QTimer::timeout, this, &CVantorView::OnTimer);

    m_loop.SetListener(this);
    // Quiet hours (setting Campaign/QuietHours, e.g. 21:00-08:00): no new
    // number is begun in them; the campaign waits and carries on by itself.
    const Schedule::ITimeZone& zone = LocalZone();
    const std::optional<Schedule::QuietHours> quiet = Schedule::ParseQuietHours(
        QSettings().value(QStringLiteral("Campaign/QuietHours")).toString().toStdString());
    if (quiet && !quiet->IsNone()) {
        m_loop.SetSendWindow(Schedule::MakeSendWindow(*quiet, zone));
    }
    PlaceControls();
}

CVantorView::~CVantorView() {
    m_loop.SetListener(nullptr);
    EndCampaign();
}

QSize CVantorView::sizeHint() const {
    return CDialogUnits(font()).Size(kFormWidth, kFormHeight);
}

void CVantorView::SetTickInterval(std::chrono::milliseconds interval) {
    m_timer.setInterval(interval);
}

void CVantorView::OnInitialUpdate() {
    m_strNumbersFile = m_doc.m_strNumbersFile;
    m_strMessage = m_doc.m_strMessage;
    m_strNumberColumn = m_doc.m_strNumberColumn;
    UpdateData(false);
    UpdateCounter();
    const PduLib::MessagePlan plan = PlanOf(m_strMessage);
    if (!plan.ok()) {
        // Kept as it is: the user shortens it; Start refuses it until then.
        CMessageBox::Show(
            this, CMessageBox::Kind::Information,
            QStringLiteral("The Message of this Document is too Long to Send: %1.\n\nIt is "
                           "Kept as it is; Shorten it Before Sending.")
                .arg(QString::fromStdString(plan.error)));
    }
    QCoreApplication::postEvent(this, new QEvent(VantorEvents::WM_REFRESH_DEVICE_STATUS));
    FillNumberList();
}

void CVantorView::UpdateData(bool saveAndValidate) {
    if (saveAndValidate) {
        m_strNumbersFile = m_edtNumbersFile->text();
        m_strMessage = m_edtMessage->Text();
        return;
    }
    m_bLoading = true;
    m_edtNumbersFile->setText(m_strNumbersFile);
    m_edtNumbersFile->setCursorPosition(0);
    m_edtMessage->SetText(m_strMessage);
    m_bLoading = false;
}

void CVantorView::FillNumberList() {
    // Other rows are another campaign: the one in hand ends here.
    EndCampaign();
    m_bCarryOn = false;
    m_nShownCampaign = 0;
    RefreshDeliveries();
    m_loop.ClearRows();
    m_pPersonal.reset();
    m_cboNumberColumn->clear();
    m_cboNumberColumn->setEnabled(false);
    if (m_strNumbersFile.isEmpty()) {
        UpdateCounter();
        return;
    }
    if (m_doc.IsPersonal()) {
        if (LoadPersonalTable(false)) {
            std::vector<std::u16string> rows;
            rows.reserve(m_pPersonal->collected.recipients.size());
            for (const CsvRecipient& recipient : m_pPersonal->collected.recipients) {
                rows.push_back(recipient.number);
            }
            m_loop.SetNumbers(rows);
        }
        UpdateCounter();
        return;
    }
    UpdateCounter();
    CNumberList numbers;
    numbers.m_strFilePath = ToU16String(m_strNumbersFile);
    numbers.m_strRegion = NumbersRegion();
    std::u16string error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool loaded = numbers.Load(error);
    if (loaded) {
        m_loop.SetNumbers(numbers.m_mapNumbers);
    }
    QApplication::restoreOverrideCursor();
    if (!loaded) {
        CMessageBox::Show(this, CMessageBox::Kind::Error, ToQString(error));
    }
}

void CVantorView::UpdateDeviceStatus() {
    std::u16string reason;
    m_bCanSend = m_front.CanSendSms(reason);
    // With several modems: any chosen one that can send will do.
    for (const Modem& modem : m_modems) {
        std::u16string why;
        if (!m_bCanSend && modem.chosen && modem.front->CanSendSms(why)) {
            m_bCanSend = true;
        }
    }
    m_stcDeviceStatus->setText(m_bCanSend ? QString() : ToQString(reason));
    UpdateStartButton();
    if (m_bCanSend && m_bCarryOn && !m_loop.IsSending()) {
        // A working modem is back: the paused campaign goes on by itself.
        m_bCarryOn = false;
        if (m_strStorePath.isEmpty()) {
            StartLoop(m_strMessage);
        } else {
            StartRecorded(std::nullopt, true);
        }
    }
}

void CVantorView::UpdateStartButton() {
    // A running loop can always be stopped, whatever the device says now.
    m_btnStart->setEnabled(m_bCanSend || m_loop.IsSending());
}

void CVantorView::OnBnClickedStart() {
    UpdateData(true);
    QString notice;
    if (IsBlankText(m_strNumbersFile)) {
        notice = ToQString(CCampaignLoop::kNoPathNotice);
    } else if (IsBlankText(m_strMessage)) {
        notice = ToQString(CCampaignLoop::kNoMessageNotice);
    }
    if (notice.isEmpty() && !m_loop.IsSending() && m_pPersonal && !CheckPersonalTexts()) {
        return;
    }
    if (notice.isEmpty() && !m_loop.IsSending() && !m_strStorePath.isEmpty()) {
        if (const std::optional<QDateTime> when = GetSendAt()) {
            PlanCampaign(*when);
        } else {
            StartRecorded(std::nullopt, false);
        }
        return;
    }
    if (notice.isEmpty() && !m_loop.IsSending()) {
        ApplyPersonalRows();
    }
    if (notice.isEmpty()) {
        std::u16string refusal;
        ApplyRoutes();
        m_bUserToggle = true;
        const bool toggled =
            m_loop.Toggle(ToU16String(m_strNumbersFile), ToU16String(m_strMessage), refusal);
        m_bUserToggle = false;
        if (toggled) {
            return;
        }
        notice = ToQString(refusal);
    }
    CMessageBox::Show(this, CMessageBox::Kind::Information, notice);
}

void CVantorView::SetModems(std::vector<Modem> modems) {
    m_modems = std::move(modems);
    ApplyRoutes();
    UpdateDeviceStatus();
}

void CVantorView::ApplyRoutes() {
    if (m_modems.empty() || m_loop.HasWorkLeft()) {
        return;
    }
    std::vector<CCampaignLoop::Route> routes;
    std::vector<std::optional<std::size_t>> routeOfLink(m_modems.size());
    const auto chosen = std::count_if(m_modems.begin(), m_modems.end(),
                                      [](const Modem& modem) { return modem.chosen; });
    // Each of several modems takes one part in flight and one queued; one
    // alone is offered a part every tick, as it always was.
    const RouteLimits limits = m_gatewayLimits ? *m_gatewayLimits
                               : chosen > 1    ? RouteLimits{2, {}}
                                               : RouteLimits{};
    for (std::size_t link = 0; link < m_modems.size(); ++link) {
        if (m_modems[link].chosen) {
            routeOfLink[link] = routes.size();
            routes.push_back({m_modems[link].front, m_modems[link].name, limits});
        }
    }
    if (m_loop.SetRoutes(std::move(routes))) {
        m_routeOfLink = std::move(routeOfLink);
    }
}

void CVantorView::StartLoop(const QString& message) {
    ApplyRoutes();
    std::u16string notice;
    m_bUserToggle = true;
    const bool started = m_loop.Start(ToU16String(m_strNumbersFile), ToU16String(message), notice);
    m_bUserToggle = false;
    if (!started) {
        CMessageBox::Show(this, CMessageBox::Kind::Information, ToQString(notice));
        EndRecorderWhenIdle();
    }
}

bool CVantorView::OpenStore() {
    if (!m_pStore) {
        m_pStore = std::make_unique<CCampaignStore>();
    }
    if (m_pStore->IsOpen()) {
        return true;
    }
    StoreError error;
    if (m_pStore->Open(m_strStorePath.toStdString(), StoreMode::Send, error,
                       DesktopStoreOptions())) {
        return true;
    }
    CMessageBox::Show(
        this, CMessageBox::Kind::Error,
        QStringLiteral("%1\n\nNothing was Sent.").arg(QString::fromStdString(error.text)));
    return false;
}

std::int64_t CVantorView::GetCampaign() const {
    return m_pRecorder ? m_pRecorder->GetCampaign() : 0;
}

bool CVantorView::StartRecorded(std::optional<std::int64_t> id, bool quiet) {
    const std::u16string whole = ToU16String(m_strMessage);
    const std::u16string text(TrimBlanks(whole));
    const std::string message = PduLib::Utf16ToUtf8(text);
    const PduLib::MessagePlan plan = m_front.PlanSms(text);
    if (!plan.ok()) {
        if (!quiet) {
            // The loop refuses it with its notice; nothing is recorded.
            StartLoop(m_strMessage);
        }
        return false;
    }
    std::string hash;
    StoreError error;
    if (!id && !FileContentHash(m_strNumbersFile.toStdString(), hash, error)) {
        CMessageBox::Show(this, CMessageBox::Kind::Error, QString::fromStdString(error.text));
        return false;
    }
    // The campaign in hand (stopped, its last results maybe still to come)
    // goes on as the loop has it.
    const bool inHand =
        m_pRecorder && (id ? m_pRecorder->GetCampaign() == *id
                           : m_pRecorder->GetRecord().message == message &&
                                 m_pRecorder->GetRecord().numbersHash == hash &&
                                 NumberColumnOf(m_pRecorder->GetRecord()) == PersonalColumn());
    if (!inHand) {
        EndCampaign();
    }
    if (!OpenStore()) {
        return false;
    }
    auto fail = [this](const StoreError& why) {
        if (why) {
            CMessageBox::Show(
                this, CMessageBox::Kind::Error,
                QStringLiteral("%1\n\nNothing was Sent.").arg(QString::fromStdString(why.text)));
        }
        if (!m_pRecorder) {
            m_pStore->Close();
        }
        return false;
    };
    std::optional<CampaignRecord> earlier;
    if (inHand) {
        earlier = m_pRecorder->GetRecord();
    } else if (id) {
        earlier.emplace();
        if (!m_pStore->GetCampaign(*id, *earlier, error)) {
            return fail(error);
        }
    } else if (!FindEarlierCampaign(*m_pStore, message, hash, PersonalColumn(), earlier, error)) {
        return fail(error);
    }

    // What is left of it: from the loop for the campaign in hand, else as
    // the store has it (a send left "sending" has no outcome to count on).
    std::int64_t notSent = 0;
    std::int64_t unknown = 0;
    std::int64_t pending = 0;
    if (inHand) {
        const CampaignCounts counts = m_loop.GetCounts();
        unknown = static_cast<std::int64_t>(counts.unknown);
        pending = static_cast<std::int64_t>(counts.pending);
        notSent = static_cast<std::int64_t>(counts.total - counts.sent - counts.failed -
                                            counts.unknown - counts.pending);
    } else if (earlier) {
        notSent = earlier->counts.notSent;
        unknown = earlier->counts.unknown + earlier->counts.sending;
    }
    bool resendUnknown = false;
    bool everyoneAgain = false;
    if (earlier && notSent == 0) {
        if (quiet || pending != 0) {
            return fail({});
        }
        if (unknown != 0) {
            const auto answer = CMessageBox::Choose(
                this,
                QStringLiteral("Send again to the %1 numbers whose outcome is unknown?")
                    .arg(Count(unknown)),
                {{QMessageBox::Yes, QStringLiteral("&Yes")},
                 {QMessageBox::No, QStringLiteral("&No")}});
            if (answer != QMessageBox::Yes) {
                return fail({});
            }
            resendUnknown = true;
        } else {
            const auto answer = CMessageBox::Choose(
                this,
                QStringLiteral("This Message has Already Gone to Every Number of this File "
                               "(%1 sent, %2 failed).")
                    .arg(Count(earlier->counts.sent), Count(earlier->counts.failed)),
                {{QMessageBox::Yes, QStringLiteral("Send to everyone again")},
                 {QMessageBox::Cancel, QStringLiteral("Cancel")}});
            if (answer != QMessageBox::Yes) {
                return fail({});
            }
            everyoneAgain = true;
        }
    } else if (quiet && !earlier) {
        // Never a new campaign by itself.
        return fail({});
    }

    if (everyoneAgain && inHand) {
        EndRecorder();
        if (!OpenStore()) {
            return false;
        }
    }
    if (!m_pRecorder) {
        m_pRecorder = std::make_unique<CCampaignRecorder>(*m_pStore, m_loop);
    }
    if (earlier && !everyoneAgain) {
        if (inHand) {
            std::int64_t reopened = 0;
            if (resendUnknown) {
                if (!m_pStore->ReopenRows(earlier->id, SendState::Unknown, reopened, error)) {
                    return fail(error);
                }
                m_loop.ReopenRows(RowState::Unknown);
            }
        } else if (!m_pRecorder->Resume(earlier->id, resendUnknown, error)) {
            m_pRecorder.reset();
            return fail(error);
        }
    } else {
        NewCampaign campaign;
        DescribeCampaign(campaign, message, plan, hash);
        if (!m_pRecorder->Begin(campaign, error)) {
            m_pRecorder.reset();
            return fail(error);
        }
    }
    // A planned campaign that starts is planned no more.
    if (m_pRecorder->GetRecord().sendAt &&
        !m_pStore->SetCampaignSendAt(m_pRecorder->GetCampaign(), std::nullopt, error)) {
        return fail(error);
    }
    // Numbers that asked to stop since are skipped, in a resumed campaign too.
    std::size_t skipped = 0;
    if (!m_pRecorder->SkipOptedOut(skipped, error)) {
        return fail(error);
    }
    m_nShownCampaign = m_pRecorder->GetCampaign();
    RefreshDeliveries();
    StartLoop(m_strMessage);
    return m_loop.IsSending();
}

bool CVantorView::ResumeCampaign(std::int64_t id) {
    if (m_loop.IsSending()) {
        return false;
    }
    EndCampaign();
    if (!OpenStore()) {
        return false;
    }
    CampaignRecord record;
    StoreError error;
    if (!m_pStore->GetCampaign(id, record, error)) {
        m_pStore->Close();
        CMessageBox::Show(this, CMessageBox::Kind::Error, QString::fromStdString(error.text));
        return false;
    }
    // The form shows the campaign; its rows come from the store, never from
    // the numbers file again (it may have changed or gone).
    m_strNumbersFile = QString::fromStdString(record.numbersPath);
    m_strMessage = QString::fromStdString(record.message);
    m_strNumberColumn = NumberColumnOf(record);
    UpdateData(false);
    m_doc.SetNumbersFile(m_strNumbersFile);
    m_doc.SetMessage(m_strMessage);
    m_doc.SetNumberColumn(m_strNumberColumn);
    // The table for the counter and the preview, if it is still there.
    m_pPersonal.reset();
    if (m_doc.IsPersonal()) {
        LoadPersonalTable(true);
    }
    UpdateCounter();
    m_bCarryOn = false;
    return StartRecorded(id, false);
}

void CVantorView::EndCampaign() {
    if (!m_pRecorder) {
        if (m_pStore) {
            m_pStore->Close();
        }
        return;
    }
    m_bUserToggle = true;
    m_loop.Stop();
    m_bUserToggle = false;
    m_loop.AbandonPending();
    EndRecorder();
}

void CVantorView::EndRecorder() {
    if (m_pRecorder) {
        StoreError error;
        const StoreError recordError = m_pRecorder->GetRecordError();
        const bool ended = m_pRecorder->End(error);
        m_pRecorder.reset();
        if (!ended || recordError) {
            CMessageBox::Show(this, CMessageBox::Kind::Error,
                              QString::fromStdString(ended ? recordError.text : error.text));
        }
    }
    if (m_pStore) {
        m_pStore->Close();
    }
}

void CVantorView::EndRecorderWhenIdle() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_pRecorder && !m_loop.HasWorkLeft()) {
                EndRecorder();
            }
        },
        Qt::QueuedConnection);
}

void CVantorView::OnTimer() {
    m_loop.Tick();
    if (m_pRecorder) {
        m_pRecorder->FlushIfDue();
    }
}

void CVantorView::OnRefreshDeviceStatus() {
    UpdateDeviceStatus();
}

void CVantorView::OnSmsSendResult(std::uint32_t requestId, HRESULT status, std::size_t link) {
    std::size_t route = link;
    if (!m_routeOfLink.empty()) {
        if (link >= m_routeOfLink.size() || !m_routeOfLink[link]) {
            return;
        }
        route = *m_routeOfLink[link];
    }
    m_bInResult = true;
    m_nResultRow = -1;
    m_loop.OnSmsSendResult(route, requestId, status);
    m_bInResult = false;
    if (m_nResultRow >= 0) {
        m_lstNumbers->scrollTo(
            m_pModel->index(static_cast<int>(m_nResultRow), CCampaignRowsModel::ColumnSr),
            QAbstractItemView::EnsureVisible);
    }
}

void CVantorView::OnSmsReceived(const ReceivedSms& message, std::size_t link) {
    if (m_strStorePath.isEmpty()) {
        return;  // kept nowhere: it stays on the modem
    }
    m_received.emplace_back(message, link);
    if (m_received.size() == 1) {
        // Those waiting in the modem at start-up come in a burst.
        QMetaObject::invokeMethod(this, &CVantorView::StoreReceived, Qt::QueuedConnection);
    }
}

void CVantorView::StoreReceived() {
    const std::vector<std::pair<ReceivedSms, std::size_t>> messages = std::move(m_received);
    m_received.clear();
    std::vector<ReceivedPdu> pdus;
    const StoreTime now = std::chrono::system_clock::now();
    for (const auto& [message, link] : messages) {
        // Named as the rows name the modem that sent them.
        pdus.push_back(
            {message.pdu, now,
             link < m_modems.size() ? PduLib::Utf16ToUtf8(m_modems[link].name) : std::string()});
    }
    // The sender's store while a campaign runs, else a visit of its own.
    CCampaignStore visit;
    CCampaignStore* store = m_pStore && m_pStore->IsOpen() ? m_pStore.get() : &visit;
    StoreError error;
    if (m_pRecorder && store == m_pStore.get()) {
        // The references of the kept outcomes first, for the reports to match
        // at once (a failure here only delays that: the store matches a
        // report when its send's reference comes).
        m_pRecorder->FlushOutcomes(error);
        error = {};
    }
    std::vector<ReceiveResult> results;
    if ((store == &visit && !OpenStoreForVisit(m_strStorePath.toStdString(), true, visit, error)) ||
        !store->ReceiveBatch(pdus, results, error) || results.size() != messages.size()) {
        qWarning("%zu received messages stay on the modem: %s", messages.size(),
                 error.text.c_str());
        return;
    }
    bool reported = false;
    for (std::size_t i = 0; i < messages.size(); ++i) {
        const std::size_t link = messages[i].second;
        ISmsFront& front = link < m_modems.size() ? *m_modems[link].front : m_front;
        front.AckReceived(messages[i].first.handle);
        const ReceiveResult& result = results[i];
        reported =
            reported || (!result.duplicate && result.kind == ReceiveResult::Kind::StatusReport &&
                         result.campaign && *result.campaign == m_nShownCampaign);
    }
    if (reported) {
        RefreshDeliveries();
    }
}

QString CVantorView::GetDeliveryText(std::size_t row) const {
    const auto found = m_mapDelivery.find(row);
    return found == m_mapDelivery.end() ? QString() : found->second;
}

void CVantorView::RefreshDeliveries() {
    m_mapDelivery.clear();
    m_nDelivered = 0;
    m_nUndelivered = 0;
    std::vector<RowRecord> rows;
    if (m_nShownCampaign != 0) {
        CCampaignStore visit;
        CCampaignStore* store = m_pStore && m_pStore->IsOpen() ? m_pStore.get() : &visit;
        StoreError error;
        if ((store == &visit &&
             !OpenStoreForVisit(m_strStorePath.toStdString(), false, visit, error)) ||
            !store->GetRows(m_nShownCampaign, rows, error)) {
            qWarning("The delivery of the rows cannot be read: %s", error.text.c_str());
        }
    }
    for (const RowRecord& row : rows) {
        if (row.delivery == DeliveryState::None) {
            continue;
        }
        m_nDelivered += row.delivery == DeliveryState::Delivered ? 1 : 0;
        m_nUndelivered += row.delivery == DeliveryState::Failed ? 1 : 0;
        m_mapDelivery[static_cast<std::size_t>(row.order)] =
            QString::fromStdString(History::DeliveryText(row));
    }
    m_pModel->DeliveriesChanged();
    emit countsChanged();
}

QString CVantorView::BrowseForNumbersFile() {
    if (m_fnChooseFile) {
        return m_fnChooseFile();
    }
    return QFileDialog::getOpenFileName(
        window(), QString(), QString(),
        QStringLiteral("Numbers (*.txt *.csv);;Text File(s) (*.txt);;CSV Table(s) (*.csv)"));
}

void CVantorView::OnBnClickedBrowse() {
    const QString path = BrowseForNumbersFile();
    if (path.isEmpty()) {
        return;
    }
    UpdateData(true);
    m_strNumbersFile = path;
    UpdateData(false);
    m_doc.SetNumbersFile(m_strNumbersFile);
    // Another table: its numbers column is guessed again.
    m_strNumberColumn.clear();
    m_doc.SetNumberColumn(m_strNumberColumn);
    FillNumberList();
}

void CVantorView::OnBnClickedDisplay() {
    UpdateData(true);
    if (m_strNumbersFile.isEmpty()) {
        CMessageBox::Show(this, CMessageBox::Kind::Information, ToQString(kNoFileToDisplay));
        return;
    }
    CDlgNumbersPreview dialog(this);
    dialog.SetFilePath(m_strNumbersFile);
    dialog.SetStorePath(m_strStorePath);
    const PduLib::MessagePlan plan = PlanOf(m_strMessage);
    dialog.SetMessage(ToQString(PduLib::ArrivingText(plan)), plan.parts);
    if (m_pPersonal) {
        UpdatePersonalTexts();
        if (!m_pPersonal->recipients.empty()) {
            // What the first row's phone shows.
            const PduLib::MessagePlan first = PlanOf(ToQString(m_pPersonal->recipients[0].text));
            dialog.SetMessage(ToQString(PduLib::ArrivingText(first)), first.parts);
        }
        dialog.SetPersonal(m_pPersonal.get(), &m_personalPlan, m_strPersonalError);
    }
    dialog.OnInitDialog();
    if (m_fnRunPreview) {
        m_fnRunPreview(dialog);
    } else {
        dialog.exec();
    }
}

void CVantorView::OnEnChangeMessage() {
    // A large table's texts take a moment (about 90 ms for 65,535 rows):
    // they are made again once typing pauses. Start and Display make them
    // afresh anyway.
    if (m_pPersonal && m_pPersonal->collected.recipients.size() > kCountNowRows) {
        m_counterTimer.start();
    } else {
        UpdateCounter();
    }
    if (m_bLoading) {
        return;
    }
    m_bCarryOn = false;
    UpdateData(true);
    m_doc.SetNumbersFile(m_strNumbersFile);
    m_doc.SetMessage(m_strMessage);
}

PduLib::MessagePlan CVantorView::PlanOf(const QString& message) const {
    const std::u16string text = ToU16String(message);
    return m_front.PlanSms(TrimBlanks(text));
}

void CVantorView::UpdateCounter() {
    if (!m_pPersonal) {
        m_stcCounter->setText(CounterText(PlanOf(m_edtMessage->Text())));
        return;
    }
    UpdatePersonalTexts();
    if (!m_strPersonalError.isEmpty()) {
        m_stcCounter->setText(m_strPersonalError);
        return;
    }
    const PersonalPlan& plan = m_personalPlan;
    if (plan.longest >= m_pPersonal->recipients.size()) {
        m_stcCounter->setText(CounterText(PlanOf(m_edtMessage->Text())));
        return;
    }
    const PersonalMessages::Recipient& longest = m_pPersonal->recipients[plan.longest];
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    QString total =
        QStringLiteral("%1 %2 \u00B7 %3 SMS in all")
            .arg(english.toString(static_cast<qulonglong>(plan.rows.size())),
                 plan.rows.size() == 1 ? QStringLiteral("number") : QStringLiteral("numbers"),
                 english.toString(static_cast<qulonglong>(plan.totalSms)));
    if (plan.refused != 0) {
        total += QStringLiteral(" \u00B7 %1 cannot be sent (see Display)")
                     .arg(english.toString(static_cast<qulonglong>(plan.refused)));
    }
    m_stcCounter->setText(
        QStringLiteral("Longest (line %1): %2\n%3")
            .arg(static_cast<qulonglong>(longest.fileLine))
            .arg(CounterText(PlanOf(ToQString(longest.text))).section(QLatin1Char('\n'), 0, 0),
                 total));
}

bool CVantorView::LoadPersonalTable(bool quiet) {
    m_pPersonal = std::make_unique<PersonalMessages>();
    m_personalPlan = PersonalPlan();
    m_cboNumberColumn->clear();
    std::u16string why;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool loaded = m_pPersonal->table.Load(m_strNumbersFile.toStdString(), why);
    QApplication::restoreOverrideCursor();
    if (!loaded) {
        m_pPersonal.reset();
        if (!quiet) {
            CMessageBox::Show(this, CMessageBox::Kind::Error,
                              QStringLiteral("%1\n\n%2").arg(m_strNumbersFile, ToQString(why)));
        }
        return false;
    }
    const std::vector<std::u16string>& header = m_pPersonal->table.Header();
    for (const std::u16string& name : header) {
        m_cboNumberColumn->addItem(ToQString(name));
    }
    m_cboNumberColumn->setEnabled(true);
    const std::size_t column = m_strNumberColumn.isEmpty()
                                   ? GuessNumberColumn(header)
                                   : FindColumn(header, ToU16String(m_strNumberColumn));
    m_cboNumberColumn->setCurrentIndex(column == CsvTable::npos ? -1 : static_cast<int>(column));
    if (column == CsvTable::npos) {
        if (!quiet) {
            CMessageBox::Show(
                this, CMessageBox::Kind::Information,
                QStringLiteral("Choose the Column that Holds the Numbers: %1 (the columns are "
                               "%2).")
                    .arg(m_strNumberColumn.isEmpty()
                             ? QStringLiteral("no column is named like a phone number column")
                             : QStringLiteral("there is no column \"%1\"").arg(m_strNumberColumn),
                         QString::fromStdString(ColumnList(header))));
        }
        return false;
    }
    std::string error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool collected = CollectPersonalRecipients(column, NumbersRegion(), *m_pPersonal, error);
    QApplication::restoreOverrideCursor();
    if (!collected) {
        if (!quiet) {
            CMessageBox::Show(this, CMessageBox::Kind::Error,
                              QStringLiteral("%1\n\n%2").arg(m_strNumbersFile, Sentence(error)));
        }
        m_pPersonal->collected = CsvRecipients();
        return false;
    }
    return true;
}

void CVantorView::OnCbnSelchangeNumberColumn(int index) {
    if (!m_pPersonal || index < 0) {
        return;
    }
    m_strNumberColumn = m_cboNumberColumn->itemText(index);
    m_doc.SetNumberColumn(m_strNumberColumn);
    FillNumberList();
}

void CVantorView::UpdatePersonalTexts() {
    m_strPersonalError.clear();
    m_personalPlan = PersonalPlan();
    if (!m_pPersonal) {
        return;
    }
    std::string error;
    if (!ApplyPersonalMessage(ToU16String(m_edtMessage->Text()), *m_pPersonal, error)) {
        m_strPersonalError = Sentence(error);
        return;
    }
    m_personalPlan = PlanPersonalMessages(
        *m_pPersonal, [this](std::u16string_view text) { return m_front.PlanSms(text); });
}

bool CVantorView::CheckPersonalTexts() {
    UpdatePersonalTexts();
    QString why = m_strPersonalError;
    if (why.isEmpty() && m_cboNumberColumn->currentIndex() < 0) {
        why = QStringLiteral("Choose the Column of the Table that Holds the Numbers.");
    }
    for (std::size_t i = 0; why.isEmpty() && i < m_personalPlan.rows.size(); ++i) {
        if (!m_personalPlan.rows[i].error.empty()) {
            const PersonalMessages::Recipient& r = m_pPersonal->recipients[i];
            why = QStringLiteral("Line %1 (%2): %3")
                      .arg(static_cast<qulonglong>(r.fileLine))
                      .arg(ToQString(r.number), Sentence(m_personalPlan.rows[i].error));
        }
    }
    if (why.isEmpty()) {
        return true;
    }
    CMessageBox::Show(this, CMessageBox::Kind::Information,
                      why + QStringLiteral("\n\nNothing was Sent."));
    return false;
}

void CVantorView::ApplyPersonalRows() {
    if (!m_pPersonal || m_pPersonal->recipients.size() != m_loop.GetRowCount()) {
        return;
    }
    std::vector<CampaignRow> rows(m_loop.GetRowCount());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const CampaignRow& row = m_loop.GetRow(i);
        if (row.state != RowState::NotSent || !row.statusText.empty()) {
            return;  // under way: its texts stay as they went
        }
        rows[i].number = row.number;
        rows[i].text = m_pPersonal->recipients[i].text;
    }
    m_loop.SetRows(std::move(rows));
}

void CVantorView::DescribeCampaign(NewCampaign& campaign, const std::string& message,
                                   const PduLib::MessagePlan& plan, const std::string& hash) const {
    campaign.message = message;
    campaign.encoding = plan.encoding == PduLib::TextEncoding::Ucs2 ? "UCS-2" : "GSM 7-bit";
    campaign.parts = static_cast<int>(std::max<std::size_t>(plan.parts, 1));
    campaign.numbersPath = m_strNumbersFile.toStdString();
    campaign.numbersHash = hash;
    QJsonObject settings{{QStringLiteral("interval_ms"), m_timer.interval()}};
    campaign.numbers.reserve(m_loop.GetRowCount());
    for (std::size_t row = 0; row < m_loop.GetRowCount(); ++row) {
        campaign.numbers.push_back(PduLib::Utf16ToUtf8(m_loop.GetRow(row).number));
    }
    const bool personal = m_pPersonal && m_personalPlan.rows.size() == campaign.numbers.size() &&
                          m_pPersonal->recipients.size() == campaign.numbers.size();
    if (personal) {
        // The column, so that the campaign reopens with it.
        settings.insert(QStringLiteral("number_column"), PersonalColumn());
        bool unicode = false;
        std::size_t most = 1;
        for (std::size_t i = 0; i < campaign.numbers.size(); ++i) {
            const PersonalPlan::Row& row = m_personalPlan.rows[i];
            campaign.texts.push_back(PduLib::Utf16ToUtf8(m_pPersonal->recipients[i].text));
            campaign.rowParts.push_back(static_cast<int>(row.parts));
            unicode = unicode || row.unicode;
            most = std::max(most, row.parts);
        }
        campaign.encoding = unicode ? "UCS-2" : "GSM 7-bit";
        campaign.parts = static_cast<int>(most);
    }
    campaign.settings = QJsonDocument(settings).toJson(QJsonDocument::Compact).toStdString();
}

QString CVantorView::PersonalColumn() const {
    return m_pPersonal && m_pPersonal->column < m_pPersonal->table.Header().size()
               ? ToQString(m_pPersonal->table.Header()[m_pPersonal->column])
               : QString();
}

void CVantorView::SetSendAt(std::optional<QDateTime> when) {
    if (when) {
        m_dtSendAt->setDateTime(*when);
    }
    m_chkSendAt->setChecked(when.has_value());
}

std::optional<QDateTime> CVantorView::GetSendAt() const {
    if (!m_chkSendAt->isChecked()) {
        return std::nullopt;
    }
    return m_dtSendAt->dateTime();
}

bool CVantorView::PlanCampaign(const QDateTime& when) {
    const Schedule::TimePoint due = ToTimePoint(when);
    if (due <= std::chrono::system_clock::now()) {
        CMessageBox::Show(this, CMessageBox::Kind::Information,
                          QStringLiteral("%1 has Passed. Choose a Time to Come, or Clear Send at "
                                         "to Send Now.")
                              .arg(ToQString(Schedule::FormatLocalDateTime(due, LocalZone()))));
        return false;
    }
    const std::u16string whole = ToU16String(m_strMessage);
    const std::u16string text(TrimBlanks(whole));
    const PduLib::MessagePlan plan = m_front.PlanSms(text);
    if (!plan.ok()) {
        CMessageBox::Show(this, CMessageBox::Kind::Information,
                          QStringLiteral("The Message is too Long to Send: %1.")
                              .arg(QString::fromStdString(plan.error)));
        return false;
    }
    if (m_loop.GetRowCount() == 0) {
        CMessageBox::Show(this, CMessageBox::Kind::Information,
                          QStringLiteral("The Numbers File Holds no Numbers."));
        return false;
    }
    std::string hash;
    StoreError error;
    if (!FileContentHash(m_strNumbersFile.toStdString(), hash, error)) {
        CMessageBox::Show(this, CMessageBox::Kind::Error, QString::fromStdString(error.text));
        return false;
    }
    NewCampaign campaign;
    DescribeCampaign(campaign, PduLib::Utf16ToUtf8(text), plan, hash);
    campaign.sendAt = due;
    EndCampaign();
    if (!OpenStore()) {
        return false;
    }
    std::int64_t id = 0;
    const bool planned = m_pStore->CreateCampaign(campaign, id, error) &&
                         m_pStore->SetCampaignState(id, CampaignState::Stopped, error, "planned");
    m_pStore->Close();
    if (!planned) {
        CMessageBox::Show(
            this, CMessageBox::Kind::Error,
            QStringLiteral("%1\n\nNothing was Planned.").arg(QString::fromStdString(error.text)));
        return false;
    }
    m_chkSendAt->setChecked(false);
    emit campaignPlanned(id);
    CMessageBox::Show(this, CMessageBox::Kind::Information,
                      QStringLiteral("The Campaign is Planned for %1. It Starts then if the "
                                     "Program Runs; Else the Program Asks when it Starts Next.")
                          .arg(ToQString(Schedule::FormatLocalDateTime(due, LocalZone()))));
    return true;
}

QString CVantorView::GetCounterText() const {
    return m_stcCounter->text();
}

QString CVantorView::CounterText(const PduLib::MessagePlan& plan) {
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const bool ucs2 = plan.encoding == PduLib::TextEncoding::Ucs2;
    const QString dot = QStringLiteral(" \u00B7 ");
    QString text = QStringLiteral("%1 characters with the signature")
                       .arg(english.toString(static_cast<qulonglong>(plan.characters)));
    text += dot + QStringLiteral("%1 SMS").arg(static_cast<qulonglong>(plan.parts));
    text += dot + (ucs2 ? QStringLiteral("Unicode") : QStringLiteral("GSM 7-bit"));
    if (plan.ok()) {
        text += dot + QStringLiteral("%1 left in this SMS")
                          .arg(english.toString(static_cast<qulonglong>(plan.remaining)));
    } else {
        text += dot + QStringLiteral("too long: %1").arg(QString::fromStdString(plan.error));
    }
    if (!plan.replaced.empty()) {
        unsigned count = 0;
        QStringList names;
        for (const PduLib::Replacement& r : plan.replaced) {
            count += r.count;
            names << QString(QChar(r.character));
        }
        text += QStringLiteral("\n%1 %2 replaced: %3")
                    .arg(count)
                    .arg(count == 1 ? QStringLiteral("character") : QStringLiteral("characters"))
                    .arg(names.join(QLatin1Char(' ')));
    }
    if (!plan.unsendable.empty()) {
        QStringList names;
        for (const char32_t c : plan.unsendable) {
            names << QString::fromUcs4(&c, 1);
        }
        text += QStringLiteral("\n%1 cannot be sent (they arrive as ?): %2")
                    .arg(plan.unsendable.size() == 1
                             ? QStringLiteral("1 character")
                             : QStringLiteral("%1 characters").arg(plan.unsendable.size()))
                    .arg(names.join(QLatin1Char(' ')));
    }
    return text;
}

bool CVantorView::ExportResults(const QString& path, QString& error) const {
    return CResultsCsv::Write(m_loop, path, error,
                              [this](std::size_t row) { return GetDeliveryText(row); });
}

bool CVantorView::event(QEvent* event) {
    if (event->type() == VantorEvents::WM_REFRESH_DEVICE_STATUS) {
        OnRefreshDeviceStatus();
        return true;
    }
    if (event->type() == VantorEvents::WM_SMS_SEND_RESULT) {
        const auto* result = static_cast<CSmsSendResultEvent*>(event);
        OnSmsSendResult(result->RequestId(), result->Status(), result->Link());
        return true;
    }
    if (event->type() == VantorEvents::WM_SMS_RECEIVED) {
        const auto* received = static_cast<CSmsReceivedEvent*>(event);
        OnSmsReceived(received->Message(), received->Link());
        return true;
    }
    if (event->type() == VantorEvents::WM_SMS_SEND_REFERENCE) {
        const auto* reference = static_cast<CSmsSendResultEvent*>(event);
        const std::size_t link = reference->Link();
        if (m_routeOfLink.empty()) {
            m_loop.OnSmsSendReference(link, reference->RequestId(), reference->TpMr());
        } else if (link < m_routeOfLink.size() && m_routeOfLink[link]) {
            m_loop.OnSmsSendReference(*m_routeOfLink[link], reference->RequestId(),
                                      reference->TpMr());
        }
        return true;
    }
    return QWidget::event(event);
}

void CVantorView::OnRowChanged(std::size_t row) {
    m_pModel->RowChanged(row);
    if (m_bInResult) {
        m_nResultRow = static_cast<std::ptrdiff_t>(row);
    }
    emit countsChanged();
    CheckFinished();
    if (m_pRecorder && !m_loop.IsSending()) {
        EndRecorderWhenIdle();
    }
}

void CVantorView::OnRowsReset() {
    m_pModel->RowsReset();
    emit countsChanged();
    CheckFinished();
}

void CVantorView::OnSendingChanged(bool sending) {
    if (sending) {
        m_timer.start();
        m_bAwaitingFinish = false;
    } else {
        m_timer.stop();
        // A pause is no end: the campaign carries on later.
        m_bAwaitingFinish = !m_bUserToggle && !m_loop.IsPaused();
        m_bCarryOn = m_loop.IsPaused();
        EndRecorderWhenIdle();
    }
    m_btnStart->setText(ToQString(sending ? kStopText : kStartText));
    UpdateStartButton();
    emit sendingChanged(sending);
    emit countsChanged();
    CheckFinished();
}

void CVantorView::OnWaitingChanged() {
    emit countsChanged();
}

void CVantorView::CheckFinished() {
    if (m_bAwaitingFinish && !m_loop.HasWorkLeft()) {
        m_bAwaitingFinish = false;
        emit campaignFinished();
    }
}

void CVantorView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PlaceControls();
}

void CVantorView::PlaceControls() {
    const CDialogUnits u(font());
    // Laid out as on the form; extra room goes to the list.
    const int extraX = std::max(0, width() - u.X(kFormWidth));
    const int extraY = std::max(0, height() - u.Y(kFormHeight));
    // Labels are centred on their field's first line.
    m_stcNumbers->setGeometry(u.Rect(7, 7, 34, 14));
    m_stcNumbers->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_edtNumbersFile->setGeometry(u.Rect(43, 7, 216, 14));
    m_stcMessage->setGeometry(u.Rect(7, 25, 34, 8));
    m_edtMessage->setGeometry(u.Rect(43, 25, 216, 75));
    m_stcCounter->setGeometry(u.Rect(43, 101, 321, 17).adjusted(0, 0, extraX, 0));
    m_btnStart->setGeometry(u.Rect(264, 59, 100, 23));
    m_stcNumberColumn->setGeometry(u.Rect(7, 119, 60, 14));
    m_cboNumberColumn->setGeometry(u.Rect(67, 119, 100, 14));
    m_chkSendAt->setGeometry(u.Rect(180, 119, 42, 14));
    m_dtSendAt->setGeometry(u.Rect(222, 119, 90, 14));
    m_stcZone->setGeometry(u.Rect(316, 119, 48, 14));
    m_stcDeviceStatus->setGeometry(u.Rect(7, 118 + kOptionsRow, 357, 10).adjusted(0, 0, extraX, 0));
    m_btnDisplay->setGeometry(u.Rect(314, 7, 50, 14));
    m_btnBrowse->setGeometry(u.Rect(261, 7, 50, 14));
    m_lstNumbers->setGeometry(
        u.Rect(7, 129 + kOptionsRow, 357, 107).adjusted(0, 0, extraX, extraY));
}
