#include "campaign/ui/CNumbersPreviewModel.h"

#include <QString>
#include <string>

#include "campaign/CNumberList.h"
#include "campaign/doc/QtText.h"

CNumbersPreviewModel::CNumbersPreviewModel(QObject* parent) : QAbstractTableModel(parent) {}

void CNumbersPreviewModel::SetNumbers(const CNumberSet* numbers) {
    beginResetModel();
    m_pNumbers = numbers;
    endResetModel();
}

int CNumbersPreviewModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || m_pNumbers == nullptr) {
        return 0;
    }
    return static_cast<int>(m_pNumbers->GetCount());
}

int CNumbersPreviewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CNumbersPreviewModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    if (index.column() == ColumnSr) {
        return QString::number(index.row() + 1);
    }
    return ToQString((*m_pNumbers)[static_cast<std::size_t>(index.row())]);
}

QVariant CNumbersPreviewModel::headerData(int section, Qt::Orientation orientation,
                                          int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    return section == ColumnSr ? QStringLiteral("Sr") : QStringLiteral("Number");
}
