#include "campaign/ui/CDlgInbox.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QTableView>
#include <QVBoxLayout>
#include <string>
#include <vector>

#include "campaign/store/CampaignStore.h"
#include "campaign/ui/CInboxModel.h"
#include "campaign/ui/CMessageBox.h"
#include "campaign/ui/StoreAccess.h"

CDlgInbox::CDlgInbox(const QString& storePath, QWidget* parent)
    : QDialog(parent), m_strStorePath(storePath) {
    setObjectName(QStringLiteral("inbox"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    if (parent != nullptr) {
        setWindowIcon(parent->window()->windowIcon());
    }
    m_pModel = new CInboxModel(this);

    m_stcStore = new QLabel(this);
    m_stcStore->setObjectName(QStringLiteral("inboxStore"));
    m_stcStore->setWordWrap(true);
    m_edtSearch = new QLineEdit(this);
    m_edtSearch->setObjectName(QStringLiteral("inboxSearch"));
    m_edtSearch->setPlaceholderText(QStringLiteral("Search sender, text or campaign"));
    m_edtSearch->setClearButtonEnabled(true);
    connect(m_edtSearch, &QLineEdit::textChanged, m_pModel, &CInboxModel::SetFilter);

    m_lstMessages = new QTableView(this);
    m_lstMessages->setObjectName(QStringLiteral("inboxMessages"));
    m_lstMessages->setModel(m_pModel);
    m_lstMessages->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_lstMessages->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_lstMessages->setWordWrap(false);
    m_lstMessages->verticalHeader()->hide();
    m_lstMessages->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_lstMessages->verticalHeader()->setDefaultSectionSize(m_lstMessages->fontMetrics().height() +
                                                           6);
    QHeaderView* header = m_lstMessages->horizontalHeader();
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->resizeSection(CInboxModel::ColumnFrom, 140);
    header->resizeSection(CInboxModel::ColumnTime, 130);
    header->resizeSection(CInboxModel::ColumnText, 380);
    header->setStretchLastSection(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* exportButton =
        buttons->addButton(QStringLiteral("&Export..."), QDialogButtonBox::ActionRole);
    exportButton->setObjectName(QStringLiteral("inboxExport"));
    exportButton->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(exportButton, &QPushButton::clicked, this, &CDlgInbox::OnExport);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_edtSearch);
    layout->addWidget(m_lstMessages, 1);
    layout->addWidget(m_stcStore);
    layout->addWidget(buttons);
    resize(820, 480);
}

void CDlgInbox::OnInitDialog() {
    setWindowTitle(QStringLiteral("Inbox - %1").arg(QGuiApplication::applicationDisplayName()));
    CCampaignStore store;
    StoreError error;
    std::vector<MessageRecord> messages;
    MessageQuery query;
    query.includeWaiting = true;
    if (!OpenStoreForVisit(m_strStorePath.toStdString(), false, store, error) ||
        !store.ListMessages(query, messages, error)) {
        m_stcStore->setText(error.kind == StoreError::Kind::NotFound
                                ? QStringLiteral("No replies yet.")
                                : QString::fromStdString(error.text));
        m_pModel->SetMessages({});
        return;
    }
    m_stcStore->setText(
        QStringLiteral("%1 messages in %2").arg(messages.size()).arg(m_strStorePath));
    m_pModel->SetMessages(std::move(messages));
}

bool CDlgInbox::ExportTo(const QString& path, QString& error) const {
    const std::string csv = m_pModel->Csv();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(csv.data(), static_cast<qint64>(csv.size())) !=
            static_cast<qint64>(csv.size()) ||
        !file.commit()) {
        error = QStringLiteral("Could Not Save the Messages to [%1].\n\n%2")
                    .arg(path, file.errorString());
        return false;
    }
    return true;
}

void CDlgInbox::OnExport() {
    const QString suggested = QStringLiteral("inbox.csv");
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
    QString error;
    if (!path.isEmpty() && !ExportTo(path, error)) {
        CMessageBox::Show(this, CMessageBox::Kind::Error, error);
    }
}
