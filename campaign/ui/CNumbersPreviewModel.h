// The rows of the numbers preview (Sr, Number) over a loaded number set.
#pragma once

#include <QAbstractTableModel>

class CNumberSet;

class CNumbersPreviewModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { ColumnSr = 0, ColumnNumber = 1, ColumnCount = 2 };

    explicit CNumbersPreviewModel(QObject* parent = nullptr);

    // Shows `numbers` (null: no rows); the set must outlive the model or be
    // replaced before it goes.
    void SetNumbers(const CNumberSet* numbers);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    const CNumberSet* m_pNumbers = nullptr;
};
