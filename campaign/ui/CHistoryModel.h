// The campaigns of the History dialog (Date, Message, counts, State), newest
// first, over records read from the campaign store.
#pragma once

#include <QAbstractTableModel>
#include <vector>

#include "campaign/store/CampaignStore.h"

class CHistoryModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column {
        ColumnDate = 0,
        ColumnMessage,
        ColumnNumbers,
        ColumnSent,
        ColumnFailed,
        ColumnUnknown,
        ColumnNotSent,
        ColumnState,
        ColumnCount
    };

    explicit CHistoryModel(QObject* parent = nullptr);

    void SetCampaigns(std::vector<CampaignRecord> campaigns);
    const CampaignRecord& Campaign(int row) const {
        return m_campaigns.at(static_cast<std::size_t>(row));
    }
    // "Finished", "Interrupted", ... as the dialog shows a campaign's state.
    static QString StateText(CampaignState state);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    std::vector<CampaignRecord> m_campaigns;
};
