#include "campaign/ui/CDlgHistory.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSaveFile>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>
#include <string>
#include <vector>

#include "campaign/store/History.h"
#include "campaign/ui/CHistoryModel.h"
#include "campaign/ui/CHistoryRowsModel.h"
#include "campaign/ui/CMessageBox.h"

namespace {

QTableView* MakeList(QWidget* parent, const QString& name, QAbstractItemModel* model) {
    auto* list = new QTableView(parent);
    list->setObjectName(name);
    list->setModel(model);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setWordWrap(false);
    list->verticalHeader()->hide();
    // Fixed row heights: the view never measures 65,535 rows.
    list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list->verticalHeader()->setDefaultSectionSize(list->fontMetrics().height() + 6);
    list->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    list->horizontalHeader()->setStretchLastSection(true);
    return list;
}

QString Count(std::int64_t n) {
    return QLocale().toString(static_cast<qlonglong>(n));
}

}  // namespace

CDlgHistory::CDlgHistory(const QString& storePath, QWidget* parent)
    : QDialog(parent), m_strStorePath(storePath) {
    setObjectName(QStringLiteral("history"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    if (parent != nullptr) {
        setWindowIcon(parent->window()->windowIcon());
    }
    m_pCampaigns = new CHistoryModel(this);
    m_pRows = new CHistoryRowsModel(this);

    m_stcStore = new QLabel(this);
    m_stcStore->setObjectName(QStringLiteral("historyStore"));
    m_stcStore->setWordWrap(true);
    m_stcStore->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    m_lstCampaigns = MakeList(splitter, QStringLiteral("historyCampaigns"), m_pCampaigns);
    QHeaderView* header = m_lstCampaigns->horizontalHeader();
    header->resizeSection(CHistoryModel::ColumnDate, 120);
    header->resizeSection(CHistoryModel::ColumnMessage, 260);
    for (int column = CHistoryModel::ColumnNumbers; column <= CHistoryModel::ColumnNotSent;
         ++column) {
        header->resizeSection(column, 66);
    }

    auto* rowsPane = new QWidget(splitter);
    auto* rowsLayout = new QVBoxLayout(rowsPane);
    rowsLayout->setContentsMargins(0, 0, 0, 0);
    m_stcCampaign = new QLabel(rowsPane);
    m_stcCampaign->setObjectName(QStringLiteral("historyCampaign"));
    m_stcCampaign->setWordWrap(true);
    m_stcCampaign->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_lstRows = MakeList(rowsPane, QStringLiteral("historyRows"), m_pRows);
    header = m_lstRows->horizontalHeader();
    header->resizeSection(CHistoryRowsModel::ColumnSr, 60);
    header->resizeSection(CHistoryRowsModel::ColumnNumber, 150);
    header->resizeSection(CHistoryRowsModel::ColumnState, 130);
    header->resizeSection(CHistoryRowsModel::ColumnStatus, 260);
    rowsLayout->addWidget(m_stcCampaign);
    rowsLayout->addWidget(m_lstRows);
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 3);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_btnExport = buttons->addButton(QStringLiteral("&Export..."), QDialogButtonBox::ActionRole);
    m_btnExport->setObjectName(QStringLiteral("historyExport"));
    m_btnExport->setAutoDefault(false);
    m_btnExport->setEnabled(false);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_btnExport, &QPushButton::clicked, this, &CDlgHistory::OnExport);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_stcStore);
    layout->addWidget(splitter, 1);
    layout->addWidget(buttons);

    connect(m_lstCampaigns->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid()) {
                    OpenCampaign(current.row());
                }
            });
    resize(860, 560);
}

CDlgHistory::~CDlgHistory() = default;

void CDlgHistory::OnInitDialog() {
    setWindowTitle(QStringLiteral("History - %1").arg(QGuiApplication::applicationDisplayName()));
    m_pRows->Clear();
    m_pCampaigns->SetCampaigns({});
    m_btnExport->setEnabled(false);
    m_stcCampaign->clear();

    StoreError error;
    std::vector<CampaignRecord> campaigns;
    const std::string path = m_strStorePath.toStdString();
    if (!m_store.Open(path, StoreMode::Read, error) || !m_store.ListCampaigns(campaigns, error)) {
        if (error.kind == StoreError::Kind::NotFound && !path.empty()) {
            m_stcStore->setText(
                QStringLiteral("No campaigns yet. Every campaign sent will be kept in %1.")
                    .arg(m_strStorePath));
        } else {
            m_stcStore->setText(QString::fromStdString(error.text));
            CMessageBox::Show(this, CMessageBox::Kind::Error, QString::fromStdString(error.text));
        }
        return;
    }
    m_stcStore->setText(
        campaigns.empty()
            ? QStringLiteral("No campaigns yet in %1.").arg(m_strStorePath)
            : QStringLiteral("%1 campaign(s) in %2.")
                  .arg(Count(static_cast<std::int64_t>(campaigns.size())), m_strStorePath));
    m_pCampaigns->SetCampaigns(std::move(campaigns));
    m_lstCampaigns->setFocus();
    if (m_pCampaigns->rowCount() > 0) {
        m_lstCampaigns->setCurrentIndex(m_pCampaigns->index(0, 0));
    }
}

