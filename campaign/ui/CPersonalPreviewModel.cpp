#include "campaign/ui/CPersonalPreviewModel.h"

#include <QBrush>
#include <QString>
#include <QStringList>

#include "campaign/PersonalMessages.h"
#include "campaign/doc/QtText.h"

CPersonalPreviewModel::CPersonalPreviewModel(QObject* parent) : QAbstractTableModel(parent) {}

void CPersonalPreviewModel::SetPersonal(const PersonalMessages* personal,
                                        const PersonalPlan* plan) {
    beginResetModel();
    m_pPersonal = personal;
    m_pPlan = plan;
    endResetModel();
}

int CPersonalPreviewModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || m_pPersonal == nullptr || m_pPlan == nullptr ||
        m_pPlan->rows.size() != m_pPersonal->recipients.size()) {
        return 0;
    }
    return static_cast<int>(m_pPersonal->recipients.size());
}

int CPersonalPreviewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString CPersonalPreviewModel::NoteOf(int row) const {
    if (row < 0 || row >= rowCount()) {
        return {};
    }
    const PersonalPlan::Row& plan = m_pPlan->rows[static_cast<std::size_t>(row)];
    if (!plan.error.empty()) {
        return QString::fromStdString(plan.error);
    }
    QStringList notes;
    if (plan.needsUnicode) {
        notes << QStringLiteral("Unicode");
    }
    if (plan.moreParts) {
        notes << QStringLiteral("%1 SMS, most take %2")
                     .arg(static_cast<qulonglong>(plan.parts))
                     .arg(static_cast<qulonglong>(m_pPlan->usualParts));
    }
    return notes.join(QStringLiteral("; "));
}

QVariant CPersonalPreviewModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const auto row = static_cast<std::size_t>(index.row());
    const PersonalPlan::Row& plan = m_pPlan->rows[row];
    if (role == Qt::ForegroundRole) {
        if (!plan.error.empty()) {
            return QBrush(Qt::red);
        }
        if (plan.needsUnicode || plan.moreParts) {
            return QBrush(QColor(0xB0, 0x50, 0x00));
        }
        return {};
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) {
        return {};
    }
    const PersonalMessages::Recipient& recipient = m_pPersonal->recipients[row];
    switch (index.column()) {
        case ColumnSr:
            return QString::number(index.row() + 1);
        case ColumnLine:
            return QString::number(recipient.fileLine);
        case ColumnNumber:
            return ToQString(recipient.number);
        case ColumnText:
            // One line in the list; the whole text as the tool tip.
            return role == Qt::ToolTipRole ? ToQString(recipient.text)
                                           : ToQString(recipient.text)
                                                 .remove(QLatin1Char('\r'))
                                                 .replace(QLatin1Char('\n'), QChar(0x21B5));
        case ColumnParts:
            return QString::number(plan.parts);
        default:
            return NoteOf(index.row());
    }
}

QVariant CPersonalPreviewModel::headerData(int section, Qt::Orientation orientation,
                                           int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
        case ColumnSr:
            return QStringLiteral("Sr");
        case ColumnLine:
            return QStringLiteral("Line");
        case ColumnNumber:
            return QStringLiteral("Number");
        case ColumnText:
            return QStringLiteral("Text");
        case ColumnParts:
            return QStringLiteral("SMS");
        default:
            return QStringLiteral("Note");
    }
}
