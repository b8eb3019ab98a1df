#include "campaign/store/History.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "campaign/CsvCell.h"
#include "pdu/StatusReportOutcome.h"
#include "pdu/Unicode.h"

namespace History {

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

struct Civil {
    std::int64_t year;
    unsigned month, day, hour, minute, second;
};

Civil CivilFromSeconds(std::int64_t seconds) {
    std::int64_t days = seconds / 86400;
    std::int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned day = doy - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2 ? 1 : 0);
    return {year,
            month,
            day,
            static_cast<unsigned>(rest / 3600),
            static_cast<unsigned>(rest / 60 % 60),
            static_cast<unsigned>(rest % 60)};
}

std::int64_t Seconds(StoreTime time) {
    // Whole seconds, rounded down also before 1970.
    return std::chrono::floor<std::chrono::seconds>(time.time_since_epoch()).count();
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool IsContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

std::string IsoTime(StoreTime time, int offsetMinutes) {
    const Civil c = CivilFromSeconds(Seconds(time) + std::int64_t{offsetMinutes} * 60);
    const int offset = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    char text[48];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02uT%02u:%02u:%02u%c%02d:%02d",
                  static_cast<long long>(c.year), c.month, c.day, c.hour, c.minute, c.second,
                  offsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
    return text;
}

int LocalOffsetMinutes(StoreTime time) {
    const std::time_t seconds = static_cast<std::time_t>(Seconds(time));
    std::tm local{};
#ifdef _WIN32
    if (localtime_s(&local, &seconds) != 0) {
        return 0;
    }
#else
    if (localtime_r(&seconds, &local) == nullptr) {
        return 0;
    }
#endif
    // The local wall clock read as if it were UTC, less the real instant.
    const std::int64_t wall =
        DaysFromCivil(std::int64_t{local.tm_year} + 1900, static_cast<unsigned>(local.tm_mon + 1),
                      static_cast<unsigned>(local.tm_mday)) *
            86400 +
        local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
    return static_cast<int>((wall - static_cast<std::int64_t>(seconds)) / 60);
}

std::string LocalTimeText(StoreTime time) {
    // "2026-12-06T14:02:00+01:00" -> "2026-12-06 14:02"
    std::string text = IsoTime(time, LocalOffsetMinutes(time)).substr(0, 16);
    text[10] = ' ';
    return text;
}

std::string DeliveryText(const RowRecord& row) {
    if (!row.deliveryStatus) {
        return {};
    }
    return PduLib::StatusReportRowText(*row.deliveryStatus,
                                       LocalTimeText(row.deliveryTime).substr(11));
}

std::string RowTimeText(const CampaignRecord& campaign, const RowRecord& row) {
    if (row.state == SendState::NotSent && row.time == campaign.created) {
        return {};
    }
    return LocalTimeText(row.time);
}

std::string MessageHead(std::string_view message, std::size_t maxChars) {
    // One line, blanks folded.
    std::string line;
    for (const char c : message) {
        if (IsBlank(c)) {
            if (!line.empty() && line.back() != ' ') {
                line += ' ';
            }
        } else {
            line += c;
        }
    }
    if (!line.empty() && line.back() == ' ') {
        line.pop_back();
    }
    // Where the character after the first `maxChars` begins, if any.
    std::size_t chars = 0;
    std::size_t cut = std::string::npos;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (!IsContinuation(line[i]) && chars++ == maxChars) {
            cut = i;
            break;
        }
    }
    if (cut == std::string::npos) {
        return line;
    }
    // Back to the end of the last whole word, if one fits.
    const std::size_t space = line.rfind(' ', cut);
    if (space != std::string::npos && space > 0) {
        cut = space;
    }
    return line.substr(0, cut) + "...";
}

std::string CodeText(const std::optional<std::int64_t>& code) {
    if (!code) {
        return {};
    }
    if (*code < INT32_MIN || *code > std::int64_t{UINT32_MAX}) {
        return std::to_string(*code);
    }
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X",
                  static_cast<unsigned>(static_cast<std::uint32_t>(*code)));
    return text;
}

std::string PartsText(const RowRecord& row) {
    std::string text;
    for (const PartRecord& part : row.parts) {
        if (!text.empty()) {
            text += ' ';
        }
        text += std::to_string(part.index + 1);
        text += ':';
        text += ToString(part.state);
    }
    return text;
}

std::string RowsCsv(const CampaignRecord& campaign, const std::vector<RowRecord>& rows) {
    const bool parts = campaign.parts > 1;
    auto cell = [](std::string_view text) {
        return PduLib::Utf16ToUtf8(CsvCell(PduLib::Utf8ToUtf16(text)));
    };
    std::string csv = "\xEF\xBB\xBFnumber,state,status_text,code,time";
    csv += parts ? ",parts\r\n" : "\r\n";
    for (const RowRecord& row : rows) {
        csv += cell(row.number);
        csv += ',';
        csv += ToString(row.state);
        csv += ',';
        csv += cell(row.statusText);
        csv += ',';
        csv += CodeText(row.code);
        csv += ',';
        csv += IsoTime(row.time);
        if (parts) {
            csv += ',';
            csv += PartsText(row);
        }
        csv += "\r\n";
    }
    return csv;
}

}  // namespace History
