// The sending view: the form on which the user picks the numbers file, types
// the message, previews the numbers and starts or stops the campaign, with
// the list of recipients and their status. The sending itself is the
// campaign loop's; the view owns its one-second timer, hands it the results
// that the device link posts, and shows its rows.
// With a campaign store, every campaign it sends is recorded there before
// each send: the store is open for sending only while a campaign runs (or
// its last results are awaited), so that the command line may use it in
// between. Start carries on with the campaign of the same message and
// numbers file, and sends nobody the message twice unless the user says so.
// A .csv numbers file makes a campaign of personal messages: the user picks
// the numbers column, {column} in the message stands for each row's value,
// and every row goes out with its own text. "Send at" keeps a campaign in
// the store as planned instead of starting it.
#pragma once

#include <QDateTime>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "campaign/CCampaignLoop.h"
#include "campaign/PersonalMessages.h"
#include "device/HResult.h"
#include "device/ReceivedSms.h"

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class CCampaignRecorder;
class CCampaignRowsModel;
class CCampaignStore;
class CDlgNumbersPreview;
class CMessageEdit;
class CVantorDoc;
struct NewCampaign;

class CVantorView final : public QWidget, private ICampaignListener {
    Q_OBJECT

public:
    static constexpr int kSignatureLength = static_cast<int>(std::size(ISmsFront::kSignature) - 1);

    static constexpr std::u16string_view kStartText = u"&Start Sending SMS";
    static constexpr std::u16string_view kStopText = u"&Stop Sending SMS";
    static constexpr std::u16string_view kNoFileToDisplay =
        u"Browse and Select a .txt Unicode File Containing Numbers to which you want to Send "
        u"SMS and then Click on Display to view the Numbers.";

    CVantorView(ISmsFront& front, CVantorDoc& doc, QWidget* parent = nullptr);
    ~CVantorView() override;

    // After the view is created and after every new or opened document:
    // copies the document into the form and rebuilds the rows. The loop state
    // is not touched.
    void OnInitialUpdate();

    // Handlers, as the form's controls and the posted messages call them.
    void OnBnClickedStart();
    void OnBnClickedBrowse();
    void OnBnClickedDisplay();
    // One step of the loop (the timer's tick).
    void OnTimer();
    void OnEnChangeMessage();
    // The user picked another numbers column of the .csv table.
    void OnCbnSelchangeNumberColumn(int index);
    void OnRefreshDeviceStatus();
    // A result of the device link (modem) `link`, 0 for the first.
    void OnSmsSendResult(std::uint32_t requestId, HRESULT status, std::size_t link = 0);
    // A reply or a status report: stored (from the event loop, with the
    // others of its burst in one transaction), then acknowledged to the
    // modem; one that cannot be stored stays there and comes again. A STOP
    // reply puts its sender on the opt-out list; a report of the campaign
    // shown updates its row.
    void OnSmsReceived(const ReceivedSms& message, std::size_t link = 0);

    // The program's modems, the first being the view's own front, and
    // whether each takes part. The chosen ones send the next campaign (one
    // started while nothing is in flight), each at one part a tick with one
    // part queued; none given: the view's front alone.
    struct Modem {
        ISmsFront* front = nullptr;
        std::u16string name;
        bool chosen = true;
    };
    void SetModems(std::vector<Modem> modems);
    // Limits of a gateway route (the modems' own otherwise); from the next
    // campaign on.
    void SetGatewayLimits(std::optional<RouteLimits> limits) { m_gatewayLimits = limits; }
    const std::vector<Modem>& GetModems() const { return m_modems; }

