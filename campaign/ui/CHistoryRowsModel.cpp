#include "campaign/ui/CHistoryRowsModel.h"

#include <QDateTime>
#include <QString>
#include <chrono>
#include <utility>

#include "campaign/store/History.h"

CHistoryRowsModel::CHistoryRowsModel(QObject* parent) : QAbstractTableModel(parent) {}

void CHistoryRowsModel::SetRows(const CampaignRecord& campaign, std::vector<RowRecord> rows) {
    beginResetModel();
    m_campaign = campaign;
    m_rows = std::move(rows);
    endResetModel();
}

void CHistoryRowsModel::Clear() {
    SetRows(CampaignRecord{}, {});
}

QString CHistoryRowsModel::StateText(SendState state) {
    switch (state) {
        case SendState::NotSent:
            return QStringLiteral("Not sent");
        case SendState::Sending:
            return QStringLiteral("Being sent");
        case SendState::Sent:
            return QStringLiteral("Sent");
        case SendState::Failed:
            return QStringLiteral("Failed");
        case SendState::Unknown:
            return QStringLiteral("Outcome unknown");
    }
    return {};
}

int CHistoryRowsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CHistoryRowsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CHistoryRowsModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const RowRecord& row = m_rows[static_cast<std::size_t>(index.row())];
    switch (index.column()) {
        case ColumnSr:
            return QString::number(row.order + 1);
        case ColumnNumber:
            return QString::fromStdString(row.number);
        case ColumnState: {
            QString text = StateText(row.state);
            if (row.parts.size() > 1) {
                text +=
                    QStringLiteral(" (%1)").arg(QString::fromStdString(History::PartsText(row)));
            }
            return text;
        }
        case ColumnStatus:
            return QString::fromStdString(row.statusText);
        case ColumnTime: {
            // A row untouched since the campaign was made has no time of its own.
            if (row.state == SendState::NotSent && row.time == m_campaign.created) {
                return QString();
            }
            const auto ms =
                std::chrono::duration_cast<std::chrono::milliseconds>(row.time.time_since_epoch());
            return QDateTime::fromMSecsSinceEpoch(ms.count())
                .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        }
        default:
            return {};
    }
}

QVariant CHistoryRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    static const char* const names[ColumnCount] = {"Sr", "Number", "State", "Status", "Time"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(names[section]) : QVariant();
}