bool CDlgHistory::SelectCampaign(std::int64_t id) {
    for (int row = 0; row < m_pCampaigns->rowCount(); ++row) {
        if (m_pCampaigns->Campaign(row).id == id) {
            m_lstCampaigns->setCurrentIndex(m_pCampaigns->index(row, 0));
            return true;
        }
    }
    return false;
}

bool CDlgHistory::OpenCampaign(int row) {
    if (row < 0 || row >= m_pCampaigns->rowCount()) {
        return false;
    }
    const std::int64_t id = m_pCampaigns->Campaign(row).id;
    CampaignRecord campaign;
    std::vector<RowRecord> rows;
    StoreError error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool read = m_store.GetCampaign(id, campaign, error) && m_store.GetRows(id, rows, error);
    QApplication::restoreOverrideCursor();
    if (!read) {
        m_pRows->Clear();
        m_btnExport->setEnabled(false);
        m_stcCampaign->setText(QString::fromStdString(error.text));
        CMessageBox::Show(this, CMessageBox::Kind::Error, QString::fromStdString(error.text));
        return false;
    }
    const SendCounts& c = campaign.counts;
    QString text =
        QStringLiteral(
            "Campaign %1, %2: %3 numbers, %4 sent, %5 failed, %6 outcome "
            "unknown, %7 not sent.")
            .arg(QString::number(id), CHistoryModel::StateText(campaign.state), Count(c.total),
                 Count(c.sent), Count(c.failed), Count(c.unknown + c.sending), Count(c.notSent));
    text += QStringLiteral("\nMessage: ") +
            QString::fromStdString(History::MessageHead(campaign.message, 120));
    m_stcCampaign->setText(text);
    m_pRows->SetRows(campaign, std::move(rows));
    m_btnExport->setEnabled(true);
    return true;
}

bool CDlgHistory::ExportTo(const QString& path, QString& error) const {
    // Saving over the store would replace it with the CSV.
    const QFileInfo target(path);
    for (const char* suffix : {"", "-wal", "-shm", ".lock"}) {
        const QFileInfo side(m_strStorePath + QLatin1String(suffix));
        if (side.exists() && target.exists() &&
            side.canonicalFilePath() == target.canonicalFilePath()) {
            error = QStringLiteral(
                        "Could Not Save the Rows to [%1].\n\nIt is the campaign store "
                        "itself; choose another file.")
                        .arg(path);
            return false;
        }
    }
    const std::string csv = History::RowsCsv(m_pRows->GetCampaign(), m_pRows->GetRows());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(csv.data(), static_cast<qint64>(csv.size())) !=
            static_cast<qint64>(csv.size()) ||
        !file.commit()) {
        error =
            QStringLiteral("Could Not Save the Rows to [%1].\n\n%2").arg(path, file.errorString());
        return false;
    }
    return true;
}

void CDlgHistory::OnExport() {
    if (!m_btnExport->isEnabled()) {
        return;
    }
    const QString suggested = QStringLiteral("campaign-%1.csv").arg(m_pRows->GetCampaign().id);
    QString path;
    if (m_fnChooseFile) {
        path = m_fnChooseFile(suggested);
    } else {
        QFileDialog dialog(this, QStringLiteral("Export"), suggested,
                           QStringLiteral("CSV Files (*.csv)"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("csv"));
        if (dialog.exec() == QDialog::Accepted) {
            path = dialog.selectedFiles().value(0);
        }
    }
    if (path.isEmpty()) {
        return;
    }
    QString error;
    if (!ExportTo(path, error)) {
        CMessageBox::Show(this, CMessageBox::Kind::Error, error);
    }
}

QString CDlgHistory::GetStoreText() const {
    return m_stcStore->text();
}

QString CDlgHistory::GetCampaignText() const {
    return m_stcCampaign->text();
}
