#include "campaign/ui/CInboxModel.h"

#include <QDateTime>
#include <QLocale>
#include <chrono>
#include <utility>

#include "campaign/CsvCell.h"
#include "campaign/doc/QtText.h"

CInboxModel::CInboxModel(QObject* parent) : QAbstractTableModel(parent) {}

void CInboxModel::SetMessages(std::vector<MessageRecord> messages) {
    beginResetModel();
    m_messages = std::move(messages);
    Refilter();
    endResetModel();
}

void CInboxModel::SetFilter(const QString& search) {
    beginResetModel();
    m_strFilter = search.trimmed();
    Refilter();
    endResetModel();
}

void CInboxModel::Refilter() {
    m_listed.clear();
    for (std::size_t i = 0; i < m_messages.size(); ++i) {
        bool keep = m_strFilter.isEmpty();
        for (int column = 0; column < ColumnCount && !keep; ++column) {
            keep = column != ColumnTime &&
                   Cell(m_messages[i], column).contains(m_strFilter, Qt::CaseInsensitive);
        }
        if (keep) {
            m_listed.push_back(i);
        }
    }
}

std::vector<const MessageRecord*> CInboxModel::Listed() const {
    std::vector<const MessageRecord*> listed;
    listed.reserve(m_listed.size());
    for (const std::size_t i : m_listed) {
        listed.push_back(&m_messages[i]);
    }
    return listed;
}

QString CInboxModel::Cell(const MessageRecord& message, int column) {
    switch (column) {
        case ColumnFrom:
            return QString::fromStdString(message.from);
        case ColumnTime: {
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                                message.sent.time_since_epoch())
                                .count();
            return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
        }
        case ColumnText:
            return QString::fromStdString(message.text) +
                   (message.complete
                        ? QString()
                        : QStringLiteral(" [%1 of %2 parts]").arg(message.have).arg(message.parts));
        case ColumnCampaign:
            return message.campaign ? QString::number(*message.campaign) : QString();
        default:
            return {};
    }
}

std::string CInboxModel::Csv() const {
    std::u16string csv;
    for (int column = 0; column < ColumnCount; ++column) {
        csv += column == 0 ? u"" : u",";
        csv += ToU16String(headerData(column, Qt::Horizontal).toString());
    }
    csv += u"\r\n";
    for (const std::size_t i : m_listed) {
        for (int column = 0; column < ColumnCount; ++column) {
            csv += column == 0 ? u"" : u",";
            csv += CsvCell(ToU16String(Cell(m_messages[i], column)));
        }
        csv += u"\r\n";
    }
    return ToQString(csv).toStdString();
}

int CInboxModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_listed.size());
}

int CInboxModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CInboxModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || role != Qt::DisplayRole) {
        return {};
    }
    return Cell(m_messages[m_listed[static_cast<std::size_t>(index.row())]], index.column());
}

QVariant CInboxModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
        case ColumnFrom:
            return QStringLiteral("From");
        case ColumnTime:
            return QStringLiteral("Time");
        case ColumnText:
            return QStringLiteral("Text");
        case ColumnCampaign:
            return QStringLiteral("Campaign");
        default:
            return {};
    }
}