    // The file-open dialog; tests answer it themselves. Returns the chosen
    // path or an empty string.
    void SetFileChooser(std::function<QString()> chooser) { m_fnChooseFile = std::move(chooser); }
    // Runs the preview dialog modally; tests look at it instead.
    void SetPreviewRunner(std::function<void(CDlgNumbersPreview&)> runner) {
        m_fnRunPreview = std::move(runner);
    }
    // The campaign store that records every campaign; none (empty) records
    // nothing.
    void SetStorePath(const QString& path) { m_strStorePath = path; }
    const QString& GetStorePath() const { return m_strStorePath; }
    // Loads campaign `id` of the store into the form (its message, its
    // numbers file's path, its rows as the store has them) and carries it
    // on. False, reported, when the store cannot give it or nothing is sent.
    bool ResumeCampaign(std::int64_t id);
    // For a window that closes: stops sending, gives up waiting for the
    // sends in flight (their outcome becomes unknown), records the end and
    // lets go of the store.
    void EndCampaign();
    // The campaign being recorded, 0 when none.
    std::int64_t GetCampaign() const;
    // "Send at": the date and time Start plans the campaign for (local
    // time); none sends at once.
    void SetSendAt(std::optional<QDateTime> when);
    std::optional<QDateTime> GetSendAt() const;
    // The loop's tick; 1,000 ms.
    void SetTickInterval(std::chrono::milliseconds interval);

    const CCampaignLoop& Loop() const { return m_loop; }
    bool IsSending() const { return m_loop.IsSending(); }
    bool CanSend() const { return m_bCanSend; }
    QTableView* GetList() const { return m_lstNumbers; }
    CCampaignRowsModel* GetModel() const { return m_pModel; }
    bool ExportResults(const QString& path, QString& error) const;
    // What the status reports said of the rows shown: "Delivered 14:02",
    // "Not delivered: ...", or empty.
    QString GetDeliveryText(std::size_t row) const;
    std::size_t GetDeliveredCount() const { return m_nDelivered; }
    std::size_t GetUndeliveredCount() const { return m_nUndelivered; }
    // The counter under the message: characters (the signature counted),
    // parts, encoding, what is left in the last part, and the characters
    // replaced or that cannot be sent.
    QString GetCounterText() const;
    static QString CounterText(const PduLib::MessagePlan& plan);
    // The .csv table of personal messages loaded, with the texts of the
    // message typed (none for a plain numbers file), and what they cost.
    const PersonalMessages* GetPersonal() const { return m_pPersonal.get(); }
    const PersonalPlan& GetPersonalPlan() const { return m_personalPlan; }

    QSize sizeHint() const override;

signals:
    // Sent, failed, pending or remaining counts changed.
    void countsChanged();
    void sendingChanged(bool sending);
    // The loop went through the whole list and every result has come.
    void campaignFinished();
    // Start kept campaign `id` in the store, planned for later.
    void campaignPlanned(std::int64_t id);

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // ICampaignListener
    void OnRowChanged(std::size_t row) override;
    void OnRowsReset() override;
    void OnSendingChanged(bool sending) override;
    void OnWaitingChanged() override;

    void FillNumberList();
    // Reads the .csv table of the numbers file, fills the column choice
    // (the document's, or the guessed one) and collects its recipients.
    // False, reported unless `quiet`, when it cannot.
    bool LoadPersonalTable(bool quiet);
    // The personal texts of the message typed, and their plan.
    void UpdatePersonalTexts();
    // Before a personal campaign starts: every row has a text that can be
    // sent; else false, reported.
    bool CheckPersonalTexts();
    // Gives the loop's rows their own texts while none has an outcome.
    void ApplyPersonalRows();
    // The campaign that Start begins: its rows as the loop has them.
    void DescribeCampaign(NewCampaign& campaign, const std::string& message,
                          const PduLib::MessagePlan& plan, const std::string& hash) const;
    // The numbers column of the personal campaign in hand; empty for a
    // plain one (or none chosen).
    QString PersonalColumn() const;
    // Start with "Send at": keeps the campaign in the store as planned.
    bool PlanCampaign(const QDateTime& when);
    // Start with the store: carries on the campaign `id` (or the one of this
    // message and numbers file), asks before sending anyone again, or begins
    // a new campaign. With `quiet` (carrying on by itself) it asks nothing
    // and begins nothing new.
    bool StartRecorded(std::optional<std::int64_t> id, bool quiet);
    bool OpenStore();
    // Records the end of the campaign in hand and closes the store.
    void EndRecorder();
    // Once the loop stopped and the last result came: EndRecorder, later.
    void EndRecorderWhenIdle();
    // The loop stopped its campaign rows for good: sends in flight become
    // unknown, and the store lets go.
    void LeaveCampaign();
    void StartLoop(const QString& message);
    // The chosen modems become the loop's routes, unless sends are in flight.
    void ApplyRoutes();
    // Stores the messages received so far and acknowledges them.
    void StoreReceived();
    // Reads the delivery of the rows of campaign m_nShownCampaign again.
    void RefreshDeliveries();
    void UpdateDeviceStatus();
    void UpdateStartButton();
    QString BrowseForNumbersFile();
    // Controls to fields (true) or fields to controls (false).
    void UpdateData(bool saveAndValidate);
    void PlaceControls();
    void CheckFinished();
    // The plan of the message as it would be sent now (trimmed, signed).
    PduLib::MessagePlan PlanOf(const QString& message) const;
    void UpdateCounter();

