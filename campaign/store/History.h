// How the history of the campaign store is shown and exported, the same for
// the command line and the desktop program: times as ISO 8601 with an
// offset, the first words of a message, and a campaign's rows as CSV.
// Standard library only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "campaign/store/CampaignStore.h"

namespace History {

// "2026-12-06T14:02:00+00:00": the time to the second at `offsetMinutes`
// east of UTC (negative west: "-05:00").
std::string IsoTime(StoreTime time, int offsetMinutes = 0);
// The offset of the machine's local time from UTC at `time`, in minutes.
int LocalOffsetMinutes(StoreTime time);
// "2026-12-06 14:02" in the machine's local time, for people.
std::string LocalTimeText(StoreTime time);
// The local time of a row's last change, empty for a row untouched since
// its campaign was created.
std::string RowTimeText(const CampaignRecord& campaign, const RowRecord& row);

// The message's first words, on one line: runs of blanks and line breaks
// become one space, and a message longer than `maxChars` characters is cut
// after a whole word (inside a longer word when it has none) with "...".
std::string MessageHead(std::string_view message, std::size_t maxChars = 40);

// A status code as the reports write it: "0x80070005" for one that fits in
// 32 bits, else in decimal; empty for none.
std::string CodeText(const std::optional<std::int64_t>& code);

// What the status reports said of a row: "Delivered 14:02" (the local time
// of its delivery), "Not delivered: Validity period expired", ...; empty
// when no report came.
std::string DeliveryText(const RowRecord& row);

// "1:sent 2:failed": the state of each part; empty for a message of one part.
std::string PartsText(const RowRecord& row);

// The rows as CSV: the header number,state,status_text,code,time (with a
// parts column when the message has several), one line per row, each cell
// as CsvCell makes it (formulas defused); UTF-8 with a byte-order mark, CR LF
// line ends, times in UTC.
std::string RowsCsv(const CampaignRecord& campaign, const std::vector<RowRecord>& rows);

}  // namespace History
