// The rows of the sending list (Sr, Number, Status) as a table model over the
// sending loop's rows. The loop is the only store; this model only reads it.
#pragma once

#include <QAbstractTableModel>
#include <cstddef>

class CCampaignLoop;

class CCampaignRowsModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { ColumnSr = 0, ColumnNumber = 1, ColumnStatus = 2, ColumnCount = 3 };

    explicit CCampaignRowsModel(const CCampaignLoop& loop, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // The loop changed the status of `row`.
    void RowChanged(std::size_t row);
    // The loop replaced all rows.
    void RowsReset();

private:
    const CCampaignLoop& m_loop;
};
