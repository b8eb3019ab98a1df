#include "campaign/ui/CResultsCsv.h"

#include <QDateTime>
#include <QSaveFile>
#include <QStringList>
#include <chrono>

#include "campaign/CCampaignLoop.h"
#include "campaign/CsvCell.h"
#include "campaign/doc/QtText.h"

QByteArray CResultsCsv::Format(const CCampaignLoop& loop, const DeliveryText& delivery) {
    QString text = QStringLiteral("Number,Status,Final Status,Time,Delivery,Modem\r\n");
    for (std::size_t i = 0; i < loop.GetRowCount(); ++i) {
        const CampaignRow& row = loop.GetRow(i);
        QStringList fields;
        fields << ToQString(CsvCell(row.number)) << ToQString(CsvCell(row.statusText));
        fields << (row.finalStatus
                       ? QStringLiteral("0x%1").arg(static_cast<quint32>(*row.finalStatus), 8, 16,
                                                    QLatin1Char('0'))
                       : QString());
        if (row.time.time_since_epoch().count() != 0) {
            const auto ms =
                std::chrono::duration_cast<std::chrono::milliseconds>(row.time.time_since_epoch())
                    .count();
            fields << QDateTime::fromMSecsSinceEpoch(ms)
                          .toOffsetFromUtc(QDateTime::currentDateTime().offsetFromUtc())
                          .toString(Qt::ISODate);
        } else {
            fields << QString();
        }
        fields << (delivery ? ToQString(CsvCell(ToU16String(delivery(i)))) : QString());
        fields << ToQString(CsvCell(row.route));
        text += fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

bool CResultsCsv::Write(const CCampaignLoop& loop, const QString& path, QString& error,
                        const DeliveryText& delivery) {
    const QByteArray bytes = Format(loop, delivery);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        error = QStringLiteral("Could Not Save the Results to [%1].\n\n%2")
                    .arg(path, file.errorString());
        return false;
    }
    return true;
}
