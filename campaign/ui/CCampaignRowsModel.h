// The rows of the sending list (Sr, Number, Status, Delivery) as a table
// model over the sending loop's rows. The loop is the only store of the
// rows; the delivery of each comes from the view (the status reports).
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <cstddef>
#include <functional>
#include <utility>

class CCampaignLoop;

class CCampaignRowsModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column {
        ColumnSr = 0,
        ColumnNumber = 1,
        ColumnStatus = 2,
        ColumnDelivery = 3,
        ColumnModem = 4,
        ColumnCount = 5
    };
    // "Delivered 14:02" for a row, or empty.
    using DeliveryText = std::function<QString(std::size_t row)>;

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
    void SetDeliveryText(DeliveryText text) { m_fnDelivery = std::move(text); }
    // The delivery of some rows changed.
    void DeliveriesChanged();

private:
    const CCampaignLoop& m_loop;
    DeliveryText m_fnDelivery;
};
