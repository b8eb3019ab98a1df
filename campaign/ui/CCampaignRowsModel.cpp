#include "campaign/ui/CCampaignRowsModel.h"

#include <QBrush>
#include <QColor>
#include <QString>

#include "campaign/CCampaignLoop.h"
#include "campaign/doc/QtText.h"

CCampaignRowsModel::CCampaignRowsModel(const CCampaignLoop& loop, QObject* parent)
    : QAbstractTableModel(parent), m_loop(loop) {}

int CCampaignRowsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_loop.GetRowCount());
}

int CCampaignRowsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CCampaignRowsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const CampaignRow& row = m_loop.GetRow(static_cast<std::size_t>(index.row()));
    switch (role) {
        case Qt::DisplayRole:
            switch (index.column()) {
                case ColumnSr:
                    return QString::number(index.row() + 1);
                case ColumnNumber:
                    return ToQString(row.number);
                case ColumnStatus:
                    return ToQString(row.statusText);
                case ColumnDelivery:
                    return m_fnDelivery ? m_fnDelivery(static_cast<std::size_t>(index.row()))
                                        : QString();
                case ColumnModem:
                    // The modem that has the row, once it was offered.
                    return row.state == RowState::NotSent ? QString() : ToQString(row.route);
                default:
                    return {};
            }
        case Qt::ToolTipRole:
            if (index.column() == ColumnStatus && row.finalStatus) {
                return QStringLiteral("%1 (0x%2)")
                    .arg(ToQString(row.statusText))
                    .arg(static_cast<quint32>(*row.finalStatus), 8, 16, QLatin1Char('0'));
            }
            return {};
        case Qt::ForegroundRole:
            // Only failures stand out; every other row keeps the look's colours.
            if (index.column() == ColumnStatus && row.state == RowState::Failed) {
                return QBrush(QColor(0xC6, 0x28, 0x28));
            }
            return {};
        default:
            return {};
    }
}

QVariant CCampaignRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
        case ColumnSr:
            return QStringLiteral("Sr");
        case ColumnNumber:
            return QStringLiteral("Number");
        case ColumnStatus:
            return QStringLiteral("Status");
        case ColumnDelivery:
            return QStringLiteral("Delivery");
        case ColumnModem:
            return QStringLiteral("Modem");
        default:
            return {};
    }
}

void CCampaignRowsModel::RowChanged(std::size_t row) {
    emit dataChanged(index(static_cast<int>(row), ColumnStatus),
                     index(static_cast<int>(row), ColumnModem));
}

void CCampaignRowsModel::RowsReset() {
    beginResetModel();
    endResetModel();
}

void CCampaignRowsModel::DeliveriesChanged() {
    if (rowCount() != 0) {
        emit dataChanged(index(0, ColumnDelivery), index(rowCount() - 1, ColumnDelivery));
    }
}
