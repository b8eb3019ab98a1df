// The results of a campaign as CSV: one line per row with the number, the
// status text, the final status code, the time of the last change and, last,
// what the delivery reports said ("Delivered 14:02"; empty without one) and
// the modem that sent it.
// UTF-8 with a byte-order mark, CR LF line ends, so spreadsheets read it;
// each cell as CsvCell makes it.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <functional>

class CCampaignLoop;

class CResultsCsv final {
public:
    // The delivery text of a row, by its index.
    using DeliveryText = std::function<QString(std::size_t row)>;

    static QByteArray Format(const CCampaignLoop& loop, const DeliveryText& delivery = {});
    // Writes Format(loop, delivery) to `path`; on failure `error` holds the
    // message.
    static bool Write(const CCampaignLoop& loop, const QString& path, QString& error,
                      const DeliveryText& delivery = {});
};
