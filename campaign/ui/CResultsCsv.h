// The results of a campaign as CSV: one line per row with the number, the
// status text, the final status code and the time of the last change.
// UTF-8 with a byte-order mark, CR LF line ends, so spreadsheets read it;
// each cell as CsvCell makes it.
#pragma once

#include <QByteArray>
#include <QString>

class CCampaignLoop;

class CResultsCsv final {
public:
    static QByteArray Format(const CCampaignLoop& loop);
    // Writes Format(loop) to `path`; on failure `error` holds the message.
    static bool Write(const CCampaignLoop& loop, const QString& path, QString& error);
};
