// The rows of the numbers preview (Sr, Number, Problem) over a loaded number
// set; Problem says why a number cannot be valid.
#pragma once

#include <QAbstractTableModel>
#include <string>
#include <vector>

class CNumberSet;

class CNumbersPreviewModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { ColumnSr = 0, ColumnNumber = 1, ColumnProblem = 2, ColumnCount = 3 };

    explicit CNumbersPreviewModel(QObject* parent = nullptr);

    // Shows `numbers` (null: no rows) with, by row, why each cannot be valid
    // (empty: fine; missing rows are fine); the set must outlive the model or
    // be replaced before it goes.
    void SetNumbers(const CNumberSet* numbers, std::vector<std::string> problems = {});

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    const CNumberSet* m_pNumbers = nullptr;
    std::vector<std::string> m_problems;
};
