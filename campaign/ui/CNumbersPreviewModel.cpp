#include "campaign/ui/CNumbersPreviewModel.h"

#include <QBrush>
#include <QString>
#include <string>

#include "campaign/CNumberList.h"
#include "campaign/doc/QtText.h"

CNumbersPreviewModel::CNumbersPreviewModel(QObject* parent) : QAbstractTableModel(parent) {}

void CNumbersPreviewModel::SetNumbers(const CNumberSet* numbers,
                                      std::vector<std::string> problems) {
    beginResetModel();
    m_pNumbers = numbers;
    m_problems = std::move(problems);
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
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const auto row = static_cast<std::size_t>(index.row());
    const bool bad = row < m_problems.size() && !m_problems[row].empty();
    if (role == Qt::ForegroundRole && bad) {
        return QBrush(Qt::red);
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    switch (index.column()) {
        case ColumnSr:
            return QString::number(index.row() + 1);
        case ColumnNumber:
            return ToQString((*m_pNumbers)[row]);
        default:
            return bad ? QString::fromStdString(m_problems[row]) : QString();
    }
}

QVariant CNumbersPreviewModel::headerData(int section, Qt::Orientation orientation,
                                          int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
        case ColumnSr:
            return QStringLiteral("Sr");
        case ColumnNumber:
            return QStringLiteral("Number");
        default:
            return QStringLiteral("Problem");
    }
}