    ISmsFront& m_front;
    CVantorDoc& m_doc;
    CCampaignLoop m_loop;

    QString m_strNumbersFile;
    QString m_strMessage;
    QString m_strNumberColumn;
    // The .csv table of a personal campaign; none for a plain numbers file.
    std::unique_ptr<PersonalMessages> m_pPersonal;
    PersonalPlan m_personalPlan;
    // Why the message gives no personal texts (a placeholder that names no
    // column); empty when it gives them.
    QString m_strPersonalError;

    QLineEdit* m_edtNumbersFile = nullptr;
    CMessageEdit* m_edtMessage = nullptr;
    QPushButton* m_btnStart = nullptr;
    QLabel* m_stcDeviceStatus = nullptr;
    QPushButton* m_btnDisplay = nullptr;
    QPushButton* m_btnBrowse = nullptr;
    QTableView* m_lstNumbers = nullptr;
    QLabel* m_stcNumbers = nullptr;
    QLabel* m_stcMessage = nullptr;
    QLabel* m_stcCounter = nullptr;
    QLabel* m_stcNumberColumn = nullptr;
    QComboBox* m_cboNumberColumn = nullptr;
    QCheckBox* m_chkSendAt = nullptr;
    QDateTimeEdit* m_dtSendAt = nullptr;
    QLabel* m_stcZone = nullptr;
    CCampaignRowsModel* m_pModel = nullptr;

    QTimer m_timer;
    // Counts a large table's personal texts once typing pauses.
    QTimer m_counterTimer;
    static constexpr std::size_t kCountNowRows = 5000;
    // The last answer of CanSendSms; true until the first one.
    bool m_bCanSend = true;
    // Set while the program (not the user) fills the form.
    bool m_bLoading = false;
    // Set while the user's click starts or stops the loop.
    bool m_bUserToggle = false;
    // Set while a result is handed to the loop; the row it changed is shown.
    bool m_bInResult = false;
    std::ptrdiff_t m_nResultRow = -1;
    // The loop ended by itself; the summary waits for the last results.
    bool m_bAwaitingFinish = false;

    QString m_strStorePath;
    std::unique_ptr<CCampaignStore> m_pStore;
    std::unique_ptr<CCampaignRecorder> m_pRecorder;
    // Paused by a fault of the modem or the network: carried on when a
    // working modem is back. Cleared when the rows or the message change.
    bool m_bCarryOn = false;
    // The campaign whose rows the list shows (it outlives the recorder:
    // reports come after the last send), 0 when none; and their delivery.
    std::int64_t m_nShownCampaign = 0;
    std::map<std::size_t, QString> m_mapDelivery;
    std::size_t m_nDelivered = 0;
    std::size_t m_nUndelivered = 0;
    // Received, not stored yet, each with its device link.
    std::vector<std::pair<ReceivedSms, std::size_t>> m_received;
    std::vector<Modem> m_modems;
    std::optional<RouteLimits> m_gatewayLimits;
    // The loop's route of each device link; none for a modem not chosen.
    std::vector<std::optional<std::size_t>> m_routeOfLink;

    std::function<QString()> m_fnChooseFile;
    std::function<void(CDlgNumbersPreview&)> m_fnRunPreview;
};
