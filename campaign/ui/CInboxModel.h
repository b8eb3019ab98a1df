// The received messages of the Inbox (From, Time, Text, Campaign), newest
// first, narrowed by a search text.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <string>
#include <vector>

#include "campaign/store/CampaignStore.h"

class CInboxModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { ColumnFrom = 0, ColumnTime, ColumnText, ColumnCampaign, ColumnCount };

    explicit CInboxModel(QObject* parent = nullptr);

    void SetMessages(std::vector<MessageRecord> messages);
    // Keeps the messages whose sender, text or campaign holds `search`, any
    // case; all of them for an empty one.
    void SetFilter(const QString& search);
    // The messages listed now, in order.
    std::vector<const MessageRecord*> Listed() const;
    // A message's cells as shown (the time in local time).
    static QString Cell(const MessageRecord& message, int column);
    // The listed messages as CSV: a header line, then one line each.
    std::string Csv() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    void Refilter();

    std::vector<MessageRecord> m_messages;
    std::vector<std::size_t> m_listed;
    QString m_strFilter;
};
