#include "campaign/ui/CHistoryModel.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <chrono>
#include <utility>

#include "campaign/store/History.h"

CHistoryModel::CHistoryModel(QObject* parent) : QAbstractTableModel(parent) {}

void CHistoryModel::SetCampaigns(std::vector<CampaignRecord> campaigns) {
    beginResetModel();
    m_campaigns = std::move(campaigns);
    endResetModel();
}

QString CHistoryModel::StateText(CampaignState state) {
    switch (state) {
        case CampaignState::Running:
            return QStringLiteral("Running");
        case CampaignState::Stopped:
            return QStringLiteral("Stopped");
        case CampaignState::Finished:
            return QStringLiteral("Finished");
        case CampaignState::Interrupted:
            return QStringLiteral("Interrupted");
    }
    return {};
}

int CHistoryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_campaigns.size());
}

int CHistoryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CHistoryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const CampaignRecord& c = Campaign(index.row());
    if (role == Qt::TextAlignmentRole) {
        const bool count = index.column() >= ColumnNumbers && index.column() <= ColumnNotSent;
        return QVariant::fromValue(Qt::AlignVCenter | (count ? Qt::AlignRight : Qt::AlignLeft));
    }
    if (role == Qt::ToolTipRole && index.column() == ColumnMessage) {
        return QString::fromStdString(c.message);
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    switch (index.column()) {
        case ColumnDate: {
            const auto ms =
                std::chrono::duration_cast<std::chrono::milliseconds>(c.created.time_since_epoch());
            return QDateTime::fromMSecsSinceEpoch(ms.count())
                .toString(QStringLiteral("yyyy-MM-dd HH:mm"));
        }
        case ColumnMessage:
            return QString::fromStdString(History::MessageHead(c.message));
        case ColumnNumbers:
            return QLocale().toString(static_cast<qlonglong>(c.counts.total));
        case ColumnSent:
            return QLocale().toString(static_cast<qlonglong>(c.counts.sent));
        case ColumnFailed:
            return QLocale().toString(static_cast<qlonglong>(c.counts.failed));
        case ColumnUnknown:
            // Rows still with the modem have no outcome yet either.
            return QLocale().toString(static_cast<qlonglong>(c.counts.unknown + c.counts.sending));
        case ColumnNotSent:
            return QLocale().toString(static_cast<qlonglong>(c.counts.notSent));
        case ColumnState:
            return StateText(c.state);
        default:
            return {};
    }
}

QVariant CHistoryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    static const char* const names[ColumnCount] = {"Date",   "Message", "Numbers",  "Sent",
                                                   "Failed", "Unknown", "Not Sent", "State"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(names[section]) : QVariant();
}
