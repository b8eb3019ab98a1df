// The rows of one past campaign in the History dialog (Sr, Number, State,
// Status, Time), read-only, over rows read from the campaign store. Cells
// are made when shown, so a campaign of 65,535 rows opens at once.
#pragma once

#include <QAbstractTableModel>
#include <vector>

#include "campaign/store/CampaignStore.h"

class CHistoryRowsModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { ColumnSr = 0, ColumnNumber, ColumnState, ColumnStatus, ColumnTime, ColumnCount };

    explicit CHistoryRowsModel(QObject* parent = nullptr);

    void SetRows(const CampaignRecord& campaign, std::vector<RowRecord> rows);
    void Clear();
    const CampaignRecord& GetCampaign() const { return m_campaign; }
    const std::vector<RowRecord>& GetRows() const { return m_rows; }
    // "Sent", "Outcome unknown", ... as the dialog shows a row's state.
    static QString StateText(SendState state);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    CampaignRecord m_campaign;
    std::vector<RowRecord> m_rows;
};
